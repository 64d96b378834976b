#!/usr/bin/env bash
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer into ${BUILD_DIR:-build-asan} and
# runs every test against that build: the C++ tests with leak detection, then the Ruby tests
# (the extension's own, the fuzzer with its fixed seed and 20,000 calls in each of its modes, the
# fault tests, the driver's) with the sanitizer runtime preloaded into ruby. Any report fails the
# run.
#
#   scripts/sanitize-test.sh
#   FUZZ_CALLS=200000 FUZZ_SEED=5 scripts/sanitize-test.sh   (a longer fuzz run afterwards)
#   FUZZ_CALLS=100000 FUZZ_CHANGING=1 scripts/sanitize-test.sh   (the same with --changing)
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR=${BUILD_DIR:-build-asan}
CMAKE_ARGS="${CMAKE_ARGS:-} -DVISTREL_SANITIZE=ON" scripts/setup.sh

root=$(pwd)
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# GoogleTest cases (named Suite.Case) run as they are; every other test runs a ruby process.
ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 \
  ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" -R '[.]'

# The interpreter is not instrumented: the runtime (and the C++ library, whose exceptions the
# runtime intercepts) must be loaded before it. Ruby frees little at exit, so leaks are left to
# the valgrind check (scripts/leak-check.sh); suppressions: tests/sanitizer/asan.supp. Ruby gives
# each thread a signal stack of its own, which the runtime would try to unmap when the thread
# ends (Open3's threads, for one): use_sigaltstack=0 leaves signal stacks to Ruby.
LD_PRELOAD="$(g++ -print-file-name=libasan.so) $(g++ -print-file-name=libstdc++.so)" \
ASAN_OPTIONS=detect_leaks=0:halt_on_error=1:use_sigaltstack=0:suppressions=$root/tests/sanitizer/asan.supp \
  ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" -E '[.]'

if [ -n "${FUZZ_CALLS:-}" ]; then
  LD_PRELOAD="$(g++ -print-file-name=libasan.so) $(g++ -print-file-name=libstdc++.so)" \
  ASAN_OPTIONS=detect_leaks=0:halt_on_error=1:use_sigaltstack=0:suppressions=$root/tests/sanitizer/asan.supp \
    ruby -I "$BUILD_DIR/lib" tests/fuzz/fuzz_binding.rb --seed "${FUZZ_SEED:-1}" \
      --calls "$FUZZ_CALLS" --inspector "$BUILD_DIR/inspect/vistrel-inspect" \
      --trace "$BUILD_DIR/fuzz_trace.txt" ${FUZZ_CHANGING:+--changing}
fi
