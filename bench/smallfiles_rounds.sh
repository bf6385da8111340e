#!/usr/bin/env bash
# Many small files: a cache folder cleared as the cache window clears it (its
# files collected with what they are, then the removal window's "Delete all",
# `bench_removal cache`) against `rm -r` of an identical copy, with the accessibility bus off
# and with a stand-in screen reader listening (a11y_listener, as in
# a11y_rounds.sh), in alternated rounds. Each contender gets a fresh copy of
# the same template (cp -a, then sync, untimed); Quillon's time runs from the
# collection through the window's protected-folder sorting to the end of the run.
#   bench/smallfiles_rounds.sh WORK [BUILD_DIR]   ROUNDS=5 FILES=50000
# WORK must not exist; it is made and removed. On a tmpfs (/dev/shm/...) the
# times are the work per file alone; on a disk they include the disk's own.
# Needs DISPLAY (Xvfb will do) for the screen-reader contender, a D-Bus
# session launcher (dbus-run-session) and at-spi2-core, and a build with
# -DQUILLON_BENCH=ON. OTHER=BUILD_DIR adds that build (an earlier one, say) as
# the contenders "other" and "other_reader".
set -euo pipefail
work="${1:?work folder (must not exist)}"
build="$(cd "${2:-$(dirname "$0")/../build-bench}" && pwd)"
[ -e "$work" ] && { echo "$work exists" >&2; exit 2; }
: "${DISPLAY:?needs an X display}"
export OTHER="${OTHER:+$(cd "$OTHER" && pwd)}"
export WORK="$work" BUILD="$build" ROUNDS="${ROUNDS:-5}" FILES="${FILES:-50000}"
export LIB="$(cd "$(dirname "$0")" && pwd)/rounds_lib.sh"
export QT_QPA_PLATFORM=xcb
exec dbus-run-session -- bash -c '
set -euo pipefail
source "$LIB"
/usr/libexec/at-spi-bus-launcher --launch-immediately &
launcher=$!
trap "kill $launcher 2>/dev/null || true; rm -rf \"$WORK\"" EXIT
sleep 1
mkdir -p "$WORK/template"
# Cache entries: 40-character hex names, 0 to 4 KiB each.
python3 - "$WORK/template" "$FILES" <<PY
import os, sys
folder, n = sys.argv[1], int(sys.argv[2])
for i in range(n):
    with open(os.path.join(folder, "%040x" % (i * 2654435761)), "wb") as f:
        f.write(b"c" * ((i * 7919) % 4097))
PY
fresh() { rm -rf "$WORK/run"; cp -a "$WORK/template" "$WORK/run"; sync; }
quillon() { "${1:-$BUILD}/bench/bench_removal" cache "$WORK/run" 2>/dev/null | sed -nE "s/.*cache_clear_s=([0-9.]+).*/\1/p"; }
names=(rm quillon reader)
[ -n "$OTHER" ] && names+=(other other_reader)
run() { # temperature name -> seconds
    local s e listener
    fresh
    case "$2" in
    rm) s=$(now); rm -r "$WORK/run"; e=$(now); echo "$e - $s" | bc -l ;;
    quillon) QT_ACCESSIBILITY=0 quillon ;;
    other) QT_ACCESSIBILITY=0 quillon "$OTHER" ;;
    reader|other_reader)
        "$BUILD/bench/a11y_listener" >"$WORK/events" 2>/dev/null &
        listener=$!
        sleep 1
        QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 quillon "$([ "$2" = reader ] && echo "$BUILD" || echo "$OTHER")"
        kill -TERM "$listener"; wait "$listener" || true
        echo "$2: $(cat "$WORK/events")" >&2 ;;
    esac
}
temps=(warm)
alternate_rounds "$ROUNDS" rm per-reference
report rm
'
