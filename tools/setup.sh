#!/usr/bin/env bash
# Shared set-up: installs what is missing, builds the game, makes the sound
# pack when it is missing or stale, and gives the game folder (this folder)
# its settings file. Safe to run again and again.
#
# TIRAURIS_SETUP_FOR_TESTS=1 (./test.sh) adds what the tests need and builds
# everything; otherwise (./play.sh) only the game and its sounds are built.
# Proven on fresh Debian 12 and 13 roots by tests/install/fresh_setup.sh.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

# The build: compiler, CMake, SDL 1.2 and its mixer, GoogleTest (the build
# folder is configured with its tests), the sound pack's tools, and what the
# Debian package's build asks for (dpkg-shlibdeps and the `file` it runs,
# dpkg-buildflags).
packages=(build-essential cmake pkg-config libsdl1.2-compat-dev libsdl-mixer1.2-dev libgtest-dev
  espeak-ng sox libsox-fmt-all vorbis-tools file dpkg-dev)
if [ "${TIRAURIS_SETUP_FOR_TESTS:-0}" = 1 ]; then
  # libclang-rt-dev follows the release's default clang (14 on Debian 12,
  # 19 on Debian 13): the fuzzer's runtime.
  packages+=(xvfb xdotool clang libclang-rt-dev python3-numpy shellcheck clang-tidy)
fi

# --- Browser edition (tests/web): its compiler, a browser and node ----------
if [ "${TIRAURIS_SETUP_FOR_TESTS:-0}" = 1 ]; then
  packages+=(emscripten chromium)
  command -v node >/dev/null || packages+=(nodejs npm)
fi
# --- end of the browser edition's packages ----------------------------------

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || {
      echo "These Debian packages are missing: ${missing[*]}. Install them as root (or install sudo), then run this again." >&2
      exit 1
    }
    sudo=(sudo)
  fi
  # Playing needs only the packages named; the tests' tools (the browser
  # among them) are installed as apt would, with what they recommend.
  lean=(--no-install-recommends)
  [ "${TIRAURIS_SETUP_FOR_TESTS:-0}" != 1 ] || lean=()
  "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${lean[@]}" "${missing[@]}" >/dev/null
fi

# The sound pack lives in the build folder; a pack an older build made in
# data/ moves there rather than being made again.
if [ -d data ] && [ ! -L data ]; then
  if [ -e build/data ]; then
    echo "data/ holds an older sound pack; the game now plays build/data. Move your own recordings there, remove data/ and run this again." >&2
    exit 1
  fi
  mkdir -p build
  mv data build/data
  rm -f build/data/.check_pack build/data/.mixcheck
fi

# The presets are in CMakePresets.json; the tests' build fails on a warning.
if [ "${TIRAURIS_SETUP_FOR_TESTS:-0}" = 1 ]; then
  cmake --preset build -DTIRAURIS_WERROR=ON >/dev/null
else
  cmake --preset build >/dev/null
fi
# The build also makes the sound pack (see cmake/install.cmake).
if [ "${TIRAURIS_SETUP_FOR_TESTS:-0}" = 1 ]; then
  cmake --build build -j"$(nproc)"
else
  cmake --build build -j"$(nproc)" --target tirauris sound_pack
fi

# The game reads its sounds from data/ in the folder it runs in.
ln -sfn build/data data

# The game is meant for headphones: stereo unless the player chose otherwise.
[ -f monostereo.txt ] || echo 2 > monostereo.txt

# --- Browser edition (tests/web): the test driver from npm, pinned by
# package-lock.json; it drives the system's Chromium and downloads no browser.
if [ "${TIRAURIS_SETUP_FOR_TESTS:-0}" = 1 ] && { [ ! -f node_modules/.package-lock.json ] ||
  [ package-lock.json -nt node_modules/.package-lock.json ]; }; then
  PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error
fi
# --- end of the browser edition's block -------------------------------------
