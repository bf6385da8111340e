#!/usr/bin/env bash
# The statistics collection run against du -sx on one tree, warm, in
# alternated rounds: each round runs du, the collection with the default
# walker threads and with one, starting one step further along the list than
# the round before. Each collection time is divided by the du time of its own
# round; the median of those ratios is what counts (the goal: at most 0.8x du).
# At the end one more run prints the memory and the longest event-loop gap,
# and one presses Esc a second into the run.
#   bench/stats_rounds.sh TREE [BUILD_DIR]      ROUNDS=5
# The build needs -DQUILLON_BENCH=ON (target bench_stats).
set -euo pipefail
tree="${1:?tree folder}"
build="${2:-$(dirname "$0")/../build-bench}"
rounds="${ROUNDS:-5}"
stats="$build/bench/bench_stats"

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
now() { date +%s.%N; }

names=(du stats stats1)
run() { # name -> seconds
    local s e out
    case "$1" in
    du) s=$(now); du -sx "$tree" >/dev/null; e=$(now); echo "$e - $s" | bc -l ;;
    stats) out=$("$stats" "$tree" 2>/dev/null | grep '^files=')
           sed -E 's/.*scan_s=([0-9.]+).*/\1/' <<<"$out" ;;
    stats1) out=$(QUILLON_WALK_THREADS=1 "$stats" "$tree" 2>/dev/null | grep '^files=')
            sed -E 's/.*scan_s=([0-9.]+).*/\1/' <<<"$out" ;;
    esac
}

declare -A times ratios
du -sx "$tree" >/dev/null # warm the caches once
for r in $(seq "$rounds"); do
    declare -A round=()
    for k in "${!names[@]}"; do
        name="${names[$(( (k + r) % ${#names[@]} ))]}"
        round[$name]=$(run "$name")
        times[$name]+="${round[$name]} "
    done
    for name in stats stats1; do
        ratios[$name]+="$(echo "${round[$name]} / ${round[du]}" | bc -l) "
    done
    unset round
    echo "round $r done (load: $(cut -d' ' -f1-3 /proc/loadavg))" >&2
done
du_t=$(tr ' ' '\n' <<<"${times[du]}" | grep . | median)
printf 'warm du -sx: median %.3f s  (runs: %s)\n' "$du_t" "${times[du]}"
for name in stats stats1; do
    t=$(tr ' ' '\n' <<<"${times[$name]}" | grep . | median)
    q=$(tr ' ' '\n' <<<"${ratios[$name]}" | grep . | median)
    printf 'warm %-6s median %.3f s  median of round ratios %.2fx du  (runs: %s)\n' \
        "$name" "$t" "$q" "${times[$name]}"
done
"$stats" "$tree" 2>/dev/null | grep '^files='
"$stats" "$tree" esc 1000 2>/dev/null | grep '^esc_'
