#!/usr/bin/env bash
# Builds the optimised benchmark preset and runs the comparison of tevra
# with spdlog and with the floor, side by side in one run, after checking
# that all three write the same lines. Arguments go to bench/compare.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh bench
cmake --preset bench >/dev/null
cmake --build --preset bench --target tevra_compare tevra_compare_test >/dev/null
if ! check="$(build/bench/bench/tevra_compare_test 2>&1)"; then
  echo "$check"
  echo "the compared lines differ; no figures" >&2
  exit 1
fi
exec bench/compare.sh "$@"
