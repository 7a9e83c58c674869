#!/usr/bin/env bash
# Installs what is needed, builds (warnings as errors, with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole suite with ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --tests

BUILD_DIR=${BUILD_DIR:-build-test}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZUVARO_WERROR=ON -DZUVARO_SANITIZE=ON \
    -DZUVARO_BUILD_TESTS=ON -DZUVARO_BUILD_BENCH=ON
cmake --build "$BUILD_DIR" -j2
cd "$BUILD_DIR"
ctest --output-on-failure -j2 "$@"
