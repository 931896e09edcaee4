#!/usr/bin/env bash
# pairlook-cli search, black box: options, exit status, rows, Ctrl+C.
# Usage: search.sh PATH_TO_PAIRLOOK_CLI
command=search
source "$(dirname "${BASH_SOURCE[0]}")/lib/harness.sh"

tree=$work/tree
mkdir -p "$tree/sub" "$tree/empty folder"
printf 'same content' >"$tree/a"
printf 'same content' >"$tree/sub/b"
printf 'same contenX' >"$tree/c"
printf 'abc' >"$tree/small"
printf 'abcd' >"$tree/small2"
: >"$tree/e1"
: >"$tree/e2"
T=$'\t'

# Usage errors: status 2, nothing on stdout.
for args in "" "--match" "--match 101 $tree" "--match abc $tree" "--match -1 $tree" "--bogus $tree" "$tree $tree"; do
    # shellcheck disable=SC2086
    expect_status 2 $args
    [ -s "$work/out" ] && fail "usage error '$args' printed rows"
    [ -s "$work/err" ] || fail "usage error '$args' said nothing on stderr"
done

# Not a folder: a message, no rows, status 2.
for target in "$work/missing" "$tree/a"; do
    expect_status 2 "$target"
    [ -s "$work/out" ] && fail "'$target' printed rows"
    grep -q 'not a folder' "$work/err" || fail "'$target' gave no message"
done

# Directory mode at 95 (the defaults): identical files only.
expect_status 0 --tsv "$tree"
expect_output "Start${T}7 files found.${T}
$tree/a${T}$tree/sub/b${T}100
End${T}1 twins found${T}"

# A trailing separator searches the same folder with the same paths.
expect_status 0 --tsv "$tree/"
expect_output "Start${T}7 files found.${T}
$tree/a${T}$tree/sub/b${T}100
End${T}1 twins found${T}"

# Directory mode compares sizes that differ; Quick Dir does not.
expect_status 0 --tsv --match 75 "$tree"
expect_output "Start${T}7 files found.${T}
$tree/a${T}$tree/c${T}91
$tree/a${T}$tree/sub/b${T}100
$tree/c${T}$tree/sub/b${T}91
$tree/small${T}$tree/small2${T}75
End${T}4 twins found${T}"
expect_status 0 --tsv --quick --no-hash --match 75 "$tree"
expect_output "Start${T}7 files found.${T}
$tree/a${T}$tree/c${T}91
$tree/a${T}$tree/sub/b${T}100
$tree/c${T}$tree/sub/b${T}91
End${T}3 twins found${T}"

# At 0 every compared pair is listed, empty files with 0.
expect_status 0 --tsv --quick --match 0 "$tree"
grep -qx "$tree/e1${T}$tree/e2${T}0" "$work/out" || fail "empty pair not listed at --match 0"

# An empty folder: the closing row above "Indexing....", status 0.
expect_status 0 --tsv "$tree/empty folder"
expect_output "End${T}0 twins found${T}
Indexing....${T}${T}"

# The readable table has the captions of the folder modes.
expect_status 0 --quick "$tree"
head -n1 "$work/out" | grep -q '^File A  *File B  *%$' || fail "table captions: $(head -n1 "$work/out")"

# Ctrl+C: the rows so far and "Aborted", status 130. Four equal sparse files
# of almost 4 GiB take seconds to read side by side.
big=$work/big
mkdir -p "$big"
if truncate -s 4000M "$big/1" "$big/2" "$big/3" "$big/4" 2>/dev/null; then
    "$cli" search --tsv --quick --match 100 "$big" >"$work/out" 2>"$work/err" &
    pid=$!
    sleep 0.5
    kill -INT "$pid"
    wait "$pid"
    status=$?
    if [ "$status" -eq 130 ]; then
        expect_output "Start${T}4 files found.${T}
Aborted${T}0 twins found${T}"
    else
        fail "Ctrl+C: status $status, wanted 130"
    fi
fi

[ "$failures" -eq 0 ] && echo "search.sh: all passed"
exit $((failures > 0))
