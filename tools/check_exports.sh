#!/usr/bin/env bash
# Checks that libvornis_engine.so exports exactly the functions of the public header.
# Usage: check_exports.sh LIBRARY HEADER
set -euo pipefail
library=$1
header=$2
expected=$(grep -oE '^VORNIS_API [^(]+\(' "$header" | sed -E 's/.*[ *]([A-Za-z0-9_]+)\($/\1/' | sort)
actual=$(nm -D --defined-only "$library" | awk '{print $3}' | grep -v -E '^(_edata|_end|__bss_start)$' | sort)
if [[ "$expected" != "$actual" ]]; then
  echo "Exported symbols differ from the public header:"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
echo "$(echo "$actual" | wc -l) exports, as declared"
