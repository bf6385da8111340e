#!/usr/bin/env bash
# Builds the fuzzer for the PE version reader with clang (libFuzzer, address and
# undefined-behaviour sanitizers) and lays out its seed corpus from the PE test files.
#   fuzz/build.sh            -> fuzz/out/peversion_fuzz, fuzz/out/corpus/
# Needs: apt-get install clang libclang-rt-14-dev
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
out="$here/out"
mkdir -p "$out/corpus"

cd "$root"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I src src/platform/peversion.cpp src/platform/filewindow.cpp fuzz/peversion_fuzz.cpp -o "$out/peversion_fuzz"

cp tests/fixtures/pe/*.exe tests/fixtures/pe/*.dll "$out/corpus/"
echo "built $out/peversion_fuzz; seeds in $out/corpus"
