#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks in release mode and runs them.
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
