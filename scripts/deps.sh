#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need. Idempotent:
# apt-get update runs only when something is missing. With --tests it also installs what
# only the test suite needs (a Firebird server that the tests start on their own port;
# a shop's PC gets a server only through scripts/server-setup.sh). With --package it also
# installs the Debian packaging tools that scripts/package.sh uses.
set -euo pipefail

# shellcheck source=scripts/release.sh
. "$(dirname "$0")/release.sh"

# libminizip-dev: Debian 13's xlsxwriter names minizip in its pkg-config file.
PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-serialport-dev libqt6serialport6 libgl-dev qt6-translations-l10n qt6-multimedia-dev
    qt6-charts-dev
    libfbclient2 firebird-dev "firebird$FB_VERSION-server-core" "firebird$FB_VERSION-utils"
    libespeak-ng-dev espeak-ng-data libasound2-dev
    libkakasi2-dev libxlsxwriter-dev libminizip-dev
    libphonenumber-dev
    libxcb1-dev
    librsvg2-bin
    fonts-ipafont-gothic
    socat python3 python3-xlrd python3-openpyxl poppler-utils xvfb xdotool
)
if [ -n "$QT_OPENGL_DEV" ]; then PACKAGES+=("$QT_OPENGL_DEV"); fi
# The older engine and its backup tool read the database files the older series made,
# for their conversion at start-up and at restore.
if [ -n "$FB_OLD_VERSION" ]; then PACKAGES+=("firebird$FB_OLD_VERSION-server-core" "firebird$FB_OLD_VERSION-utils"); fi

for arg in "$@"; do
    case "$arg" in
        # The package test checks an installed tree: desktop entry, metainfo and manual pages.
        --tests) PACKAGES+=("firebird$FB_VERSION-server" desktop-file-utils appstream man-db) ;;
        --package) PACKAGES+=(debhelper dpkg-dev fakeroot lintian desktop-file-utils appstream man-db) ;;
        *) echo "usage: $0 [--tests] [--package]" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    # A normal user installs through sudo, and sudo alone: sudo drops the caller's
    # environment, so the front end is named on the command it runs.
    SUDO=()
    if [ "$(id -u)" -ne 0 ]; then SUDO=(sudo); fi
    echo "Installing: ${missing[*]}"
    "${SUDO[@]}" apt-get update
    "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi
