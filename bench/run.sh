#!/bin/sh
# Builds the program and the benchmark helpers, then runs the benchmarks.
#   bench/run.sh [--quick] [other options of bench/run.py]
# BUILD picks the build directory (default: build).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")
build=${BUILD:-$repo/build}
[ -f "$build/CMakeCache.txt" ] || cmake -S "$repo" -B "$build" -G Ninja
cmake --build "$build" --target rekuda31 rekuda31_floor rekuda31_floor_ja rekuda31_xwatch rekuda31_clockmark
exec /usr/bin/python3 "$here/run.py" --build "$build" "$@"
