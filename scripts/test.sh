#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the normal
# build, then the core and its tests under address and undefined-behaviour
# sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVANE_QT=ON -DDORVANE_TESTS=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DDORVANE_SANITIZE=ON -DDORVANE_QT=ON -DDORVANE_TESTS=ON -DDORVANE_BENCH=OFF
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" -LE slow
