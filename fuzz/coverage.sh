#!/usr/bin/env bash
# Line and branch coverage of the PE version reader over a fuzzing corpus.
#   fuzz/coverage.sh [corpus folder]      (default fuzz/out/corpus)
# Needs: clang, llvm (llvm-profdata, llvm-cov; Debian's clang brings both).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
corpus="${1:-$here/out/corpus}"
out="$here/out/coverage"
mkdir -p "$out"

cd "$root"
clang++ -std=c++20 -g -O0 -fsanitize=fuzzer -fprofile-instr-generate -fcoverage-mapping \
    -I src src/platform/peversion.cpp src/platform/filewindow.cpp fuzz/peversion_fuzz.cpp -o "$out/peversion_cov"
# -runs=0: run every corpus file once, mutate nothing.
LLVM_PROFILE_FILE="$out/run.profraw" "$out/peversion_cov" -runs=0 "$corpus" > "$out/run.log" 2>&1
llvm-profdata merge -sparse "$out/run.profraw" -o "$out/run.profdata"
llvm-cov report "$out/peversion_cov" -instr-profile="$out/run.profdata" src/platform/peversion.cpp
llvm-cov show "$out/peversion_cov" -instr-profile="$out/run.profdata" src/platform/peversion.cpp \
    -show-line-counts-or-regions > "$out/peversion.cpp.txt"
echo "annotated source: $out/peversion.cpp.txt"
