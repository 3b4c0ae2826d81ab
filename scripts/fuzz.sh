#!/bin/sh
# scripts/fuzz.sh [N] [target...]   build build-fuzz if needed, then run each
# fuzzer N runs (default 10000) over a copy of its seed corpus, so that the
# inputs it finds stay out of the repository. FUZZ_JOBS=J runs J jobs in parallel.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
runs=${1:-10000}
[ $# -gt 0 ] && shift
targets=${*:-"profile watcher port_file cdp bidi history"}
dir=build-fuzz

if [ ! -f "$dir/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DKURUMIN_FUZZ=ON \
        -DKURUMIN_TESTS=OFF -DKURUMIN_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$dir" -j2 --target kurumin_fuzzers

export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for t in $targets; do
    mkdir -p "$work/$t"
    cp fuzz/corpus/"$t"/* "$work/$t"/
    echo "fuzz: $t, $runs runs"
    (cd "$work" && "$top/$dir/fuzz/fuzz_$t" -runs="$runs" -max_len=4096 \
        ${FUZZ_JOBS:+-jobs=$FUZZ_JOBS -workers=$FUZZ_JOBS} -print_final_stats=1 "$work/$t" \
        2>"$work/$t.log") || {
        tail -60 "$work/$t.log" >&2
        ls "$work"/crash-* "$work"/leak-* "$work"/timeout-* 2>/dev/null >&2 || true
        echo "fuzz: $t FAILED; the input is in the log above" >&2
        exit 1
    }
    grep -E 'stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb' \
        "$work/$t.log" | sed "s/^/fuzz: $t /"
done
