# shellcheck shell=bash disable=SC2154 # work, dir, data, game, code: run.sh's and lib.sh's
# Whole runs with real input: a walk through the menu, games started from
# their submenus and left with Esc, then quitting with key 7 and the left
# button. The six games are shared between three runs that go side by side.

best_scores=$'level 1: 11\nlevel 2: 22\nlevel 3: 33\nlevel 4: 44\nlevel 5: 55\nlevel 6: 66\n'

# Steps through the main menu with the right button, waits for an
# announcement, then steps through game 1's submenu and closes it with Esc.
walk_menu() {
  button 3
  step_pause
  button 3
  sleep 2.2 # an entry is announced 2 s after the last step
  key 1
  button 1 # opens the submenu
  step_pause
  button 3
  step_pause
  button 3
  step_pause
  key Escape # closes the submenu
  sleep 0.6  # the menu pauses 500 ms after a submenu closes
}

# Opens game $1's submenu with its digit, starts the game, moves the
# pointer, leaves the game with Esc and closes the submenu with Esc.
play_game() {
  key "$1"
  button 1 # opens the submenu
  step_pause
  key 1
  start_level_and_wait || return 1
  xdotool mousemove_relative -- -60 40
  sleep 0.3
  leave_level_and_wait || return 1
  key Escape # closes the submenu
  sleep 0.6  # the menu pauses 500 ms after a submenu closes
}

# whole_run WALK GAMES...: one run of the game; WALK is yes or no.
whole_run() {
  local walk=$1 n
  shift
  game_folder "$work/game" "$best_scores"
  start_game "$work/game" || return
  wait_menu || return
  [ "$walk" = no ] || walk_menu
  for n in "$@"; do
    game_chosen "$n" || continue
    play_game "$n" || return
    running || { fail "the game ended inside game $n"; return; }
  done
  key 7
  button 1 # quit
  wait_exit 10

  [ "$code" -eq 0 ] || fail "exit code $code, not 0"
  [ "$(cat "$dir/stdout")" = "Tirauris" ] || fail "standard output: '$(cat "$dir/stdout")'"
  # Nothing scored above the prepared best scores, so they come back unchanged.
  [ "$(cat "$dir/highscore.txt")" = "${best_scores%$'\n'}" ] ||
    fail "highscore.txt changed: $(cat "$dir/highscore.txt")"
  check_heard
}

case_menu_then_game_1() { whole_run yes 1; }
case_games_2_to_4() { whole_run no 2 3 4; }
case_games_5_and_6() { whole_run no 5 6; }
