#!/bin/sh
# scripts/bench.sh BUILD_DIR...
# Runs every benchmark of each build folder, one at a time, each on a private
# display of its own, and prints their figures under the folder's name.
# Build the folders optimised first (see the README's Benchmarks section).
# BENCH_TIMEOUT (seconds, default 600) bounds each program: one that hangs is
# stopped and reported, and the run goes on.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
session="$top/tests/desktop-session.sh"
limit=${BENCH_TIMEOUT:-600}

if [ "$#" -eq 0 ]; then
    echo "usage: $0 BUILD_DIR..." >&2
    exit 2
fi

status=0
run() { # label, program and arguments
    label=$1
    shift
    if [ ! -x "$1" ]; then
        echo "  $label: missing $1"
        status=1
        return
    fi
    # Into files, not a pipe: a process the program leaves behind holding
    # its output would keep a pipe open, and the run waiting, for ever.
    code=0
    timeout -k 10 "$limit" "$session" "$@" >"$out" 2>"$log" || code=$?
    sed "/^\$/d; /^SpiRegistry daemon/d; s/^/  $label: /" "$out"
    case $code in
    0) ;;
    124 | 137)
        echo "  $label: no end after $limit s, stopped; its last errors:"
        grep -v '^dbus-daemon\[' "$log" | tail -n 20 | sed 's/^/    /'
        status=1
        ;;
    *)
        # The session's own chatter (Xvfb, the bus) is not worth reading.
        echo "  $label: failed ($code); its errors:"
        grep -v '^dbus-daemon\[' "$log" | sed 's/^/    /'
        status=1
        ;;
    esac
}

out=$(mktemp)
log=$(mktemp)
trap 'rm -f "$out" "$log"' EXIT INT TERM
for arg in "$@"; do
    dir=$(cd "$arg" 2>/dev/null && pwd) || {
        echo "bench: no folder $arg" >&2
        status=1
        continue
    }
    echo "== $dir"
    start=$(date +%s)
    bin=$dir/bin
    run startup "$bin/bench_startup" "$bin/kurumin"
    run idle "$bin/bench_idle" "$bin/kurumin" 30
    run clipboard "$bin/bench_clipboard_latency"
    run memory "$bin/bench_copies_memory"
    run chromium "$bin/bench_chromium"
    run capture "$bin/bench_capture" 100 50 # the same counts for every folder
    run capture-firefox "$bin/bench_capture" 100 50 firefox
    run hostile "$bin/bench_hostile_peer" frame
    run hostile "$bin/bench_hostile_peer" fragments
    echo "  ($(($(date +%s) - start)) s)"
done
exit "$status"
