#!/usr/bin/env bash
# Checks the bash completion of kinotra on a table of command lines, in a folder of sample files.
# Usage: check_completion.sh COMPLETION KINOTRA    (KINOTRA: the program, asked for its codec names)
set -uo pipefail
completion=$1
program=$(realpath "$2")
source "$completion" || exit 1

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder" || exit 1
touch throw.avi clip.MP4 work.ktr points.txt graph.svg frame.png
mkdir images

failures=0
# expect LINE WORDS...: completing LINE (its last word, possibly empty) gives exactly WORDS.
expect()
{
    local line=$1
    shift
    read -r -a COMP_WORDS <<<"$line"
    [[ $line == *' ' ]] && COMP_WORDS+=('')
    COMP_WORDS[0]=$program
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _kinotra
    local got want
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
    want=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
    if [[ $got != "$want" ]]; then
        echo "'$line': got [$got], expected [$want]"
        failures=$((failures + 1))
    fi
}

expect 'kinotra --ex' --export-frame --export-datasheet --export-formulas --export-graph
expect 'kinotra ' throw.avi clip.MP4 work.ktr images
expect 'kinotra --info ' throw.avi clip.MP4 images
expect 'kinotra --export-frame throw.avi 3 ' frame.png images
expect 'kinotra --export-frame throw.avi ' # N: nothing to offer
expect 'kinotra --export-datasheet ' work.ktr images
expect 'kinotra --export-datasheet work.ktr ' points.txt images
expect 'kinotra --export-datasheet work.ktr out.ods --' --layer
expect 'kinotra --fit ' constant proportional affine parabola exponential sine sine-exp sine-lin
expect 'kinotra --fit sine-' sine-exp sine-lin
expect 'kinotra --fit parabola p' points.txt
expect 'kinotra --track ' throw.avi clip.MP4 images
expect 'kinotra --track throw.avi --frame 3 --rect ' # a value to type
expect 'kinotra --track throw.avi --frame 3 --' --frame --rect --last --radius --ignore
expect 'kinotra --export-graph work.ktr g' graph.svg
expect 'kinotra --export-graph work.ktr out.png --size 800x600 --page t' time trajectory
expect 'kinotra --export-graph work.ktr out.png --layer --' --page --layer --size
expect 'kinotra --capture t' test
expect 'kinotra --capture test out.avi --seconds 5 --framework ' 0 1
expect 'kinotra --codecs --framework ' 0 1 2
expect 'kinotra --to-images throw.avi ' images
expect 'kinotra --from-images ' images
expect 'kinotra --from-images images ' clip.MP4 frame.png graph.svg images points.txt throw.avi work.ktr
expect 'kinotra --save-edited work.ktr out.avi --framework 0 --codec Mo' 'Motion\ JPEG'
expect 'kinotra --version ' # nothing follows
if ((failures > 0)); then
    echo "$failures completion(s) wrong"
    exit 1
fi
echo "all completions as expected"
