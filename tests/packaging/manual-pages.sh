#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The staged install's manual pages: man renders each without a warning, with its NAME,
# SYNOPSIS, DESCRIPTION, EXIT STATUS and EXAMPLES, and kavrol-cli's with a section per command
# its help lists. Every option line of the installed programs' --help texts (kavrol, kavrol-cli
# and each command) keeps at least two blanks before its description, so that help2man cannot
# run the two together, and starts a line of the rendered page; no option is left in one of
# help2man's run-together paragraphs (.HP).
# Usage: manual-pages.sh STAGE_DIR. Exits 77 (skipped) without man.
set -u
stage=$1
usr="$stage/usr"
fail() {
    printf "FAIL: %s\n" "$*"
    exit 1
}
command -v man >/dev/null 2>&1 || { echo "skipped: man is not installed"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The commands kavrol-cli's help lists under "Commands", one a line.
commands=$("$usr/bin/kavrol-cli" --help |
    awk '/^Commands/ { list = 1; next } list && /^$/ { exit } list { print $1 }')
[ -n "$commands" ] || fail "kavrol-cli --help lists no commands"

# Writes the option lines' parts before the description, one a line ("--tube T4|T5|T8").
option_words() {
    grep -E '^ +-' | sed -e 's/^ *//' -e 's/  .*//'
}

# Checks one help text against the page rendered into $work/$page.txt.
check_help() {
    page=$1
    help=$2
    # An option followed by one blank and more words has lost its column.
    merged=$(grep -E '^ +-' "$help" | grep -vE '^ +-[^ ]+( [^ ]+)?(, -[^ ]+( [^ ]+)?)*(  |$)')
    [ -z "$merged" ] || fail "$help: an option runs into its description: $merged"
    option_words <"$help" >"$work/options"
    [ -s "$work/options" ] || fail "$help lists no options"
    while IFS= read -r option; do
        OPTION=$option awk 'substr($0, 1, length(ENVIRON["OPTION"]) + 1) == ENVIRON["OPTION"] " " ||
                        $0 == ENVIRON["OPTION"] { found = 1 } END { exit !found }' \
            "$work/$page.starts" || fail "$page(1) lacks \"$option\" at the start of a line"
    done <"$work/options"
}

for page in kavrol kavrol-cli; do
    file="$usr/share/man/man1/$page.1.gz"
    [ -s "$file" ] || fail "$file is missing"
    gzip -dc "$file" >"$work/$page.1" || fail "$file is no gzip file"
    # The page as a reader sees it, with any typographic hyphen or minus as "-".
    LC_ALL=C.UTF-8 MANWIDTH=100 man --warnings -l "$work/$page.1" >"$work/$page.txt" \
        2>"$work/$page.err" || fail "man -l $page.1 failed"
    if [ -s "$work/$page.err" ]; then
        cat "$work/$page.err"
        fail "man reports problems in $page.1"
    fi
    sed -i -e 's/\xe2\x80\x90/-/g' -e 's/\xe2\x88\x92/-/g' "$work/$page.txt"
    # Each line without its indentation.
    sed -e 's/^ *//' "$work/$page.txt" >"$work/$page.starts"
    for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" EXAMPLES "SEE ALSO"; do
        grep -q -x -e "$section" "$work/$page.txt" || fail "$page(1) has no $section section"
    done
    hp=$(grep -A1 -x '\.HP' "$work/$page.1" | grep -E '^\\fB\\-' || true)
    [ -z "$hp" ] || fail "$page(1) runs options into their descriptions: $hp"
done

"$usr/bin/kavrol" --help >"$work/kavrol.help" || fail "kavrol --help failed"
check_help kavrol "$work/kavrol.help"
"$usr/bin/kavrol-cli" --help >"$work/cli.help" || fail "kavrol-cli --help failed"
check_help kavrol-cli "$work/cli.help"
for command in $commands; do
    upper=$(echo "$command" | tr '[:lower:]' '[:upper:]')
    grep -q -x -e "COMMAND $upper" "$work/kavrol-cli.txt" ||
        fail "kavrol-cli(1) has no section for $command"
    "$usr/bin/kavrol-cli" "$command" --help >"$work/$command.help" ||
        fail "kavrol-cli $command --help failed"
    check_help kavrol-cli "$work/$command.help"
done
echo "PASS: the manual pages of kavrol and kavrol-cli (commands: $(echo $commands))"
