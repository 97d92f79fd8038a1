#!/usr/bin/env bash
# Builds the library and runs the demo; arguments go to the demo
# (--color, --no-color). LOG_* variables configure its loggers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target tevra-demo >/dev/null
exec build/default/examples/tevra-demo "$@"
