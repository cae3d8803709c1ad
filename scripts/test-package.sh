#!/usr/bin/env bash
# Installs the Debian package of dist/ (scripts/package.sh) into a fresh Debian 12 root made by
# mmdebstrap and runs the installed programs there: the print dialog host renders its dialog
# without a display and the address-book tool answers. Needs root and the Debian mirror of the
# system's apt sources (the package's dependencies come from there), so it is not part of ctest.
set -euo pipefail
root_dir=$(cd "$(dirname "$0")/.." && pwd)
deb=$(ls -t "$root_dir"/dist/directfax_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "No package in dist/: run scripts/package.sh first" >&2; exit 1; }
target=$(mktemp -d)
trap 'rm -rf "$target"' EXIT
# The package, with its dependencies resolved by apt, on top of a minimal bookworm.
mmdebstrap --quiet --variant=apt --include="$deb" bookworm "$target"
run() { chroot "$target" env -i PATH=/usr/bin:/bin HOME=/root XDG_RUNTIME_DIR=/tmp "$@"; }
run /usr/bin/directfax-print --screenshot /tmp/dialog.png
[ -s "$target/tmp/dialog.png" ] || { echo "directfax-print wrote no screenshot" >&2; exit 1; }
run /usr/bin/directfax-addressbook --version
run /usr/bin/directfax-send --version
run dpkg -L directfax | grep -q '^/usr/share/applications/com.velmora.DirectFaxPrint.desktop$'
echo "$(basename "$deb"): installed into a fresh Debian 12 root and runs"
