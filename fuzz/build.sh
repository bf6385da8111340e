#!/usr/bin/env bash
# Builds every fuzzer with clang (libFuzzer, address and undefined-behaviour
# sanitizers) from the sources each needs, and lays out the seed corpora.
#   fuzz/build.sh            -> fuzz/out/<target>, fuzz/out/corpus/<target>/
# Needs: apt-get install clang libclang-rt-14-dev (and the project's own build
# dependencies: Qt 6 Core, libzip).
set -euo pipefail
shopt -s inherit_errexit
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
out="$here/out"
mkdir -p "$out/obj"
cd "$root"

# Qt's headers want position-independent code.
cxxflags=(-std=c++20 -g -O1 -fPIC -fno-omit-frame-pointer -fsanitize=address,undefined
          -fno-sanitize-recover=undefined -I src -I fuzz)
read -r -a qt <<< "$(pkg-config --cflags Qt6Core)"
read -r -a libs <<< "$(pkg-config --libs Qt6Core libzip)"

# One object per source, shared by the targets, rebuilt when the source is newer.
object() {
    local src="$1" obj="$out/obj/$(echo "$1" | tr / _).o"
    if [[ ! -f "$obj" || "$src" -nt "$obj" || -n "$(find src fuzz -name '*.h' -newer "$obj" -print -quit)" ]]; then
        clang++ "${cxxflags[@]}" -fsanitize=fuzzer-no-link "${qt[@]}" -c "$src" -o "$obj"
    fi
    echo "$obj"
}

target() {
    local name="$1"
    shift
    local objs=() obj
    for src in "fuzz/$name.cpp" "$@"; do
        obj="$(object "$src")"
        objs+=("$obj")
    done
    clang++ "${cxxflags[@]}" -fsanitize=fuzzer "${objs[@]}" "${libs[@]}" -o "$out/$name"
    mkdir -p "$out/corpus/$name"
    cp -n "fuzz/corpus/$name"/* "$out/corpus/$name/" 2>/dev/null || true
    echo "built $out/$name"
}

target peversion_fuzz src/platform/peversion.cpp src/platform/filewindow.cpp src/platform/textcase.cpp
cp -n tests/fixtures/pe/*.exe tests/fixtures/pe/*.dll "$out/corpus/peversion_fuzz/"
target zipreader_fuzz src/platform/zipreader.cpp src/platform/zip.cpp src/platform/resolver.cpp \
    src/platform/drives.cpp src/platform/paths.cpp src/platform/textcase.cpp
target settings_fuzz src/shell/settings.cpp src/platform/paths.cpp src/platform/textcase.cpp
target folderlist_fuzz src/shell/protected.cpp fuzz/shell_stubs.cpp src/platform/paths.cpp \
    src/platform/textcase.cpp
target patterns_fuzz src/shell/typepatterns.cpp src/cleanup/tempfiles.cpp src/shell/settings.cpp \
    src/platform/filetypes.cpp src/platform/walker.cpp src/platform/paths.cpp src/platform/textcase.cpp
echo "seeds in $out/corpus/<target>/"
