#!/usr/bin/env bash
# Shared set-up: installs what is missing, builds the game, makes the sound
# pack when it is missing or stale, and gives the game folder (this folder)
# its settings file. Safe to run again and again.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

packages=(build-essential cmake pkg-config libsdl1.2-compat-dev libsdl-mixer1.2-dev
  espeak-ng sox libsox-fmt-all vorbis-tools)
if [ "${TIRAURIS_SETUP_FOR_TESTS:-0}" = 1 ]; then
  packages+=(libgtest-dev xvfb xdotool clang libclang-rt-14-dev python3-numpy)
fi

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# The build also makes the sound pack in data/ (see cmake/install.cmake).
cmake --build build -j"$(nproc)"

# The game is meant for headphones: stereo unless the player chose otherwise.
[ -f monostereo.txt ] || echo 2 > monostereo.txt
