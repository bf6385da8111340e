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
source "$(dirname "$0")/rounds_lib.sh"
tree="${1:?tree folder}"
build="${2:-$(dirname "$0")/../build-bench}"
rounds="${ROUNDS:-5}"
stats="$build/bench/bench_stats"

names=(du stats stats1)
run() { # temperature name -> seconds
    local s e out
    case "$2" in
    du) s=$(now); du -sx "$tree" >/dev/null; e=$(now); echo "$e - $s" | bc -l ;;
    stats) out=$("$stats" "$tree" 2>/dev/null | grep '^files=')
           sed -E 's/.*scan_s=([0-9.]+).*/\1/' <<<"$out" ;;
    stats1) out=$(QUILLON_WALK_THREADS=1 "$stats" "$tree" 2>/dev/null | grep '^files=')
            sed -E 's/.*scan_s=([0-9.]+).*/\1/' <<<"$out" ;;
    esac
}

temps=(warm)
du -sx "$tree" >/dev/null # warm the caches once
alternate_rounds "$rounds" du per-reference
report du
"$stats" "$tree" 2>/dev/null | grep '^files='
"$stats" "$tree" esc 1000 2>/dev/null | grep '^esc_'
