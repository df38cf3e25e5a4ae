#!/usr/bin/env bash
# Checks the manual page made from the help text: man renders it without a warning, it has the
# sections a manual page needs, and every option of the help text is in it.
# Usage: check_manpage.sh PAGE.1 HELP_TEXT      (exit 77: skipped, man is not installed)
set -euo pipefail
page=$1
help=$2
command -v man >/dev/null || { echo "skipped: man is not installed (package man-db)"; exit 77; }

warnings=$(mktemp)
trap 'rm -f "$warnings"' EXIT
rendered=$(LC_ALL=C.UTF-8 MANWIDTH=100 man --warnings=w -l "$page" 2>"$warnings")
if [[ -s $warnings ]]; then
    echo "man warns about $page:"
    cat "$warnings"
    exit 1
fi

status=0
for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES ENVIRONMENT EXAMPLES; do
    grep -q "^$section\$" <<<"$rendered" || { echo "no section $section"; status=1; }
done
grep -q '^ *kinotra - video analysis for physics teaching$' <<<"$rendered" || { echo "no name line"; status=1; }
# Every option of the help text, rendered with plain hyphens.
for option in $(grep -o -- '--[a-z][a-z-]*' "$help" | sort -u); do
    grep -q -- "$option" <<<"$rendered" || { echo "option $option is missing"; status=1; }
done
# Every term of the option list starts an entry of its own.
while read -r term; do
    grep -q "^       $term" <<<"$rendered" || { echo "no entry for $term"; status=1; }
done < <(sed -n '/^Options:$/,/^$/p' "$help" | grep -o '^  --[a-z-]*' | sed 's/^  //')
exit $status
