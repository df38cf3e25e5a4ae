#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and runs each for a bounded time.
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
command -v clang++ >/dev/null || { echo "fuzz: clang++ is needed (apt-get install clang)" >&2; exit 1; }
out=build/fuzz
mkdir -p "$out"
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -DQT_NO_KEYWORDS -Isrc $(pkg-config --cflags Qt6Core Qt6Gui) -fPIC)
libs=($(pkg-config --libs Qt6Core Qt6Gui))

build_target() { # name, sources...
    local name=$1; shift
    clang++ "${flags[@]}" "$@" -o "$out/$name" "${libs[@]}"
}

build_target fuzz_ini tests/fuzz/FuzzIni.cpp src/common/UnitIni.cpp
for target in "$out"/fuzz_*; do
    [[ -x "$target" ]] || continue
    corpus="$out/corpus-$(basename "$target")"
    mkdir -p "$corpus"
    cp -n tests/data/*.ini tests/data/*.ktr "$corpus"/ 2>/dev/null || true
    echo "== $(basename "$target") for ${seconds}s"
    "$target" -max_total_time="$seconds" -rss_limit_mb=2048 "$corpus"
done
