#!/usr/bin/env bash
# Runs the benchmarks: natively with Google Benchmark, the Windows build's self-timed program
# under Wine, and `grep -c -F` on the same generated files as a peer for the matching, also
# beside `vendu search --count` (both builds) and `rg -c -F` on a file of about 100 MB; then
# the real Vorna.exe started under Wine with 10^6 entries (about 170 MB), beside reading that
# file and counting its markers, with its peak working set.
# Results go to build/bench/results/. Usage: bash bench/run.sh [entries...]
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10000 100000 1000000)
out=build/bench/results
mkdir -p "$out"

cmake --preset bench >/dev/null && cmake --build --preset bench -j2
cmake --preset windows >/dev/null &&
    cmake --build --preset windows -j2 --target bench_selftimed vendu Vorna vorna_startup_bench
# The second peer of vendu search (Debian's ripgrep), only needed here.
if ! command -v rg >/dev/null; then
    apt-get install -y ripgrep >/dev/null || echo "ripgrep could not be installed: rg left out"
fi

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

# vendu search --count beside grep -c -F on one file of about 100 MB, in the same run: a
# keyword found in one entry in 10,000, one in 37 % of the entries and one in 97 %.
big=build/bench/entries-370000.vendu
keywords=(rare=Zephyr-42 frequent='\xCE\xC4\xBC\xFE' most=e)
build/bench/bench/bench_selftimed --write 370000 "$big"
python3 bench/vendu_vs_grep.py build/bench/tools/vendu/vendu "$big" "${keywords[@]}" |
    tee "$out/vendu.txt"

filter="/($(IFS='|'; echo "${sizes[*]}"))\$"
build/bench/bench/bench_core --benchmark_filter="$filter" | tee "$out/native.txt"

source scripts/wine-env.sh
vorna_ensure_display
vorna_start_wine
bash scripts/wine-run.sh build/windows/bench/bench_selftimed.exe "${sizes[@]}" | tee "$out/windows.txt"
# The Windows build's vendu under Wine; its times include Wine's start of the program.
python3 bench/vendu_vs_grep.py --runs 5 --text --vendu-prefix "bash scripts/wine-run.sh" \
    build/windows/tools/vendu/vendu.exe "$big" "${keywords[@]}" | tee "$out/vendu-windows.txt"
# Start-up with 10^6 entries of answers up to 190 bytes: about 170 MB.
startup=build/bench/startup-1000000.vendu
build/bench/bench/bench_selftimed --write 1000000 "$startup" 190
bash scripts/wine-run.sh build/windows/bench/vorna_startup_bench.exe "Z:$(pwd)/$startup" 5 |
    tee "$out/startup.txt"
vorna_stop_wine
