#!/bin/sh
# Installs the build into a fresh DESTDIR and checks the tree exactly: both
# programs, both manual pages, nothing else; the pages render without a
# single groff warning (help_docs_test.sh checks that vorlane.1 names every
# long option).
#   install_test.sh BUILD_DIR CMAKE_COMMAND
set -u
build=$1
cmake=$2
stage=$(mktemp -d) || exit 1
trap 'rm -rf "$stage"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
command -v groff >/dev/null 2>&1 || fail "groff not found (tools/ensure_deps.sh installs groff-base)"

DESTDIR="$stage" "$cmake" --install "$build" --prefix /opt/vorlane >/dev/null ||
    fail "cmake --install"
root="$stage/opt/vorlane"
tree=$(cd "$root" && find . -type f | sort | tr '\n' ' ')
[ "$tree" = "./bin/vorlane ./bin/vorlane-synth ./share/man/man1/vorlane-synth.1 ./share/man/man1/vorlane.1 " ] ||
    fail "installed tree: $tree"
[ -x "$root/bin/vorlane" ] && [ -x "$root/bin/vorlane-synth" ] || fail "programs not executable"
[ "$("$root/bin/vorlane" --version)" = "vorlane 1.0" ] || fail "installed vorlane --version"

for page in vorlane vorlane-synth; do
    warnings=$(groff -man -ww -Tutf8 "$root/share/man/man1/$page.1" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page.1 renders with warnings: $warnings"
done
echo "install tree and manual pages OK"
