#!/usr/bin/env bash
# Duplicate search benchmark: pairlook-cli search --quick --match 100 against
# jdupes -r, fdupes -r and rmlint on the same generated trees, warm (the
# tools taking turns, run after run) and cold, with peak memory; then checks
# that all four found the same pairs. Then Directory mode, which no peer
# has, at match 95 and 50 on trees of larger files (median 8 KiB), and at
# match 95 on 100,000 files of 1 to 200 random bytes: time, peak memory and
# the pair count.
#
# Usage: bench/search.sh [COUNT ...]        (default: 2000 20000 100000)
# Environment: BENCH_DIR  where trees are kept (default /tmp/pairlook-bench)
#              RUNS       warm runs per tool, the median is shown (default 3)
#              COLD=0     skip the cold runs (they need root to drop caches)
#              PEERS=0    skip the Quick Dir comparison with the peers
#              DIRECTORY=0  skip the Directory mode runs
#              SLOW=1     also match 50 on 100,000 files: about 870 million
#                         candidate pairs and some 5 TB of head bytes to
#                         compare, half an hour here
set -euo pipefail

source "$(dirname "$0")/lib.sh"
runs=${RUNS:-3}
cold=${COLD:-1}
peers=${PEERS:-1}
directory=${DIRECTORY:-1}
slow=${SLOW:-0}
if [ $# -gt 0 ]; then counts=("$@"); else counts=(2000 20000 100000); fi

need_tools jdupes fdupes rmlint /usr/bin/time python3
if [ "$cold" = 1 ] && ! cold_runs_possible; then cold=0; fi

build_cli
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Each peer run the way it finds duplicate files only, empty files left out
# (Pairlook never lists them), groups printed fdupes-style on stdout.
run_tool() {
    local tool=$1 tree=$2
    case $tool in
    pairlook) "$cli" search --quick --match 100 --tsv "$tree" ;;
    jdupes) jdupes -r -q "$tree" ;;
    fdupes) fdupes -r -n -q "$tree" ;;
    # rmlint writes its usual result files unless -o names the outputs; it
    # runs in the scratch folder so nothing lands beside the tree. On a disk
    # that calls itself rotational (virtio does) it maps every file's extents
    # with a sync per file: 38 s instead of 1 s on 20,000 files here, so that
    # is turned off.
    rmlint) (cd "$scratch" && rmlint -T df -o fdupes:stdout --no-backup --without-fiemap "$tree") ;;
    esac
}

# measure TOOL TREE OUTPUT: prints "seconds peak-KiB".
measure() {
    local tool=$1 tree=$2 output=$3
    /usr/bin/time -f "%e %M" -o "$scratch/time" bash -c "$(declare -f run_tool); cli='$cli' scratch='$scratch'; run_tool $tool '$tree'" \
        >"$output" 2>/dev/null || true
    tail -n1 "$scratch/time"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

# tree NAME COUNT [gen_tree.py options...]: the folder of a generated tree,
# made on first use.
tree() {
    local tree=$data/$1 count=$2
    shift 2
    if ! [ -f "$tree.complete" ]; then
        echo "generating $count files in $tree ..." >&2
        rm -rf "$tree"
        python3 "$here/gen_tree.py" "$count" "$tree" "$@"
        touch "$tree.complete"
    fi
    find "$tree" -type f -exec cat {} + >/dev/null  # warm the cache
    echo "$tree"
}

echo "load before the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
tools=(pairlook jdupes fdupes rmlint)
status=0
for count in "${counts[@]}"; do
    [ "$peers" = 1 ] || break
    tree=$(tree "tree-$count" "$count")
    echo
    echo "== $count files, $(du -sh "$tree" | cut -f1) =="
    declare -A warm=() coldtime=() peak=()
    # The tools take turns, so that a change in the machine's load falls on all.
    for ((r = 0; r < runs; r++)); do
        for tool in "${tools[@]}"; do
            measure "$tool" "$tree" "$scratch/$tool.out" >>"$scratch/$tool.warm"
        done
    done
    for tool in "${tools[@]}"; do
        warm[$tool]=$(cut -d' ' -f1 "$scratch/$tool.warm" | median)
        peak[$tool]=$(cut -d' ' -f2 "$scratch/$tool.warm" | sort -n | tail -n1)
        rm -f "$scratch/$tool.warm"
        if [ "$cold" = 1 ]; then
            drop_caches
            coldtime[$tool]=$(measure "$tool" "$tree" "$scratch/$tool.cold" | cut -d' ' -f1)
        else
            coldtime[$tool]=0
        fi
    done
    printf '%-9s %9s %11s %9s %11s %9s\n' tool "warm s" "/pairlook" "cold s" "/pairlook" "peak MiB"
    for tool in "${tools[@]}"; do
        printf '%-9s %9s %11s %9s %11s %9s\n' "$tool" "${warm[$tool]}" "$(ratio "${warm[$tool]}" "${warm[pairlook]}")" \
            "${coldtime[$tool]}" "$(ratio "${coldtime[$tool]}" "${coldtime[pairlook]}")" \
            "$(awk -v k="${peak[$tool]}" 'BEGIN { printf "%.1f", k / 1024 }')"
    done
    python3 "$here/pairs_agree.py" "$scratch/pairlook.out" jdupes="$scratch/jdupes.out" \
        fdupes="$scratch/fdupes.out" rmlint="$scratch/rmlint.out" || status=1
done

# directory TREE MATCH: one warm Directory search.
directory() {
    /usr/bin/time -f "%e %M" -o "$scratch/time" "$cli" search --tsv --match "$2" "$1" >"$scratch/directory.out"
    read -r seconds kib <"$scratch/time"
    printf '%-28s %6s %9s %9.1f %12s\n' "$(basename "$1")" "$2" "$seconds" "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')" \
        "$(tail -n1 "$scratch/directory.out" | cut -f2 | cut -d' ' -f1)"
}

if [ "$directory" = 1 ]; then
    echo
    echo "== Directory mode (warm), load $(cut -d' ' -f1-3 /proc/loadavg) =="
    printf '%-28s %6s %9s %9s %12s\n' tree match seconds "peak MiB" pairs
    for count in "${counts[@]}"; do
        tree=$(tree "dir-$count" "$count" --median 8192 --sigma 2.0 --largest $((64 << 20)))
        for match in 95 50; do
            if [ "$match" = 50 ] && [ "$count" -ge 100000 ] && [ "$slow" != 1 ]; then
                echo "$(basename "$tree") at 50: skipped (SLOW=1 runs it)"
                continue
            fi
            directory "$tree" "$match"
        done
    done
    directory "$(tree tiny-100000 100000 --unique 1 200)" 95
fi
exit $status
