#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test. Non-zero exit on any failure.
#   BUILD_DIR   build directory (default: build)
#   SANITIZE=1  build and test with AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build_dir=${BUILD_DIR:-build}
options=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLOCKDIAG_WERROR=ON)
if [ "${SANITIZE:-0}" = 1 ]; then
  options+=(-DCLOCKDIAG_SANITIZE=ON)
  # Reports from third-party libraries (Qt's plugins, fontconfig) are suppressed by the files
  # beside this script; everything in the project's own code stops the test.
  supp=$(pwd)/scripts
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1
  # Full stacks for the leak reports: Qt is built without frame pointers, and the suppressions
  # match the Qt functions below the allocation.
  export LSAN_OPTIONS=suppressions=$supp/lsan.supp:print_suppressions=0:fast_unwind_on_malloc=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=$supp/ubsan.supp
fi

cmake -S . -B "$build_dir" "${options[@]}" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
# Programs that need no display run without one.
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
ctest --test-dir "$build_dir" --output-on-failure -j"$(nproc)" --timeout 300
