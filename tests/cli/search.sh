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
for args in "" "--match" "--match 101 $tree" "--match abc $tree" "--match -1 $tree" "--bogus $tree" "$tree $tree" \
    "--max-files" "--max-files -1 $tree" "--max-files abc $tree" "--max-files 1.5 $tree" "--max-files= $tree" \
    "--max-files 99999999999999999999 $tree" "--cache" "--cache= $tree" "--cache $work/c --no-cache $tree"; do
    # shellcheck disable=SC2086
    expect_status 2 $args
    [ -s "$work/out" ] && fail "usage error '$args' printed rows"
    [ -s "$work/err" ] || fail "usage error '$args' said nothing on stderr"
done

# Not a folder: a message, the rows that say so, status 2.
for target in "$work/missing" "$tree/a"; do
    expect_status 2 --tsv "$target"
    expect_output "Start${T}Folder not found.${T}
End${T}0 twins found${T}"
    grep -q 'not a folder' "$work/err" || fail "'$target' gave no message"
done

# A folder that cannot be listed (permissions do not stop root).
locked=$work/locked
mkdir -p "$locked"
chmod 000 "$locked"
if ! ls "$locked" >/dev/null 2>&1; then
    expect_status 2 --tsv "$locked"
    expect_output "Start${T}Cannot open the folder.${T}
End${T}0 twins found${T}"
    grep -q 'cannot open the folder' "$work/err" || fail "'$locked' gave no message"
fi
chmod 700 "$locked"
# A folder that opens but cannot be read (as root too): not "0 files found."
if [ -d /proc/1/map_files ] && ! ls /proc/1/map_files >/dev/null 2>&1; then
    expect_status 2 --tsv /proc/1/map_files
    expect_output "Start${T}Cannot open the folder.${T}
End${T}0 twins found${T}"
fi

# A path of any length is found and listed whole.
deep=$work/deep$(printf '/%0120d' 1 2 3 4 5 6 7 8)
mkdir -p "$deep"
printf 'same content' >"$deep/long"
printf 'same content' >"$work/deep/short"
expect_status 0 --tsv --quick --match 100 "$work/deep"
expect_output "Start${T}2 files found.${T}
$deep/long${T}$work/deep/short${T}100
End${T}1 twins found${T}"

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

# An empty folder: "0 files found." and the End row, status 0.
expect_status 0 --tsv "$tree/empty folder"
expect_output "Start${T}0 files found.${T}
End${T}0 twins found${T}"

# The file limit: the first files in the walk, the Start row says the limit
# cut the tree, status 3. A limit the tree fits in, or none, is a complete run.
expect_status 3 --tsv --max-files 3 "$tree"
expect_output "Start${T}3 files found. Limit reached: the rest was not searched.${T}
End${T}0 twins found${T}"
for limit in 7 0; do
    expect_status 0 --tsv --max-files="$limit" "$tree"
    expect_output "Start${T}7 files found.${T}
$tree/a${T}$tree/sub/b${T}100
End${T}1 twins found${T}"
done

# The readable table has the captions of the folder modes.
expect_status 0 --quick "$tree"
head -n1 "$work/out" | grep -q '^File A  *File B  *%$' || fail "table captions: $(head -n1 "$work/out")"

# The checksum cache, at its default place below the per-user folder or
# where --cache says: the rows of a search without it (a cache file of
# random bytes: CachedSearch in the engine tests). Files are remembered
# once their times lie two seconds back.
sleep 2
expect_status 0 --tsv --quick --match 100 --no-cache "$tree"
cp "$work/out" "$work/uncached"
default_cache=$XDG_CONFIG_HOME/Norvelle/Pairlook/dPairSum.dat
[ -e "$default_cache" ] && fail "--no-cache wrote a cache"
expect_status 0 --tsv --quick --match 100 "$tree"
[ -s "$default_cache" ] || fail "no cache at $default_cache"
for round in first second; do
    expect_status 0 --tsv --quick --match 100 --cache "$work/cache" "$tree"
    cmp -s "$work/out" "$work/uncached" || fail "--cache ($round search) changed the rows"
done
[ -s "$work/cache" ] || fail "no cache at --cache $work/cache"

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
