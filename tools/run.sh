#!/usr/bin/env bash
# Installs what is missing, builds Vornis and starts the viewer. Without a display the
# viewer cannot open a window; then a picture is rendered instead (once the headless
# renderer exists) and its path printed.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNIS_BUILD_TESTS=OFF
cmake --build build -j"$(nproc)"
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec build/bin/vornis "$@"
fi
echo "No display found: running the viewer for a few frames on the offscreen driver."
SDL_VIDEODRIVER=offscreen VORNIS_EXIT_AFTER_FRAMES=60 build/bin/vornis "$@"
echo "The viewer started and rendered 60 frames. Run this on a desktop to see its window."
