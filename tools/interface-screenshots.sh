#!/usr/bin/env bash
# Screenshots of the real viewer on a virtual X server, for the documentation: the demo
# model with each tab of the debug interface open, the extended model information, the
# question after a dropped DDS image, and the LOG window pulsing green after a load and red
# after a failed one, the Animation window of a skinned model from Debian's
# assimp-testmodels, the Scene window, the overlays and the UV Layout window of a textured
# test fixture. Clicks go through xdotool at the tab positions of a 1600 x 900 window.
# BIN_DIR may be a build tree's bin/ or an installed tree's: the installed viewer then lists
# its share/ skies and a user shader planted in a scratch XDG data folder.
# Needs xvfb-run, ImageMagick (import, convert) and xdotool; the last two are installed here
# when missing (nothing else needs them, CI neither).
# Usage: tools/interface-screenshots.sh BIN_DIR OUT_DIR
set -euo pipefail

bin_dir=$(realpath "${1:?usage: $0 BIN_DIR OUT_DIR}")
out_dir=$(realpath -m "${2:?usage: $0 BIN_DIR OUT_DIR}")
mkdir -p "$out_dir"
[[ -x "$bin_dir/vornis" ]] || { echo "no program at $bin_dir/vornis" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (package xvfb)" >&2; exit 1; }

missing=()
command -v import >/dev/null || missing+=(imagemagick)
command -v xdotool >/dev/null || missing+=(xdotool)
if ((${#missing[@]})); then
  sudo=""
  if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

source_dir=$(realpath "$(dirname "$0")/..")

xvfb-run -a -s "-screen 0 1600x900x24" bash -s -- "$bin_dir" "$out_dir" "$source_dir" <<'SESSION'
set -euo pipefail
bin_dir=$1
out_dir=$2
source_dir=$3
unset SDL_VIDEODRIVER
# Run-time data lies beside the programs in a build tree, under share/ in an installed one.
data_dir=$bin_dir
[[ -d "$data_dir/demo" ]] || data_dir=$(realpath "$bin_dir/../share/vornis")
cd "$data_dir"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A user shader in the user's shader folder, which an installed viewer lists first.
export XDG_DATA_HOME=$scratch/data
mkdir -p "$XDG_DATA_HOME/vornis/shaders"
cp shaders/PS_PixelShaders.fx "$XDG_DATA_HOME/vornis/shaders/PS_MyShader.fx"

start() {
  "$bin_dir/vornis" "$@" >/dev/null 2>&1 &
  pid=$!
  wid=""
  for _ in $(seq 600); do
    wid=$(xdotool search --name '^Vornis 2.5$' 2>/dev/null | head -1 || true)
    [[ -n "$wid" ]] && return
    sleep 0.1
  done
  echo "the viewer window did not appear" >&2
  kill "$pid" 2>/dev/null || true
  exit 1
}
stop() {
  kill -TERM "$pid"
  wait "$pid" || true
}
shot() { import -window "$wid" "$out_dir/$1.png"; }
click() {
  xdotool mousemove --window "$wid" "$1" "$2" click 1
  # Park the pointer over the scene, away from tooltips and hover colours.
  sleep 0.5
  xdotool mousemove --window "$wid" 1300 850
  sleep "${3:-1.5}"
}
# One colour channel (0 red, 1 green, 2 blue) of a pixel of a picture, 0 to 255.
channel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.${4})]" info:; }

# Tab centres in window pixels: the main window opens at (60, 60).
tab_y=117
nested_y=153

start demo/spheres.fbx
sleep 15  # load, then the camera's framing motion on a software renderer
# The first sky of the Display tab's list, chosen, shows from here on.
click 174 $tab_y
click 308 401
click 308 437 3
click 102 $tab_y
shot model-debug
click 258 $nested_y; shot model-settings
click 174 $tab_y; shot display
click 308 401; shot display-sky-list
click 308 437 3
click 275 $tab_y; shot light-settings
click 409 $tab_y; shot shader-file
click 220 313; shot shader-file-list
click 450 200
click 238 $nested_y; shot shader-values
click 366 $nested_y; shot shader-timer
click 510 $tab_y; shot stats
click 102 $tab_y
click 130 $nested_y
click 156 457 2; shot extended-info
# The sky after a resize to another aspect, the panels folded away.
click 156 457
click 75 74
click 24 614
xdotool windowsize "$wid" 800 900
sleep 4
shot sky-after-resize
stop

# The LOG window's title pulses for a second of frame time when a message arrives: green
# for information, red for an error. The last strong pulse of a run is its load's.
pulse() {  # $1 name, $2 colour channel, then the viewer's arguments
  local name=$1 colour=$2
  shift 2
  start "$@"
  for i in $(seq -w 1 60); do
    import -window "$wid" "$scratch/$name-$i.png"
    sleep 0.25
  done
  stop
  local best=""
  for file in "$scratch/$name"-*.png; do
    [[ $(channel "$file" 300 612 "$colour") -ge 200 ]] && best=$file
  done
  [[ -n "$best" ]] || { echo "no $name pulse caught" >&2; exit 1; }
  cp "$best" "$out_dir/$name.png"
}
pulse log-after-load g demo/spheres.fbx
head -c 4096 /dev/urandom > "$scratch/broken.fbx"
pulse log-after-failed-load r "$scratch/broken.fbx"

# A skinned model: the Animation window beside the menu.
start /usr/share/assimp/models/FBX/huesitos.fbx
sleep 12
# Its clip bends it toward the camera: four wheel notches back over the scene.
xdotool mousemove --window "$wid" 1100 650
for _ in 1 2 3 4; do xdotool click 5; sleep 0.3; done
sleep 3
shot animation-window
stop

# The Scene window of the parented-prop fixture: the table top hidden, the vase
# (with the flower on it) selected and opened.
start "$source_dir/tests/fixtures/blender/parented_prop.fbx"
sleep 10
click 102 $tab_y
click 143 493
click 1033 178
click 1078 383
click 992 383
shot scene-window
stop

# The overlays of the Display tab on a model of several parts: wireframe over the shading
# with the bounding box and its dimensions, then the vertex normals as well.
start "$source_dir/tests/fixtures/blender/windmill.fbx"
sleep 14
xdotool mousemove --window "$wid" 1100 650
for _ in 1 2 3 4 5 6; do xdotool click 5; sleep 0.3; done
click 174 $tab_y
click 88 614
click 258 614 3
shot overlays-wireframe-bounds
click 88 651 3
shot overlays-normals
stop

# The UV Layout window of the textured Blender fixture's first mesh, the crate.
start "$source_dir/tests/fixtures/blender/textured.fbx"
sleep 12
click 102 $tab_y
click 130 $nested_y
click 292 457 2
shot uv-layout
stop

# A DDS image named on the command line is handled as if it had been dropped.
start Skyboxtextures/studio_neutral.dds
sleep 4
shot dropped-dds-popup
stop
echo "pictures in $out_dir"
SESSION
