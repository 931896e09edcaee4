#!/usr/bin/env bash
# The checksum cache on a large tree: Quick Dir at match 100 with no file
# limit, warm, the runs taking turns round after round so that a change in
# the machine's load falls on all of them:
#   find      the listing alone (find -printf '%s'), what the walk is held to
#   peer      the fastest peer of bench/search.sh (jdupes, then rmlint)
#   first     pairlook with an empty cache
#   second    pairlook again with the cache the first left
#   changed   pairlook with that cache after 1,000 files changed (same size)
# then, caches dropped, the listing and the second search cold; then
# Directory mode at 95 on a smaller tree, first and second. Each line gives
# the median seconds, the largest peak memory and the data read; the rows of
# every pairlook run are checked against a run without the cache.
#
# Usage: bench/cache.sh [COUNT [DIRECTORY_COUNT]]   (default 1000000 100000)
# Environment: BENCH_DIR  where trees are kept (default /tmp/pairlook-bench);
#                         1,000,000 files take 12 GB
#              RUNS       rounds (default 3)
#              COLD=0     skip the cold runs (they need root to drop caches)
#              PEER=0     skip the peers
set -euo pipefail

source "$(dirname "$0")/lib.sh"
runs=${RUNS:-3}
cold=${COLD:-1}
peer=${PEER:-1}
count=${1:-1000000}
directory_count=${2:-100000}

need_tools jdupes rmlint python3
if [ "$cold" = 1 ] && ! cold_runs_possible; then cold=0; fi

build_cli
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# tree NAME COUNT: the folder of a generated tree (as bench/search.sh makes
# it), made on first use and read once so that it is warm.
tree() {
    local tree=$data/$1 count=$2
    if ! [ -f "$tree.complete" ]; then
        echo "generating $count files in $tree ..." >&2
        rm -rf "$tree"
        python3 "$here/gen_tree.py" "$count" "$tree"
        touch "$tree.complete"
    fi
    find "$tree" -type f -print0 | xargs -0 cat >/dev/null
    echo "$tree"
}

# The 1,000 files "changed" rewrites: of every 500th file, the first 1,000
# that are not empty. Each call flips one byte in the middle of each, so the
# size stays.
changed_files() {
    find "$1" -type f -size +0 -name 'f*[05]00.bin' | sort | awk 'NR <= 1000'
}
change_files() {
    python3 - "$scratch/changed" <<'EOF'
import sys
for path in open(sys.argv[1]).read().split("\n"):
    if not path:
        continue
    with open(path, "r+b") as f:
        data = bytearray(f.read())
        data[len(data) // 2] ^= 0x5A
        f.seek(0)
        f.write(data)
EOF
}

search=("$cli" search --tsv --max-files 0)

# run NAME COMMAND...: one measured run, its line kept under NAME.
run() {
    local name=$1
    shift
    python3 "$here/measure.py" "$scratch/$name.out" "$@" >>"$scratch/$name.runs"
}

report() {
    local name=$1 what=$2
    [ -s "$scratch/$name.runs" ] || return 0
    printf '%-9s %8s %9s %8s  %s\n' "$name" "$(cut -d' ' -f1 "$scratch/$name.runs" | median)" \
        "$(cut -d' ' -f2 "$scratch/$name.runs" | sort -n | tail -n1)" \
        "$(cut -d' ' -f3 "$scratch/$name.runs" | sort -n | tail -n1)" "$what"
}

same_rows() {
    cmp -s "$scratch/$1.out" "$scratch/$2.out" || { echo "ROWS DIFFER: $1 and $2" >&2; status=1; }
}

status=0
big=$(tree "tree-$count" "$count")
changed_files "$big" >"$scratch/changed"
echo "load before the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "== Quick Dir at 100 on $count files, $(du -sh "$big" | cut -f1), warm, $runs rounds =="
for ((r = 0; r < runs; r++)); do
    run find find "$big" -printf '%s\n'
    if [ "$peer" = 1 ]; then
        run jdupes jdupes -r -q "$big"
        run rmlint bash -c "cd '$scratch' && rmlint -T df -o fdupes:stdout --no-backup --without-fiemap '$big'"
    fi
    rm -f "$scratch/cache"
    run first "${search[@]}" --quick --match 100 --cache "$scratch/cache" "$big"
    run second "${search[@]}" --quick --match 100 --cache "$scratch/cache" "$big"
    change_files
    run changed "${search[@]}" --quick --match 100 --cache "$scratch/cache" "$big"
done
echo "load after the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-9s %8s %9s %8s\n' run seconds "peak MiB" "GiB read"
report find "the listing alone"
report jdupes "peer"
report rmlint "peer"
report first "empty cache"
report second "the first one's cache"
report changed "that cache, 1,000 files changed"
echo "cache file: $(stat -c %s "$scratch/cache") bytes"
same_rows first second
"${search[@]}" --quick --match 100 --no-cache "$big" >"$scratch/uncached.out"
same_rows changed uncached

if [ "$cold" = 1 ]; then
    echo "== cold (page cache dropped before each) =="
    for name in find second; do
        drop_caches
        case $name in
        find) run cold-find find "$big" -printf '%s\n' ;;
        second) run cold-cached "${search[@]}" --quick --match 100 --cache "$scratch/cache" "$big" ;;
        esac
    done
    report cold-find "the listing alone"
    report cold-cached "the cache of the warm runs"
    same_rows cold-cached uncached
fi

small=$(tree "tree-$directory_count" "$directory_count")
echo "== Directory mode at 95 on $directory_count files, warm, load $(cut -d' ' -f1-3 /proc/loadavg) =="
rm -f "$scratch/dcache"
run dir-first "${search[@]}" --match 95 --cache "$scratch/dcache" "$small"
run dir-second "${search[@]}" --match 95 --cache "$scratch/dcache" "$small"
"${search[@]}" --match 95 --no-cache "$small" >"$scratch/dir-uncached.out"
report dir-first "empty cache"
report dir-second "the first one's cache"
same_rows dir-first dir-uncached
same_rows dir-second dir-uncached
exit $status
