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
FOLDERS=("$DATA_DIR/log" "$DATA_DIR/rec" "$DATA_DIR/play" "$DATA_DIR/work" "$DATA_ROOT/ordova/common")
# Commands that need the shop's group run through sg until the user logs in again.
AS_GROUP=()
if [ "$(id -u)" -ne 0 ] && ! { mkdir -p "${FOLDERS[@]}" 2>/dev/null && [ -w "$DATA_DIR" ] && [ -w "$DATA_ROOT/ordova/common" ]; }; then
    # The folders are machine-wide and shared by every user of the shop PC: made once with
    # sudo, owned by the group "zuvaro", group-writable, and new files inherit the group.
    echo "Creating the shared folders below $DATA_ROOT/ordova for the group zuvaro (sudo)"
    sudo groupadd -f zuvaro
    sudo mkdir -p "${FOLDERS[@]}"
    sudo chgrp -R zuvaro "$DATA_ROOT/ordova"
    sudo chmod -R g+rwX "$DATA_ROOT/ordova"
    sudo find "$DATA_ROOT/ordova" -type d -exec chmod g+s {} +
    if ! id -nG "$(id -un)" | tr ' ' '\n' | grep -qx zuvaro; then
        sudo usermod -aG zuvaro "$(id -un)"
        echo "$(id -un) was added to the group zuvaro (effective at the next login)."
    fi
fi
if [ "$(id -u)" -ne 0 ] && ! id -nG | tr ' ' '\n' | grep -qx zuvaro && getent group zuvaro >/dev/null &&
    [ "$(stat -c %G "$DATA_DIR")" = zuvaro ]; then
    AS_GROUP=(sg zuvaro -c)
fi
# Runs a command, with the group zuvaro when this session does not have it yet.
run_as_user() {
    if [ ${#AS_GROUP[@]} -gt 0 ]; then
        "${AS_GROUP[@]}" "umask 002; exec $(printf '%q ' "$@")"
    else
        (umask 002; exec "$@")
    fi
}

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
           run_as_user "$BUILD_DIR/tools/zuvaro3-initdb/zuvaro3-initdb" "$DB_PATH"
       fi ;;
esac

if [ ${#AS_GROUP[@]} -gt 0 ]; then
    exec "${AS_GROUP[@]}" "umask 002; exec $(printf '%q ' "$BUILD_DIR/zuvaro3" "$@")"
fi
umask 002
exec "$BUILD_DIR/zuvaro3" "$@"
