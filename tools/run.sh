#!/usr/bin/env bash
# Installs what is missing, builds Vornis and opens the viewer on the demo model (or on the
# model given as argument). Without a display no window can open: the model is rendered
# with vornis-snap instead and the picture's path printed.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNIS_BUILD_TESTS=OFF
cmake --build build -j"$(nproc)"
model=${1:-build/bin/demo/spheres.fbx}
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec build/bin/vornis "$model"
fi
picture=${VORNIS_SNAPSHOT:-$PWD/vornis-snapshot.png}
echo "No display found: rendering $model without a window."
build/bin/vornis-snap "$model" -o "$picture" --size 1280x720 \
  --sky build/bin/Skyboxtextures/sky_daylight.dds >/dev/null
echo "The picture is in $picture"
