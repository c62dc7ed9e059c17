#!/bin/sh
# The long options of --help (the program's own table) against the docs: the
# README's "Long options" table has a row for each, its text the help line's
# (backticks aside), and no other row; the manual page has an entry for each.
#   help_docs_test.sh VORLANE_BINARY SOURCE_DIR
set -u
vorlane=$1
source=$2
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
help=$("$vorlane" --help) || fail "vorlane --help exits with $?"
# "        --plot FILE  with --analyze, ..." -> "--plot FILE|with --analyze, ..."
from_help=$(printf '%s\n' "$help" | sed -n 's/^ *\(--[a-z-]*\( [A-Z][A-Z]*\)\{0,1\}\)  *\(.*\)$/\1|\3/p')
[ -n "$from_help" ] || fail "--help lists no long option"
# "| `--plot FILE` | with `--analyze`, ... |" -> "--plot FILE|with --analyze, ..."
from_readme=$(sed -n '/^### Long options/,/^### /p' "$source/README.md" |
    sed -n 's/^| `\(--[^`]*\)` | \(.*\) |$/\1|\2/p' | tr -d '`')
[ "$from_help" = "$from_readme" ] ||
    fail "README long options differ from --help:
--help:
$from_help
README:
$from_readme"
for option in $(printf '%s\n' "$from_help" | sed 's/^--\([a-z-]*\).*/\1/'); do
    grep -q "^\.B.* \\\\-\\\\-$option\\b" "$source/man/vorlane.1" ||
        fail "vorlane.1 does not document --$option"
done
echo "--help, README and manual page list the same long options"
