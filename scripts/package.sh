#!/usr/bin/env bash
# Builds the Debian package for the release this machine runs: installs the build and
# packaging tools, builds a copy of this tree with dpkg-buildpackage (a full Release build)
# and leaves dist/zuvaro3_<version>~deb<release>_<arch>.deb, then shows what lintian says
# about it. --release 12 or --release 13 names the release; one other than this machine's
# is built in the Debian 13 system of scripts/test-debian13.sh (Debian 13 only, as root).
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/release.sh
. scripts/release.sh

case "${1:-}" in
    "") ;;
    --release)
        if [ "${2:-}" != "$DEBIAN_RELEASE" ]; then
            if [ "${2:-}" = 13 ]; then exec scripts/test-debian13.sh --package; fi
            echo "package.sh: Debian ${2:-?} packages are built on Debian ${2:-?} (this is Debian $DEBIAN_RELEASE)" >&2
            exit 2
        fi ;;
    *) echo "usage: $0 [--release 12|13]" >&2; exit 2 ;;
esac
scripts/deps.sh --package

version=$(sed -n 's/^project(zuvaro3 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
changelog=$(dpkg-parsechangelog -S Version)
if [ "$version" != "$changelog" ]; then
    echo "debian/changelog says $changelog, CMakeLists.txt $version: add a changelog entry (dch -v $version)" >&2
    exit 1
fi

# dpkg-buildpackage writes into the tree and its parent: it works on a copy below build-package.
work=build-package
rm -rf "$work"
mkdir -p "$work/zuvaro3-$version" dist
tar --exclude=./.git --exclude='./build*' --exclude=./dist --exclude='./obj-*' -cf - . | tar -xf - -C "$work/zuvaro3-$version"
# The two releases' packages differ (libraries, engine): the version says which one it is.
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-unstable}")
debversion="$version~deb$DEBIAN_RELEASE"
sed -i "1s/^zuvaro3 ($version) [a-z-]*;/zuvaro3 ($debversion) $codename;/" "$work/zuvaro3-$version/debian/changelog"
# A repeated build compiles only what changed when ccache is at hand.
if command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD/$work}
fi
(cd "$work/zuvaro3-$version" && dpkg-buildpackage -us -uc -b)

arch=$(dpkg-architecture -qDEB_HOST_ARCH)
deb="zuvaro3_${debversion}_${arch}.deb"
echo "== lintian"
lintian --fail-on error "$work/zuvaro3_${debversion}_${arch}.changes" || { echo "lintian found errors" >&2; exit 1; }
mv "$work/$deb" dist/
echo "Built dist/$deb"
