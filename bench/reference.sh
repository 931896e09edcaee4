#!/usr/bin/env bash
# A card against a library: pairlook-cli search --quick --match 100 of a
# folder of 1,000 files (half of them copies of library files, half new ones
# of the same spread of sizes) against a reference folder of 100,000 files,
# beside `find REFERENCE -type f -printf '%s\n'`, which only lists the
# library. Warm cache; the two take turns, run after run, and the medians
# are compared. Fails when the search takes more than 1.5 times the listing.
#
# Usage: bench/reference.sh [REFERENCE_COUNT [CARD_COUNT]]   (default: 100000 1000)
# Environment: BENCH_DIR  where trees are kept (default /tmp/pairlook-bench)
#              RUNS       runs of each, the median is taken (default 7)
#              LIMIT      the ratio allowed (default 1.5)
set -euo pipefail

source "$(dirname "$0")/lib.sh"
runs=${RUNS:-7}
limit=${LIMIT:-1.5}
library_count=${1:-100000}
card_count=${2:-1000}

need_tools find python3 /usr/bin/time

build_cli

library=$data/library-$library_count
card=$data/card-$card_count-of-$library_count
if ! [ -f "$library.complete" ]; then
    echo "generating $library_count files in $library ..." >&2
    rm -rf "$library"
    python3 "$here/gen_tree.py" "$library_count" "$library"
    touch "$library.complete"
fi
if ! [ -f "$card.complete" ]; then
    echo "generating $card_count files in $card ..." >&2
    rm -rf "$card"
    python3 "$here/gen_tree.py" $((card_count - card_count / 2)) "$card/new" --seed 2
    python3 - "$library" "$card/copies" $((card_count / 2)) <<'PY'
import os, random, shutil, sys
library, copies, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
files = sorted(os.path.join(d, f) for d, _, names in os.walk(library) for f in names)
os.makedirs(copies)
for n, source in enumerate(random.Random(3).sample(files, count)):
    shutil.copyfile(source, os.path.join(copies, "c%04d.bin" % n))
PY
    touch "$card.complete"
fi
# Warm the cache: names and contents.
find "$library" "$card" -type f -exec cat {} + >/dev/null

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
seconds() { /usr/bin/time -f %e -o "$scratch/time" "$@" >"$scratch/out" 2>/dev/null; cat "$scratch/time"; }
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for ((r = 0; r < runs; r++)); do
    seconds find "$library" -type f -printf '%s\n' >>"$scratch/find"
    seconds "$cli" search --quick --match 100 --tsv "$card" --reference "$library" >>"$scratch/search"
done
pairs=$(tail -n1 "$scratch/out" | cut -f2 | cut -d' ' -f1)
start=$(head -n1 "$scratch/out" | cut -f2)
find_median=$(median <"$scratch/find")
search_median=$(median <"$scratch/search")
ratio=$(awk -v a="$search_median" -v b="$find_median" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"
echo "reference $library_count files, card $card_count files, $runs runs each, warm"
echo "  find REFERENCE -type f -printf '%s\\n'     median ${find_median} s   ($(tr '\n' ' ' <"$scratch/find"))"
echo "  pairlook-cli search --quick --match 100    median ${search_median} s   ($(tr '\n' ' ' <"$scratch/search"))"
echo "  Start row: $start; $pairs pairs"
echo "  ratio ${ratio} (allowed ${limit})"
awk -v r="$ratio" -v l="$limit" 'BEGIN { exit !(r <= l) }'
