#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every output is the same under a comma-decimal locale as under C: standard output and the
# CSV, SVG and JSON files, of the single build, the fixture command and both searches, with and
# without the application object that charts and templates need (Qt takes the locale from the
# environment when it makes one). The locale is made here with localedef (Debian's `locales`
# package holds its sources), so nothing is needed system-wide.
#   tests/cli/comma-locale.sh PATH-TO-kavrol-cli EXAMPLES-DIR
set -u
cli=$(realpath "$1")
examples=$(realpath "$2")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/locales"
localedef -i de_DE -f UTF-8 "$dir/locales/de_DE.UTF-8" || {
    echo "cannot make the de_DE.UTF-8 locale (is the locales package installed?)" >&2
    exit 1
}
export LOCPATH="$dir/locales"
unset LC_ALL LANG LANGUAGE
# The locale must really write a comma, or the test proves nothing.
[[ $(LC_NUMERIC=de_DE.UTF-8 env printf '%.1f' 0.5 2>/dev/null) == "0,5" ]] || {
    echo "the de_DE.UTF-8 locale made here does not write a decimal comma" >&2
    exit 1
}
export QT_QPA_PLATFORM=offscreen
failures=0

# run NAME ARGS...: runs in C and in de_DE, in folders of their own, and compares standard
# output and every .csv, .svg and .json file written.
run() {
    local name=$1
    shift
    for numeric in C de_DE.UTF-8; do
        local out="$dir/$name/$numeric"
        mkdir -p "$out"
        (cd "$out" && LC_NUMERIC=$numeric "$cli" "$@" >stdout 2>stderr)
        echo "status $?" >>"$out/stdout"
    done
    local c="$dir/$name/C" de="$dir/$name/de_DE.UTF-8"
    if [[ $(tail -n 1 "$c/stdout") != "status 0" ]]; then
        echo "FAILED: $name: $(tail -n 1 "$c/stdout"): $(head -c 300 "$c/stderr")" >&2
        failures=$((failures + 1))
    fi
    # The searches' timings differ from run to run: their numbers are masked, their separators
    # kept.
    sed -i '/^Searched /s/[0-9][0-9]*/#/g' "$c/stdout" "$de/stdout"
    for file in "$c"/stdout "$c"/*.csv "$c"/*.svg "$c"/*.json; do
        [[ -e $file ]] || continue
        if ! cmp -s "$file" "$de/$(basename "$file")"; then
            echo "FAILED: $name: $(basename "$file") differs under LC_NUMERIC=de_DE.UTF-8:" >&2
            diff "$file" "$de/$(basename "$file")" | head -6 >&2
            failures=$((failures + 1))
        fi
    done
}

run build-text --physical --tolerance 0.01
run build-json --json --physical --tolerance 0.01
run build-json-plot --json --physical --tolerance 0.01 --plot p.png --profile-csv light.csv
run build-text-template --physical --tolerance 0.01 --template cut.svg
run fixture-text fixture "$examples/two-t5-80cm.json" --tolerance 0.01 --no-progress
run fixture-json-files fixture "$examples/two-t5-80cm.json" --json --tolerance 0.01 \
    --no-progress --plot p.png --profile-csv bins.csv --template cut.svg
run fixture-text-files fixture "$examples/four-tube-gull-wing.json" --tolerance 0.01 \
    --no-progress --no-tank --plot p.svg --profile-csv bins.csv --template cut.svg
run optimise optimise --shapes parabola --a-min 180 --b-min 180 --csv grid.csv --no-progress
run optimise-physical optimise --objective physical --shapes parabola --a-min 190 --b-min 190 \
    --csv grid.csv --no-progress
run help --help

if ((failures > 0)); then
    exit 1
fi
echo "comma locale: every output matched"
