#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, run and test Trellisor.
set -euo pipefail
packages=(
  build-essential cmake pkg-config git
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libsndfile1-dev libcli11-dev
  libxcb1-dev libxcb-keysyms1-dev libxcb-xtest0-dev libfreetype-dev libfontconfig-dev libpng-dev
  fonts-dejavu-core fonts-liberation2 fonts-urw-base35
  xvfb xauth x11-apps
  ardour sox zam-plugins
  clang libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
