# Sourced by the other scripts: what differs between the Debian releases we support.
#   DEBIAN_RELEASE  12 or 13 (a later or unnamed release counts as 13)
#   FB_VERSION      the Firebird series the release builds against and serves with (3.0, 4.0)
#   FB_OLD_VERSION  an older series the release still ships, whose tools read the older
#                   database files (empty when there is none)
#   FB_CONF_DIR     the server's configuration folder; FB_DATA_DIR its database folder
#   FB_SERVICE      the server's service name
#   QT_OPENGL_DEV   the package with Qt's OpenGL build files, which Qt Charts needs (on 13
#                   qt6-base-dev holds them)
# shellcheck shell=bash
DEBIAN_RELEASE=13
if [ -r /etc/os-release ]; then
    # shellcheck disable=SC1091
    case "$(. /etc/os-release && echo "${VERSION_ID:-}:${VERSION_CODENAME:-}")" in
        12:* | *:bookworm) DEBIAN_RELEASE=12 ;;
    esac
fi
if [ "$DEBIAN_RELEASE" = 12 ]; then
    FB_VERSION=3.0
    FB_OLD_VERSION=
    QT_OPENGL_DEV=libqt6opengl6-dev
else
    FB_VERSION=4.0
    FB_OLD_VERSION=3.0
    QT_OPENGL_DEV=
fi
FB_CONF_DIR=/etc/firebird/$FB_VERSION
FB_DATA_DIR=/var/lib/firebird/$FB_VERSION/data
FB_SERVICE=firebird$FB_VERSION
