# What the benchmarks share. Sourced, not run: it sets `here` (bench/),
# `repo`, and `data`, where generated trees are kept (BENCH_DIR).

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(dirname "$here")
data=${BENCH_DIR:-/tmp/pairlook-bench}
build=$repo/build/r-bench

# need_tools TOOL...: stops with status 2 when one is missing.
need_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
    done
}

# Cold runs need root to drop the page cache; without it they are skipped.
cold_runs_possible() {
    [ -w /proc/sys/vm/drop_caches ] && return 0
    echo "cannot drop caches (not root?): cold runs skipped" >&2
    return 1
}

drop_caches() {
    sync
    echo 3 >/proc/sys/vm/drop_caches
}

# Builds the optimised pairlook-cli of this checkout into $cli.
build_cli() {
    cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DCMAKE_CXX_FLAGS= >/dev/null
    cmake --build "$build" --target pairlook-cli >"$build.log" 2>&1 || { cat "$build.log" >&2; exit 2; }
    cli=$build/pairlook-cli
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
