#!/usr/bin/env bash
# Checks that the engine's layers depend one way. Top down: api and ui (the only code that
# knows the engine object); scene; models, animation, textures and shaders (one layer);
# graphics; platform and math. An include of a higher layer, or a GetEngine() look-up
# below api and ui, is printed as file:line with the two layers and fails the check.
# Usage: check_layers.sh [ENGINE_DIR]
set -euo pipefail
engine=${1:-$(dirname "$0")/../engine}
cd "$engine"
if ! find . -type f \( -name '*.h' -o -name '*.cpp' \) | sed 's|^\./||' | sort |
  xargs awk '
    function level(layer) {
      if (layer == "api" || layer == "ui") return 5
      if (layer == "scene") return 4
      if (layer == "models" || layer == "animation" || layer == "textures" || layer == "shaders") return 3
      if (layer == "graphics") return 2
      if (layer == "platform" || layer == "math") return 1
      return 0
    }
    FNR == 1 { split(FILENAME, parts, "/"); from = parts[1]; fromLevel = level(from) }
    /^[ \t]*#[ \t]*include[ \t]*"/ {
      target = $0
      sub(/^[^"]*"/, "", target)
      sub(/".*$/, "", target)
      split(target, parts, "/")
      to = parts[1]
      if (fromLevel > 0 && level(to) > fromLevel) {
        printf "%s:%d: %s includes %s, a higher layer (%s)\n", FILENAME, FNR, from, target, to
        failed = 1
      }
    }
    /GetEngine\(\)/ && fromLevel > 0 && fromLevel < 5 {
      printf "%s:%d: %s looks up the engine object (api)\n", FILENAME, FNR, from
      failed = 1
    }
    END { exit failed }
  '; then
  exit 1
fi
echo "layers: every include points down or sideways, no engine look-ups below api and ui"
