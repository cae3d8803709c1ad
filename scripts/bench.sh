#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks in release mode and runs them, then the
# whole-process measurements (bench/process/measure.sh; BENCH_BASELINE names a second build tree
# to measure in the same run, for before-and-after figures).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
export BUILD_DIR=${BUILD_DIR:-$root/build-bench}
BUILD_TYPE=Release "$root/scripts/build.sh" -DDIRECTFAX_BUILD_BENCHMARKS=ON -DDIRECTFAX_BUILD_TESTS=OFF
for b in "$BUILD_DIR"/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_counters_tabular=true "$@"
done
echo "== whole-process measurements"
"$root/bench/process/measure.sh" "$BUILD_DIR" ${BENCH_BASELINE:+"$BENCH_BASELINE"}
