#!/usr/bin/env bash
# Regenerates the pictures of the README and the help in docs/: the main window after a call
# (main-window.png), the customer with a response (customer.png), the totals preview
# (totals.png) and the settings dialog (settings.png).
# With --check it also runs the layout check over every window and leaves each window's
# picture in build/layout-check/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUVARO_BUILD_TESTS=OFF -DZUVARO_BUILD_BENCH=OFF
cmake --build "$BUILD_DIR" -j2 --target zuvaro3-screenshot
tool="$BUILD_DIR/tools/zuvaro3-screenshot/zuvaro3-screenshot"
QT_QPA_PLATFORM=offscreen "$tool" --gallery docs
echo "docs/main-window.png, docs/customer.png, docs/totals.png, docs/settings.png written"
if [[ "${1:-}" == "--check" ]]; then
    QT_QPA_PLATFORM=offscreen "$tool" --check --out "$BUILD_DIR/layout-check"
fi
