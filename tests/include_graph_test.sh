#!/bin/sh
# The folders of src/ depend downward only. Each line below names a folder
# and the folders it may include; a folder missing from the table may not
# exist. Files at the top of src/ (the settings record) form the folder
# "top", which includes nothing. Prints the graph found, and every include
# that breaks the order. Usage: include_graph_test.sh SRC_DIR
set -eu
src=$1
allowed='
main:    cli
cli:     analyze recover decoder sink report image tape wav top
analyze: recover sink report image tape wav top
recover: sink image tape wav top
decoder: sink image tape wav top
sink:    report image tape top
report:  image tape wav top
image:   tape
tape:
wav:
top:
'
folder_of() {  # path relative to src/ -> its folder
    case $1 in
        main.cpp) echo main ;;
        */*) echo "${1%%/*}" ;;
        *) echo top ;;
    esac
}
may_include() {  # from to
    printf '%s\n' "$allowed" | awk -v f="$1:" -v t="$2" \
        '$1 == f { for (i = 2; i <= NF; ++i) if ($i == t) found = 1 } END { exit !found }'
}
known() {
    printf '%s\n' "$allowed" | awk -v f="$1:" '$1 == f { found = 1 } END { exit !found }'
}
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
status=0
cd "$src"
for file in $(find . -name '*.h' -o -name '*.cpp' | sed 's#^\./##' | sort); do
    from=$(folder_of "$file")
    if ! known "$from"; then
        echo "folder $from ($file) is not in the table" >&2
        status=1
    fi
    for inc in $(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file"); do
        to=$(folder_of "$inc")
        [ "$from" = "$to" ] && continue
        echo "$from -> $to" >>"$edges"
        if ! may_include "$from" "$to"; then
            echo "$file includes $inc: $from may not include $to" >&2
            status=1
        fi
    done
done
sort -u "$edges"
exit $status
