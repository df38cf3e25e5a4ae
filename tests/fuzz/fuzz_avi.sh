#!/usr/bin/env bash
# Builds the AVI reader's fuzz target with clang's libFuzzer and runs it for a bounded time, starting from
# a few small AVI files that ffmpeg writes (uncompressed, palette, Motion-JPEG) and that tests/fuzz/AviSeeds
# writes (OpenDML indexes, drop frames, "rec " lists, colour masks).
# Usage: tests/fuzz/fuzz_avi.sh [SECONDS]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
command -v clang++ >/dev/null || { echo "fuzz: clang++ is needed (apt-get install clang)" >&2; exit 1; }
out=build/fuzz
mkdir -p "$out"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -DQT_NO_KEYWORDS -Isrc -fPIC \
    $(pkg-config --cflags Qt6Core Qt6Gui libturbojpeg) \
    tests/fuzz/FuzzAviReader.cpp src/video/UnitAviReader.cpp src/video/UnitAviDecoder.cpp \
    -o "$out/fuzz_avi_reader" $(pkg-config --libs Qt6Core Qt6Gui libturbojpeg)
corpus="$out/corpus-fuzz_avi_reader"
mkdir -p "$corpus"
if [[ -z "$(ls -A "$corpus")" ]]; then
    clang++ -std=c++20 -O1 -DQT_NO_KEYWORDS -Itests -fPIC $(pkg-config --cflags Qt6Core Qt6Gui) \
        tests/fuzz/AviSeeds.cpp -o "$out/avi_seeds" $(pkg-config --libs Qt6Core Qt6Gui)
    "$out/avi_seeds" "$corpus"
    if command -v ffmpeg >/dev/null; then
        source=(-f lavfi -i testsrc2=size=16x12:rate=25:duration=0.12)
        ffmpeg -v error -y "${source[@]}" -c:v rawvideo -pix_fmt bgr24 "$corpus/seed_bgr24.avi"
        ffmpeg -v error -y "${source[@]}" -c:v rawvideo -pix_fmt pal8 "$corpus/seed_pal8.avi"
        ffmpeg -v error -y "${source[@]}" -c:v rawvideo -pix_fmt rgb555le "$corpus/seed_rgb555.avi"
        ffmpeg -v error -y "${source[@]}" -c:v mjpeg "$corpus/seed_mjpeg.avi"
    fi
fi
echo "== fuzz_avi_reader for ${seconds}s"
"$out/fuzz_avi_reader" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=65536 "$corpus"
