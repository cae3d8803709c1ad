#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ (or $FUZZ_BUILD_DIR) and runs each for
# SECONDS (default 60) on its seed corpus. New inputs go to build-fuzz/corpus/NAME, crashes to
# build-fuzz/artifacts/. Usage: ./scripts/fuzz.sh [SECONDS] [NAME...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-60}
shift || true
fuzzers=("$@")
[ ${#fuzzers[@]} -gt 0 ] || fuzzers=(fuzz_base64 fuzz_device_reply fuzz_addressbook_file fuzz_property_list
                                     fuzz_fax_record fuzz_csv fuzz_vcard)

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDIRECTFAX_FUZZ=ON -DDIRECTFAX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${fuzzers[@]}"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$build/artifacts" "$build/tmp"
# The address-book fuzzer keeps an empty file below TMPDIR (its input is read from memory).
export TMPDIR="$build/tmp"
for fuzzer in "${fuzzers[@]}"; do
    name=${fuzzer#fuzz_}
    mkdir -p "$build/corpus/$name"
    echo "== $fuzzer for ${seconds}s"
    # The first folder collects what the run finds; the seeds of the tree are only read.
    # Standard error of the code under test (its failure lines) is closed; reports still show.
    "$build/fuzz/$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -close_fd_mask=2 -print_final_stats=1 -artifact_prefix="$build/artifacts/$name-" \
        "$build/corpus/$name" "$root/fuzz/corpus/$name"
done
