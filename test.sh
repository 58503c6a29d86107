#!/usr/bin/env bash
# Sets everything up, then runs every test: unit and scenario tests, the
# sound pack checks, the end-to-end runs of the real game under virtual X
# servers, the browser edition, a short fuzz run, the unit and scenario tests
# again under the sanitizers, shellcheck and clang-tidy. The stages run side
# by side; each one's output is shown in order once all have ended. To add a
# stage, add a `stage` line below.
set -euo pipefail
cd "$(dirname "$0")"
TIRAURIS_SETUP_FOR_TESTS=1 bash tools/setup.sh

logs=$(mktemp -d /tmp/tirauris-test-XXXXXX)
trap 'rm -rf "$logs"' EXIT
names=()
pids=()

# stage NAME [--low] COMMAND...: runs COMMAND in the background, its output
# kept; --low gives the processor to the other stages first.
stage() {
  local name=$1 low=0
  shift
  [ "$1" != --low ] || { low=1; shift; }
  (
    [ $low = 0 ] || renice -n 10 -p $BASHPID >/dev/null
    start=$SECONDS
    status=0
    "$@" || status=$?
    echo "($((SECONDS - start)) s)"
    exit $status
  ) >"$logs/${#names[@]}" 2>&1 &
  names+=("$name")
  pids+=($!)
}

# Runs every test program of build folder $1, two at a time (one process a
# program, not one per test: that is what makes the sanitizer build slow).
test_programs() {
  local count
  count=$(find "$1" -maxdepth 1 -name '*_test' -type f -executable | wc -l)
  [ "$count" -gt 0 ] || { echo "no test programs in $1"; return 1; }
  # The inner shell gets each file name as $1, never pasted into its code.
  # shellcheck disable=SC2016
  find "$(realpath "$1")" -maxdepth 1 -name '*_test' -type f -executable -print0 | sort -z |
    xargs -0 -n1 -P2 sh -c 'out=$(cd "$(dirname "$1")" && "$1" --gtest_brief=1 2>&1) ||
      { echo "FAILED $1"; echo "$out"; exit 1; }' sh || return 1
  echo "all $count test programs in $1 passed"
}

# The pack's checks depend only on the pack, the checking script and the
# games' tables: a pass is kept in build/check_pack.cache and shown again
# while none of them changes.
check_pack() {
  local key saved=build/check_pack.cache
  key=$( (cat tests/sounds/check_pack.sh && build/tirauris_tables &&
    find "$pack" -name '*.ogg' -print0 | sort -z | xargs -0 sha256sum) | sha256sum)
  if [ -f "$saved" ] && [ "$(head -1 "$saved")" = "$key" ]; then
    tail -n +2 "$saved"
    echo "(pack and check unchanged since this passed)"
    return
  fi
  local out
  out=$(bash tests/sounds/check_pack.sh "$pack" build/tirauris_tables) || { echo "$out"; return 1; }
  echo "$out"
  printf '%s\n%s\n' "$key" "$out" >"$saved"
}

sanitized_tests() {
  cmake --preset sanitize >/dev/null && cmake --build build-sanitize -j"$(nproc)" &&
    test_programs build-sanitize
}

# Every shell script: *.sh and whatever starts with a sh or bash line.
shell_scripts() {
  local file
  { git ls-files -z --cached --others --exclude-standard 2>/dev/null ||
    find . -path './build*' -prune -o -path ./node_modules -prune -o -type f -print0; } |
    while IFS= read -r -d '' file; do
      file=${file#./}
      case $file in
        *.sh) printf '%s\0' "$file" ;;
        *) [ -f "$file" ] && head -n1 -- "$file" | grep -qE '^#!(/usr)?/bin/(env )?(ba)?sh\b' &&
          printf '%s\0' "$file" ;;
      esac
    done
}

shellcheck_scripts() {
  local -a scripts
  mapfile -d '' scripts < <(shell_scripts)
  shellcheck -x -P SCRIPTDIR -- "${scripts[@]}" || return 1
  echo "shellcheck: ${#scripts[@]} scripts, no findings"
}

# The game reads data/ in the folder it runs in; the pack is the build's.
pack=build/data
stage "end to end" bash tests/e2e/run.sh build/tirauris "$pack"
stage "end to end: bad inputs" bash tests/e2e/bad_inputs.sh build/tirauris "$pack"
stage "browser edition" bash tests/web/run.sh
# The games under test keep real time: the stages that only need the
# processor give way to them.
stage "unit and scenario tests" --low test_programs build
stage "sound pack" --low check_pack
stage "sound pack: mix" --low /usr/bin/python3 sounds/mixcheck.py "$pack" --tables build/tirauris_tables \
  --cache=build/mixcheck.cache
stage "fuzzing the settings file readers, briefly" --low bash tools/fuzz.sh 3
stage "unit and scenario tests with AddressSanitizer and UndefinedBehaviorSanitizer" --low sanitized_tests
stage "shell scripts: shellcheck" --low shellcheck_scripts
# Only files whose inputs changed are checked again (a changed header
# everywhere it is included): cheap warm, minutes after a change to them all.
stage "C++: clang-tidy" --low /usr/bin/python3 tools/tidy.py build

failed=()
for i in "${!names[@]}"; do
  echo "== ${names[$i]}"
  wait "${pids[$i]}" || failed+=("${names[$i]}")
  cat "$logs/$i"
done
if [ ${#failed[@]} -gt 0 ]; then
  printf 'FAILED: %s\n' "${failed[@]}"
  exit 1
fi
echo "All tests passed."
