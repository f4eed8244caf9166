#!/usr/bin/env bash
# Installs what is missing, builds Vornis with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test on Mesa's software renderer (no display or GPU needed).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
build=${VORNIS_TEST_BUILD_DIR:-build-test}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DVORNIS_SANITIZE=address,undefined \
  -DVORNIS_BUILD_BENCHMARKS=OFF
cmake --build "$build" -j"$(nproc)"
# Mesa and the X/EGL libraries keep allocations until exit; only our own leaks count.
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 600
