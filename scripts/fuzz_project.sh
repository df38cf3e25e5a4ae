#!/usr/bin/env bash
# Builds the project reader's fuzz target with clang's libFuzzer and runs it for a bounded time, starting
# from the project fixtures of tests/data (the current layout and the first one).
# Usage: scripts/fuzz_project.sh [SECONDS]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
source scripts/fuzz_build.sh
fuzz_build fuzz_ktr src/common/*.cpp src/measurement/*.cpp src/editing/UnitMontage.cpp src/project/*.cpp tests/fuzz/FuzzKtr.cpp

corpus="$out/corpus-fuzz_ktr"
mkdir -p "$corpus"
cp -n tests/data/*.ktr "$corpus"/ 2>/dev/null || true
echo "== fuzz_ktr for ${seconds}s"
"$out/fuzz_ktr" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=65536 -timeout=10 "$corpus"
