#!/usr/bin/env bash
# Whole-process measurements, each against servers of the build tree measured:
#   - the print dialog from start to the rendered Fax Settings view (a screenshot), with the fax
#     queue alone on the server and with 263 queues;
#   - directfax-send of a 1-page PDF against lp submitting it with the same fax-record options,
#     the queue stopped so that only the submitting is timed (time and peak memory);
#   - directfax-send of a 3-page PDF until the printer has filed the fax (its outbox polled every
#     5 ms), and the fax filter's rendering of those pages against ghostscript's own tiffg3.
# Usage: measure.sh BUILD_DIR [BASELINE_BUILD_DIR]; with a baseline, both trees are measured in
# the same run, the baseline first. Each pair of commands compared is run in alternating pairs
# (paired.py): medians, and the median of the pairs' ratios; RUNS sets the number of pairs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
runs=${RUNS:-15}
work=$(mktemp -d)
chmod 700 "$work"
pids=()
inputs=()
# Closing their input ends the servers; they stop their scheduler and emulator.
stop_servers() {
  for fd in "${inputs[@]}"; do exec {fd}>&-; done
  for p in "${pids[@]}"; do wait "$p" || true; done
  pids=()
  inputs=()
}
cleanup() {
  stop_servers
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen
mkdir -m 700 -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"
one_page=$root/tests/fixtures/fax/a4-filled.pdf
three_pages=$root/tests/fixtures/fax/three-pages.pdf

paired() { "$here/paired.py" "$@"; }
peak_kb() { # median peak resident memory of 7 runs of the command
  for _ in 1 2 3 4 5 6 7; do /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; done | sort -n | sed -n 4p
}

# Starts the servers of build $1 with $2 queues; sets CUPS_SERVER, QUEUE, OUTBOX.
start_server() {
  local fifo=$work/server-$RANDOM
  mkfifo "$fifo.in" "$fifo.out"
  "$1/bench/directfax-bench-server" --queues "$2" <"$fifo.in" >"$fifo.out" &
  pids+=($!)
  local keep
  exec {keep}>"$fifo.in"
  inputs+=("$keep")
  local line
  while read -r line; do
    case $line in CUPS_SERVER=*|QUEUE=*|OUTBOX=*) eval "$line" ;; esac
    [ -n "${OUTBOX:-}" ] && break
  done <"$fifo.out"
  export CUPS_SERVER QUEUE OUTBOX
}

measure() {
  local build=$1 label=$2
  echo "== $label ($build)"
  unset OUTBOX
  start_server "$build" 1
  local one=$CUPS_SERVER outbox=$OUTBOX
  unset OUTBOX
  start_server "$build" 263
  local many=$CUPS_SERVER queue=$QUEUE
  local dialog=("$build/host/directfax-print" --printer "$queue" --screenshot "$work/shot.png")
  local d1 d263 r
  read -r d263 d1 r < <(paired "$runs" 2 "env CUPS_SERVER=$many ${dialog[*]}" "env CUPS_SERVER=$one ${dialog[*]}")
  echo "print dialog to rendered: 1 queue $d1 ms, 263 queues $d263 ms: ${r}x"

  export CUPS_SERVER=$one
  local send=("$build/tools/send/directfax-send" --printer "$queue" --to "Bench=0123456")
  cupsdisable "$queue"
  local job
  job=$("${send[@]}" "$one_page")
  mapfile -t record < <("$build/bench/directfax-bench-server" --record "$job")
  local lp=(lp -d "$queue" "${record[@]}")
  local s l
  read -r s l r < <(paired "$runs" 2 "${send[*]} $one_page" "${lp[*]} $one_page")
  echo "1-page PDF: directfax-send $s ms, lp $l ms: ${r}x;" \
    "peak $(peak_kb "${send[@]}" "$one_page") kB against $(peak_kb "${lp[@]}" "$one_page") kB"
  cancel -a "$queue"
  cupsenable "$queue"

  # From the start of directfax-send to the fax in the printer's outbox.
  local times=() before start
  for _ in $(seq "${SEND_RUNS:-7}"); do
    before=$(find "$outbox" -type f | wc -l)
    start=$(date +%s%N)
    "${send[@]}" "$three_pages" >/dev/null
    until [ "$(find "$outbox" -type f | wc -l)" -gt "$before" ]; do
      [ $(($(date +%s%N) - start)) -lt 60000000000 ] || { echo "the fax was not filed within 60 s" >&2; exit 1; }
      sleep 0.005
    done
    times+=($((($(date +%s%N) - start) / 1000000)))
  done
  echo "3-page send until filed by the printer: $(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((${#times[@]} + 1) / 2))p") ms" \
    "(runs: ${times[*]})"
  # The fax filter run as the scheduler runs it, against ghostscript's own tiffg3 rendering.
  local p=com.velmora.cps.print.printsettings.
  local options="${p}DFaxPassword= ${p}DFaxDelayedPrint=0 ${p}DFaxDelayedTime=07:00 ${p}DFaxDestinationNumber=1"
  options+=" ${p}DFaxDestinationName1=Zoe ${p}DFaxDestinationPhoneNumber1=0301 VMFaxImageQuality=Fine"
  mkdir -p "$work/filter"
  local f g
  read -r f g r < <(paired "${SEND_RUNS:-7}" 1 \
    "env -i PPD=$root/host/samples/DirectFaxSample.ppd TMPDIR=$work/filter PATH=$PATH $build/tools/fax-filter/directfax-fax-filter 7 bench title 1 '$options' $three_pages" \
    "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=tiffg3 -r204x196 -sOutputFile=$work/plain.tif $three_pages")
  echo "3 pages rendered: fax filter $f ms, plain gs tiffg3 $g ms: ${r}x"
  stop_servers
}

[ $# -ge 2 ] && measure "$2" baseline
measure "$1" "this tree"
