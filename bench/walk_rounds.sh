#!/usr/bin/env bash
# The finder's scan against du -sx on one tree, in alternated rounds: each
# round runs du, file hogs and duplicates "Size only" (each with the default
# walker threads and with one), starting one step further along the list than
# the round before, so no contender always runs first or always follows the
# same one. Every finder time is divided by the du time of its own round; the
# medians of those ratios are what count. At the end, one more run prints the
# sort and abort figures.
#   bench/walk_rounds.sh TREE [BUILD_DIR]      ROUNDS=5 COLD=1 (cold needs root)
set -euo pipefail
source "$(dirname "$0")/rounds_lib.sh"
tree="${1:?tree folder}"
build="${2:-$(dirname "$0")/../build-bench}"
rounds="${ROUNDS:-5}"
cold="${COLD:-1}"
finder="$build/bench/bench_finder"

names=(du hogs hogs1 dups dups1)
command_of() {
    case "$1" in
    du) echo du -sx "$tree" ;;
    hogs) echo "$finder" "$tree" hogs ;;
    hogs1) echo env QUILLON_WALK_THREADS=1 "$finder" "$tree" hogs ;;
    dups) echo "$finder" "$tree" dups 3 ;;
    dups1) echo env QUILLON_WALK_THREADS=1 "$finder" "$tree" dups 3 ;;
    esac
}

MEM_LABEL="peak above window"
run() { # temperature name -> "seconds [MB]"
    local temp="$1" name="$2" s e out
    drop "$temp"
    s=$(now); out=$($(command_of "$name") 2>/dev/null | head -1); e=$(now)
    if [[ "$out" == mode=* ]]; then
        echo "$(sed -E 's/.*scan_s=([0-9.]+).*/\1/' <<<"$out") $(sed -E 's/.*mem_above_window_mb=([0-9.]+).*/\1/' <<<"$out")"
    else
        echo "$e - $s" | bc -l
    fi
}
before_round() { if [ "$1" = warm ]; then du -sx "$tree" >/dev/null; fi; }

temps=(warm)
[ "$cold" = 1 ] && temps+=(cold)
du -sx "$tree" >/dev/null
alternate_rounds "$rounds" du per-reference
report du
"$finder" "$tree" hogs | tail -5
"$finder" "$tree" hogs abort 1000 | grep abort
