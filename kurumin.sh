#!/bin/sh
# ./kurumin.sh run    install what is missing, build, start the panel
# ./kurumin.sh test   install what is missing, build with sanitizers, run every test headless
#                     and every fuzzer briefly,
#                     then make the package and check it
# ./kurumin.sh package  install what is missing, make build-pkg/kurumin_<version>_<arch>.deb
set -eu
top=$(cd "$(dirname "$0")" && pwd)
cd "$top"

install_missing() {
    missing=""
    for p in $(grep -v -E '^\s*(#|$)' scripts/packages.txt); do
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
    rm -rf "$unpacked"
    # Warnings are shown; only errors fail.
    lintian --fail-on error --info "$deb"
    echo "kurumin: $deb"
}

case "${1:-}" in
run)
    install_missing
    build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKURUMIN_TESTS=OFF -DKURUMIN_BENCH=OFF
    exec ./build/bin/kurumin
    ;;
test)
    install_missing
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
    install_missing
    package
    ;;
*)
    echo "usage: $0 run|test|package" >&2
    exit 2
    ;;
esac
