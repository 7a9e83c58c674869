#!/usr/bin/env bash
# Installs what is needed, builds, creates the data folders and the initial database
# when they are missing, and starts the program. Extra arguments go to zuvaro3.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUVARO_BUILD_TESTS=OFF -DZUVARO_BUILD_BENCH=OFF
cmake --build "$BUILD_DIR" -j2

DATA_ROOT=${ZUVARO_DATA_ROOT:-/var/lib}
DATA_DIR="$DATA_ROOT/ordova/zuvaro3"
mkdir -p "$DATA_DIR/log" "$DATA_DIR/rec" "$DATA_DIR/play" "$DATA_DIR/work" "$DATA_ROOT/ordova/common"

# The database named in the settings file, or the default one.
DB_PATH=""
if [ -f "$DATA_DIR/zuvaro3.ini" ]; then
    DB_PATH=$(awk 'BEGIN{IGNORECASE=1} /^\[/{s=tolower($0)} s=="[zuvaro_db]" && /^[ \t]*DB_PATH[ \t]*=/{sub(/^[^=]*=[ \t]*/,""); sub(/\r$/,""); print; exit}' "$DATA_DIR/zuvaro3.ini")
fi
[ -n "$DB_PATH" ] || DB_PATH="$DATA_ROOT/ordova/common/ZUVARODB.FDB"
case "$DB_PATH" in
    *:/*) ;; # on a Firebird server: created there by its administrator
    *) if [ ! -f "$DB_PATH" ]; then
           echo "Creating the initial database $DB_PATH"
           "$BUILD_DIR/tools/zuvaro3-initdb/zuvaro3-initdb" "$DB_PATH"
       fi ;;
esac

exec "$BUILD_DIR/zuvaro3" "$@"
