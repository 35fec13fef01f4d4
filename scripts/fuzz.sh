#!/usr/bin/env bash
# Builds the three fuzzers with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each for a bounded time
# on a working copy of its committed seed corpus. Fails when a fuzzer finds
# a crash, a leak, a time-out or an out-of-memory; the input that did it is
# kept in build-fuzz/artifacts/.
#   FUZZ_SECONDS   seconds per fuzzer (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
cc=$(command -v clang-14 || command -v clang)
cxx=$(command -v clang++-14 || command -v clang++)
build=build-fuzz
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
  -DTRELLISOR_BUILD_FUZZ=ON -DTRELLISOR_BUILD_TESTS=OFF \
  "-DCMAKE_CXX_FLAGS=-fsanitize-coverage-ignorelist=$PWD/fuzz/coverage-ignore.txt" \
  "-DTRELLISOR_SANITIZE=address,undefined,fuzzer-no-link" >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_dispatcher fuzz_audio fuzz_editor

artifacts="$build/artifacts"
mkdir -p "$artifacts"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
summary=()
failed=0
for name in dispatcher audio editor; do
  work="$build/corpus/$name"
  rm -rf "$work"
  mkdir -p "$work"
  log="$build/fuzz-$name.log"
  echo "== fuzz_$name for ${seconds}s (seeds: fuzz/corpus/$name)"
  rc=0
  # New inputs go to the working copy; the committed seeds stay as they are.
  "$build/fuzz/fuzz_$name" "$work" "fuzz/corpus/$name" \
    -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 -max_len=4096 \
    -print_final_stats=1 -artifact_prefix="$artifacts/$name-" >"$log" 2>&1 || rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  corpus=$(find "$work" -type f | wc -l)
  if [ "$rc" -ne 0 ]; then
    failed=1
    echo "fuzz_$name FAILED (exit $rc); the end of its log:"
    tail -n 60 "$log"
    summary+=("fuzz_$name: FAILED after ${execs:-?} executions, see $log and $artifacts")
  else
    summary+=("fuzz_$name: ${execs:-0} executions in ${seconds}s (${rate:-0}/s), coverage ${cov:-?} edges, ${corpus} new corpus entries")
  fi
done
echo "== fuzzing summary"
printf '%s\n' "${summary[@]}"
exit "$failed"
