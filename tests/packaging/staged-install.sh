#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a staging folder (DESTDIR, prefix /usr) and checks that every file of
# the desktop program is there, that the AppStream tree validates when appstreamcli is
# installed, and that the installed kavrol-cli, run from the staging folder, reports what the
# built one reports.
# Usage: staged-install.sh BUILD_DIR STAGE_DIR BUILT_KAVROL_CLI
set -u
build=$1
stage=$2
built_cli=$3
fail() {
    echo "FAIL: $*"
    exit 1
}

rm -rf "$stage"
DESTDIR="$stage" cmake --install "$build" --prefix /usr >"$stage.log" 2>&1 ||
    { cat "$stage.log"; fail "cmake --install"; }
usr="$stage/usr"

missing=0
for file in \
    bin/kavrol bin/kavrol-cli \
    share/kavrol/Трапеция.bmp share/kavrol/Парабола.bmp share/kavrol/ZeFo.bmp \
    share/applications/org.kavrol.kavrol.desktop \
    share/metainfo/org.kavrol.kavrol.metainfo.xml \
    share/icons/hicolor/16x16/apps/kavrol.png share/icons/hicolor/22x22/apps/kavrol.png \
    share/icons/hicolor/24x24/apps/kavrol.png share/icons/hicolor/32x32/apps/kavrol.png \
    share/icons/hicolor/48x48/apps/kavrol.png share/icons/hicolor/64x64/apps/kavrol.png \
    share/icons/hicolor/128x128/apps/kavrol.png share/icons/hicolor/256x256/apps/kavrol.png \
    share/icons/hicolor/scalable/apps/kavrol.svg \
    share/man/man1/kavrol-cli.1.gz; do
    if [ ! -s "$usr/$file" ]; then
        echo "missing: $file"
        missing=1
    fi
done
[ "$missing" -eq 0 ] || fail "the staged install lacks files"
for program in kavrol kavrol-cli; do
    [ -x "$usr/bin/$program" ] || fail "$program is not executable"
done

# Each PNG of the icon theme is as large as the folder it lies in says.
for size in 16 22 24 32 48 64 128 256; do
    png="$usr/share/icons/hicolor/${size}x${size}/apps/kavrol.png"
    dimensions=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
    [ "$dimensions" = "${size}x${size}" ] || fail "$png is $dimensions"
done

# The manual page is kavrol-cli's --help: every option of the help text is in it.
# Manual pages write each hyphen as "\-"; without the backslashes the options read as typed.
page=$(gzip -dc "$usr/share/man/man1/kavrol-cli.1.gz" | tr -d '\\') ||
    fail "the manual page is no gzip file"
for option in shape tube lamp-distance water-distance aquarium-width albedo scale dpi save json; do
    printf '%s' "$page" | grep -q -F -e "--$option" || fail "the manual page lacks --$option"
done

if command -v appstreamcli >/dev/null 2>&1; then
    appstreamcli validate-tree --no-net "$usr" || fail "appstreamcli validate-tree"
fi

# The installed command line, away from the build, gives the built one's report.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
expected=$(cd "$work" && "$built_cli") || fail "the built kavrol-cli failed"
actual=$(cd "$work" && "$usr/bin/kavrol-cli") || fail "the installed kavrol-cli failed"
echo "$actual" | head -n 1
printf '%s\n' "$actual" | grep -q '^Efficiency: 0\.[0-9]\{6\}$' || fail "no efficiency printed"
[ "$actual" = "$expected" ] || fail "the installed kavrol-cli reports otherwise than the built one"
echo "PASS: staged install in $stage"
