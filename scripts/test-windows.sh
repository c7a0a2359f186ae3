#!/usr/bin/env bash
# The Windows build, tested under Wine: installs the MinGW-w64 toolchain, Wine
# and Mono when missing, cross-builds into build-win/ and runs
#  - the GoogleTest suites of the core, the scenario library and the C
#    interface, every scenarios/*.dvs through dorvane-run.exe, the C example
#    against dorvane.dll and a C program that loads the DLL by name (CTest,
#    each program under Wine);
#  - every scenario once more on Linux and under Wine, and compares the two
#    transcripts;
#  - the zip (cpack -G ZIP): its files, and the C example built against the
#    unpacked header and import library, run beside the unpacked DLL;
#  - the C# P/Invoke example (examples/csharp/Pos.cs), compiled with Mono and
#    run against the Linux library;
#  - when the site server is in the tree (server/), dorvane-server.exe under
#    Wine answering the Linux dorvane-run --site on loopback.
# Anything that cannot start (Wine above all) is a failure, never a skip.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$(date +%s)
./scripts/install-deps.sh --windows

jobs=$(nproc)
win=$root/build-win
host=$win/host   # the Linux side: dorvane-run and libdorvane.so to compare with
out=$win/checks
mkdir -p "$win" "$out"

fail() {
  echo "test-windows: FAILED: $*" >&2
  exit 1
}

# ---- Wine: a prefix of our own, its server kept up for the whole run ------
# Without the overrides, creating a prefix would offer to download Wine's
# Mono and Gecko.
export WINEPREFIX=$win/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=$(command -v wine || command -v wine64 || true)
[ -n "$wine" ] || fail "cannot start Wine: neither wine nor wine64 is installed"
mkdir -p "$WINEPREFIX"
# A server that stays up spares each program Wine's start-up (seconds, not
# tenths). Status 2 means one is already up for this prefix.
wineserver -p || [ $? -eq 2 ] || fail "cannot start Wine: wineserver -p failed"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
if ! "$wine" wineboot --init >"$out/wineboot.log" 2>&1; then
  cat "$out/wineboot.log" >&2
  fail "cannot start Wine: wineboot failed for $WINEPREFIX"
fi
answer=$("$wine" cmd /c echo wine-runs 2>&1 | tr -d '\r' || true)
[ "$answer" = wine-runs ] || fail "cannot start Wine: a trivial program printed '$answer'"

# ---- cpp-httplib for Windows ---------------------------------------------
# Debian builds cpp-httplib for Linux only; its source package holds the
# single-header form, which builds for any target. It is fetched with apt from
# the machine's own Debian archive (its source indices, kept in a folder of
# ours), the version that is installed, with Debian's patches applied.
httplib_args=()
if [ -d server ]; then
  httplib=$win/deps/cpp-httplib
  if [ ! -f "$httplib/httplib.h" ]; then
    apt_dir=$win/deps/apt
    rm -rf "$apt_dir" && mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
        >"$apt_dir/sources.list.d/debian-src.sources"
    else
      sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$apt_dir/sources.list.d/debian-src.list"
    fi
    apt_options=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/sources.list.d"
                 -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache")
    apt-get -qq "${apt_options[@]}" update || fail "apt-get update of Debian's source indices"
    version=$(dpkg-query -W -f='${Version}' libcpp-httplib-dev 2>/dev/null || true)
    (cd "$win/deps" && apt-get -qq "${apt_options[@]}" source --download-only \
      "cpp-httplib${version:+=$version}") || fail "apt-get source cpp-httplib"
    (cd "$win/deps" && dpkg-source -x cpp-httplib_*.dsc "$httplib" >"$win/deps/dpkg-source.log" 2>&1) ||
      fail "dpkg-source -x cpp-httplib"
  fi
  httplib_args=(-DDORVANE_HTTPLIB_DIR="$httplib")
fi

# ---- Cross build and the CTest suites under Wine ---------------------------
cmake -S . -B "$win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" "${httplib_args[@]}" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVANE_TESTS=ON -DDORVANE_QT=OFF -DDORVANE_BENCH=OFF
cmake --build "$win" -j"$jobs"
# Now and then Wine fails to start a program at all (no output, no time);
# such a test gets one more run. A test that fails twice fails.
ctest --test-dir "$win" --output-on-failure -j"$jobs" --repeat until-pass:2

# ---- The same transcript on both systems ------------------------------------
cmake -S . -B "$host" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVANE_TESTS=OFF -DDORVANE_QT=OFF \
  -DDORVANE_BENCH=OFF
cmake --build "$host" -j"$jobs" --target dorvane-run dorvane
linux_run=$host/tools/run/dorvane-run
scripts=()
for f in scenarios/*.dvs; do scripts+=("$(basename "$f")"); done
[ ${#scripts[@]} -gt 0 ] || fail "no scenario scripts in scenarios/"
# Windows programs write text with CRLF line ends; the text itself must match.
(cd scenarios && "$linux_run" "${scripts[@]}") >"$out/transcript-linux.txt" ||
  fail "the scenarios do not all hold on Linux (see $out/transcript-linux.txt)"
(cd scenarios && "$wine" "$win/bin/dorvane-run.exe" "${scripts[@]}") |
  tr -d '\r' >"$out/transcript-windows.txt" ||
  fail "the scenarios do not all hold under Wine (see $out/transcript-windows.txt)"
diff -u "$out/transcript-linux.txt" "$out/transcript-windows.txt" >"$out/transcript.diff" || {
  head -40 "$out/transcript.diff" >&2
  fail "the transcripts of Linux and Windows differ (see $out/transcript.diff)"
}
echo "transcripts: ${#scripts[@]} scripts, $(wc -l <"$out/transcript-linux.txt") lines, identical"

# ---- The zip ----------------------------------------------------------------
(cd "$win" && cpack -G ZIP >"$out/cpack.log") || { cat "$out/cpack.log" >&2; fail "cpack -G ZIP"; }
zip=$(ls -t "$win"/dorvane-*.zip | head -1)
rm -rf "$out/unzipped" && mkdir -p "$out/unzipped"
(cd "$out/unzipped" && cmake -E tar xf "$zip")
top=$(find "$out/unzipped" -mindepth 1 -maxdepth 1 -type d | head -1)
for f in bin/dorvane.dll bin/dorvane-run.exe lib/dorvane.lib; do
  [ -f "$top/$f" ] || fail "$(basename "$zip") lacks $f"
done
header=$(find "$top/include" -name dorvane.h | head -1)
[ -n "$header" ] || fail "$(basename "$zip") lacks dorvane.h"
x86_64-w64-mingw32-gcc-posix -std=c99 -Wall -Wextra -Wpedantic -Werror -I"$top/include" \
  -I"$(dirname "$header")" \
  tests/capi/examples/embed.c "$top/lib/dorvane.lib" -o "$top/bin/embed_c.exe"
"$wine" "$top/bin/embed_c.exe" || fail "the C example against the unpacked dorvane.dll"
(cd scenarios && "$wine" "$top/bin/dorvane-run.exe" --quiet walkthrough.dvs) ||
  fail "the unpacked dorvane-run.exe"
echo "zip: $(basename "$zip") holds the DLL, its import library, the header and the programs"

# ---- The C# example through P/Invoke ---------------------------------------
mcs -nologo -warnaserror examples/csharp/Pos.cs -out:"$out/Pos.exe" || fail "mcs Pos.cs"
LD_LIBRARY_PATH=$host/capi mono "$out/Pos.exe" ||
  fail "the C# example against libdorvane.so"

# ---- The site server under Wine ---------------------------------------------
# The unpacked server, so that it finds its pages where an installed one does.
# The site list and a site's panel come from it under Wine; the Linux runner
# runs every scenario on fresh sites of it over loopback.
if [ -d server ]; then
  server_exe=$top/bin/dorvane-server.exe
  [ -f "$server_exe" ] || fail "$(basename "$zip") lacks bin/dorvane-server.exe"
  [ -f "$top/share/dorvane/web/panel.html" ] || fail "$(basename "$zip") lacks the server's web pages"
  exec 4< <(exec "$wine" "$server_exe" --listen 127.0.0.1:0 --sites 1 2>"$out/server-errors.txt")
  server_pid=$!
  address=
  read -r -t 60 address <&4 || true
  address=${address%$'\r'}
  stop_server() { kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; }
  if [[ $address != http://127.0.0.1:* ]]; then
    stop_server
    cat "$out/server-errors.txt" >&2
    fail "dorvane-server.exe did not start under Wine (first line: '$address')"
  fi
  for page in "/:<title>Dorvane sites" "/sites/1/:<title>Dorvane panel" "/web/panel.js:"; do
    path=${page%%:*} expected=${page#*:}
    body=$(curl -fsS --max-time 20 "$address$path") || { stop_server; fail "GET $path from the server under Wine"; }
    grep -qi "$expected" <<<"$body" || { stop_server; fail "GET $path under Wine lacks '$expected'"; }
  done
  (cd scenarios && "$linux_run" --quiet --site "$address" "${scripts[@]}") >"$out/site-runs.txt" || {
    stop_server
    cat "$out/site-runs.txt" >&2
    fail "the scenarios on the server under Wine (dorvane-run --site $address)"
  }
  stop_server
  echo "server: dorvane-server.exe under Wine served its pages and $(tail -1 "$out/site-runs.txt")"
else
  echo "test-windows: PENDING: no server/ in this tree; dorvane-server.exe is not built or tested"
fi

echo "test-windows: all held in $(($(date +%s) - started)) s"
