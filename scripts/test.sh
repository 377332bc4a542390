#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest:
# the unit and window tests, the same under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the end-to-end tests on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
(cd build && ctest --output-on-failure -j2 -LE e2e)
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DREKUDA31_SANITIZE=ON >/dev/null
cmake --build build-asan
(cd build-asan && ctest --output-on-failure -j2 -L unit)
(cd build && ctest --output-on-failure -L e2e)
