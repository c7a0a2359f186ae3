#!/usr/bin/env bash
# Installs a build into a temporary prefix, then builds and runs the README's
# examples against it: C through pkg-config, C++ (and Qt, when the package has
# it) through find_package, and Python from the installed binding.
set -euo pipefail
cmake=$1 build=$2 here=$3 cc=$4

tmp=$(mktemp -d) && trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix

"$cmake" --install "$build" --prefix "$prefix" >"$tmp/install.log"
pc=$(find "$prefix" -name dorvane.pc)
export PKG_CONFIG_PATH=$(dirname "$pc") LD_LIBRARY_PATH=$(dirname "$(dirname "$pc")")
export QT_QPA_PLATFORM=offscreen

echo "== C through pkg-config"
# shellcheck disable=SC2046
"$cc" -std=c99 -Wall -Wextra -Wpedantic -Werror "$here/examples/embed.c" \
  $(pkg-config --cflags --libs dorvane) -o "$tmp/embed_c_pc"
"$tmp/embed_c_pc"

echo "== C++ through find_package"
"$cmake" -S "$here/consumer" -B "$tmp/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
  -DDORVANE_EXAMPLES="$here/examples" >"$tmp/configure.log"
"$cmake" --build "$tmp/consumer" -j2 >"$tmp/build.log" || { cat "$tmp/build.log"; exit 1; }
"$tmp/consumer/embed_cpp"
"$tmp/consumer/embed_c"
[ ! -x "$tmp/consumer/embed_qt" ] || { "$tmp/consumer/embed_qt" && echo "Qt view: ok"; }

echo "== Python from the installed binding"
DORVANE_LIBRARY="" PYTHONPATH="$prefix/share/dorvane/python" PYTHONDONTWRITEBYTECODE=1 \
  python3 "$here/examples/embed.py"
