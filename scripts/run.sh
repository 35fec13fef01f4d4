#!/usr/bin/env bash
# The main job: build Trellisor, install the plug-in into ~/.vst, render the
# built-in demo through it with a few interesting settings and draw the
# spectrogram of input and output. Results land in ./demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target Trellisor trellisor-render
cmake --install build
mkdir -p demo
build/trellisor-render --plugin "$HOME/.vst/Trellisor.so" --save-input demo/demo-in.wav \
  --set regen=1 --set type=0.25 --set freqnudge=0.7 --set "win type=1" --set thresh=1 \
  --spectrogram demo/demo-spectra.png demo/demo-out.wav
echo
echo "Plug-in installed: $HOME/.vst/Trellisor.so"
echo "Demo input:        $PWD/demo/demo-in.wav"
echo "Rendered output:   $PWD/demo/demo-out.wav"
echo "Spectrogram:       $PWD/demo/demo-spectra.png"
