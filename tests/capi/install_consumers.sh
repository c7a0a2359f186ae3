#!/usr/bin/env bash
# Puts a build's installed tree into a scratch folder, then builds and runs
# the README's examples against it: C through pkg-config, C++ (and Qt, when
# the package has it) through find_package, every installed header on its
# own, and Python from the installed binding.
#
#   install_consumers.sh install <cmake> <build> <here> <cc>
#       the tree is what `cmake --install` puts into a prefix;
#   install_consumers.sh deb <cmake> <build> <here> <cc> <cpack> <scenarios>
#       the tree is the Debian packages `cpack -G DEB` makes, each unpacked
#       with `dpkg-deb -x`; each package is checked to hold its own part, and
#       the packaged scenario runner runs a scenario script.
set -euo pipefail
mode=$1 cmake=$2 build=$3 here=$4 cc=$5

fail() { echo "FAIL: $*" >&2; exit 1; }

tmp=$(mktemp -d) && trap 'rm -rf "$tmp"' EXIT

# Checks that a package's file list has a path matching the pattern ($3 =
# yes) or none ($3 = no).
package_holds() {
    local deb=$1 pattern=$2 wanted=$3 found=no
    if dpkg-deb -c "$deb" | awk '{print $6}' | grep -Eq "$pattern"; then found=yes; fi
    [ "$found" = "$wanted" ] ||
        fail "$(basename "$deb"): a file matching $pattern expected: $wanted, found: $found"
}

case $mode in
install)
    prefix=$tmp/prefix
    "$cmake" --install "$build" --prefix "$prefix" >"$tmp/install.log"
    ;;
deb)
    cpack=$6 scenarios=$7
    command -v dpkg-deb >/dev/null || fail "dpkg-deb is needed to unpack the Debian packages"
    "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/debs" >"$tmp/cpack.log" 2>&1 ||
        { cat "$tmp/cpack.log"; fail "cpack -G DEB failed"; }
    runtime=$(find "$tmp/debs" -maxdepth 1 -name 'libdorvane[0-9]*_*.deb')
    dev=$(find "$tmp/debs" -maxdepth 1 -name 'libdorvane-dev_*.deb')
    tools=$(find "$tmp/debs" -maxdepth 1 -name 'dorvane-tools_*.deb')
    [ -n "$runtime" ] && [ -n "$dev" ] && [ -n "$tools" ] ||
        fail "expected the runtime, development and tools packages, got: $(ls "$tmp/debs")"

    echo "== Each package holds its own part"
    package_holds "$runtime" '/lib/libdorvane\.so\.[0-9]+$' yes
    package_holds "$runtime" '/include/' no
    package_holds "$runtime" '/bin/' no
    package_holds "$dev" '/include/dorvane/control/dorvane_ctl\.h$' yes
    package_holds "$dev" '/include/dorvane/dorvane\.h$' yes
    package_holds "$dev" '/lib/libdorvane_core\.a$' yes
    package_holds "$dev" '/lib/libdorvane\.so\.[0-9]+$' no
    package_holds "$dev" '/include/dorvane/common/format\.h$' no
    package_holds "$tools" '/bin/dorvane-run$' yes
    package_holds "$tools" '/include/' no
    runtime_name=$(dpkg-deb -f "$runtime" Package)
    dpkg-deb -f "$dev" Depends | grep -q "$runtime_name (= " ||
        fail "libdorvane-dev does not depend on exactly its $runtime_name"

    for deb in "$runtime" "$dev" "$tools"; do dpkg-deb -x "$deb" "$tmp/root"; done
    prefix=$tmp/root/usr

    echo "== The packaged scenario runner"
    script=$(find "$scenarios" -maxdepth 1 -name '*.dvs' | sort | head -n1)
    [ -n "$script" ] || fail "no scenario script in $scenarios"
    (cd "$scenarios" && "$prefix/bin/dorvane-run" --quiet "$(basename "$script")") ||
        fail "the packaged dorvane-run failed on $(basename "$script")"
    ;;
*)
    fail "unknown mode '$mode' (install or deb)"
    ;;
esac

pc=$(find "$prefix" -name dorvane.pc)
[ -n "$pc" ] || fail "no dorvane.pc in the installed tree"
export PKG_CONFIG_PATH=$(dirname "$pc") LD_LIBRARY_PATH=$(dirname "$(dirname "$pc")")
export QT_QPA_PLATFORM=offscreen

echo "== C through pkg-config"
# shellcheck disable=SC2046
"$cc" -std=c99 -Wall -Wextra -Wpedantic -Werror "$here/examples/embed.c" \
  $(pkg-config --cflags --libs dorvane) -o "$tmp/embed_c_pc"
"$tmp/embed_c_pc"

echo "== C++ through find_package, and every installed header on its own"
"$cmake" -S "$here/consumer" -B "$tmp/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
  -DDORVANE_EXAMPLES="$here/examples" >"$tmp/configure.log" ||
    { cat "$tmp/configure.log"; fail "the consumer does not configure"; }
"$cmake" --build "$tmp/consumer" -j2 >"$tmp/build.log" || { cat "$tmp/build.log"; exit 1; }
"$tmp/consumer/embed_cpp"
"$tmp/consumer/embed_c"
[ ! -x "$tmp/consumer/embed_qt" ] || { "$tmp/consumer/embed_qt" && echo "Qt view: ok"; }

echo "== Python from the installed binding"
DORVANE_LIBRARY="" PYTHONPATH="$prefix/share/dorvane/python" PYTHONDONTWRITEBYTECODE=1 \
  python3 "$here/examples/embed.py"
