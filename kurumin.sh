#!/bin/sh
# ./kurumin.sh run    install what building and running need, build, start the panel;
#                     under sudo it builds and runs as the user who called sudo
# ./kurumin.sh test   install what is missing, build with sanitizers, run every test headless
#                     and every fuzzer briefly,
#                     then make the package and check it
# ./kurumin.sh package  install what is missing, make build-pkg/kurumin_<version>_<arch>.deb
set -eu
top=$(cd "$(dirname "$0")" && pwd)
cd "$top"

# The packages of the named sections of scripts/packages.txt.
packages() {
    awk -v want=" $* " '/^\[/ { on = index(want, " " substr($0, 2, length($0) - 2) " ") > 0; next }
        on && !/^[ \t]*(#|$)/ { print $1 }' scripts/packages.txt | sort -u
}

# A browser the panel can drive, installed and not confined.
drivable_browser() {
    for b in chromium google-chrome google-chrome-stable microsoft-edge brave-browser \
        vivaldi-stable opera firefox-esr firefox; do
        path=$(command -v "$b") || continue
        case $(readlink -f "$path") in */snap/* | */flatpak/* | */bin/snap) ;; *) return 0 ;; esac
    done
    return 1
}

install_missing() { # sections
    missing=""
    for p in $(packages "$@"); do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "kurumin: installing$missing"
    if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
}

check_format() {
    find src tests bench \( -name '*.cpp' -o -name '*.h' \) -print0 |
        xargs -0 clang-format --dry-run --Werror || {
        echo "kurumin: formatting differs; run clang-format -i on the files above" >&2
        return 1
    }
}

build() { # dir, extra cmake arguments
    dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@"
    cmake --build "$dir"
}

package() { # a release build, its .deb, and the checks Debian makes of one
    (
        # Debian's own hardening flags; no debug information, it is stripped anyway.
        export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g
        CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
        LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
        export CXXFLAGS LDFLAGS
        build build-pkg -DCMAKE_BUILD_TYPE=Release -DKURUMIN_TESTS=OFF -DKURUMIN_BENCH=OFF
    )
    rm -f build-pkg/kurumin_*.deb
    (cd build-pkg && cpack -G DEB)
    deb=$(ls build-pkg/kurumin_*.deb)
    unpacked=$(mktemp -d)
    dpkg-deb -x "$deb" "$unpacked"
    desktop-file-validate "$unpacked"/usr/share/applications/kurumin.desktop
    appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml
    rm -rf "$unpacked"
    # Warnings are shown; only errors fail.
    lintian --fail-on error --info "$deb"
    echo "kurumin: $deb"
}

case "${1:-}" in
run)
    if drivable_browser; then install_missing build run; else install_missing build run browser; fi
    if [ "$(id -u)" -eq 0 ]; then
        # The panel and its browser belong to the person, not to root.
        if [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
            exec runuser -u "$SUDO_USER" -- "$top/kurumin.sh" run
        fi
        echo "kurumin: running as root, so the browser runs without its sandbox;" \
            "run ./kurumin.sh as your own user to keep it" >&2
    fi
    build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKURUMIN_TESTS=OFF -DKURUMIN_BENCH=OFF
    exec ./build/bin/kurumin
    ;;
test)
    install_missing build run test package
    check_format
    build build-test -DCMAKE_BUILD_TYPE=Debug -DKURUMIN_SANITIZE=ON -DKURUMIN_WERROR=ON
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
    export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    ctest --test-dir build-test --output-on-failure -j2
    # Every fuzzer over its seeds and a short run of its own (build-fuzz, clang).
    scripts/fuzz.sh 10000
    package
    ;;
package)
    install_missing build run package
    package
    ;;
*)
    echo "usage: $0 run|test|package" >&2
    exit 2
    ;;
esac
