#!/usr/bin/env bash
# pairlook-cli --json, black box: every output parses, names that are not
# UTF-8 read back as their bytes, and the rows are the TSV output's.
# Usage: json.sh PATH_TO_PAIRLOOK_CLI
command=search
source "$(dirname "${BASH_SOURCE[0]}")/lib/harness.sh"

# Reads the TSV output and the JSON document and says where they differ.
same_rows() {
    python3 - "$1" "$2" "$3" <<'PY'
import json, re, sys

command, tsv_path, json_path = sys.argv[1:]
escapes = {b"\\\\": b"\\", b"\\t": b"\t", b"\\n": b"\n", b"\\r": b"\r"}
def cell(text):
    return re.sub(rb"\\x[0-9A-F]{2}|\\[\\tnr]",
                  lambda m: escapes.get(m.group(0)) or bytes([int(m.group(0)[2:], 16)]), text)
rows = [[cell(c) for c in line.split(b"\t")] for line in open(tsv_path, "rb").read().splitlines()]
doc = json.load(open(json_path, encoding="utf-8"))
raw = lambda s: s.encode("utf-8", "surrogateescape")
if command == "search":
    want = [r for r in rows if r[2]]
    got = [[raw(p["fileA"]), raw(p["fileB"]), str(p["score"]).encode()] for p in doc["pairs"]]
    ok = got == want and doc["pairCount"] == len(want)
else:
    want = rows[1:-1] + [rows[0][2], rows[-1][2]]
    got = [[str(d["offset"]).encode(), str(d["length"]).encode(), raw(d["details"])] for d in doc["differences"]]
    ok = got + [raw(doc["sizes"]), raw(doc["verdict"])] == want
status = {"search": "complete", "compare": "same" if rows[-1][2] == b"Same" else "different"}[command]
if not ok or doc["status"] != status:
    sys.exit(f"json rows differ from tsv:\n{got}\n{want}")
PY
}

# json_matches_tsv ARGS...: the same run printed both ways.
json_matches_tsv() {
    expect_status "$want_status" --tsv "$@"
    cp "$work/out" "$work/tsv"
    expect_status "$want_status" --json "$@"
    python3 -m json.tool "$work/out" >/dev/null || fail "$command --json $* is not JSON"
    same_rows "$command" "$work/tsv" "$work/out" || fail "$command --json $*: rows differ"
}

tree=$work/tree
mkdir -p "$tree/sub"$'\t'"tab"
for name in plain "sub"$'\t'"tab/x" $'new\nline' $'bad\xff\xc3(' $'ctl\x01\x1f' 'quote"back\slash' $'\xc3\xbc\xe2\x82\xac'; do
    printf 'same content' >"$tree/$name"
done
printf 'near contenX' >"$tree/near"

want_status=0
json_matches_tsv "$tree"
json_matches_tsv --quick --match 90 "$tree"
grep -q $'\xff' "$work/out" && fail "a byte that is not UTF-8 came out raw"
# A tree cut by the file limit says so, apart from a complete run.
expect_status 3 --json --max-files 2 "$tree"
python3 -c 'import json,sys; sys.exit(json.load(open(sys.argv[1]))["status"] != "limit")' "$work/out" ||
    fail "a search cut by the limit is not reported as such"

command=compare
printf 'ab\t\n\r\\\001\037\310"cd' >"$work/controls"
printf 'abXXXXXXXXXcd' >"$work/plain"
want_status=1
json_matches_tsv "$work/controls" "$work/plain"
want_status=0
json_matches_tsv "$work/plain" "$work/plain"

# A failure is an error with its message, never "complete".
want_status=2
expect_status 2 --json "$work/missing" "$work/plain"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); sys.exit(d["status"] != "error" or not d["message"])' "$work/out" ||
    fail "compare --json of a missing file is not an error with a message"

# One output format at a time.
expect_status 2 --json --tsv "$work/plain" "$work/plain"
[ -s "$work/out" ] && fail "--json --tsv printed rows"

[ "$failures" -eq 0 ] && echo "json.sh: all passed"
exit $((failures > 0))
