#!/bin/sh
# The installed program as a person starts it: installed into a prefix whose
# bin/ it cannot write, HOME a fresh folder, XDG_DATA_HOME unset. Its data
# must go to ~/.local/share/kurumin and nothing may appear in the prefix.
# Needs a display with a window manager: run it under desktop-session.sh.
#   installed_run.sh CMAKE BUILD_DIR
set -eu
. "$(dirname "$0")/../session-wait.sh"
cmake=$1
build=$2

work=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
fail() {
    echo "installed_run: $*" >&2
    exit 1
}

prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
for f in bin/kurumin share/applications/kurumin.desktop \
    share/icons/hicolor/scalable/apps/kurumin.svg share/icons/hicolor/48x48/apps/kurumin.png \
    share/man/man1/kurumin.1.gz share/doc/kurumin/copyright share/doc/kurumin/changelog.gz \
    share/kurumin/help/index.html share/metainfo/org.example.kurumin.metainfo.xml; do
    [ -f "$prefix/$f" ] || fail "cmake --install left out $f"
done
chmod a-w "$prefix/bin"
# Root writes through missing write bits, so the listing is what proves it.
listing() { (cd "$prefix" && find . -printf '%p %s %T@\n' | sort); }
listing >"$work/before"

export HOME="$work/home"
mkdir "$HOME"
unset XDG_DATA_HOME
cd "$HOME"
# Answered and gone: no window, no data folder.
"$prefix/bin/kurumin" --version | grep -q '^Kurumin [0-9]' || fail "--version says no version"
"$prefix/bin/kurumin" --help | grep -q 'kurumin(1)' || fail "--help gives no usage"
[ ! -e "$HOME/.local" ] || fail "--version or --help made the data folder"
# Started once, and closed the way the window manager closes it: the panel's own close sequence.
panel_window() {
    window=$(xdotool search --onlyvisible --pid "$pid" --name '^Kurumin$' 2>/dev/null | head -n 1) &&
        [ -n "$window" ]
}
gone() { ! kill -0 "$pid" 2>/dev/null; }
"$prefix/bin/kurumin" &
pid=$!
await 400 "$pid" panel_window || fail "the installed program showed no panel within 20 s"
xprop -id "$window" _NET_WM_ICON | grep -q 'Icon (' || fail "the panel shows no icon"
# A window just mapped or just activated may not have the keyboard yet, and
# the key goes elsewhere: the close is asked again, of the panel in front, until
# it ends.
closes=0
until gone; do
    [ "$closes" -lt 5 ] || fail "the panel did not end within 10 s of its close"
    closes=$((closes + 1))
    xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4 2>/dev/null || true
    await 40 "" gone || true
done
[ "$closes" -eq 1 ] || echo "installed_run: the panel ended at close $closes" >&2
wait "$pid" || fail "the installed program exited with $?"
pid=""

data="$HOME/.local/share/kurumin"
[ -d "$data/REC" ] || fail "no $data/REC after the first start"
[ -z "$(ls -A "$data/REC")" ] || fail "$data/REC is not empty"
listing >"$work/after"
diff -u "$work/before" "$work/after" >&2 || fail "the program wrote into its install prefix"

echo "installed_run: data in $data, nothing written beside the program"
