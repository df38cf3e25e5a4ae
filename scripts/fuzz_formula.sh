#!/usr/bin/env bash
# Builds the formula language's fuzz target with clang's libFuzzer and runs it for a bounded time,
# starting from a few formulas and definition lists written here.
# Usage: scripts/fuzz_formula.sh [SECONDS]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
source scripts/fuzz_build.sh
fuzz_build fuzz_formula src/common/UnitTypes.cpp src/common/UnitIni.cpp src/common/UnitOptions.cpp src/common/UnitFolders.cpp src/common/UnitUserDlg.cpp src/calc/*.cpp src/formula/*.cpp tests/fuzz/FuzzFormula.cpp

# Seeds: the first byte is the mode (even: one formula for the parser; odd: definitions, one a line).
corpus="$out/corpus-fuzz_formula"
mkdir -p "$corpus"
seed() { printf '%s' "$2" > "$corpus/seed-$1"; }
seed p1 $'\x00''2+3*4-8/2*4^-1'
seed p2 $'\x04''ArcTan(ArcTan(1;-1+2))+SIN((pi/2))'
seed p3 $'\x02''1,5E-3*x[i+1]-x[-1]/(n+u)'
seed p4 $'\x00''sqrt(ABS(-2))^LOG(100)÷LN(EXP(1))+ARCSIN(0.5)-ARCCOS(0.5)+TAN(45)+COS(60)'
seed d1 $'\x01''c m=2'$'\n''Ec = m*v^2/2'$'\n''c v_lam[1]=5'$'\n''v_lam[i+1] = v_lam[i] + x2*t'
seed d2 $'\x03''c Ray=0.009'$'\n''c Vol==4*Ray^3/3'$'\n''p_[i+1]=p_[i]+q_[i]*0.1'$'\n''q_[i+1]=q_[i]-p_[i]*0.1'$'\n''c p_[1]=1'$'\n''c q_[1]=0'
seed d3 $'\x01''a=b+1'$'\n''b=a+1'$'\n''c k=k*2'$'\n''O*R+w-B'
echo "== fuzz_formula for ${seconds}s"
"$out/fuzz_formula" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=4096 -timeout=10 "$corpus"
