#!/usr/bin/env bash
# Builds the library and runs the whole test suite. With a preset name as
# argument (asan, tsan, ci) it uses that build instead of the default one.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
scripts/deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j2
