#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves it elsewhere (the install is relocatable)
# and runs the installed programs from there: the print dialog host must find its plug-in and
# sample printer in the installed tree, not in the build tree. The desktop entry, the AppStream
# description and the manual pages must pass their checkers.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/first" >/dev/null
mv "$work/first" "$work/moved"
prefix=$work/moved

log=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u DIRECTFAX_PLUGIN_PATH \
      QT_LOGGING_RULES="directfax.host.debug=true" XDG_RUNTIME_DIR="$work" \
      "$prefix/bin/directfax-print" --screenshot "$work/dialog.png" 2>&1)
echo "$log" | grep -q "plug-ins loaded: 1 from QList(\"$prefix/lib[^\"]*/directfax/plugins\") (installed)" \
    || { echo "the installed host did not load the installed plug-in: $log"; exit 1; }
[ -s "$work/dialog.png" ] || { echo "no screenshot"; exit 1; }
"$prefix/bin/directfax-addressbook" --version | grep -q "^directfax-addressbook "
"$prefix/bin/directfax-send" --version | grep -q "^directfax-send "
env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/directfax-addressbook-editor" --version \
    | grep -q "^directfax-addressbook-editor "

for id in com.velmora.DirectFaxPrint com.velmora.AddressBookEditor; do
    desktop-file-validate "$prefix/share/applications/$id.desktop"
    appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null
done
desktop-file-validate "$prefix/etc/xdg/autostart/com.velmora.DirectFaxFaxAgent.desktop"
"$prefix/bin/directfax-fax-agent" --version | grep -q "^directfax-fax-agent "
# CUPS runs the fax printer's backend as root only when no one else may run it.
[ "$(stat -c %a "$prefix/lib/cups/backend/directfax-handover")" = 700 ] \
    || { echo "the fax printer's backend is not 0700"; exit 1; }
for page in "$prefix"/share/man/man*/*; do
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "$page: $warnings"; exit 1; }
done
for completion in "$prefix"/share/bash-completion/completions/*; do
    bash -n "$completion"
done
echo "installed and relocated: ok"
