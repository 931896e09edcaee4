#!/usr/bin/env bash
# pairlook-cli compare, black box: rows, escaping, exit status, Ctrl+C.
# Usage: compare.sh PATH_TO_PAIRLOOK_CLI
command=compare
source "$(dirname "${BASH_SOURCE[0]}")/lib/harness.sh"
T=$'\t'

f=$work/files
mkdir -p "$f/folder"
printf 'abcdef' >"$f/abcdef"
printf 'abXdeY' >"$f/abXdeY"
printf 'hello world' >"$f/hello world"
printf 'hello' >"$f/hello"
: >"$f/empty"
printf 'ab\t\n\r\\\001\037\310cd' >"$f/controls"
printf 'abXXXXXXXcd' >"$f/plain"
printf 'x\ny' >"$f/lf"
printf 'x\ry' >"$f/cr"
printf 'z' >"$f/-dash"
mkfifo "$f/fifo"

# The example rows, exactly, and each line ends with LF.
expect_status 1 --tsv "$f/abcdef" "$f/abXdeY"
expect_output "Start${T}${T}Files are the same size
2${T}1${T}File A is \"c\", File B is \"X\"
5${T}1${T}File A is \"f\", File B is \"Y\"
End${T}${T}Files have 66% in common"
[ "$(tail -c1 "$work/out" | od -An -c | tr -d ' ')" = '\n' ] || fail "the last line does not end with LF"

expect_status 0 --tsv "$f/abcdef" "$f/abcdef"
expect_output "Start${T}${T}Files are the same size
End${T}${T}Same"

expect_status 1 --tsv "$f/hello world" "$f/hello"
expect_output "Start${T}${T}Files are not the same size
End${T}${T}Files have 45% in common"

# --tsv may also follow the files.
expect_status 1 "$f/hello" "$f/hello world" --tsv
expect_output "Start${T}${T}Files are not the same size
End${T}${T}Files have 45% in common"

# Escaping: TAB, LF, CR, backslash and other control bytes inside a run's
# bytes; a byte of 128 or more goes out unchanged.
expect_status 1 --tsv "$f/controls" "$f/plain"
expect_output "Start${T}${T}Files are the same size
2${T}7${T}File A is \"\\t\\n\\r\\\\\\x01\\x1F"$'\310'"\", File B is \"XXXXXXX\"
End${T}${T}Files have 36% in common"
# A single control byte is already shown in hexadecimal.
expect_status 1 --tsv "$f/lf" "$f/cr"
expect_output "Start${T}${T}Files are the same size
1${T}1${T}File A is 0Ah, File B is 0Dh
End${T}${T}Files have 66% in common"

# The readable table: captions of File mode, rows below.
expect_status 1 "$f/abcdef" "$f/abXdeY"
head -n1 "$work/out" | grep -q '^Position  *Length  *Details$' || fail "table captions: $(head -n1 "$work/out")"
grep -q '^5  *1  *File A is "f", File B is "Y"$' "$work/out" || fail "table row missing"

# Faults: only the last row, status 2.
for args in "$f/empty $f/abcdef" "$f/abcdef $f/empty"; do
    # shellcheck disable=SC2086
    expect_status 2 --tsv $args
    expect_output "End${T}${T}Fault"
done
for args in "$f/missing $f/abcdef" "$f/abcdef $f/missing" "$f/folder $f/abcdef" "$f/abcdef $f/folder"; do
    # shellcheck disable=SC2086
    expect_status 2 --tsv $args
    expect_output "End${T}${T}Error opening file"
done
# A FIFO is refused at once, never waited on.
expect_status 2 --tsv "$f/fifo" "$f/abcdef"
expect_output "End${T}${T}Error opening file"

# "--" ends the options, so a file may begin with "-".
expect_status 1 --tsv -- "$f/-dash" "$f/abcdef"
expect_output "Start${T}${T}Files are not the same size
0${T}1${T}File A is \"z\", File B is \"a\"
End${T}${T}Files have 0% in common"
(cd "$f" && timeout 60 "$cli" compare --tsv -- -dash abcdef >/dev/null 2>&1)
[ $? -eq 1 ] || fail "a relative file name after -- was not compared"

# A path of any length is compared.
long=$f$(printf '/%0120d' 1 2 3 4 5 6 7 8)
mkdir -p "$long"
cp "$f/abcdef" "$long/copy"
expect_status 0 --tsv "$long/copy" "$f/abcdef"
expect_output "Start${T}${T}Files are the same size
End${T}${T}Same"

# Usage errors: status 2, a message, no rows.
for args in "" "$f/abcdef" "$f/abcdef $f/abcdef $f/abcdef" "--bogus $f/abcdef $f/abcdef" "-t $f/abcdef $f/abcdef"; do
    # shellcheck disable=SC2086
    expect_status 2 $args
    [ -s "$work/out" ] && fail "usage error '$args' printed rows"
    [ -s "$work/err" ] || fail "usage error '$args' said nothing on stderr"
done
expect_status 2 "" "$f/abcdef"
[ -s "$work/out" ] && fail "an empty file name printed rows"

# Ctrl+C during a large comparison: the rows so far, then "Aborted", status
# 130. Two sparse files of nearly 4 GiB, one with a byte set near the start;
# the interrupt is sent once the program has begun reading.
a=$work/big-a
b=$work/big-b
if truncate -s 4000M "$a" "$b" 2>/dev/null; then
    printf 'x' | dd of="$a" bs=1 seek=100 conv=notrunc status=none
    "$cli" compare --tsv "$a" "$b" >"$work/out" 2>"$work/err" &
    pid=$!
    for _ in $(seq 1 1000); do
        read_bytes=$(awk '/^rchar/ {print $2}' "/proc/$pid/io" 2>/dev/null || echo 0)
        [ "${read_bytes:-0}" -gt 20000000 ] && break
        sleep 0.01
    done
    kill -INT "$pid"
    wait "$pid"
    status=$?
    if [ "$status" -eq 130 ]; then
        expect_output "Start${T}${T}Files are the same size
100${T}1${T}File A is \"x\", File B is 00h
Aborted${T}${T}Files have 99% in common"
    else
        fail "Ctrl+C: status $status, wanted 130"
    fi
fi

[ "$failures" -eq 0 ] && echo "compare.sh: all passed"
exit $((failures > 0))
