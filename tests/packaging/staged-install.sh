#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a staging folder (DESTDIR, prefix /usr) and checks that every file of
# the desktop program is there, that the AppStream tree validates when appstreamcli is
# installed, and that the installed kavrol-cli, run from the staging folder, reports what the
# built one reports. The documentation is there with the copyright file naming the licence (the
# sources' LICENSE being its text) and the changelog of the project's version; --version of
# both programs and kavrol --help print and write no file.
# Usage: staged-install.sh BUILD_DIR STAGE_DIR BUILT_KAVROL_CLI SOURCE_DIR
set -u
build=$1
stage=$2
built_cli=$3
source=$4
fail() {
    printf 'FAIL: %s\n' "$*"
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
    share/man/man1/kavrol-cli.1.gz share/man/man1/kavrol.1.gz \
    share/doc/kavrol/copyright share/doc/kavrol/changelog.gz share/doc/kavrol/README.md \
    share/doc/kavrol/docs/fixture.md share/doc/kavrol/docs/window.md \
    share/doc/kavrol/docs/CHANGES.md share/doc/kavrol/examples/two-t5-80cm.json; do
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

# The manual page is kavrol-cli's --help: every option of the help text is in it (manual-pages.sh
# checks the pages' layout). Manual pages write each hyphen as "\-"; without the backslashes the
# options read as typed.
page=$(gzip -dc "$usr/share/man/man1/kavrol-cli.1.gz" | tr -d '\\') ||
    fail "the manual page is no gzip file"
for option in shape tube lamp-distance water-distance aquarium-width albedo scale dpi save json; do
    printf '%s' "$page" | grep -q -F -e "--$option" || fail "the manual page lacks --$option"
done

# The licence: LICENSE is the GPL version 3, the copyright file is Debian's machine-readable
# format naming it for every file, and where the system keeps the licence's text it is that text.
doc="$usr/share/doc/kavrol"
grep -q -x ' *Version 3, 29 June 2007' "$source/LICENSE" || fail "LICENSE is not the GPL version 3"
if [ -f /usr/share/common-licenses/GPL-3 ]; then
    cmp -s "$source/LICENSE" /usr/share/common-licenses/GPL-3 ||
        fail "LICENSE differs from /usr/share/common-licenses/GPL-3"
fi
head -n 1 "$doc/copyright" | grep -q -x 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "the copyright file is not in Debian's machine-readable format"
for line in 'Files: \*' 'License: GPL-3+' '.*/usr/share/common-licenses/GPL-3.*' '.*Qt Charts.*'; do
    grep -q -x -e "$line" "$doc/copyright" || fail "the copyright file lacks a line $line"
done

# The changelog's newest entry is the programs' version.
version=$("$usr/bin/kavrol-cli" --version | head -n 1 | sed 's/.* //')
[ -n "$version" ] || fail "kavrol-cli --version names no version"
gzip -dc "$doc/changelog.gz" | head -n 1 | grep -q -F -x "kavrol ($version) unstable; urgency=medium" ||
    fail "the changelog does not begin with version $version"
if command -v dpkg-parsechangelog >/dev/null 2>&1; then
    gzip -dc "$doc/changelog.gz" >"$stage.changelog"
    parsed=$(dpkg-parsechangelog -l "$stage.changelog" -S Version) || fail "dpkg-parsechangelog"
    [ "$parsed" = "$version" ] || fail "the changelog's version is $parsed, not $version"
fi

if command -v appstreamcli >/dev/null 2>&1; then
    appstreamcli validate-tree --no-net "$usr" || fail "appstreamcli validate-tree"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# --version and kavrol --help answer without a display and write no file, not even the
# picture the window's start without a display writes.
mkdir "$work/empty" "$work/home"
for run in "kavrol --version" "kavrol-cli --version" "kavrol --help" "kavrol -h"; do
    set -- $run
    out=$(cd "$work/empty" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
        HOME="$work/home" "$usr/bin/$1" "$2") || fail "$run failed"
    case "$2" in
    --version) expected="$1 (Kavrol) $version" ;;
    *) expected="Usage: $1 [Qt options]" ;;
    esac
    [ "$(printf '%s\n' "$out" | head -n 1)" = "$expected" ] ||
        fail "$run does not begin with \"$expected\""
    [ -z "$(ls -A "$work/empty" "$work/home" | grep -v ':$' | grep -v '^$')" ] ||
        fail "$run wrote files: $(ls -A "$work/empty" "$work/home")"
done
for program in kavrol kavrol-cli; do
    "$usr/bin/$program" --version | grep -q -F "License GPL-3.0-or-later" ||
        fail "$program --version names no licence"
done

# The installed command line, away from the build, gives the built one's report.
expected=$(cd "$work" && "$built_cli") || fail "the built kavrol-cli failed"
actual=$(cd "$work" && "$usr/bin/kavrol-cli") || fail "the installed kavrol-cli failed"
echo "$actual" | head -n 1
printf '%s\n' "$actual" | grep -q '^Efficiency: 0\.[0-9]\{6\}$' || fail "no efficiency printed"
[ "$actual" = "$expected" ] || fail "the installed kavrol-cli reports otherwise than the built one"
echo "PASS: staged install in $stage"
