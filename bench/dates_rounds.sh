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
tree="${1:?tree folder}"
build="${2:-$(dirname "$0")/../build-bench}"
rounds="${ROUNDS:-5}"
cold="${COLD:-0}"
dates="$build/bench/bench_dates"

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
now() { date +%s.%N; }
drop() { if [ "$1" = cold ]; then sync; echo 3 > /proc/sys/vm/drop_caches; fi; }

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

declare -A times ratios
memfile=$(mktemp)
trap 'rm -f "$memfile"' EXIT
run() { # temperature name -> seconds on stdout (runs in a subshell: memory goes to a file)
    local temp="$1" name="$2" s e out
    drop "$temp"
    s=$(now); out=$($(command_of "$name") 2>/dev/null | head -1); e=$(now)
    if [[ "$out" == mode=* ]]; then
        echo "$temp.$name $(sed -E 's/.*peak_rss_mb=([0-9.]+).*/\1/' <<<"$out")" >>"$memfile"
        sed -E 's/.*scan_s=([0-9.]+).*/\1/' <<<"$out"
    else
        echo "$e - $s" | bc -l
    fi
}

temps=(warm)
[ "$cold" = 1 ] && temps+=(cold)
du -sx "$tree" >/dev/null
for r in $(seq "$rounds"); do
    for temp in "${temps[@]}"; do
        [ "$temp" = warm ] && du -sx "$tree" >/dev/null
        declare -A round=()
        for k in "${!names[@]}"; do
            name="${names[$(( (k + r) % ${#names[@]} ))]}"
            round[$name]=$(run "$temp" "$name")
            times[$temp.$name]+="${round[$name]} "
        done
        for name in "${names[@]:1}"; do
            ratios[$temp.$name]+="$(echo "${round[$name]} / ${round[du]}" | bc -l) "
        done
        unset round
    done
    echo "round $r done (load: $(cut -d' ' -f1-3 /proc/loadavg))" >&2
done
for temp in "${temps[@]}"; do
    du_t=$(tr ' ' '\n' <<<"${times[$temp.du]}" | grep . | median)
    printf '%s du -sx: median %.3f s  (runs: %s)\n' "$temp" "$du_t" "${times[$temp.du]}"
    for name in "${names[@]:1}"; do
        t=$(tr ' ' '\n' <<<"${times[$temp.$name]}" | grep . | median)
        q=$(tr ' ' '\n' <<<"${ratios[$temp.$name]}" | grep . | median)
        m=$(awk -v k="$temp.$name" '$1 == k {print $2}' "$memfile" | sort -g | tail -1)
        printf '%s %-8s median %.3f s  median of round ratios %.2fx du  peak RSS %s MB  (runs: %s)\n' \
            "$temp" "$name" "$t" "$q" "$m" "${times[$temp.$name]}"
    done
done
"$dates" "$tree" accessed 2>/dev/null | tail -7
"$dates" "$tree" all abort 1000 2>/dev/null | grep abort
