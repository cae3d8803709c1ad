#!/bin/sh
# Checks the device emulator's IPP FaxOut service with CUPS's ipptool and our own test file of
# what DirectFax relies on. Usage: faxout-ipptool.sh EMULATOR TEST-FILE DOCUMENT.pdf NOT-A.pdf
set -eu
emulator=$1 testfile=$2 document=$3 garbage=$4
command -v ipptool >/dev/null || { echo "ipptool is not installed (Debian package cups-ipp-utils)"; exit 77; }
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
"$emulator" --faxout-port 0 --outbox "$work/outbox" >"$work/out" 2>"$work/log" &
pid=$!
for _ in $(seq 50); do grep -q '^listening on' "$work/out" && break; sleep 0.1; done
uri=$(sed -n 's/^faxout on //p' "$work/out")
[ -n "$uri" ] || { cat "$work/log"; exit 1; }
ipptool -t -f "$document" -d "garbage=$garbage" "$uri" "$testfile"
# The job the test file sent was filed with its destination and pre-dial string.
# The job the test file sent was filed with its destination and pre-dial string, the broken one not.
grep -q '"uri": "tel:0301234567"' "$work"/outbox/job-*/record.json
grep -q '"preDialString": "9"' "$work"/outbox/job-*/record.json
[ "$(ls "$work/outbox" | wc -l)" = 1 ]
# Another user of this machine is turned away (as root, tried as "nobody").
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
  if setpriv --reuid=nobody --regid=nogroup --clear-groups ipptool -q "$uri" get-printer-attributes.test; then
    echo "another user reached the FaxOut service"; exit 1
  fi
  grep -q 'FaxOut connection refused: it comes from another user' "$work/log"
fi
