#!/usr/bin/env bash
# Runs the benchmarks: natively with Google Benchmark, the Windows build's self-timed program
# under Wine, and `grep -c -F` on the same generated files as a peer for the matching.
# Results go to build/bench/results/. Usage: bash bench/run.sh [entries...]
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10000 100000 1000000)
out=build/bench/results
mkdir -p "$out"

cmake --preset bench >/dev/null && cmake --build --preset bench -j2
cmake --preset windows >/dev/null && cmake --build --preset windows -j2 --target bench_selftimed

{
    echo "nproc: $(nproc)"
    grep -m1 'model name' /proc/cpuinfo
    uname -srm
    echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
} | tee "$out/machine.txt"

# The peer: grep over the same bytes, best of five runs by the wall clock and by user plus
# system time, the file already in the page cache.
: >"$out/grep.txt"
for n in "${sizes[@]}"; do
    file="build/bench/entries-$n.vendu"
    build/bench/bench/bench_selftimed --write "$n" "$file"
    bytes=$(stat -c %s "$file")
    for label in rare frequent; do
        keyword=Zephyr-42
        [ "$label" = rare ] || keyword=$(printf '\xCE\xC4\xBC\xFE')
        LC_ALL=C grep -c -F -- "$keyword" "$file" >/dev/null || true
        best=""
        bestCpu=""
        for _ in 1 2 3 4 5; do
            start=$(date +%s%N)
            cpu=$( { TIMEFORMAT='%3U %3S'
                     time LC_ALL=C grep -c -F -- "$keyword" "$file" >"$out/count"; } 2>&1 |
                awk '{ printf "%d", ($1 + $2) * 1e9 }')
            ns=$(($(date +%s%N) - start))
            if [ -z "$best" ] || [ "$ns" -lt "$best" ]; then best=$ns; fi
            if [ -z "$bestCpu" ] || [ "$cpu" -lt "$bestCpu" ]; then bestCpu=$cpu; fi
        done
        awk -v l="$label" -v n="$n" -v b="$bytes" -v ns="$best" -v cpu="$bestCpu" \
            -v c="$(cat "$out/count")" 'BEGIN {
            printf "grep -c -F %-8s %8s entries %11s bytes %8.1f MB/s wall %8.1f MB/s cpu  (%s lines)\n",
                l, n, b, b / ns * 1000, (cpu > 0 ? b / cpu * 1000 : 0), c
        }' | tee -a "$out/grep.txt"
    done
done

filter="/($(IFS='|'; echo "${sizes[*]}"))\$"
build/bench/bench/bench_core --benchmark_filter="$filter" | tee "$out/native.txt"

source scripts/wine-env.sh
vorna_start_wine
bash scripts/wine-run.sh build/windows/bench/bench_selftimed.exe "${sizes[@]}" | tee "$out/windows.txt"
vorna_stop_wine
