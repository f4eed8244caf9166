#!/usr/bin/env bash
# Bounded fuzzing run of the image readers and the FBX path.
#   tools/fuzz/run.sh [seconds per target, default 60] [targets, default "dds tga fbx"]
# Builds the fuzz targets with clang in build-fuzz/ (or $VORNIS_FUZZ_BUILD_DIR), seeds them
# with the generated run-time textures and models, the small TGA and FBX files of assimp's
# test models and the Blender fixtures (ASCII and binary FBX), then runs each target for the
# given time. Crashing inputs are kept as build-fuzz/fuzz/crash-*;
# the grown corpus stays for the next run.
set -euo pipefail

seconds=${1:-60}
targets=${2:-dds tga fbx}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${VORNIS_FUZZ_BUILD_DIR:-$root/build-fuzz}

VORNIS_FUZZ=1 "$root/tools/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVORNIS_FUZZ=ON -DVORNIS_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j2 --target fuzz_dds fuzz_tga fuzz_fbx vornis_runtime_data

seeds=$build/fuzz/seeds
mkdir -p "$seeds/dds" "$seeds/tga" "$seeds/fbx"
find "$build/bin" -name '*.dds' -size -256k -exec cp {} "$seeds/dds/" \;
find /usr/share/assimp/models -iname '*.tga' -size -256k -exec cp {} "$seeds/tga/" \; 2>/dev/null || true
shopt -s nullglob nocaseglob
for fbx in "$build"/bin/*/*.fbx /usr/share/assimp/models/FBX/*.fbx "$root"/tests/fixtures/blender/*.fbx; do
  [[ -f $fbx && $(stat -c %s "$fbx") -lt 262144 ]] || continue
  cp "$fbx" "$seeds/fbx/$(basename "$(dirname "$fbx")")-$(basename "$fbx")"
done
shopt -u nullglob nocaseglob

status=0
for target in $targets; do
  corpus=$build/fuzz/corpus/$target
  mkdir -p "$corpus"
  echo "== fuzz_$target for ${seconds}s"
  "$build/bin/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/fuzz/" -rss_limit_mb=2048 -timeout=10 \
    "$corpus" "$seeds/$target" || status=$?
done
exit $status
