#!/usr/bin/env bash
# Sets up a fresh Debian machine (missing packages, release build) and starts Quillon.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/scripts/setup.sh" "$here/build" -DCMAKE_BUILD_TYPE=Release -DQUILLON_TESTS=OFF

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found. Quillon is a desktop program; to start it without a screen use:"
    echo "    sudo apt-get install xvfb && xvfb-run -a $here/build/quillon"
    exit 1
fi
exec "$here/build/quillon" "$@"
