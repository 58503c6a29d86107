#!/usr/bin/env bash
# The player can always leave, and nothing is lost on the way: the real game
# under a virtual X server, ended by SIGTERM, SIGINT and SIGHUP in a game, a
# submenu and the main menu, a huge best score counted out and cut short by
# Esc or a signal, and a start without a display.
# The game should be gone about three seconds after a signal (two pauses of
# the menu and the farewell take 2.3 s); 4 s leaves room for a busy machine.
# Usage: quit_paths.sh GAME_BINARY DATA_DIR
set -uo pipefail

game=$(realpath "$1")
data=$(realpath "$2")
work=$(mktemp -d /tmp/tirauris-quit-XXXXXX)
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

display=:$((200 + RANDOM % 100))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; [ -n "${TIRAURIS_E2E_KEEP:-}" ] || rm -rf "$work"' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

key() { xdotool keydown "$1"; sleep 0.15; xdotool keyup "$1"; }
button() { xdotool mousedown "$1"; sleep 0.15; xdotool mouseup "$1"; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Starts the game in a fresh folder $1 with best scores $2; waits for its window.
start_game() {
  dir=$work/$1
  mkdir "$dir"
  ln -s "$data" "$dir/data"
  printf '%s' "$2" >"$dir/highscore.txt"
  (cd "$dir" && SDL_AUDIODRIVER=dummy exec "$game" >"$dir/stdout" 2>"$dir/stderr") &
  pid=$!
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name '' >/dev/null 2>&1 && break
    sleep 0.1
  done
  sleep 1.5
}

# Waits at most $1 s for the game to end; sets `code` and `took` (ms since `since`).
wait_game() {
  for _ in $(seq $(($1 * 20))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  took=$(($(now_ms) - since))
  if kill -0 "$pid" 2>/dev/null; then
    fail "$name: the game did not end within $1 s"
    kill -9 "$pid"
  fi
  wait "$pid"
  code=$?
}

# Checks a normal end: status 0, the title alone on standard output, the
# best scores file as expected ($1).
ended_normally() {
  [ "$code" -eq 0 ] || fail "$name: exit status $code"
  [ "$(cat "$dir/stdout")" = Tirauris ] || fail "$name: standard output '$(cat "$dir/stdout")'"
  [ "$(cat "$dir/highscore.txt")" = "${1%$'\n'}" ] || fail "$name: highscore.txt '$(cat "$dir/highscore.txt")'"
  echo "$name: ended with status $code, $took ms after the $what"
}

scores=$'level 1: 5\nlevel 2: 6\nlevel 3: 7\nlevel 4: 8\nlevel 5: 9\nlevel 6: 10\n'
huge=$'level 1: 2000000000\nlevel 2: 0\nlevel 3: 0\nlevel 4: 0\nlevel 5: 0\nlevel 6: 0\n'

# --- Termination signals where the player may be. Before, a signal in a
# game only left that game, and SIGHUP lost the run's scores.
for where in "game TERM" "submenu INT" "menu HUP"; do
  set -- $where
  name="SIG$2 in the $1"
  start_game "sig-$1" "$scores"
  if [ "$1" != menu ]; then
    key 2
    sleep 0.5
    button 1 # level 2's submenu
    sleep 0.6
  fi
  if [ "$1" = game ]; then
    key 1
    sleep 0.5
    button 1 # the game
    sleep 1.5
  fi
  since=$(now_ms)
  what="signal"
  kill -"$2" "$pid"
  wait_game 6
  ended_normally "$scores"
  [ "$took" -lt 4000 ] || fail "$name: took $took ms"
done

# --- A best score of 2000000000 counted out: Esc stops it (held this long,
# it closes the submenu as well), and a second Esc in the main menu quits.
# Before, nothing was read for 30 years.
name="count-out cut by Esc"
start_game count-esc "$huge"
key 1
sleep 0.5
button 1
sleep 0.6
key 3
sleep 0.5
button 1 # counting out
sleep 1.5
key Escape
sleep 1.2
kill -0 "$pid" 2>/dev/null || fail "$name: the game ended at the first Esc"
since=$(now_ms)
what="second Esc"
key Escape
wait_game 5
ended_normally "$huge"

name="count-out cut by SIGTERM"
start_game count-term "$huge"
key 1
sleep 0.5
button 1
sleep 0.6
key 3
sleep 0.5
button 1
sleep 1.5
since=$(now_ms)
what="signal"
kill -TERM "$pid"
wait_game 6
ended_normally "$huge"
[ "$took" -lt 4000 ] || fail "$name: took $took ms"

# --- No display: one line, status 1, at once.
name="no display"
dir=$work/no-display
mkdir "$dir"
ln -s "$data" "$dir/data"
since=$(now_ms)
(cd "$dir" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
  "$game" >"$dir/stdout" 2>"$dir/stderr") &
pid=$!
wait_game 5
[ "$code" -eq 1 ] || fail "$name: exit status $code"
[ "$(cat "$dir/stdout")" = "TiraurisNo display found: neither DISPLAY nor WAYLAND_DISPLAY is set." ] ||
  fail "$name: standard output '$(cat "$dir/stdout")'"
[ ! -e "$dir/highscore.txt" ] || fail "$name: highscore.txt was written"
echo "$name: status $code after $took ms"

if [ "$failures" -gt 0 ]; then
  echo "quit paths: $failures failure(s)"
  exit 1
fi
echo "quit paths: passed"
