#!/usr/bin/env bash
# Times the finder's scan against du (and the other peers that are installed)
# on one warm tree, in one run.
#   bench/compare_finder.sh TREE [BUILD_DIR]
# TREE: gen_tree.py --files 1000000 --seed 7 --no-hidden --out TREE
set -euo pipefail
tree="${1:?tree folder}"
build="${2:-$(dirname "$0")/../build-bench}"
runs="${RUNS:-3}"

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc -l; }

echo "tree: $tree ($(find "$tree" -type f | wc -l) files)"
du -sx "$tree" >/dev/null; du -sx "$tree" >/dev/null   # warm the cache

time_cmd() {
    local name="$1"; shift
    local t
    t=$(for _ in $(seq "$runs"); do seconds "$@"; done | median)
    printf '%-28s %8.3f s\n' "$name" "$t" >&2
    echo "$t"
}

du_t=$(time_cmd "du -sx" du -sx "$tree")
find_t=$(time_cmd "find -printf" find "$tree" -printf '%s %p\n')
if command -v ncdu >/dev/null; then time_cmd "ncdu -o /dev/null" ncdu -0xo /dev/null "$tree" >/dev/null; fi

finder() {
    local out
    out=$(for _ in $(seq "$runs"); do "$build/bench/bench_finder" "$tree" "$@" | head -1; done)
    echo "$out" | tail -1 >&2
    echo "$out" | sed -E 's/.*scan_s=([0-9.]+).*/\1/' | median
}
hogs_t=$(finder hogs)
dups_t=$(finder dups 3)
printf '%-28s %8.3f s  (%.2fx du)\n' "file hogs, all files" "$hogs_t" "$(echo "$hogs_t / $du_t" | bc -l)"
printf '%-28s %8.3f s  (%.2fx du)\n' "duplicates, size only" "$dups_t" "$(echo "$dups_t / $du_t" | bc -l)"
printf '%-28s %8.3f s  (%.2fx du)\n' "find -printf" "$find_t" "$(echo "$find_t / $du_t" | bc -l)"
"$build/bench/bench_finder" "$tree" hogs | tail -5
# Abort pressed one second into a walk: how long until the search has stopped.
"$build/bench/bench_finder" "$tree" hogs abort 1000 | grep abort
