#!/bin/sh
# Runs a command in a Wayland session of its own: sway on its headless
# backend with Xwayland, as Debian's desktops run X programs, and a session
# bus. Sway refuses to run as root, so root runs it as an ordinary user of a
# user namespace of its own, who still owns root's files.
set -eu

if [ "$(id -u)" -eq 0 ]; then
    exec unshare --user --map-user=1000 --map-group=1000 "$0" "$@"
fi
. "$(dirname "$0")/session-wait.sh"

dir=$(mktemp -d)
mkdir -m 700 "$dir/runtime"
export XDG_RUNTIME_DIR="$dir/runtime" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_RENDERER=pixman
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
# As a GNOME or KDE Wayland session says, which Qt reads to pick its platform.
export XDG_SESSION_TYPE=wayland
printf 'xwayland enable\nfocus_on_window_activation focus\n' >"$dir/sway.conf"
sway -c "$dir/sway.conf" >"$dir/sway.log" 2>&1 &
sway=$!
trap 'kill "$sway" 2>/dev/null || true; rm -rf "$dir"' EXIT INT TERM
sway_socket() { SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock 2>/dev/null) && [ -n "$SWAYSOCK" ]; }
await 100 "$sway" sway_socket || {
    echo "wayland-session: sway did not start" >&2
    cat "$dir/sway.log" >&2
    exit 1
}
export SWAYSOCK
# What sway gives the programs it starts: its Wayland socket and its Xwayland display.
swaymsg -q exec "env > $dir/env"
await 100 "" grep -qs '^DISPLAY=' "$dir/env" || {
    echo "wayland-session: no Xwayland display" >&2
    exit 1
}
WAYLAND_DISPLAY=$(sed -n 's/^WAYLAND_DISPLAY=//p' "$dir/env")
DISPLAY=$(sed -n 's/^DISPLAY=//p' "$dir/env")
export WAYLAND_DISPLAY DISPLAY
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
dbus-run-session -- "$@"
