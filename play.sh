#!/usr/bin/env bash
# Sets everything up, then starts the game in this folder.
set -euo pipefail
cd "$(dirname "$0")"
bash tools/setup.sh
exec ./build/tirauris
