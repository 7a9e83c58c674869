#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need. Idempotent:
# apt-get update runs only when something is missing. With --tests it also installs what
# only the test suite needs (a Firebird server that the tests start on their own port;
# a shop's PC gets a server only through scripts/server-setup.sh). With --package it also
# installs the Debian packaging tools that scripts/package.sh uses.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-serialport-dev libqt6serialport6 libgl-dev qt6-translations-l10n qt6-multimedia-dev
    libfbclient2 firebird-dev firebird3.0-server-core firebird3.0-utils
    libespeak-ng-dev espeak-ng-data libasound2-dev
    libkakasi2-dev libxlsxwriter-dev
    libxcb1-dev
    librsvg2-bin
    fonts-ipafont-gothic
    socat python3 python3-xlrd python3-openpyxl poppler-utils xvfb xdotool
)

for arg in "$@"; do
    case "$arg" in
        # The package test checks an installed tree: desktop entry, metainfo and manual pages.
        --tests) PACKAGES+=(firebird3.0-server desktop-file-utils appstream man-db) ;;
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
