#!/usr/bin/env bash
# Sets up the machine, builds the release build and starts Kinotra. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/kinotra "$@"
