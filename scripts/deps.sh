#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; only what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libqt6uitools6 libqt6svg6
  # Qt's UiTools CMake package needs the OpenGL widgets files; --no-install-recommends skips them.
  libqt6opengl6-dev
  libcups2-dev libplist-dev libplist++-dev libsqlite3-dev libcpp-httplib-dev nlohmann-json3-dev libssl-dev
  libcurl4-openssl-dev libavahi-client-dev libgtest-dev libgmock-dev googletest libbenchmark-dev
  cups-daemon cups-client cups-ipp-utils cups ghostscript
  # The demo printer's queue on the emulator's FaxOut service: driverless-fax makes its PPD,
  # pdftopdf passes its documents.
  cups-filters
  # The fax filter's tests read its fax pages back with tiffdump and efix.
  libtiff-tools efax
  avahi-daemon avahi-utils dbus dbus-x11 iproute2 procps
  xvfb xauth x11-apps imagemagick sqlite3 fonts-dejavu-core fonts-dejavu-extra locales
  clang libclang-rt-14-dev
  # The install test checks the desktop entry, the AppStream file and the manual pages.
  desktop-file-utils appstream man-db
  # scripts/package.sh (dpkg-shlibdeps) and scripts/test-package.sh (a fresh Debian 12 root).
  dpkg-dev mmdebstrap
  # The whole-process measurements of scripts/bench.sh (bench/process/measure.sh).
  python3 time
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
