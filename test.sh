#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds with the tests and runs the whole suite headless.
# QUILLON_SANITIZE=1 ./test.sh runs it under AddressSanitizer + UndefinedBehaviorSanitizer,
# QUILLON_SANITIZE=thread ./test.sh under ThreadSanitizer.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$here/build-tests"
extra=()
if [ "${QUILLON_SANITIZE:-0}" = 1 ]; then
    build="$here/build-asan"
    extra=(-DQUILLON_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
elif [ "${QUILLON_SANITIZE:-0}" = thread ]; then
    build="$here/build-tsan"
    extra=(-DQUILLON_SANITIZE=thread -DCMAKE_BUILD_TYPE=Debug)
fi
"$here/scripts/setup.sh" "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_TESTS=ON \
    -DQUILLON_WERROR=ON "${extra[@]}"

export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j "$(nproc 2>/dev/null || echo 2)"
