#!/usr/bin/env bash
# Installs missing dependencies, builds everything and runs every test:
#   1. the whole suite in build/ (unit, integration, Xvfb windows, Ardour's
#      scanner, the DAW render, the Debian package);
#   2. the whole suite again under AddressSanitizer + UndefinedBehaviorSanitizer
#      in build-asan/, and the threading tests under ThreadSanitizer in
#      build-tsan/ (scripts/sanitize.sh);
#   3. the three fuzzers for a bounded time each (scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
jobs=$(nproc)
echo "== Build and test in build/"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"
./scripts/sanitize.sh
./scripts/fuzz.sh
echo "== Every step passed"
