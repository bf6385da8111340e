#!/usr/bin/env bash
# Folder hogs ("&All Folders", "&Main folders") and the files-by-date finder
# ("Files accessed", every file listed) against du -sx on one tree, in
# alternated rounds: each round runs du and every contender once, starting one
# step further along the list than the round before, so no contender always
# runs first or always follows the same one. Every time is divided by the du
# time of its own round; the medians of those ratios are what count. Peak
# memory is the whole process's peak resident size (the highest of the runs).
#   bench/dates_rounds.sh TREE [BUILD_DIR]      ROUNDS=5 COLD=0 (COLD=1 adds cold rounds, needs root)
set -euo pipefail
source "$(dirname "$0")/rounds_lib.sh"
tree="${1:?tree folder}"
build="${2:-$(dirname "$0")/../build-bench}"
rounds="${ROUNDS:-5}"
cold="${COLD:-0}"
dates="$build/bench/bench_dates"

names=(du all all1 main accessed)
command_of() {
    case "$1" in
    du) echo du -sx "$tree" ;;
    all) echo "$dates" "$tree" all ;;
    all1) echo env QUILLON_WALK_THREADS=1 "$dates" "$tree" all ;;
    main) echo "$dates" "$tree" main ;;
    accessed) echo "$dates" "$tree" accessed ;;
    esac
}

MEM_LABEL="peak RSS"
run() { # temperature name -> "seconds [MB]"
    local temp="$1" name="$2" s e out
    drop "$temp"
    s=$(now); out=$($(command_of "$name") 2>/dev/null | head -1); e=$(now)
    if [[ "$out" == mode=* ]]; then
        echo "$(sed -E 's/.*scan_s=([0-9.]+).*/\1/' <<<"$out") $(sed -E 's/.*peak_rss_mb=([0-9.]+).*/\1/' <<<"$out")"
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
"$dates" "$tree" accessed 2>/dev/null | tail -7
"$dates" "$tree" all abort 1000 2>/dev/null | grep abort
