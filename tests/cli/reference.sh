#!/usr/bin/env bash
# pairlook-cli search --reference, black box: only pairs of a file of the
# folder (File A) and a file of the reference (File B), the counts of both,
# the JSON, and what is refused.
# Usage: reference.sh PATH_TO_PAIRLOOK_CLI
command=search
source "$(dirname "${BASH_SOURCE[0]}")/lib/harness.sh"
T=$'\t'

card=$work/card
library=$work/library
mkdir -p "$card/dcim" "$library/2023" "$library/2024"
printf 'photo one' >"$card/dcim/one"
printf 'photo one' >"$card/dcim/one-again"   # a copy inside the card
printf 'photo two' >"$card/dcim/two"
printf 'photo new' >"$card/dcim/new"
printf 'photo one' >"$library/2023/one"
printf 'photo one' >"$library/2024/one"      # a copy inside the library
printf 'photo twX' >"$library/2024/two-edited"

# Quick Dir at 100: each card file with each library copy, nothing within
# one folder.
expect_status 0 --tsv --quick --match 100 "$card" --reference "$library"
expect_output "Start${T}4 files found, 3 in the reference folder.${T}
$card/dcim/one${T}$library/2023/one${T}100
$card/dcim/one${T}$library/2024/one${T}100
$card/dcim/one-again${T}$library/2023/one${T}100
$card/dcim/one-again${T}$library/2024/one${T}100
End${T}4 twins found${T}"

# Directory mode at 80: near copies too, still never two files of one folder.
expect_status 0 --tsv --match 80 --reference="$library" "$card"
grep -qx "$card/dcim/two${T}$library/2024/two-edited${T}88" "$work/out" || fail "near copy across not listed"
awk -F'\t' -v card="$card/" -v library="$library/" 'NR > 1 && $3 != "" &&
    (index($1, card) != 1 || index($2, library) != 1) { bad = 1 } END { exit bad }' "$work/out" ||
    fail "a row that is not a card file with a library file: $(cat "$work/out")"

# The reference inside the folder: its files count as reference files only.
cp -r "$library" "$card/backup"
expect_status 0 --tsv --quick --match 100 "$card" --reference "$card/backup"
head -n1 "$work/out" | grep -qx "Start${T}4 files found, 3 in the reference folder.${T}" ||
    fail "reference inside the folder: $(head -n1 "$work/out")"
grep -q "^$card/backup" "$work/out" && fail "a file of the reference listed as File A"
rm -rf "$card/backup"

# JSON names both folders and both counts.
expect_status 0 --json --quick --match 100 "$card" --reference "$library"
python3 - "$work/out" "$card" "$library" <<'PY' || fail "JSON: $(cat "$work/out")"
import json, sys
doc = json.load(open(sys.argv[1]))
card, library = sys.argv[2:]
assert doc["options"]["folder"] == card and doc["options"]["reference"] == library
assert doc["filesFound"] == 4 and doc["referenceFilesFound"] == 3 and doc["pairCount"] == 4
assert all(p["fileA"].startswith(card + "/") and p["fileB"].startswith(library + "/") for p in doc["pairs"])
PY

# The same folder, by any path, is refused before a run: a message, no rows.
ln -s "$card" "$work/card-link"
for reference in "$card" "$card/" "$card/dcim/.." "$work/card-link"; do
    expect_status 2 --tsv "$card" --reference "$reference"
    [ -s "$work/out" ] && fail "same folder '$reference' printed rows"
    grep -q 'same folder' "$work/err" || fail "same folder '$reference' gave no message"
done

# A reference that is not a folder: its rows, a message naming it, status 2.
expect_status 2 --tsv "$card" --reference "$work/missing"
expect_output "Start${T}Reference folder not found.${T}
End${T}0 twins found${T}"
grep -q "'$work/missing' is not a folder" "$work/err" || fail "missing reference not named: $(cat "$work/err")"

# Usage errors: status 2, nothing on stdout; compare takes no reference.
for args in "--reference" "--reference= $card"; do
    # shellcheck disable=SC2086
    expect_status 2 $args
    [ -s "$work/out" ] && fail "usage error '$args' printed rows"
done
command=compare
expect_status 2 --reference "$library" "$card/dcim/one" "$card/dcim/two"
[ -s "$work/out" ] && fail "compare --reference printed rows"

[ "$failures" -eq 0 ] && echo "reference.sh: all passed"
exit $((failures > 0))
