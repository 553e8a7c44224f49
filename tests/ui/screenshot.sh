#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the real kavrol on a virtual X server, takes a screenshot and checks that the window
# is there with its picture: the scene's water, tube and reflector colours inside the window
# and the yellow efficiency field. Usage: screenshot.sh KAVROL_EXECUTABLE OUTPUT_PNG
# Exits 77 (skipped) when xvfb-run, xwininfo or ImageMagick are missing.
set -u
program=$1
output=$2
for tool in xvfb-run xwininfo import convert; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "skipped: $tool is not installed"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The program looks for the shape pictures in its working directory and then beside itself.
cd "$work" || exit 1

# Runs inside the virtual server: start, wait for the window, capture, close.
cat >"$work/inside.sh" <<'INSIDE'
#!/bin/sh
program=$1
work=$2
# The test suite runs with Qt's offscreen platform; the real program must use the X server.
env -u QT_QPA_PLATFORM "$program" >"$work/program.log" 2>&1 &
pid=$!
found=""
for _ in $(seq 1 100); do
    if xwininfo -root -tree 2>/dev/null | grep -F '""Kavrol""' >"$work/window.txt"; then
        found=yes
        break
    fi
    sleep 0.2
done
# Give the first paint a moment once the window is mapped.
sleep 1
import -window root "$work/root.png"
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
[ -n "$found" ]
INSIDE
chmod +x "$work/inside.sh"

if ! xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$work/inside.sh" "$program" "$work"; then
    echo "FAIL: no window titled \"Kavrol\" appeared"
    cat "$work/program.log"
    exit 1
fi
cat "$work/window.txt"

# The window's size and place, from xwininfo's "1050x840+115+92".
geometry=$(grep -o '[0-9]*x[0-9]*+[0-9]*+[0-9]*' "$work/window.txt" | head -n 1)
size=${geometry%%+*}
if [ "$size" != "1050x840" ]; then
    echo "FAIL: the window is $size, not 1050x840"
    exit 1
fi
convert "$work/root.png" -crop "$geometry" +repage "$output" || exit 1

count() {
    convert "$output" -format %c histogram:info:- | grep -i "#$1" | head -n 1 |
        sed 's/^ *\([0-9]*\):.*/\1/'
}
water=$(count A6CAF0); water=${water:-0}
tube=$(count FFFF00); tube=${tube:-0}
outline=$(count 000000); outline=${outline:-0}
echo "water $water, yellow $tube, black $outline pixels"
# The default scene has a 500 x 560 pixel water rectangle, the tube disc and the yellow
# efficiency field, and a reflector outline three pixels wide.
if [ "$water" -lt 200000 ] || [ "$tube" -lt 2000 ] || [ "$outline" -lt 600 ]; then
    echo "FAIL: the window does not show the scene"
    exit 1
fi
echo "PASS: window and picture shown; screenshot in $output"
