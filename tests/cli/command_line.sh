#!/usr/bin/env bash
# pairlook-cli, black box: one parser for every command, output that cannot
# be written, and a process that runs out of file handles.
# Usage: command_line.sh PATH_TO_PAIRLOOK_CLI
command=search
source "$(dirname "${BASH_SOURCE[0]}")/lib/harness.sh"
T=$'\t'

# run ARGS...: the whole command line, kept in $work/out and $work/err.
run() {
    timeout 60 "$cli" "$@" >"$work/out" 2>"$work/err"
    status=$?
}

tree=$work/tree
mkdir -p "$tree/sub"
printf 'same content' >"$tree/a"
printf 'same content' >"$tree/sub/b"
printf 'other' >"$tree/-c"

# Options before, between or after the operands, for both commands.
want_search="Start${T}3 files found.${T}
$tree/a${T}$tree/sub/b${T}100
End${T}1 twins found${T}"
for args in "search $tree --tsv --quick" "--tsv search --quick $tree" "search --match 100 $tree --tsv" \
    "search --match=100 --tsv -- $tree"; do
    # shellcheck disable=SC2086
    run $args
    [ "$status" -eq 0 ] || fail "'$args' exited $status: $(cat "$work/err")"
    expect_output "$want_search"
done
for args in "compare $tree/a --tsv $tree/sub/b" "--tsv compare -- $tree/a $tree/-c"; do
    # shellcheck disable=SC2086
    run $args
    [ "$status" -le 1 ] || fail "'$args' exited $status: $(cat "$work/err")"
    grep -q "^End${T}" "$work/out" || fail "'$args' printed no rows"
done

# Anything the parser cannot take: one line on stderr, nothing on stdout, 2.
bad=("" "bogus" "search" "search $tree $tree" "search --match $tree" "search --match 101 $tree"
    "search --match -1 $tree" "search --match abc $tree" "search --match 9x $tree" "search --bogus $tree"
    "compare $tree/a" "compare $tree/a $tree/a $tree/a" "compare --quick $tree/a $tree/a"
    "compare --match 90 $tree/a $tree/a" "-x compare $tree/a $tree/a" "--help extra" "--version extra"
    "search $tree --help" "compare --max-files 5 $tree/a $tree/a" "search --max-files 1x $tree")
for args in "${bad[@]}"; do
    # shellcheck disable=SC2086
    run $args
    [ "$status" -eq 2 ] || fail "'$args' exited $status, wanted 2"
    [ -s "$work/out" ] && fail "'$args' printed on stdout"
    [ "$(wc -l <"$work/err")" -eq 1 ] || fail "'$args' gave not one line on stderr: $(cat "$work/err")"
done

# --help and --version: stdout, status 0, wherever they stand.
for args in "--help" "-h" "search --help" "--version"; do
    # shellcheck disable=SC2086
    run $args
    [ "$status" -eq 0 ] || fail "'$args' exited $status"
    [ -s "$work/out" ] || fail "'$args' printed nothing"
done

# Output that cannot be written: a message and status 2, never success.
if [ -w /dev/full ]; then
    for args in "search --tsv $tree" "compare $tree/a $tree/a" "--version"; do
        # shellcheck disable=SC2086
        timeout 60 "$cli" $args >/dev/full 2>"$work/err"
        status=$?
        [ "$status" -eq 2 ] || fail "'$args' to a full disk exited $status, wanted 2"
        grep -q 'cannot write' "$work/err" || fail "'$args' to a full disk gave no message"
    done
fi
timeout 60 "$cli" search --tsv "$tree" >&- 2>"$work/err"
status=$?
[ "$status" -eq 2 ] || fail "search with standard output closed exited $status, wanted 2"

# Out of file handles: the run fails with a message, it does not quietly
# find fewer pairs. The identical files are read side by side, many open.
many=$work/many
mkdir -p "$many"
head -c 100000 /dev/urandom >"$many/0"
for k in $(seq 1 40); do cp "$many/0" "$many/$k"; done
(ulimit -n 12 && exec timeout 60 "$cli" search --tsv --quick --match 100 "$many") >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 2 ] || fail "out of handles: status $status, wanted 2"
grep -q 'Too many open files' "$work/err" || fail "out of handles: no message: $(cat "$work/err")"
grep -q "^Aborted${T}" "$work/out" || fail "out of handles: the rows do not end with Aborted"
run search --tsv --quick --match 100 "$many"
[ "$(grep -c "${T}100\$" "$work/out")" -eq 820 ] || fail "with handles to spare: not 820 pairs"

[ "$failures" -eq 0 ] && echo "command_line.sh: all passed"
exit $((failures > 0))
