#!/usr/bin/env bash
# Times pictures of many small files: COUNT copies of Debian's cubes_with_names.fbx and
# spider.fbx (half each) rendered by one vornis-snap batch run, against one vornis-snap
# process per file (and one f3d --output per file when f3d is installed) over the first
# ten files. Prints milliseconds per file, the median of RUNS runs of each; for the batch
# also processor time (user and system) per file, which a busy machine stretches less.
# Usage: tools/batch-snap-timing.sh BIN_DIR [RUNS [COUNT]]
set -euo pipefail
bin_dir=${1:?usage: $0 BIN_DIR [RUNS [COUNT]]}
runs=${2:-3}
count=${3:-100}
models=/usr/share/assimp/models/FBX
[[ -f $models/spider.fbx ]] || { echo "assimp-testmodels is not installed" >&2; exit 1; }
# f3d needs an X display even for --output; both programs get the same virtual one.
if command -v f3d >/dev/null && [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$bin_dir" "$runs" "$count"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in"
for ((i = 0; i < count; ++i)); do
  if ((i % 2 == 0)); then source=cubes_with_names; else source=spider; fi
  cp "$models/$source.fbx" "$work/in/$(printf '%s_%03d' "$source" "$i").fbx"
done
files=("$work"/in/*.fbx)
few=("${files[@]:0:10}")

now() { date +%s.%N; }
per_file() {  # START END FILES: milliseconds per file
  awk -v a="$1" -v b="$2" -v n="$3" 'BEGIN { printf "%.1f\n", (b - a) * 1000 / n }'
}
median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

batch=() batch_cpu=() single=() peer=()
for ((r = 0; r < runs; ++r)); do
  rm -rf "$work/out"
  start=$(now)
  /usr/bin/time -o "$work/time" -f "%U %S" \
    "$bin_dir/vornis-snap" "${files[@]}" -o "$work/out/" >/dev/null 2>&1 || true
  batch+=("$(per_file "$start" "$(now)" "${#files[@]}")")
  batch_cpu+=("$(awk -v n="${#files[@]}" '{ printf "%.1f\n", ($1 + $2) * 1000 / n }' "$work/time")")
  start=$(now)
  for f in "${few[@]}"; do
    "$bin_dir/vornis-snap" "$f" -o "$work/one.png" >/dev/null 2>&1 || true
  done
  single+=("$(per_file "$start" "$(now)" "${#few[@]}")")
  if command -v f3d >/dev/null; then
    start=$(now)
    for f in "${few[@]}"; do
      f3d "$f" --output="$work/f3d.png" --resolution=800,600 >/dev/null 2>&1 || true
    done
    peer+=("$(per_file "$start" "$(now)" "${#few[@]}")")
  fi
done
pictures=$(find "$work/out" -name '*.png' | wc -l)
echo "vornis-snap, one batch of ${#files[@]} files ($pictures pictures): $(printf '%s\n' "${batch[@]}" | median) ms per file (runs: ${batch[*]}); processor time $(printf '%s\n' "${batch_cpu[@]}" | median) ms per file (runs: ${batch_cpu[*]})"
echo "vornis-snap, one process per file (${#few[@]} files): $(printf '%s\n' "${single[@]}" | median) ms per file (runs: ${single[*]})"
if ((${#peer[@]})); then
  echo "f3d --output, one process per file (${#few[@]} files): $(printf '%s\n' "${peer[@]}" | median) ms per file (runs: ${peer[*]})"
fi
