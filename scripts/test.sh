#!/usr/bin/env bash
# Builds everything and runs every test twice: an optimised build, then a
# build under AddressSanitizer and UndefinedBehaviorSanitizer.
#
#   scripts/test.sh            both builds
#   scripts/test.sh release    the optimised build only
#   scripts/test.sh sanitize   the sanitizer build only
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
which=${1:-all}

run() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DTSL_WERROR=ON "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

if [ "$which" = all ] || [ "$which" = release ]; then
  run build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
if [ "$which" = all ] || [ "$which" = sanitize ]; then
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  run build/sanitize -DCMAKE_BUILD_TYPE=Debug -DTSL_SANITIZE=ON -DTSL_BENCHMARKS=OFF
fi
