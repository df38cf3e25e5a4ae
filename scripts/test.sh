#!/usr/bin/env bash
# Sets up the machine, builds with warnings as errors, runs the whole test suite through CTest, then
# makes the Debian package of that build and checks it: its files, its metadata through the
# freedesktop and AppStream validators, and the unpacked program answering --version.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --tests
cmake --preset ci >/dev/null
cmake --build --preset ci
ctest --preset ci "$@"
scripts/check_package.sh build/ci
