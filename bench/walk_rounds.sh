#!/usr/bin/env bash
# The finder's walk against du -sx on one tree, warm and cold, rounds alternated:
# each round runs du, file hogs and duplicates "Size only", each with the
# default walker threads and with one, in one order. Medians per column.
#   bench/walk_rounds.sh TREE [BUILD_DIR]      ROUNDS=5 COLD=1 (needs root)
set -euo pipefail
tree="${1:?tree folder}"
build="${2:-$(dirname "$0")/../build-bench}"
rounds="${ROUNDS:-5}"
cold="${COLD:-1}"
finder="$build/bench/bench_finder"

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
now() { date +%s.%N; }
drop() { if [ "$1" = cold ]; then sync; echo 3 > /proc/sys/vm/drop_caches; fi; }

declare -A times mems
run() { # temperature name command...
    local temp="$1" name="$2" s e out
    shift 2
    drop "$temp"
    s=$(now); out=$("$@" 2>/dev/null | head -1); e=$(now)
    if [[ "$out" == mode=* ]]; then
        times[$temp.$name]+="$(sed -E 's/.*scan_s=([0-9.]+).*/\1/' <<<"$out") "
        mems[$temp.$name]+="$(sed -E 's/.*mem_above_window_mb=([0-9.]+).*/\1/' <<<"$out") "
    else
        times[$temp.$name]+="$(echo "$e - $s" | bc -l) "
    fi
}

temps=(warm)
[ "$cold" = 1 ] && temps+=(cold)
du -sx "$tree" >/dev/null
for r in $(seq "$rounds"); do
    for temp in "${temps[@]}"; do
        [ "$temp" = warm ] && du -sx "$tree" >/dev/null
        run "$temp" du du -sx "$tree"
        run "$temp" hogs "$finder" "$tree" hogs
        run "$temp" hogs1 env QUILLON_WALK_THREADS=1 "$finder" "$tree" hogs
        run "$temp" dups "$finder" "$tree" dups 3
        run "$temp" dups1 env QUILLON_WALK_THREADS=1 "$finder" "$tree" dups 3
    done
    echo "round $r done" >&2
done
for temp in "${temps[@]}"; do
    du_t=$(tr ' ' '\n' <<<"${times[$temp.du]}" | grep . | median)
    printf '%s du -sx: %.3f s  (runs: %s)\n' "$temp" "$du_t" "${times[$temp.du]}"
    for name in hogs hogs1 dups dups1; do
        t=$(tr ' ' '\n' <<<"${times[$temp.$name]}" | grep . | median)
        m=$(tr ' ' '\n' <<<"${mems[$temp.$name]}" | grep . | sort -g | tail -1)
        printf '%s %-6s %.3f s  %.2fx du  peak above window %s MB  (runs: %s)\n' \
            "$temp" "$name" "$t" "$(echo "$t / $du_t" | bc -l)" "$m" "${times[$temp.$name]}"
    done
done
