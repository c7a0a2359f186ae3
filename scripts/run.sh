#!/usr/bin/env bash
# The main job: installs what is missing, builds, and starts the demo host
# (the control beside a panel that plays the POS). With no display it runs
# the demo headless on the bundled walkthrough script and writes a picture of
# the control's panel.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DDORVANE_QT=ON -DDORVANE_TESTS=ON
cmake --build build -j"$jobs" --target dorvane-demo dorvane-run

demo=build/demo/dorvane-demo
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$demo" "$@"
fi

echo "no display: replaying scenarios/walkthrough.dvs headless"
QT_QPA_PLATFORM=offscreen "$demo" --replay scenarios/walkthrough.dvs --screenshot out/panel.png "$@"
