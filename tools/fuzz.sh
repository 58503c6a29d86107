#!/usr/bin/env bash
# Fuzzes the readers of the two settings files with libFuzzer (clang), under
# AddressSanitizer and UndefinedBehaviorSanitizer.
#   tools/fuzz.sh [SECONDS]     (default 600)
# The corpus grows in build-fuzz/corpus; a crashing input is left in
# build-fuzz/ and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 >/dev/null

# Seeds: what the game writes, and the damage it must survive.
corpus=build-fuzz/corpus
if [ ! -d "$corpus" ]; then
  mkdir -p "$corpus"
  printf 'level 1: 3\nlevel 2: 0\nlevel 3: 12\nlevel 4: 7\nlevel 5: 1234567\nlevel 6: 5\n' >"$corpus/written"
  printf 'level 1: 8\r\nlevel 2: -3\r\nlevel 3: x22\r\n' >"$corpus/crlf-damaged"
  printf 'level 4: 99999999999\nlevel 4: 1\n' >"$corpus/beyond-32-bits"
  printf '2\n' >"$corpus/stereo"
fi
cd build-fuzz
status=0
./settings_files_fuzz -max_total_time="$seconds" -max_len=512 -print_final_stats=1 corpus \
  >fuzz.log 2>&1 || status=$?
grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|stat::new_units_added|==[0-9]+==ERROR|SUMMARY)' fuzz.log || true
echo "corpus: $(find corpus -type f | wc -l) inputs"
if [ "$status" -ne 0 ]; then
  tail -30 fuzz.log
  exit 1
fi
