#!/usr/bin/env bash
# Drives the real game under virtual X servers with real input. Every
# function named case_* in cases/*.sh is one case: it runs in a subshell of
# its own, with its own X server and folder ($work), side by side with the
# others; lib.sh holds the helpers. A case fails by calling `fail` (or by a
# wait that times out). Usage: run.sh GAME_BINARY DATA_DIR
#   TIRAURIS_E2E_CASES=REGEX   runs only the cases whose name matches
#   TIRAURIS_E2E_GAMES="1 3"   plays only these games
#   TIRAURIS_E2E_KEEP=1        keeps the folders (recorded sound, output)
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
game=$(realpath "$1")
data=$(realpath "$2")
root=$(mktemp -d /tmp/tirauris-e2e-XXXXXX)
if [ -n "${TIRAURIS_E2E_KEEP:-}" ]; then echo "keeping $root"; else trap 'rm -rf "$root"' EXIT; fi

source "$here/lib.sh"
# shellcheck source=/dev/null # each case file is checked on its own
for file in "$here"/cases/*.sh; do source "$file"; done

names=()
pids=()
for name in $(declare -F | awk '$3 ~ /^case_/ {print $3}'); do
  [[ $name =~ ${TIRAURIS_E2E_CASES:-.} ]] || continue
  (
    work=$root/${name#case_}
    mkdir -p "$work"
    trap stop_x EXIT
    start=$SECONDS
    start_x && "$name"
    echo "($((SECONDS - start)) s)"
    exit $((failures > 0))
  ) >"$root/${name#case_}.log" 2>&1 &
  names+=("$name")
  pids+=($!)
done

failed=0
for i in "${!names[@]}"; do
  if wait "${pids[$i]}"; then result=ok; else result=FAILED; failed=$((failed + 1)); fi
  echo "$result ${names[$i]#case_} $(tail -1 "$root/${names[$i]#case_}.log")"
  [ "$result" = ok ] || sed 's/^/    /' "$root/${names[$i]#case_}.log"
done

if [ "$failed" -gt 0 ]; then
  echo "end to end: $failed of ${#names[@]} case(s) failed"
  exit 1
fi
echo "end to end: ${#names[@]} cases passed"
