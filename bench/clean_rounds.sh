#!/usr/bin/env bash
# The quick clean's listing against du -sx on one tree, warm, in alternated
# rounds: each round runs du, the quick clean with the default walker threads
# and with one, starting one step further along the list than the round
# before. Each quick-clean time is divided by the du time of its own round;
# the median of those ratios is what counts (the goal: at most 0.8x du).
#   bench/clean_rounds.sh TREE [BUILD_DIR]      ROUNDS=5
# The build needs -DQUILLON_BENCH=ON. Extra patterns: PATTERNS='*.log *.tmp'.
set -euo pipefail
source "$(dirname "$0")/rounds_lib.sh"
tree="${1:?tree folder}"
build="${2:-$(dirname "$0")/../build-bench}"
rounds="${ROUNDS:-5}"
clean="$build/bench/bench_clean"
read -r -a patterns <<<"${PATTERNS:-}"

names=(du clean clean1)
run() { # temperature name -> seconds
    local s e out
    case "$2" in
    du) s=$(now); du -sx "$tree" >/dev/null; e=$(now); echo "$e - $s" | bc -l ;;
    clean) out=$("$clean" "$tree" "${patterns[@]}" | head -1)
           sed -E 's/.*scan_s=([0-9.]+).*/\1/' <<<"$out" ;;
    clean1) out=$(QUILLON_WALK_THREADS=1 "$clean" "$tree" "${patterns[@]}" | head -1)
            sed -E 's/.*scan_s=([0-9.]+).*/\1/' <<<"$out" ;;
    esac
}

temps=(warm)
du -sx "$tree" >/dev/null # warm the caches once
alternate_rounds "$rounds" du per-reference
report du
"$clean" "$tree" "${patterns[@]}" | head -1
