#!/usr/bin/env bash
# Installs what is missing, builds, and starts the main job: the print dialog host, which runs
# the demo fax printer (a private CUPS server with a fax queue, and the printer emulator) for as
# long as its dialog is open, unless --printer QUEUE picks a queue of the system's CUPS.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
# Only the main job: the host, and through its dependencies the plug-in, the fax filter, the
# backend and the printer emulator, and the Address Book Editor the panel starts; the tests are
# left to scripts/test.sh.
BUILD_TARGETS="directfax-print directfax-addressbook-editor" "$root/scripts/build.sh"
build=${BUILD_DIR:-$root/build}
# The panel finds the editor of the build tree through its desktop entry there.
export XDG_DATA_DIRS="$build/share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}"
if [ -x "$build/host/directfax-print" ]; then
  exec "$build/host/directfax-print" "$@"
fi
echo "directfax-print was not built" >&2
exit 1
