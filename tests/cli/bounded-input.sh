#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What kavrol-cli reads is bounded: a device, a folder, a pipe without a writer and a sparse
# gigabyte, as the fixture file and as a profile (by an absolute and a relative name), are
# refused at once with their reason under a limit on the address space; and a search under
# such a limit still reports a result with the threads that fit.
#   tests/cli/bounded-input.sh PATH-TO-kavrol-cli
set -u
cli=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/folder" "$dir/sub"
mkfifo "$dir/pipe"
truncate -s 1G "$dir/huge"
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

# Address space for the program and Qt's libraries, far below what reading /dev/zero or the
# gigabyte whole would take. The timeout only catches a read that never ends (a pipe).
ulimit -v 600000

# expect STATUS TEXT-IN-STDERR COMMAND...
expect() {
    local status=$1 text=$2
    shift 2
    timeout 60 "$@" >"$dir/out" 2>"$dir/err"
    local got=$?
    [[ $got -eq $status ]] || fail "$* exited with $got, not $status: $(head -c 300 "$dir/err")"
    grep -qF -- "$text" "$dir/err" || fail "$*: expected '$text' in: $(head -c 300 "$dir/err")"
}

declare -A kind=(
    [/dev/zero]="is a device, not a regular file"
    [$dir/folder]="is a folder, not a file"
    [$dir/pipe]="is a pipe, not a regular file"
    [$dir/huge]="is larger than the 4194304 bytes allowed"
)
for target in "${!kind[@]}"; do
    expect 1 "kavrol-cli fixture: $target: the fixture file ${kind[$target]}" \
        "$cli" fixture "$target" --no-progress
    relative=$(realpath -m --relative-to="$dir/sub" "$target")
    for name in "$target" "$relative"; do
        shown=$name
        [[ $name == /* ]] || shown="$dir/sub/$name"
        printf '{"tank": {"waterDistance": 200, "width": 600}, "albedo": 0.8, "units": [
            {"tube": "T5", "x": 0, "lampDistance": 40, "reflector": {"profile": "%s"}}]}' \
            "$name" >"$dir/sub/f.json"
        expect 1 "\"reflector.profile\": the profile file $shown ${kind[$target]}" \
            "$cli" fixture "$dir/sub/f.json" --no-progress
    done
done
expect 1 "kavrol-cli fixture: $dir/none.json: cannot open the fixture file: No such file or directory" \
    "$cli" fixture "$dir/none.json" --no-progress

# 256 threads asked for under the limit: fewer are used (or fewer start), and the ranking comes.
expect 0 "threads" "$cli" optimise --objective physical --shapes parabola --a-min 196 \
    --b-min 196 --threads 256 --no-progress
grep -q "^   1  parabola" "$dir/out" || fail "the search under the limit reported no ranking"

if ((failures > 0)); then
    exit 1
fi
echo "bounded input: every case passed"
