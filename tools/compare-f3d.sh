#!/usr/bin/env bash
# Times vornis-snap against f3d's --output on the same models, side by side in one run
# (median of N runs each, wall-clock, the two programs alternating). f3d is only the peer
# of this comparison, never a dependency: install it by hand (apt-get install f3d).
# Usage: tools/compare-f3d.sh BIN_DIR RUNS MODEL...
set -euo pipefail
bin_dir=${1:?usage: $0 BIN_DIR RUNS MODEL...}
runs=${2:?usage: $0 BIN_DIR RUNS MODEL...}
shift 2
command -v f3d >/dev/null || { echo "f3d is not installed" >&2; exit 1; }
# f3d needs an X display even for --output; give both programs the same virtual one, so
# that starting the X server is counted for neither.
if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$bin_dir" "$runs" "$@"
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

seconds() {  # runs a command, prints its wall-clock time in seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f\n", b - a }'
}

median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

printf "%-40s %12s %12s %8s\n" model "vornis-snap" "f3d" ratio
for model in "$@"; do
  snap=() f3d=()
  for ((i = 0; i < runs; ++i)); do
    snap+=("$(seconds "$bin_dir/vornis-snap" "$model" -o "$out/snap.png" --size 800x600)")
    f3d+=("$(seconds f3d "$model" --output="$out/f3d.png" --resolution=800,600)")
  done
  s=$(printf "%s\n" "${snap[@]}" | median)
  f=$(printf "%s\n" "${f3d[@]}" | median)
  ratio=$(awk -v a="$s" -v b="$f" 'BEGIN { printf "%.2f", a / b }')
  printf "%-40s %10.3f s %10.3f s %8s\n" "$(basename "$model")" "$s" "$f" "$ratio"
done
