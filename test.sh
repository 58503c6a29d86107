#!/usr/bin/env bash
# Sets everything up, then runs every test: unit and scenario tests, the
# sound pack check, the end-to-end run of the real game under a virtual X
# server, and the unit and scenario tests again under the sanitizers.
set -euo pipefail
cd "$(dirname "$0")"
TIRAURIS_SETUP_FOR_TESTS=1 bash tools/setup.sh

echo "== unit and scenario tests"
ctest --test-dir build --output-on-failure -j"$(nproc)"

echo "== sound pack"
bash tests/sounds/check_pack.sh data
/usr/bin/python3 sounds/mixcheck.py data

echo "== end to end"
bash tests/e2e/run.sh build/tirauris data
bash tests/e2e/bad_inputs.sh build/tirauris data
bash tests/e2e/quit_paths.sh build/tirauris data

echo "== fuzzing the settings file readers, briefly"
bash tools/fuzz.sh 3

echo "== unit and scenario tests with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTIRAURIS_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$(nproc)"
ctest --test-dir build-sanitize --output-on-failure -j"$(nproc)"

echo "All tests passed."
