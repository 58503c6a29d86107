# shellcheck shell=bash
# shellcheck disable=SC2154 # game, work, code, dir, pid and xvfb come from run.sh and lib.sh
# The desktop failing under the game: a display that cannot be reached, the
# X server going away in a game, the window destroyed by another client,
# standard error closed at start, and a pointer that moves by absolute
# positions (a tablet, a remote desktop).

# DISPLAY naming a server that is not there: one line, status 1, at once,
# instead of an invisible game that plays its menu music for ever.
case_display_unreachable() {
  dir=$work/game
  game_folder "$dir"
  local number=79
  while [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
  (cd "$dir" && DISPLAY=:$number SDL_AUDIODRIVER=dummy exec "$game" >"$dir/stdout" 2>"$dir/stderr") &
  pid=$!
  wait_exit 10
  [ "$code" -eq 1 ] || fail "exit status $code"
  [[ $(cat "$dir/stdout") == "TiraurisCan't init SDL: no display could be reached"* ]] ||
    fail "standard output '$(cat "$dir/stdout")'"
}

# The X server ends inside a game: the game ends as if its window had been
# closed, with the farewell, the save and status 0 (before, Xlib ended it
# with status 1 and the run's best scores were lost).
case_display_lost_in_a_game() {
  game_folder "$work/game" "$quit_scores"
  start_game "$work/game" && wait_menu || return
  open_submenu 1
  key 1
  start_level_and_wait || return
  kill "$xvfb"
  wait_exit 10
  [ "$code" -eq 0 ] || fail "exit status $code"
  grep -q '^The display went away' "$dir/stderr" || fail "standard error '$(cat "$dir/stderr")'"
  [ "$(cat "$dir/highscore.txt")" = "${quit_scores%$'\n'}" ] ||
    fail "highscore.txt '$(cat "$dir/highscore.txt")'"
}

# Started with standard error closed, the X connection took its place and
# the game's messages went into it. Now it is /dev/null, and Esc quits.
case_stderr_closed() {
  dir=$work/game
  game_folder "$dir"
  (cd "$dir" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$dir/mixed.raw" exec "$game" \
    >"$dir/stdout" 2>&-) &
  pid=$!
  wait_for 30 "the window" window_shown || return
  wait_menu || return
  [ "$(readlink "/proc/$pid/fd/2")" = /dev/null ] ||
    fail "standard error is $(readlink "/proc/$pid/fd/2")"
  key Escape
  wait_exit 10
  [ "$code" -eq 0 ] || fail "exit status $code"
}

# The loudness of the game's output over the next 0.3 s, after 0.3 s for
# the last move to be heard.
loudness() {
  nap 0.3
  local from to
  from=$(stat -c %s "$dir/mixed.raw")
  nap 0.3
  to=$(stat -c %s "$dir/mixed.raw")
  from=$((from - from % 4))
  tail -c +$((from + 1)) "$dir/mixed.raw" | head -c $((to - from)) |
    sox -t raw -r 44100 -e signed -b 16 -c 2 - -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}'
}

# Game 1's tone sounds only within 200 pixels of its hidden target. Absolute
# moves (each one from the window's centre, where SDL puts the pointer back)
# walk the aim over three rows of the field, 100 pixels apart: somewhere the
# tone sounds and somewhere it is silent. Before, the aim never moved.
case_absolute_pointer_moves_the_aim() {
  game_folder "$work/game"
  start_game "$work/game" && wait_menu || return
  open_submenu 1
  key 1
  start_level_and_wait || return
  local levels=() row dx
  move() { xdotool mousemove $((400 + $1)) $((300 + $2)); }
  move 0 -200
  move -300 0
  for row in 1 2 3; do
    dx=100
    [ $((row % 2)) = 1 ] || dx=-100
    levels+=("$(loudness)")
    for _ in 1 2 3 4 5 6; do
      move "$dx" 0
      levels+=("$(loudness)")
    done
    move 0 200
  done
  echo "loudness at each point: ${levels[*]}"
  awk -v list="${levels[*]}" 'BEGIN {
    n = split(list, v, " "); lo = 1; hi = 0
    for (i = 1; i <= n; i++) { if (v[i] < lo) lo = v[i]; if (v[i] > hi) hi = v[i] }
    exit !(n == 21 && hi > 0.005 && hi > 4 * lo)
  }' || fail "the tone did not change as the aim moved"
}

# Another client destroys the game's window: the game ends as if the window
# had been closed, with status 0 (before, Xlib ended it with status 1).
case_window_destroyed() {
  game_folder "$work/game" "$quit_scores"
  start_game "$work/game" && wait_menu || return
  local window
  window=$(xdotool search --pid "$pid" | head -1)
  python3 -c 'import ctypes, sys
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
d = ctypes.c_void_p(x.XOpenDisplay(None))
x.XDestroyWindow(d, ctypes.c_ulong(int(sys.argv[1])))
x.XSync(d, 0)' "$window" || { fail "could not destroy window '$window'"; return; }
  wait_exit 10
  [ "$code" -eq 0 ] || fail "exit status $code"
  grep -q "^The game's window was destroyed" "$dir/stderr" || fail "standard error '$(cat "$dir/stderr")'"
  [ "$(cat "$dir/highscore.txt")" = "${quit_scores%$'\n'}" ] ||
    fail "highscore.txt '$(cat "$dir/highscore.txt")'"
}
