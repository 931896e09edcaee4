#!/usr/bin/env bash
# pairlook-cli search --reference, black box: only pairs of a file of the
# folder and a file of the reference, both counts, the JSON, and refusals.
# Usage: reference.sh PATH_TO_PAIRLOOK_CLI
command=search
source "$(dirname "${BASH_SOURCE[0]}")/lib/harness.sh"
T=$'\t'

card=$work/card
library=$work/library
mkdir -p "$card" "$library/2024"
for name in one one-again; do printf 'photo one' >"$card/$name"; done  # a copy inside the card
printf 'photo new' >"$card/new"
for name in one one-again; do printf 'photo one' >"$library/2024/$name"; done  # and inside the library

expect_status 0 --tsv --quick --match 100 "$card" --reference "$library"
expect_output "Start${T}3 files found, 2 in the reference folder.${T}
$card/one${T}$library/2024/one${T}100
$card/one${T}$library/2024/one-again${T}100
$card/one-again${T}$library/2024/one${T}100
$card/one-again${T}$library/2024/one-again${T}100
End${T}4 twins found${T}"

expect_status 0 --json --quick --reference="$library" "$card"
python3 - "$work/out" "$card" "$library" <<'PY' || fail "JSON: $(cat "$work/out")"
import json, sys
doc = json.load(open(sys.argv[1]))
assert doc["options"]["folder"] == sys.argv[2] and doc["options"]["reference"] == sys.argv[3]
assert doc["filesFound"] == 3 and doc["referenceFilesFound"] == 2 and doc["pairCount"] == 4
PY

# The same folder by another path: a message, no rows, status 2.
expect_status 2 --tsv "$card" --reference "$library/../card/"
[ -s "$work/out" ] && fail "the same folder printed rows"
grep -q 'same folder' "$work/err" || fail "the same folder gave no message"

# A reference that is not a folder: its rows, a message naming it, status 2.
expect_status 2 --tsv "$card" --reference "$work/missing"
expect_output "Start${T}Reference folder not found.${T}
End${T}0 twins found${T}"
grep -q "'$work/missing' is not a folder" "$work/err" || fail "missing reference not named"

# Usage errors: --reference needs a folder, and compare takes none.
expect_status 2 "$card" --reference
command=compare
expect_status 2 --reference "$library" "$card/one" "$card/new"
grep -q 'does not take --reference' "$work/err" || fail "compare --reference: $(cat "$work/err")"

[ "$failures" -eq 0 ] && echo "reference.sh: all passed"
exit $((failures > 0))
