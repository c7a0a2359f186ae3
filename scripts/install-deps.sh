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
