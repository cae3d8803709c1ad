#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test, then each fuzzer for a short
# while on its corpus (FUZZ_SECONDS, default 20; 0 skips them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" -DDIRECTFAX_BUILD_TESTS=ON
export QT_QPA_PLATFORM=offscreen
# Headless Qt wants a private runtime folder; the tests make their own data folders.
XDG_RUNTIME_DIR=$(mktemp -d)
chmod 700 "$XDG_RUNTIME_DIR"
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
cd "${BUILD_DIR:-$root/build}"
ctest --output-on-failure -j"$(nproc)" --timeout 300 --no-tests=error
fuzz_seconds=${FUZZ_SECONDS:-20}
if [ "$fuzz_seconds" -gt 0 ]; then
    "$root/scripts/fuzz.sh" "$fuzz_seconds"
fi
