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
# Removed only once nothing is mounted in it any more.
trap 'umount "$target/proc" 2>/dev/null; mountpoint -q "$target/proc" || rm -rf "$target"' EXIT
# A minimal bookworm, then the package with its dependencies resolved by apt inside it.
mmdebstrap --quiet --variant=apt \
    --customize-hook="cp '$deb' \"\$1/tmp/directfax.deb\"" \
    --customize-hook='chroot "$1" apt-get install -y -q --no-install-recommends /tmp/directfax.deb' \
    bookworm "$target"
# The programs find their libraries relative to themselves ($ORIGIN), which needs /proc.
mount -t proc proc "$target/proc"
install -d -m 700 "$target/tmp/runtime"
run() { chroot "$target" env -i PATH=/usr/bin:/bin HOME=/root XDG_RUNTIME_DIR=/tmp/runtime "$@"; }
# The dialog without a display, with the plug-in of the package.
log=$(run env QT_LOGGING_RULES=directfax.host.debug=true /usr/bin/directfax-print --screenshot /tmp/dialog.png 2>&1)
echo "$log" | grep -q 'plug-ins loaded: 1 from QList("/usr/lib/[^"]*directfax/plugins") (installed)' \
    || { echo "directfax-print did not load the packaged plug-in: $log" >&2; exit 1; }
[ -s "$target/tmp/dialog.png" ] || { echo "directfax-print wrote no screenshot" >&2; exit 1; }
run /usr/bin/directfax-addressbook --version
run /usr/bin/directfax-send --version
# A text document goes on to the program that draws it: with no server there, the refusal is the
# server's, not a missing program's.
out=$(echo "A fax." | run /usr/bin/directfax-send -P Fax --to A=1 --server 127.0.0.1:1 - 2>&1) || true
echo "$out" | grep -q 'cannot be reached' || { echo "directfax-send did not hand the text on: $out" >&2; exit 1; }
run /usr/bin/directfax-addressbook-editor --version
run dpkg -L directfax | grep -q '^/usr/share/applications/com.velmora.AddressBookEditor.desktop$'
run dpkg -L directfax | grep -q '^/usr/share/applications/com.velmora.DirectFaxPrint.desktop$'
run dpkg -L directfax | grep -q '^/etc/xdg/autostart/com.velmora.DirectFaxFaxAgent.desktop$'
[ "$(stat -c %a "$target/usr/lib/cups/backend/directfax-handover")" = 700 ] \
    || { echo "the fax printer's backend is not 0700" >&2; exit 1; }
echo "$(basename "$deb"): installed into a fresh Debian 12 root and runs"
