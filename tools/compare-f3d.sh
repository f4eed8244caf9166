#!/usr/bin/env bash
# Times vornis-snap against f3d's --output on the same models, side by side in one run
# (median of N runs each, the programs alternating): wall-clock time, processor time (user
# and system, which a busy machine stretches less) and peak resident memory. f3d is only
# the peer of this comparison, never a dependency: install it by hand (apt-get install f3d).
# SNAPS names the vornis-snap programs in BIN_DIR to time (default: vornis-snap).
# Usage: [SNAPS="vornis-snap other-snap"] tools/compare-f3d.sh BIN_DIR RUNS MODEL...
set -euo pipefail
bin_dir=${1:?usage: $0 BIN_DIR RUNS MODEL...}
runs=${2:?usage: $0 BIN_DIR RUNS MODEL...}
shift 2
command -v f3d >/dev/null || { echo "f3d is not installed" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time is not installed (apt-get install time)" >&2; exit 1; }
# f3d needs an X display even for --output; give both programs the same virtual one, so
# that starting the X server is counted for neither.
if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$bin_dir" "$runs" "$@"
fi
read -r -a snaps <<<"${SNAPS:-vornis-snap}"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

measure() {  # runs a command; prints "wall-seconds cpu-seconds peak-MB"
  /usr/bin/time -o "$out/time" -f "%e %U %S %M" "$@" >/dev/null 2>&1 || true
  awk '{ printf "%.3f %.3f %.0f\n", $1, $2 + $3, $4 / 1024 }' "$out/time"
}

median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
column_median() { awk -v c="$1" '{print $c}' | median; }

printf "%-28s %-24s %10s %10s %10s\n" model program "wall s" "cpu s" "peak MB"
for model in "$@"; do
  declare -A results=()
  for ((i = 0; i < runs; ++i)); do
    for snap in "${snaps[@]}"; do
      results[$snap]+="$(measure "$bin_dir/$snap" "$model" -o "$out/snap.png" --size 800x600)"$'\n'
    done
    results[f3d]+="$(measure f3d "$model" --output="$out/f3d.png" --resolution=800,600)"$'\n'
  done
  for program in "${snaps[@]}" f3d; do
    rows=$(printf "%s" "${results[$program]}")
    printf "%-28s %-24s %10s %10s %10s\n" "$(basename "$model")" "$program" \
      "$(column_median 1 <<<"$rows")" "$(column_median 2 <<<"$rows")" \
      "$(column_median 3 <<<"$rows")"
  done
  unset results
done
