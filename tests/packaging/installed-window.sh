#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the staged, installed kavrol (STAGE/usr/bin/kavrol, so installed elsewhere than its
# prefix) on a virtual X server in an empty working directory, picks the trapezoid in the shape
# list and checks that the shape picture changed: the program found share/kavrol/ beside its
# bin/ folder. As a control, the same with share/kavrol/ moved away must leave the picture as
# it was. The window's X class is the one the desktop entry names (StartupWMClass) and its icon
# comes in every size the icon theme installs. Usage: installed-window.sh STAGE_DIR
# Exits 77 (skipped) when xvfb-run, xdotool, xprop or ImageMagick are missing.
set -u
stage=$1
program="$stage/usr/bin/kavrol"
pictures="$stage/usr/share/kavrol"
for tool in xvfb-run xdotool xprop import convert compare; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "skipped: $tool is not installed"
        exit 77
    fi
done
[ -x "$program" ] || { echo "FAIL: $program is missing"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"; [ -d "$work.pictures" ] && mv "$work.pictures" "$pictures"' EXIT
cd "$work" || exit 1

# Runs inside the virtual server: start, capture, choose the trapezoid, capture again, close.
cat >"$work/inside.sh" <<'INSIDE'
#!/bin/sh
program=$1
out=$2
env -u QT_QPA_PLATFORM "$program" >"$out.log" 2>&1 &
pid=$!
window=""
for _ in $(seq 1 100); do
    window=$(xdotool search --name '^"Kavrol"$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.2
done
status=1
if [ -n "$window" ]; then
    sleep 1
    import -window "$window" "$out-before.png"
    xprop -id "$window" WM_CLASS >"$out-class.txt"
    xprop -len 16777216 -id "$window" _NET_WM_ICON | grep -a -o 'Icon ([0-9]* x [0-9]*)' >"$out-icons.txt"
    # The shape list's arrow (list at 16, 208, 177 x 21 in the window), then the item above
    # the parabola.
    xdotool mousemove --window "$window" 185 218 click 1
    sleep 0.5
    xdotool key Up Return
    sleep 1
    import -window "$window" "$out-after.png"
    status=0
fi
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit "$status"
INSIDE
chmod +x "$work/inside.sh"

# Pixels of the shape picture (8, 8, 193 x 177) that differ between the two captures.
changed() {
    xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$work/inside.sh" "$program" "$work/$1" ||
        { echo "FAIL: no window titled \"Kavrol\" appeared"; cat "$work/$1.log"; exit 1; }
    for when in before after; do
        convert "$work/$1-$when.png" -crop 193x177+8+8 +repage "$work/$1-$when-shape.png"
    done
    compare -metric AE "$work/$1-before-shape.png" "$work/$1-after-shape.png" null: 2>&1
}

found=$(changed found)
echo "with share/kavrol: $found pixels of the shape picture changed"

# Docks pair the window with its launcher by the class the entry names.
entry="$stage/usr/share/applications/org.kavrol.kavrol.desktop"
class=$(sed -n 's/^StartupWMClass=//p' "$entry")
[ -n "$class" ] || { echo "FAIL: the desktop entry names no StartupWMClass"; exit 1; }
grep -q -F ", \"$class\"" "$work/found-class.txt" ||
    { echo "FAIL: the window's class is not $class: $(cat "$work/found-class.txt")"; exit 1; }
for png in "$stage"/usr/share/icons/hicolor/*/apps/kavrol.png; do
    size=$(basename "$(dirname "$(dirname "$png")")" | sed 's/x.*//')
    grep -q -x "Icon ($size x $size)" "$work/found-icons.txt" ||
        { echo "FAIL: the window icon lacks the size $size"; exit 1; }
done
echo "window class $class, icon sizes: $(sed 's/Icon (\([0-9]*\) .*/\1/' "$work/found-icons.txt" | sort -n | tr '\n' ' ')"
mv "$pictures" "$work.pictures"
missing=$(changed missing)
mv "$work.pictures" "$pictures"
echo "without share/kavrol: $missing pixels changed"
if [ "$missing" != 0 ]; then
    echo "FAIL: the control run changed the picture without the shape pictures"
    exit 1
fi
if [ "$found" -lt 500 ] 2>/dev/null; then
    echo "FAIL: the installed window did not show the trapezoid from share/kavrol"
    exit 1
fi
echo "PASS: the installed window finds its shape pictures"
