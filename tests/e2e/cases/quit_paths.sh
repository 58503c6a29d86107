# shellcheck shell=bash disable=SC2154 # work, dir, data, game, code: run.sh's and lib.sh's
# The player can always leave, and nothing is lost on the way: the game
# ended by SIGTERM, SIGINT and SIGHUP in a game, a submenu and the main menu,
# a huge best score counted out and cut short by Esc or a signal, and a
# start without a display.
# The game should be gone about three seconds after a signal (two pauses of
# the menu and the farewell take 2.3 s); 4 s leaves room for a busy machine.

quit_scores=$'level 1: 5\nlevel 2: 6\nlevel 3: 7\nlevel 4: 8\nlevel 5: 9\nlevel 6: 10\n'
huge_score=$'level 1: 2000000000\nlevel 2: 0\nlevel 3: 0\nlevel 4: 0\nlevel 5: 0\nlevel 6: 0\n'

# Starts the game with best scores $1 and waits for its menu.
start_quit_game() {
  game_folder "$work/game" "$1"
  start_game "$work/game" && wait_menu
}

# Opens game $1's submenu with its digit.
open_submenu() {
  key "$1"
  button 1
  step_pause
}

# Sends signal $1 and waits for the end; sets `code` and `took` (ms).
signal_and_wait() {
  local since
  since=$(now_us)
  kill -"$1" "$pid"
  wait_exit 6
  took=$((($(now_us) - since) / 1000))
  echo "ended $took ms after SIG$1"
  [ "$took" -lt 4000 ] || fail "took $took ms after SIG$1"
}

# A normal end: status 0, the title alone on standard output, the best
# scores file as expected ($1).
ended_normally() {
  [ "$code" -eq 0 ] || fail "exit status $code"
  [ "$(cat "$dir/stdout")" = Tirauris ] || fail "standard output '$(cat "$dir/stdout")'"
  [ "$(cat "$dir/highscore.txt")" = "${1%$'\n'}" ] ||
    fail "highscore.txt '$(cat "$dir/highscore.txt")'"
}

# Before, a signal in a game only left that game, and SIGHUP lost the run's scores.
case_sigterm_in_a_game() {
  start_quit_game "$quit_scores" || return
  open_submenu 2
  key 1
  start_level_and_wait || return
  signal_and_wait TERM
  ended_normally "$quit_scores"
}

case_sigint_in_a_submenu() {
  start_quit_game "$quit_scores" || return
  open_submenu 2
  signal_and_wait INT
  ended_normally "$quit_scores"
}

case_sighup_in_the_menu() {
  start_quit_game "$quit_scores" || return
  signal_and_wait HUP
  ended_normally "$quit_scores"
}

# The music reads its file every 0.5 to 0.8 s while it plays.
music_halted() {
  bytes_read
  local before=$bytes
  nap 1.2
  bytes_read
  [ "$bytes" = "$before" ]
}

# Counts out game 1's best score of 2000000000 (before, nothing was read for
# 30 years) and waits until it has begun: counting halts the menu music.
start_count_out() {
  start_quit_game "$huge_score" || return
  open_submenu 1
  key 3
  button 1
  wait_for 30 "the count-out to halt the music" music_halted
}

# Esc stops the count-out (held this long, it closes the submenu as well),
# and a second Esc in the main menu quits.
case_count_out_cut_by_esc() {
  start_count_out || return
  bytes_read
  local before=$bytes
  key Escape
  # Once counting stops, the submenu starts the music again.
  wait_for 30 "the music after the count-out" reads_since "$before" || return
  sleep 0.6 # the menu pauses 500 ms after a submenu closes
  running || fail "the game ended at the first Esc"
  key Escape
  wait_exit 5
  ended_normally "$huge_score"
}

case_count_out_cut_by_sigterm() {
  start_count_out || return
  signal_and_wait TERM
  ended_normally "$huge_score"
}

# No display: one line, status 1, at once.
case_no_display() {
  dir=$work/game
  mkdir "$dir"
  ln -s "$data" "$dir/data"
  (cd "$dir" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
    "$game" >"$dir/stdout" 2>"$dir/stderr") &
  pid=$!
  wait_exit 5
  [ "$code" -eq 1 ] || fail "exit status $code"
  [ "$(cat "$dir/stdout")" = "TiraurisNo display found: neither DISPLAY nor WAYLAND_DISPLAY is set." ] ||
    fail "standard output '$(cat "$dir/stdout")'"
  [ ! -e "$dir/highscore.txt" ] || fail "highscore.txt was written"
}
