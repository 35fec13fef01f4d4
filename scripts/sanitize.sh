#!/usr/bin/env bash
# The test suite under the sanitizers, each in a build tree of its own:
#   build-asan/  every test under AddressSanitizer + UndefinedBehaviorSanitizer
#                (LeakSanitizer included), all of ctest;
#   build-tsan/  the threading tests (ctest label "threads") under
#                ThreadSanitizer.
# Usage: scripts/sanitize.sh [asan|tsan]   (both when no argument is given)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
what=${1:-all}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}

if [ "$what" = all ] || [ "$what" = asan ]; then
  echo "== AddressSanitizer + UndefinedBehaviorSanitizer: whole suite in build-asan/"
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DTRELLISOR_SANITIZE=address,undefined" >/dev/null
  cmake --build build-asan -j"$jobs"
  ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 1500
fi

if [ "$what" = all ] || [ "$what" = tsan ]; then
  echo "== ThreadSanitizer: tests labelled \"threads\" in build-tsan/"
  cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRELLISOR_SANITIZE=thread >/dev/null
  # Only the executables that hold threading tests.
  cmake --build build-tsan -j"$jobs" --target reliability_thread_tests engine_tests
  ctest --test-dir build-tsan -L threads --output-on-failure --no-tests=error
fi
