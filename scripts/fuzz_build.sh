# Shared by the fuzz scripts: builds a libFuzzer target with clang from a list of sources.
# Usage (sourced): fuzz_build NAME SOURCE...   -> sets $out (build/fuzz-NAME) and makes $out/NAME.
# Objects are rebuilt only when their source is newer, two at a time.
fuzz_build()
{
    local name=$1
    shift
    command -v clang++ >/dev/null || { echo "fuzz: clang++ is needed (apt-get install clang)" >&2; exit 1; }
    out=build/fuzz-${name#fuzz_}
    mkdir -p "$out/obj"
    local flags=(-std=c++20 -g -O1 -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                 -DQT_NO_KEYWORDS -Isrc -fPIC $(pkg-config --cflags Qt6Core Qt6Gui))
    local objects=() pids=() source object
    for source in "$@"; do
        object="$out/obj/$(echo "$source" | tr '/' '_').o"
        objects+=("$object")
        if [[ ! -f "$object" || "$source" -nt "$object" ]]; then
            clang++ "${flags[@]}" -c "$source" -o "$object" &
            pids+=($!)
            if (( ${#pids[@]} >= 2 )); then wait "${pids[0]}"; pids=("${pids[@]:1}"); fi
        fi
    done
    for pid in "${pids[@]}"; do wait "$pid"; done
    clang++ -fsanitize=fuzzer,address,undefined "${objects[@]}" -o "$out/$name" $(pkg-config --libs Qt6Core Qt6Gui)
}
