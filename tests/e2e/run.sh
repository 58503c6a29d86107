#!/usr/bin/env bash
# Drives the real game under a virtual X server with real input: start-up,
# a walk through the menu, each game started from its submenu and left with
# Esc, quitting with key 7 and the left button; then a start-up with a menu
# sound missing. Usage: run.sh GAME_BINARY DATA_DIR
set -uo pipefail

game=$(realpath "$1")
data=$(realpath "$2")
work=$(mktemp -d /tmp/tirauris-e2e-XXXXXX)
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# A private X server; SDL writes what the game mixes to a file at real-time
# pace, so the run can be heard afterwards.
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; [ -n "${TIRAURIS_E2E_KEEP:-}" ] || rm -rf "$work"' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

key() { xdotool keydown "$1"; sleep 0.15; xdotool keyup "$1"; }
button() { xdotool mousedown "$1"; sleep 0.15; xdotool mouseup "$1"; }

# Starts the game in folder $1 and waits for its window.
start_game() {
  (cd "$1" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$1/mixed.raw" exec "$game" >"$1/stdout" 2>"$1/stderr") &
  pid=$!
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name '' >/dev/null 2>&1 && break
    sleep 0.1
  done
  sleep 1.5
}

# Waits for the game to end, at most $1 seconds; sets `code`.
wait_game() {
  for _ in $(seq $(($1 * 10))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    fail "the game did not end"
    kill -9 "$pid"
  fi
  wait "$pid"
  code=$?
}

# Opens game N's submenu with digit N, starts it, plays a moment, leaves it
# with Esc and closes the submenu with Esc.
play_game() {
  key "$1"
  sleep 0.5
  button 1 # opens the submenu
  sleep 0.6
  key 1
  sleep 0.5
  button 1 # starts the game
  sleep 1.5
  xdotool mousemove_relative -- -60 40
  sleep 0.5
  key Escape # leaves the game
  sleep 1.0
  key Escape # closes the submenu
  sleep 1.0
}

# --- A whole run: every game once, then quit.
run1=$work/run1
mkdir "$run1"
ln -s "$data" "$run1/data"
echo 2 >"$run1/monostereo.txt"
best=$'level 1: 11\nlevel 2: 22\nlevel 3: 33\nlevel 4: 44\nlevel 5: 55\nlevel 6: 66\n'
printf '%s' "$best" >"$run1/highscore.txt"
start_game "$run1"

# Step through the main menu with the right button, and in a submenu.
button 3
sleep 0.5
button 3
sleep 2.5 # long enough to be announced
key 1
sleep 0.5
button 1
sleep 0.6
button 3
sleep 0.5
button 3
sleep 0.5
key Escape
sleep 1.0
for n in ${TIRAURIS_E2E_GAMES:-1 2 3 4 5 6}; do
  play_game "$n"
  kill -0 "$pid" 2>/dev/null || { fail "the game ended inside game $n"; break; }
done
key 7
sleep 0.5
button 1 # quit
wait_game 10

[ "$code" -eq 0 ] || fail "exit code $code, not 0"
[ "$(cat "$run1/stdout")" = "Tirauris" ] || fail "standard output: '$(cat "$run1/stdout")'"
[ "$(wc -l <"$run1/highscore.txt")" -eq 6 ] || fail "highscore.txt has not six lines"
# Nothing scored above the prepared best scores, so they come back unchanged.
[ "$(cat "$run1/highscore.txt")" = "${best%$'\n'}" ] || fail "highscore.txt changed: $(cat "$run1/highscore.txt")"
# Something was heard: the mixed output is not silence.
if [ -s "$run1/mixed.raw" ]; then
  peak=$(sox -t raw -r 44100 -e signed -b 16 -c 2 "$run1/mixed.raw" -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}')
  awk -v p="$peak" 'BEGIN { exit !(p > 0.01) }' || fail "the game was silent (peak $peak)"
  echo "mixed $(($(stat -c %s "$run1/mixed.raw") / 176400)) s of sound, peak $peak"
else
  fail "no sound was mixed"
fi

# A game folder whose data lacks one file ($2, relative to data/).
folder_without() {
  local dir=$work/$1
  mkdir -p "$dir/data"
  for folder in "$data"/*/; do
    name=$(basename "$folder")
    if [ "$name" = "$(dirname "$2")" ]; then
      mkdir "$dir/data/$name"
      for file in "$folder"*; do ln -s "$file" "$dir/data/$name/"; done
      rm "$dir/data/$2"
    else
      ln -s "$folder" "$dir/data/$name"
    fi
  done
  echo "$dir"
}

# --- A menu sound missing: the message behind the title, exit code 1.
run2=$(folder_without run2 menu/menuback.ogg)
start_game "$run2"
wait_game 10
[ "$code" -eq 1 ] || fail "missing sound: exit code $code, not 1"
[ "$(cat "$run2/stdout")" = "TiraurisMix_LoadWAV: Couldn't open data/menu/menuback.ogg" ] ||
  fail "missing sound: standard output '$(cat "$run2/stdout")'"
[ ! -e "$run2/highscore.txt" ] || fail "missing sound: highscore.txt was written"

# --- A game's sound missing: starting that game from its submenu reaches
# its loading, which ends the program with the message.
declare -A lacks=([1]=lvl1/hit.ogg [2]=lvl4/fizz.ogg [3]=lvl5/hey.ogg [4]=lvl2/buzz.ogg
  [5]=lvl3/heart.ogg [6]=lvl6/evacuation.ogg)
for n in ${TIRAURIS_E2E_GAMES:-1 2 3 4 5 6}; do
  dir=$(folder_without "lacks$n" "${lacks[$n]}")
  start_game "$dir"
  key "$n"
  sleep 0.5
  button 1
  sleep 0.6
  key 1
  sleep 0.5
  button 1
  wait_game 10
  [ "$code" -eq 1 ] || fail "game $n without ${lacks[$n]}: exit code $code, not 1"
  [ "$(cat "$dir/stdout")" = "TiraurisMix_LoadWAV: Couldn't open data/${lacks[$n]}" ] ||
    fail "game $n without ${lacks[$n]}: standard output '$(cat "$dir/stdout")'"
done

if [ "$failures" -gt 0 ]; then
  echo "end to end: $failures failure(s)"
  exit 1
fi
echo "end to end: passed"
