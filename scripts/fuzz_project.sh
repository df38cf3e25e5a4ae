#!/usr/bin/env bash
# Builds the project reader's fuzz target with clang's libFuzzer and runs it for a bounded time, starting
# from the project fixtures of tests/data (the current layout and the first one).
# Usage: scripts/fuzz_project.sh [SECONDS]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
command -v clang++ >/dev/null || { echo "fuzz: clang++ is needed (apt-get install clang)" >&2; exit 1; }
out=build/fuzz-project
mkdir -p "$out/obj"
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -DQT_NO_KEYWORDS
       -Isrc -fPIC $(pkg-config --cflags Qt6Core Qt6Gui))
sources=(src/common/*.cpp src/measurement/*.cpp src/editing/UnitMontage.cpp
         src/project/*.cpp tests/fuzz/FuzzKtr.cpp)
objects=()
pids=()
for source in "${sources[@]}"; do
    object="$out/obj/$(echo "$source" | tr '/' '_').o"
    objects+=("$object")
    if [[ ! -f "$object" || "$source" -nt "$object" ]]; then
        clang++ "${flags[@]}" -c "$source" -o "$object" &
        pids+=($!)
        if (( ${#pids[@]} >= 2 )); then wait "${pids[0]}"; pids=("${pids[@]:1}"); fi
    fi
done
for pid in "${pids[@]}"; do wait "$pid"; done
clang++ -fsanitize=fuzzer,address,undefined "${objects[@]}" -o "$out/fuzz_ktr" $(pkg-config --libs Qt6Core Qt6Gui)
corpus="$out/corpus-fuzz_ktr"
mkdir -p "$corpus"
cp -n tests/data/*.ktr "$corpus"/ 2>/dev/null || true
echo "== fuzz_ktr for ${seconds}s"
"$out/fuzz_ktr" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=65536 -timeout=10 "$corpus"
