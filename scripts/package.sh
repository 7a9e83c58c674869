#!/usr/bin/env bash
# Builds the Debian package: installs the build and packaging tools, builds a copy of this
# tree with dpkg-buildpackage (a full Release build) and leaves
# dist/zuvaro3_<version>_<arch>.deb, then shows what lintian says about it.
set -euo pipefail
cd "$(dirname "$0")/.."
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
# A repeated build compiles only what changed when ccache is at hand.
if command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD/$work}
fi
(cd "$work/zuvaro3-$version" && dpkg-buildpackage -us -uc -b)

arch=$(dpkg-architecture -qDEB_HOST_ARCH)
deb="zuvaro3_${version}_${arch}.deb"
echo "== lintian"
lintian --fail-on error "$work/zuvaro3_${version}_${arch}.changes" || { echo "lintian found errors" >&2; exit 1; }
mv "$work/$deb" dist/
echo "Built dist/$deb"
