#!/bin/sh
# scripts/random-session.sh [--wm openbox|xfwm4|fluxbox] [--monitors 1|2] [--seed N]
#     [--actions N] [--keep-going] [--skip drag|copy|...] [--replay LOG]
# A random session of real input on the sanitizer build (build-test, built if
# needed) under Xvfb, the chosen window manager and a real Chromium.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
wm=openbox
monitors=1
while [ $# -gt 0 ]; do
    case "$1" in
    --wm) wm=$2; shift 2 ;;
    --monitors) monitors=$2; shift 2 ;;
    *) break ;;
    esac
done
if [ ! -f build-test/build.ninja ]; then
    cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKURUMIN_SANITIZE=ON -DKURUMIN_WERROR=ON
fi
cmake --build build-test --target kurumin
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
KURUMIN_WM=$wm KURUMIN_MONITORS=$monitors exec tests/desktop-session.sh \
    /usr/bin/python3 tests/e2e/random_session.py build-test/bin/kurumin "$@"
