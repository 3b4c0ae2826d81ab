#!/bin/sh
# Runs a command on a private X display of its own: Xvfb, a window manager
# for focus and stacking, and a session bus for the accessibility interface.
# KURUMIN_WM picks the window manager: openbox (default), xfwm4 or fluxbox.
# KURUMIN_MONITORS=2 splits the screen into two monitors side by side, the
# primary one on the right, where a panel that assumes one desktop goes wrong.
set -eu
. "$(dirname "$0")/session-wait.sh"

dir=$(mktemp -d)
cleanup() {
    [ -n "${wm:-}" ] && kill -- "-$wm" 2>/dev/null || true
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT INT TERM

Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp -noreset 3>"$dir/display" 2>"$dir/xvfb.log" &
xvfb=$!
await 200 "$xvfb" test -s "$dir/display" || {
    echo "desktop-session: Xvfb did not start" >&2
    cat "$dir/xvfb.log" >&2
    exit 1
}
DISPLAY=:$(head -n 1 "$dir/display")
export DISPLAY
unset WAYLAND_DISPLAY

if [ "${KURUMIN_MONITORS:-1}" = 2 ]; then
    xrandr --setmonitor left 800/211x1000/264+0+0 none >/dev/null
    xrandr --setmonitor right 800/211x1000/264+800+0 screen >/dev/null
    xrandr --output screen --primary
fi

# Each window manager in a process group of its own, ended with what it started:
# xfwm4 reads its settings over a session bus of its own, without the
# accessibility bridge, whose bus address on the root window would hide ours.
case "${KURUMIN_WM:-openbox}" in
openbox) setsid openbox --sm-disable >/dev/null 2>&1 & ;;
xfwm4) NO_AT_BRIDGE=1 setsid dbus-run-session -- xfwm4 --compositor=off --sm-client-disable >/dev/null 2>&1 & ;;
fluxbox) HOME="$dir" setsid fluxbox >/dev/null 2>&1 & ;;
*) echo "desktop-session: unknown window manager $KURUMIN_WM" >&2; exit 2 ;;
esac
wm=$!
# Give the window manager a moment to own the screen; without it nothing
# comes to the front, which a run's waits should not be left to find out.
wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
await 100 "" wm_up || echo "desktop-session: no window manager after 5 s, going on" >&2

# A runtime folder of its own: the single-instance lock of a Kurumin the
# developer is running must not meet the one under test.
mkdir -m 700 "$dir/runtime"
export XDG_RUNTIME_DIR="$dir/runtime"
export QT_QPA_PLATFORM=xcb
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export NO_AT_BRIDGE=0
dbus-run-session -- "$@"
