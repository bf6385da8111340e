#!/usr/bin/env bash
# The file-hog finder's search and sorts on a real X display, with the
# accessibility bus off and on (a stand-in screen reader, a11y_listener, asks
# for every object event as Orca does), in alternated rounds. A list's model
# must tell its views of a change once per operation, not once per row, or a
# connected screen reader turns each sort into minutes.
#   bench/a11y_rounds.sh TREE [BUILD_DIR]      ROUNDS=3; needs DISPLAY (Xvfb will do)
# The tree: gen_tree.py --files 20000 --seed 7 --no-hidden --out TREE.
set -euo pipefail
tree="${1:?tree folder}"
build="$(cd "${2:-$(dirname "$0")/../build-bench}" && pwd)"
rounds="${ROUNDS:-3}"
: "${DISPLAY:?needs an X display}"
export QT_QPA_PLATFORM=xcb TREE="$tree" BUILD="$build" ROUNDS="$rounds"
exec dbus-run-session -- bash -c '
set -euo pipefail
/usr/libexec/at-spi-bus-launcher --launch-immediately &
launcher=$!
sleep 1
run() { # off|on -> the finder line and its sort lines
    if [ "$1" = on ]; then
        "$BUILD/bench/a11y_listener" >"$events" 2>/dev/null &
        listener=$!
        sleep 1
        QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$BUILD/bench/bench_finder" "$TREE" hogs 2>/dev/null
        kill -TERM "$listener"; wait "$listener" || true
        cat "$events"
    else
        QT_ACCESSIBILITY=0 "$BUILD/bench/bench_finder" "$TREE" hogs 2>/dev/null
    fi
}
events=$(mktemp)
for r in $(seq "$ROUNDS"); do
    for bus in $( [ $((r % 2)) = 1 ] && echo "off on" || echo "on off" ); do
        echo "round $r bus $bus"
        run "$bus" | sed -E "s/status=\"[^\"]*\"//"
    done
done
rm -f "$events"
kill "$launcher" 2>/dev/null || true
'
