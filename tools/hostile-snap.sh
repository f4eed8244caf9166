#!/usr/bin/env bash
# Runs vornis-snap on every file of a hostile set (vornis-make-hostile-set) and checks that
# each run ends with exit status 0 or 1: never a signal, a sanitizer's abort or a hang.
#
# Usage: tools/hostile-snap.sh [BUILD_DIR] [SET_FOLDER]
#   BUILD_DIR   a configured and built tree (default: build); an AddressSanitizer tree
#               (build-test) runs the same set under the sanitizer
#   SET_FOLDER  where the set is written (default: a temporary folder, removed afterwards)
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
set_folder=${2:-}
keep=1
if [ -z "$set_folder" ]; then
  set_folder=$(mktemp -d -t vornis-hostile-XXXXXX)
  keep=0
fi
snap="$build/bin/vornis-snap"
make_set="$build/bin/vornis-make-hostile-set"
for program in "$snap" "$make_set"; do
  if [ ! -x "$program" ]; then
    echo "missing $program: build the targets vornis-snap and vornis-make-hostile-set" >&2
    exit 2
  fi
done
# Leaks are not the question here, and a leak report would change the exit status.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
export SDL_VIDEODRIVER=offscreen

"$make_set" "$set_folder" > "$set_folder.list" || exit 2
output=$(mktemp -d -t vornis-hostile-out-XXXXXX)
declare -A classes
ok=0; refused=0; bad=0
while read -r name kind; do
  [ "$name" = "$(basename "$set_folder")" ] && continue
  case "$name" in *.fbx) ;; *) continue ;; esac
  start=$(date +%s%N)
  timeout 330 "$snap" "$set_folder/$name" -o "$output/out.png" --size 64 \
    > "$output/stdout" 2> "$output/stderr"
  status=$?
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  message=$(grep -m1 "^vornis-snap:" "$output/stderr" | cut -c1-150)
  case $status in
    0) ok=$((ok + 1)); verdict="drawn" ;;
    1) refused=$((refused + 1)); verdict="refused" ;;
    124) bad=$((bad + 1)); verdict="HUNG" ;;
    *) bad=$((bad + 1)); verdict="STATUS $status" ;;
  esac
  classes[$kind]=$(( ${classes[$kind]:-0} + 1 ))
  printf '%-36s %-14s %-8s %4d.%01ds %s\n' "$name" "$kind" "$verdict" $((ms / 1000)) \
    $(((ms % 1000) / 100)) "$message"
  if [ "$verdict" != drawn ] && [ "$verdict" != refused ]; then
    tail -n 20 "$output/stderr" | sed 's/^/    /'
  fi
done < "$set_folder.list"
rm -rf "$output" "$set_folder.list"
[ "$keep" = 0 ] && rm -rf "$set_folder"

echo
for kind in "${!classes[@]}"; do printf '  %-16s %d files\n' "$kind" "${classes[$kind]}"; done | sort
echo "$((ok + refused + bad)) files: $ok drawn, $refused refused with a message, $bad ended otherwise"
[ "$bad" = 0 ]
