#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the real kavrol on a virtual X server, presses F2, and takes one picture of the main
# window beside the analysis window once its estimate is shown. Checks that the analysis window
# appeared with its title and that its charts are drawn (the irradiance curve's blue).
# Usage: analysis_screenshot.sh KAVROL_EXECUTABLE OUTPUT_PNG
# Exits 77 (skipped) when xvfb-run, xwininfo, xdotool or ImageMagick are missing.
set -u
program=$1
output=$2
for tool in xvfb-run xwininfo xdotool import convert; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "skipped: $tool is not installed"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

cat >"$work/inside.sh" <<'INSIDE'
#!/bin/sh
program=$1
work=$2
env -u QT_QPA_PLATFORM "$program" >"$work/program.log" 2>&1 &
pid=$!
main=""
for _ in $(seq 1 100); do
    main=$(xdotool search --name '^"Kavrol"$' 2>/dev/null | head -n 1)
    [ -n "$main" ] && break
    sleep 0.2
done
[ -n "$main" ] || { kill "$pid"; exit 1; }
sleep 1
xdotool windowmove "$main" 0 0
xdotool windowfocus "$main" 2>/dev/null
sleep 0.3
xdotool key --window "$main" F2
analysis=""
for _ in $(seq 1 50); do
    analysis=$(xdotool search --name '^Анализ$' 2>/dev/null | head -n 1)
    [ -n "$analysis" ] && break
    sleep 0.2
done
if [ -n "$analysis" ]; then
    xdotool windowsize "$analysis" 1000 840
    xdotool windowmove "$analysis" 1060 0
    # The estimate takes a moment; the charts follow it.
    sleep 2
    xwininfo -id "$analysis" >"$work/analysis.txt"
fi
import -window root "$work/root.png"
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
[ -n "$analysis" ]
INSIDE
chmod +x "$work/inside.sh"

if ! xvfb-run -a -s "-screen 0 2060x840x24 -dpi 96" "$work/inside.sh" "$program" "$work"; then
    echo "FAIL: no window titled \"Анализ\" appeared after F2"
    cat "$work/program.log"
    exit 1
fi
size=$(sed -n 's/.*Width: *\([0-9]*\).*/\1/p' "$work/analysis.txt")x$(sed -n 's/.*Height: *\([0-9]*\).*/\1/p' "$work/analysis.txt")
echo "analysis window $size"
if [ "$size" != "1000x840" ]; then
    echo "FAIL: the analysis window is $size, not 1000x840"
    exit 1
fi
convert "$work/root.png" -crop 2060x840+0+0 +repage "$output" || exit 1
# The irradiance curve's blue (#1F6FB4) in the analysis window's half of the picture.
blue=$(convert "$output" -crop 1000x840+1060+0 -format %c histogram:info:- | grep -i "#1F6FB4" |
    head -n 1 | sed 's/^ *\([0-9]*\):.*/\1/')
blue=${blue:-0}
echo "irradiance curve: $blue pixels"
if [ "$blue" -lt 300 ]; then
    echo "FAIL: the analysis window shows no irradiance curve"
    exit 1
fi
echo "PASS: both windows shown; screenshot in $output"
