#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the project needs and the machine lacks.
set -euo pipefail

packages=(cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev clang-14 libclang-rt-14-dev python3 xvfb xauth
          libcpp-httplib-dev nlohmann-json3-dev)
# dpkg-shlibdeps, which works out the Debian packages' library dependencies.
packages+=(dpkg-dev)
# The browser pages' tests: headless Chromium driven through Selenium.
packages+=(chromium chromium-driver python3-selenium)

# The Windows cross build and its tests under Wine, asked for only by
# scripts/test-windows.sh (install-deps.sh --windows): the MinGW-w64 compiler,
# GoogleTest's sources to build for Windows, Wine, Mono for the C# example, and
# what the HTTP side needs (dpkg-dev unpacks cpp-httplib's source package).
if [ "${1:-}" = "--windows" ]; then
  packages=(cmake g++ make pkg-config g++-mingw-w64-x86-64-posix googletest wine wine64
            mono-mcs mono-runtime dpkg-dev libcpp-httplib-dev nlohmann-json3-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
