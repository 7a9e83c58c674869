#!/usr/bin/env bash
# Regenerates docs/main-window.png, the README's picture of the main window after a call.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUVARO_BUILD_TESTS=OFF -DZUVARO_BUILD_BENCH=OFF
cmake --build "$BUILD_DIR" -j2 --target zuvaro3-screenshot
QT_QPA_PLATFORM=offscreen "$BUILD_DIR/tools/zuvaro3-screenshot/zuvaro3-screenshot" docs/main-window.png
echo "docs/main-window.png written"
