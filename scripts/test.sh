#!/usr/bin/env bash
# Installs what is needed, builds (warnings as errors, with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole suite with ctest. Arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh --tests

# BUILD_TYPE=Release builds without assertions and sanitizers instead: the tests must
# compile and pass with NDEBUG too (another template instantiation order, no asserts).
BUILD_DIR=${BUILD_DIR:-build-test}
BUILD_TYPE=${BUILD_TYPE:-Debug}
SANITIZE=ON
if [ "$BUILD_TYPE" = Release ]; then SANITIZE=OFF; fi
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" -DZUVARO_WERROR=ON -DZUVARO_SANITIZE="$SANITIZE" \
    -DZUVARO_BUILD_TESTS=ON -DZUVARO_BUILD_BENCH=ON
cmake --build "$BUILD_DIR" -j2
cd "$BUILD_DIR"
ctest --output-on-failure -j2 "$@"
