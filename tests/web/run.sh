#!/usr/bin/env bash
# The browser edition's tests: builds it in build-web/ (site, single page,
# the mixer sequence and the unit and scenario tests as WebAssembly), runs
# those unit and scenario tests under node, then the cases in Chromium
# (tests/web/*.test.mjs) beside the desktop's recording of the mixer sequence.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
build=$root/build-web
# emcc finds its own JavaScript modules there when node is not Debian's.
export NODE_PATH=/usr/share/nodejs

# The build only needs the processor: the cases that keep real time, here
# and in the other stages, go first.
[ -f "$build/CMakeCache.txt" ] || emcmake cmake -S . -B "$build" >/dev/null
nice -n 10 cmake --build "$build" -j2 >"$build/build.log" 2>&1 || { cat "$build/build.log"; exit 1; }

# The same mixer sequence on the desktop platform.
# shellcheck disable=SC2046
g++ -std=c++20 -O2 -Wall -Wextra -Werror -Isrc -o "$build/mixer_sequence_native" \
  tests/web/mixer_sequence.cpp src/platform/sdl_platform.cpp $(pkg-config --cflags --libs sdl SDL_mixer)

# shellcheck disable=SC2016 # expanded by the inner shell, the file name as $1
find "$build" -maxdepth 1 -name '*_test.js' -type f -print0 | sort -z |
  xargs -0 -n1 -P2 sh -c 'out=$(node "$1" --gtest_brief=1 2>&1) || { echo "FAILED $1"; echo "$out"; exit 1; }' sh
echo "all test programs compiled to WebAssembly passed under node"

WEB_BUILD=$build NATIVE_SEQUENCE=$build/mixer_sequence_native \
  node --test --test-concurrency=2 --test-reporter=spec tests/web/
