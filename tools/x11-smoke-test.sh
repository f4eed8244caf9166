#!/usr/bin/env bash
# Runs vornis on a virtual X server: once for a few frames (must exit 0), then, when a
# screenshot is asked for, once more until the start screen has been captured from the
# X server and SIGTERM has closed it (SDL turns the signal into a quit: exit 0 too). With a
# model, the capture waits until the model has loaded and the camera has framed it.
# Usage: tools/x11-smoke-test.sh BIN_DIR [SCREENSHOT.png [MODEL]]
set -euo pipefail

bin_dir=${1:?usage: $0 BIN_DIR [SCREENSHOT.png]}
screenshot=${2:-}
model=${3:-}
program="$bin_dir/vornis"
[[ -x "$program" ]] || { echo "no program at $program" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (package xvfb)" >&2; exit 1; }
if [[ -n "$screenshot" ]] && ! command -v import >/dev/null; then
  echo "import is missing (package imagemagick)" >&2
  exit 1
fi

xvfb-run -a -s "-screen 0 1920x1080x24" bash -s -- "$program" "$screenshot" "$model" <<'SESSION'
set -uo pipefail
program=$1
screenshot=$2
model=$3
unset SDL_VIDEODRIVER

VORNIS_EXIT_AFTER_FRAMES=20 "$program"
rc=$?
if ((rc != 0)); then echo "bounded run exited with $rc" >&2; exit 1; fi
echo "bounded run: exit 0"

[[ -z "$screenshot" ]] && exit 0
if [[ -n "$model" ]]; then
  "$program" "$model" &
  settle=15  # load, then the camera's framing motion on a software renderer
else
  "$program" &
  settle=2  # the start screen stays until the engine's first frame
fi
pid=$!
sleep "$settle"
if ! kill -0 "$pid" 2>/dev/null; then echo "vornis ended before the screenshot" >&2; exit 1; fi
import -window root "$screenshot" || exit 1
kill -TERM "$pid"
wait "$pid"
rc=$?
if ((rc != 0)); then echo "run closed by SIGTERM exited with $rc" >&2; exit 1; fi
echo "screenshot: $screenshot; run closed by SIGTERM: exit 0"
SESSION
