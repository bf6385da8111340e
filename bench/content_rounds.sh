#!/usr/bin/env bash
# The duplicate finder's "Same contents" search against jdupes, fdupes and
# rmlint on one tree, in alternated rounds: each round runs every contender
# once, starting one step further along the list than the round before, so no
# contender always runs first or always follows the same one. The finder's
# time is its whole search (walk, reading, listed grid) as bench_content
# measures it; the peers' times are their wall times. Every peer time is
# divided by the finder's time of the same round; the medians of those ratios
# are what count. Peak memory is the whole process's (GNU time, %M) for all.
# At the end the groups are compared with those of `jdupes -r` (as sets of
# files, a file being its device and inode, so hard links count once), and
# Abort is timed once.
#
#   bench/content_rounds.sh TREE [BUILD_DIR]
#   ROUNDS=5  COLD=1 (cold rounds drop the page cache: root only)
#   PEERS="jdupes fdupes rmlint"  (fdupes and rmlint are slow on large trees)
#
# The peers: jdupes -r -q -A -1 TREE, fdupes -r -q -A TREE, rmlint -x -T df -o fdupes:/dev/null TREE
# (duplicates only, nothing written beside the tree). They are not needed by the
# build or the tests: apt-get install jdupes fdupes rmlint.
set -euo pipefail
source "$(dirname "$0")/rounds_lib.sh"
tree="${1:?tree folder}"
tree="$(cd "$tree" && pwd)"
build="${2:-$(dirname "$0")/../build-bench}"
rounds="${ROUNDS:-5}"
cold="${COLD:-1}"
peers=(${PEERS:-jdupes fdupes rmlint})
finder="$build/bench/bench_content"
[ -x "$finder" ] || { echo "no $finder: build with -DQUILLON_BENCH=ON" >&2; exit 1; }
for p in "${peers[@]}"; do
    command -v "$p" >/dev/null || { echo "$p is not installed" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

names=(quillon "${peers[@]}")
command_of() {
    case "$1" in
    quillon) echo "$finder" "$tree" ;;
    # What the finder compares: no hidden files (-A), one file system (jdupes -1).
    jdupes) echo jdupes -r -q -A -1 "$tree" ;;
    fdupes) echo fdupes -r -q -A "$tree" ;;
    rmlint) echo rmlint -x -T df -o fdupes:/dev/null "$tree" ;;  # hidden files are off by default
    esac
}

run() { # temperature name -> "seconds MB"
    local temp="$1" name="$2" wall kb
    drop "$temp"
    /usr/bin/time -f '%e %M' -o "$work/time" $(command_of "$name") >"$work/out" 2>/dev/null || true
    read -r wall kb < <(tail -1 "$work/time")  # after a "non-zero status" line, if any
    if [ "$name" = quillon ]; then
        wall=$(sed -nE 's/.*scan_s=([0-9.]+).*/\1/p' "$work/out")
    fi
    echo "$wall $(echo "$kb / 1024" | bc -l)"
}

temps=(warm)
[ "$cold" = 1 ] && temps+=(cold)
du -sx "$tree" >/dev/null
alternate_rounds "$rounds" quillon reference-per
report quillon

# The groups against jdupes -r, files as device and inode.
"$finder" "$tree" --list "$work/quillon.txt" >/dev/null 2>&1
jdupes -r -A -1 "$tree" >"$work/jdupes.txt" 2>/dev/null || true
python3 - "$work/quillon.txt" "$work/jdupes.txt" <<'EOF'
import os, sys
def groups(path):
    out, cur = [], set()
    with open(path, 'rb') as f:
        for line in f.read().split(b'\n'):
            if line:
                st = os.lstat(line)
                cur.add((st.st_dev, st.st_ino))
            elif cur:
                if len(cur) > 1:
                    out.append(frozenset(cur))
                cur = set()
    if len(cur) > 1:
        out.append(frozenset(cur))
    return set(out)
q, j = groups(sys.argv[1]), groups(sys.argv[2])
fq = set().union(*q) if q else set()
fj = set().union(*j) if j else set()
print("groups: quillon %d, jdupes %d; files in groups: quillon %d, jdupes %d" % (len(q), len(j), len(fq), len(fj)))
print("same files in groups: %s; same groups: %s" % ("yes" if fq == fj else "NO", "yes" if q == j else "NO"))
if fq != fj:
    print("only quillon: %d files, only jdupes: %d files" % (len(fq - fj), len(fj - fq)))
EOF
"$finder" "$tree" abort 1000 2>/dev/null | grep abort
