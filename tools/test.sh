#!/usr/bin/env bash
# Builds rulecore twice and runs the whole test suite on each build:
#   build/release  Release
#   build/asan     Debug with AddressSanitizer, UndefinedBehaviorSanitizer
#                  and LeakSanitizer
# Installs missing build dependencies first. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" </dev/null
}

echo "== Release build"
run_suite build/release -DCMAKE_BUILD_TYPE=Release
echo "== Debug build with sanitizers"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite build/asan -DCMAKE_BUILD_TYPE=Debug -DRULECORE_SANITIZE=ON -DRULECORE_BUILD_BENCH=OFF
