#!/bin/sh
# scripts/bench.sh BUILD_DIR...
# Runs the benchmarks of each build folder, one at a time, each on a private
# display of its own, and prints their figures under the folder's name.
# Build the folders optimised first (see the README's Benchmarks section).
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
session="$top/tests/desktop-session.sh"

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
    # The session's own chatter (Xvfb, the bus) is not a figure.
    out=$("$session" "$@" 2>"$log") || {
        echo "  $label: failed; its errors:"
        sed 's/^/    /' "$log"
        status=1
    }
    printf '%s\n' "$out" | sed "/^\$/d; s/^/  $label: /"
}

log=$(mktemp)
trap 'rm -f "$log"' EXIT INT TERM
for dir in "$@"; do
    dir=$(cd "$dir" 2>/dev/null && pwd) || {
        echo "bench: no folder $dir" >&2
        status=1
        continue
    }
    echo "== $dir"
    start=$(date +%s)
    run startup "$dir/bin/bench_startup" "$dir/bin/kurumin"
    run clipboard "$dir/bin/bench_clipboard_latency"
    run chromium "$dir/bin/bench_chromium"
    echo "  ($(($(date +%s) - start)) s)"
done
exit "$status"
