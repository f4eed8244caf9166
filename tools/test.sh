#!/usr/bin/env bash
# Installs what is missing, builds Vornis with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test on Mesa's software renderer (no display or GPU needed). Then builds the
# tests that run the engine's threads with ThreadSanitizer and runs those.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
tools/install-deps.sh
build=${VORNIS_TEST_BUILD_DIR:-build-test}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DVORNIS_SANITIZE=address,undefined \
  -DVORNIS_BUILD_BENCHMARKS=OFF
cmake --build "$build" -j"$(nproc)"
# Mesa and the X/EGL libraries keep allocations until exit; only our own leaks count.
export LSAN_OPTIONS="suppressions=$root/tools/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd "$build" && ctest --output-on-failure -j"$(nproc)" --timeout 600)

# The engine's threads: model and animation loads, texture uploads from a load thread, the
# file watcher's poll thread, the parallel shader compiles and their worker pool, the
# parallel tangent space, and the helper processes reaped on a thread of their own.
started=$SECONDS
tsan=${VORNIS_TSAN_BUILD_DIR:-build-tsan}
cmake -S . -B "$tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNIS_SANITIZE=thread \
  -DVORNIS_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$tsan" -j"$(nproc)" --target test_platform test_shaders test_models \
  test_textures_gl test_animation
threaded='^(ParallelFor|Prefault|LargeStackThread|FileWatcherThread|ModelLoadRequests)\.'
threaded+='|^ModelImport\.ConcurrentFailures|^TextureManagerGl\.LoadThread'
threaded+='|^TextureLifetime\.|^AnimationFiles\.|^ImportSteps\.|^ShaderWorker\.'
threaded+='|^ImportWorkerLoads\.AnImportAhead|^WorkerProcess\.'
export TSAN_OPTIONS="suppressions=$root/tools/tsan.supp:halt_on_error=1:second_deadlock_stack=1"
(cd "$tsan" && ctest --output-on-failure -j"$(nproc)" --timeout 600 -R "$threaded")
echo "ThreadSanitizer step: $((SECONDS - started)) s"
