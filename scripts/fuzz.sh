#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ (or $FUZZ_BUILD_DIR) and runs each for
# SECONDS (default 60) on its seed corpus, as many at once as there are processors. New inputs go
# to build-fuzz/corpus/NAME, crashes to build-fuzz/artifacts/, each run's output to
# build-fuzz/logs/NAME.log. Usage: ./scripts/fuzz.sh [SECONDS] [NAME...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-60}
shift || true
fuzzers=("$@")
[ ${#fuzzers[@]} -gt 0 ] || fuzzers=(fuzz_base64 fuzz_device_reply fuzz_addressbook_file fuzz_property_list
                                     fuzz_fax_record fuzz_csv fuzz_vcard fuzz_ppd_file)

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDIRECTFAX_FUZZ=ON -DDIRECTFAX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${fuzzers[@]}"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$build/artifacts" "$build/tmp"
# The address-book fuzzer keeps an empty file below TMPDIR (its input is read from memory).
export TMPDIR="$build/tmp"
# As many at once as there are processors; each one's output is shown when it ends.
mkdir -p "$build/logs"
run_fuzzer() {
    local fuzzer=$1 name=${1#fuzz_}
    local log="$build/logs/$name.log"
    mkdir -p "$build/corpus/$name"
    # The first folder collects what the run finds; the seeds of the tree are only read.
    # Standard error of the code under test (its failure lines) is closed; reports still show.
    if "$build/fuzz/$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -close_fd_mask=2 -print_final_stats=1 -artifact_prefix="$build/artifacts/$name-" \
        "$build/corpus/$name" "$root/fuzz/corpus/$name" >"$log" 2>&1; then
        echo "== $fuzzer for ${seconds}s: $(grep -E '^Done ' "$log" | tail -1)"
        echo 0 >"$log.status"
    else
        echo "== $fuzzer FAILED"
        cat "$log"
        echo 1 >"$log.status"
    fi
}
rm -f "$build"/logs/*.status
for fuzzer in "${fuzzers[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n || true; done
    run_fuzzer "$fuzzer" &
done
wait
for fuzzer in "${fuzzers[@]}"; do
    [ "$(cat "$build/logs/${fuzzer#fuzz_}.log.status" 2>/dev/null)" = 0 ] || exit 1
done
