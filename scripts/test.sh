#!/usr/bin/env bash
# Sets up the machine, builds with warnings as errors and runs the whole test suite through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --tests
cmake --preset ci >/dev/null
cmake --build --preset ci
ctest --preset ci "$@"
