#!/usr/bin/env bash
# Fuzzes the data-file reader with libFuzzer (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) for the given number of seconds (default 60),
# starting from the seed corpus. New inputs go to build-fuzz/corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
scripts/deps.sh
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DREKUDA31_SANITIZE=ON -DREKUDA31_FUZZ=ON >/dev/null
cmake --build build-fuzz --target fuzz_reader_libfuzzer
mkdir -p build-fuzz/corpus
build-fuzz/tests/fault/fuzz_reader_libfuzzer -max_total_time="$seconds" -timeout=5 -max_len=8192 \
  build-fuzz/corpus tests/fault/corpus
