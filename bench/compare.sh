#!/usr/bin/env bash
# File-mode speed against cmp, on the same data in one go, warm cache.
#
#   bench/compare.sh [DATA_FOLDER] [ROUNDS]
#
# DATA_FOLDER (default /tmp/pairlook-bench) receives the generated pairs; they
# are kept for the next run. PAIRLOOK_CLI names the program to time; without
# it a Release build is made in build/bench-release. Each command runs ROUNDS
# times (default 5) after one untimed warm-up; the fastest and the median run
# are reported with the peak memory (/usr/bin/time). Output of every command
# goes to a file, as cmp -l treats /dev/null as "print nothing".
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
data=${1:-/tmp/pairlook-bench}
rounds=${2:-5}

if [ ! -x /usr/bin/time ]; then
    echo "installing GNU time for peak memory figures" >&2
    apt-get install -y time >/dev/null
fi

cli=${PAIRLOOK_CLI:-}
if [ -z "$cli" ]; then
    build=$root/build/bench-release
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
    cmake --build "$build" --target pairlook-cli >/dev/null
    cli=$build/pairlook-cli
fi

mkdir -p "$data"
python3 "$here/make_compare_data.py" "$data"

# run_timed OUT_FILE COMMAND...: prints "seconds peak_kb cpu_seconds" of one run.
run_timed() {
    local out=$1
    shift
    /usr/bin/time -f '%e %M %U %S' -o "$data/time.txt" "$@" >"$out" 2>/dev/null || true
    tail -n1 "$data/time.txt" | awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }'
}

# measure NAME COMMAND...: warm-up, then ROUNDS runs; sets best, median,
# peakKb and cpu (user + system seconds of the fastest run).
measure() {
    local name=$1
    shift
    cat "${files[@]}" >/dev/null  # warm cache
    run_timed "$data/out-$name" "$@" >/dev/null
    local runs=() peak=0 line
    for _ in $(seq "$rounds"); do
        line=$(run_timed "$data/out-$name" "$@")
        runs+=("$line")
        read -r _ kb _ <<<"$line"
        [ "$kb" -gt "$peak" ] && peak=$kb
    done
    local sorted
    sorted=$(printf '%s\n' "${runs[@]}" | sort -n)
    read -r best _ cpu <<<"$(echo "$sorted" | head -n1)"
    median=$(echo "$sorted" | sed -n "$(((rounds + 1) / 2))p" | cut -d' ' -f1)
    peakKb=$peak
}

report() {  # CASE TOOL BYTES
    awk -v c="$1" -v t="$2" -v b="$3" -v best="$best" -v med="$median" -v kb="$peakKb" -v cpu="$cpu" 'BEGIN {
        rate = best > 0 ? b / best / 1e6 : 0
        printf "%-30s %-20s %7.2f %8.2f %7.2f %8.0f %9.1f\n", c, t, best, med, cpu, rate, kb / 1024 }'
}

ratio() {  # OURS PEER OURS_CPU PEER_CPU CASE
    awk -v o="$1" -v p="$2" -v oc="$3" -v pc="$4" -v c="$5" 'BEGIN {
        if (p > 0 && pc > 0)
            printf "%-30s pairlook/peer: time %.2f, cpu %.2f\n", c, o / p, oc / pc }'
}

# best s: the fastest run; cpu s: its user + system time; MB/s: bytes of one
# file over the fastest run.
printf '%-30s %-20s %7s %8s %7s %8s %9s\n' case tool "best s" "median s" "cpu s" "MB/s" "peak MiB"
summary=()
bench_case() {  # CASE FILE_A FILE_B BYTES PEER...
    local name=$1 a=$2 b=$3 bytes=$4
    shift 4
    files=("$a" "$b")
    measure pairlook "$cli" compare --tsv "$a" "$b"
    local ours=$best oursCpu=$cpu
    report "$name" "pairlook-cli --tsv" "$bytes"
    measure peer "$@" "$a" "$b"
    report "" "$*" "$bytes"
    summary+=("$(ratio "$ours" "$best" "$oursCpu" "$cpu" "$name")")
    echo "  rows listed: $(($(wc -l <"$data/out-pairlook") - 2)), peer lines: $(wc -l <"$data/out-peer")"
}

gib=1073741824
bench_case "1 GiB identical" "$data/same-a.bin" "$data/same-b.bin" $gib cmp
bench_case "1 GiB, 1,000 scattered bytes" "$data/same-a.bin" "$data/scattered-b.bin" $gib cmp -l
bench_case "8 MiB, every second byte" "$data/alt-a.bin" "$data/alt-b.bin" 8388608 cmp -l
echo
printf '%s\n' "${summary[@]}"
echo "(program: $cli; data: $data; $rounds rounds; $(nproc) cores; load $(cut -d' ' -f1-3 /proc/loadavg))"
