#!/usr/bin/env bash
# Builds the optimised benchmark preset and runs the comparison of tevra
# with spdlog and with the floor, side by side in one run, after checking
# that all three write the same lines and that the script reading the
# results computes right. Arguments go to bench/compare.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh bench
cmake --preset bench >/dev/null
cmake --build --preset bench --target tevra_compare tevra_compare_test >/dev/null
for check in build/bench/bench/tevra_compare_test bench/compare/compare_sh_test.sh; do
  if ! output="$("$check" 2>&1)"; then
    echo "$output"
    echo "$check failed; no figures" >&2
    exit 1
  fi
done
exec bench/compare.sh "$@"
