#!/usr/bin/env bash
# Builds Trellisor, installs the plug-in into ~/.vst and shows what a real
# host's scanner sees.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
cmake --install build
echo "Installed: $HOME/.vst/Trellisor.so"
scanner=/usr/lib/ardour7/ardour-vst-scanner
if [ -x "$scanner" ]; then
  LD_LIBRARY_PATH=/usr/lib/ardour7 "$scanner" -f -v "$HOME/.vst/Trellisor.so"
fi
