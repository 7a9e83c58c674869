#!/usr/bin/env bash
# Makes this PC the shop's database server, so that several PCs share one database:
#   - installs the Firebird server and lets it listen on the network (Debian binds it to
#     localhost only),
#   - creates a login of the program's own (ZUVARO) with a generated password, kept in
#     zuvaro.password in the server's configuration folder (/etc/firebird/3.0 on Debian 12,
#     /etc/firebird/4.0 on Debian 13; readable by root only),
#   - creates the database, owned by the server's account and by that login, which has every
#     right on this database and none on any other,
#   - prints the lines to put into zuvaro3.ini on every PC.
# Run as root. Running it again changes nothing and prints the same lines.
#
# Environment: ZUVARO_SERVER_DB (the database file, default ZUVARODB.FDB in the server's
# database folder: /var/lib/firebird/3.0/data on Debian 12, /var/lib/firebird/4.0/data on 13,
# where a database left in the 3.0 folder by the system upgrade is used and converted),
# ZUVARO_SERVER_HOST (the name or address the PCs use, default this PC's first address).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
    echo "server-setup.sh: run it as root, for example: sudo scripts/server-setup.sh" >&2
    exit 1
fi

# shellcheck source=scripts/release.sh
. scripts/release.sh
DB_FILE=${ZUVARO_SERVER_DB:-$FB_DATA_DIR/ZUVARODB.FDB}
DB_USER=ZUVARO
CONF=$FB_CONF_DIR/firebird.conf
SECRET=$FB_CONF_DIR/zuvaro.password
SYSDBA_FILE=$FB_CONF_DIR/SYSDBA.password
# After the upgrade to Debian 13 the database the older server kept stays at its path (the
# PCs' settings name it) and is converted below.
OLD_DB_FILE=/var/lib/firebird/$FB_OLD_VERSION/data/ZUVARODB.FDB
if [ -z "${ZUVARO_SERVER_DB:-}" ] && [ -n "$FB_OLD_VERSION" ] && [ ! -f "$DB_FILE" ] && [ -f "$OLD_DB_FILE" ]; then
    DB_FILE=$OLD_DB_FILE
fi

scripts/deps.sh
if ! dpkg-query -W -f='${Status}' "firebird$FB_VERSION-server" 2>/dev/null | grep -q "install ok installed"; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "firebird$FB_VERSION-server"
fi

# The tool that creates the database.
BUILD_DIR=${BUILD_DIR:-build}
INITDB="$BUILD_DIR/tools/zuvaro3-initdb/zuvaro3-initdb"
if [ ! -x "$INITDB" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUVARO_BUILD_TESTS=OFF -DZUVARO_BUILD_BENCH=OFF
    cmake --build "$BUILD_DIR" -j2 --target zuvaro3-initdb
fi

# Listen on the network, not only on localhost.
changed=0
if grep -Eq '^[[:space:]]*RemoteBindAddress[[:space:]]*=' "$CONF"; then
    sed -i -E 's/^([[:space:]]*RemoteBindAddress[[:space:]]*=.*)$/#\1  # commented out by zuvaro server-setup/' "$CONF"
    changed=1
fi

server_running() { pgrep -x firebird >/dev/null 2>&1; }
start_server() {
    if [ -d /run/systemd/system ]; then
        systemctl enable "$FB_SERVICE" >/dev/null 2>&1 || true
        if [ "$changed" -eq 1 ]; then systemctl restart "$FB_SERVICE"; else systemctl start "$FB_SERVICE"; fi
    else
        if [ "$changed" -eq 1 ] && server_running; then service "$FB_SERVICE" stop || true; fi
        server_running || service "$FB_SERVICE" start
    fi
    for _ in $(seq 1 50); do
        if (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; then return 0; fi
        sleep 0.2
    done
    echo "server-setup.sh: the Firebird server does not answer on port 3050" >&2
    exit 1
}
start_server

# The program's own login, with a password generated once.
if [ ! -s "$SECRET" ]; then
    umask 077
    head -c 18 /dev/urandom | base64 | tr -d '/+=' > "$SECRET"
fi
chmod 600 "$SECRET"
PASSWORD=$(cat "$SECRET")
# shellcheck disable=SC1090
ISC_PASSWORD=$(. "$SYSDBA_FILE" && echo "$ISC_PASSWORD")
# The database: created through the embedded engine as the server's account, with a lock
# folder of its own so it never leaves files the server cannot open.
LOCK_DIR=$(mktemp -d)
chown firebird:firebird "$LOCK_DIR"
if [ ! -f "$DB_FILE" ]; then
    mkdir -p "$(dirname "$DB_FILE")"
    chown firebird:firebird "$(dirname "$DB_FILE")"
    runuser -u firebird -- env FIREBIRD_LOCK="$LOCK_DIR" "$INITDB" --owner "$DB_USER" "$DB_FILE"
elif [ -n "$FB_OLD_VERSION" ]; then
    # A database of the older on-disk structure (a Debian 12 server's), which this server
    # cannot open, is converted in one step; a current one is left as it is.
    runuser -u firebird -- env FIREBIRD_LOCK="$LOCK_DIR" "$INITDB" --convert "$DB_FILE"
fi
rm -rf "$LOCK_DIR"
chown firebird:firebird "$DB_FILE"
chmod 660 "$DB_FILE"

# The login is managed through any database of the server (the security database itself
# takes no remote connections); "create or alter" with the stored password leaves a second
# run's login as it was. The administrator's password goes through the environment, which
# other users cannot read (unlike a command line, which every local user sees in ps).
printf "create or alter user %s password '%s' using plugin Srp;\ncommit;\n" "$DB_USER" "$PASSWORD" |
    ISC_USER=SYSDBA ISC_PASSWORD="$ISC_PASSWORD" isql-fb -q "localhost:$DB_FILE"


HOST=${ZUVARO_SERVER_HOST:-$(hostname -I 2>/dev/null | awk '{print $1}')}
[ -n "$HOST" ] || HOST=$(hostname)
cat <<EOF

The database server is ready. Put these lines into zuvaro3.ini on every PC
(section [ZUVARO_DB]; the file is in the data folder, /var/lib/ordova/zuvaro3 by default):

[ZUVARO_DB]
DB_PATH=$HOST:$DB_FILE
DB_USER=$DB_USER
DB_PASSWORD=$PASSWORD
EOF
