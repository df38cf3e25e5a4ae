#!/usr/bin/env bash
# Sets up the machine, builds the release build and starts Kinotra. Arguments go to the program; without
# any, Kinotra opens its demonstration clip (a ball thrown before a 1 m ruler), written on first use to the
# temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
if [[ $# -eq 0 ]]; then
    demo="${TMPDIR:-/tmp}/kinotra-demo-throw.avi"
    [[ -s "$demo" ]] || build/release/kinotra --demo-clip "$demo"
    set -- "$demo"
fi
exec build/release/kinotra "$@"
