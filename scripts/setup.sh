#!/usr/bin/env bash
# Shared set-up for run.sh and test.sh: installs the Debian packages that are
# missing (and only then calls apt-get), then configures and builds.
# Usage: scripts/setup.sh BUILD_DIR [extra cmake arguments...]
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$1"; shift

packages=(cmake g++ make pkg-config qt6-base-dev qt6-charts-dev qt6-qpa-plugins
          libzip-dev zlib1g-dev libgtest-dev libgmock-dev
          desktop-file-utils appstream dpkg-dev
          libxxhash-dev)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing missing packages: ${missing[*]}"
    sudo=()
    if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

jobs="$(nproc 2>/dev/null || echo 2)"
cmake -S "$here" -B "$build_dir" "$@"
cmake --build "$build_dir" -j "$jobs"
