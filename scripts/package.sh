#!/usr/bin/env bash
# Builds the Debian package into dist/: a build for the prefix /usr (in build-deb/, or
# $BUILD_DIR), then CPack. Extra arguments go to CMake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-deb}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} \
    -DCMAKE_INSTALL_PREFIX=/usr -DDIRECTFAX_BUILD_TESTS=OFF "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
mkdir -p "$root/dist"
(cd "$build" && cpack -G DEB -B "$root/dist" >/dev/null)
rm -rf "$root/dist/_CPack_Packages"
ls "$root"/dist/*.deb
