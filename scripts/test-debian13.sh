#!/usr/bin/env bash
# Runs the whole suite on Debian 13 from a Debian 12 (or any Debian) machine: a Debian 13
# system made with debootstrap, kept between runs outside the tree and made anew when it
# is older than a week, gets a copy of this tree, and scripts/test.sh runs there as root
# (a Release build with warnings as errors, which also proves the tests compile without
# assertions). Arguments go to ctest.
#   scripts/test-debian13.sh [ctest arguments]
#   scripts/test-debian13.sh --package   builds the Debian 13 package there (scripts/package.sh)
#   scripts/test-debian13.sh --shell     a shell in the copy, for a look around
# Environment: ZUVARO_DEBIAN13_DIR (default /var/cache/zuvaro3/debian13: the system, its
# compiler cache and the lock), DEBIAN_MIRROR (default http://deb.debian.org/debian).
set -euo pipefail
cd "$(dirname "$0")/.."
TREE=$PWD

if [ "$(id -u)" -ne 0 ]; then
    echo "test-debian13.sh: debootstrap, chroot and mount need root: sudo scripts/test-debian13.sh" >&2
    exit 1
fi

MODE=test
case "${1:-}" in
    --package) MODE=package; shift ;;
    --shell) MODE=shell; shift ;;
esac

BASE=${ZUVARO_DEBIAN13_DIR:-/var/cache/zuvaro3/debian13}
MIRROR=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
ROOT=$BASE/root
STAMP=$BASE/made
COPY=/work/zuvaro3
mkdir -p "$BASE/ccache"

# One run at a time on this machine: they share the system and the copy in it. The lock is
# not handed to what runs inside, so a program a test leaves hanging does not hold it.
exec 9>"$BASE/lock"
if ! flock -n 9; then
    echo "Waiting for another run of test-debian13.sh to end"
    flock 9
fi

if ! command -v debootstrap >/dev/null; then
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends debootstrap
fi

mounted=()
cleanup() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount -R "${mounted[i]}" 2>/dev/null || umount -R -l "${mounted[i]}" || true
    done
    mounted=()
}
trap cleanup EXIT
trap 'exit 130' INT TERM
mount_in() { # type-or-bind source target
    mkdir -p "$3"
    if [ "$1" = bind ]; then mount --rbind "$2" "$3" && mount --make-rslave "$3"; else mount -t "$1" "$2" "$3"; fi
    mounted+=("$3")
}

# A system older than a week is made anew: Debian 13 moves on with point releases.
if [ ! -f "$STAMP" ] || [ -n "$(find "$STAMP" -mtime +6)" ] || [ ! -x "$ROOT/bin/bash" ]; then
    if findmnt -rno TARGET | grep -q "^$ROOT/"; then
        echo "test-debian13.sh: something is still mounted below $ROOT" >&2
        exit 1
    fi
    echo "== Making a Debian 13 system in $ROOT"
    rm -rf "$ROOT.new"
    debootstrap --variant=minbase --keyring=/usr/share/keyrings/debian-archive-keyring.gpg \
        trixie "$ROOT.new" "$MIRROR"
    rm -rf "$ROOT" "$STAMP"
    mv "$ROOT.new" "$ROOT"
    touch "$STAMP"
fi

mount_in proc proc "$ROOT/proc"
mount_in bind /sys "$ROOT/sys"
mount_in bind /dev/ "$ROOT/dev"
mount_in tmpfs shm "$ROOT/dev/shm"
mount_in bind "$BASE/ccache" "$ROOT/var/cache/ccache"
cp /etc/resolv.conf "$ROOT/etc/resolv.conf"

# The tree as git knows it (with changes not yet committed), not its build folders; the
# copy's build folder stays for the next run, the compiler cache makes it quick. Every file
# is taken as changed now (tar -m): a file's own time may be older than the object built from
# its earlier content, and the build would keep that object.
echo "== Copying the tree to $ROOT$COPY"
mkdir -p "$ROOT$COPY"
find "$ROOT$COPY" -mindepth 1 -maxdepth 1 ! -name 'build-test' ! -name 'build-package' -exec rm -rf {} +
git -C "$TREE" ls-files -z --cached --others --exclude-standard |
    (cd "$TREE" && xargs -0 -r sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh) |
    tar -C "$TREE" --null -T - -cf - | tar -C "$ROOT$COPY" -xmf -

in_root() {
    chroot "$ROOT" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" CCACHE_DIR=/var/cache/ccache \
        CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache "$@" 9>&-
}
in_root bash -c 'command -v ccache >/dev/null && command -v git >/dev/null || {
    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends ccache git ca-certificates; }'

case "$MODE" in
    test) in_root BUILD_TYPE=Release bash -c 'cd "$0" && scripts/test.sh "$@"' "$COPY" "$@" ;;
    package)
        in_root bash -c 'cd "$0" && scripts/package.sh' "$COPY"
        mkdir -p dist
        cp -v "$ROOT$COPY"/dist/*~deb13_*.deb dist/
        ;;
    shell) in_root bash -c 'cd "$0" && exec bash -i' "$COPY" ;;
esac
