#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package of this build with CPack into a folder of its own and runs lintian
# over it: no error may remain. The other tags are printed; packaging/README.md explains those
# a package built by scripts/package still shows.
# Usage: package-lintian.sh BUILD_DIR. Exits 77 (skipped) without lintian or cpack.
set -u
build=$1
for tool in lintian cpack dpkg-deb; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "skipped: $tool is not installed"
        exit 77
    fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb=$(ls "$work"/kavrol_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "FAIL: cpack wrote no kavrol_*.deb"; exit 1; }
lintian --display-info --pedantic --fail-on error "$deb" >"$work/lintian.log" 2>&1
status=$?
cat "$work/lintian.log"
if [ "$status" -ne 0 ] || grep -q '^E: ' "$work/lintian.log"; then
    echo "FAIL: lintian reports errors in $(basename "$deb")"
    exit 1
fi
echo "PASS: lintian finds no error in $(basename "$deb")"
