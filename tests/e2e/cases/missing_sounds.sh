# shellcheck shell=bash disable=SC2154 # work, dir, data, game, code: run.sh's and lib.sh's
# A sound file missing: the message behind the title on standard output,
# exit code 1, and no best-score file written.

# expect_missing FILE: checks the ended game's exit and message.
expect_missing() {
  [ "$code" -eq 1 ] || fail "without $1: exit code $code, not 1"
  [ "$(cat "$dir/stdout")" = "TiraurisMix_LoadWAV: Couldn't open data/$1: No such file or directory" ] ||
    fail "without $1: standard output '$(cat "$dir/stdout")'"
  [ ! -e "$dir/highscore.txt" ] || fail "without $1: highscore.txt was written"
}

# A menu sound: the game ends while loading, maybe before its window shows.
case_menu_sound_missing() {
  folder_without "$work/game" menu/menuback.ogg
  launch_game "$work/game"
  wait_exit 30
  expect_missing menu/menuback.ogg
}

# A game's sound: starting that game from its submenu reaches its loading.
game_sound_missing() {
  game_chosen "$1" || return 0
  folder_without "$work/game" "$2"
  start_game "$work/game" || return
  wait_menu || return
  key "$1"
  button 1 # opens the submenu
  step_pause
  key 1
  button 1 # starts the game
  wait_exit 30
  expect_missing "$2"
}

case_game_1_sound_missing() { game_sound_missing 1 lvl1/hit.ogg; }
case_game_2_sound_missing() { game_sound_missing 2 lvl4/fizz.ogg; }
case_game_3_sound_missing() { game_sound_missing 3 lvl5/hey.ogg; }
case_game_4_sound_missing() { game_sound_missing 4 lvl2/buzz.ogg; }
case_game_5_sound_missing() { game_sound_missing 5 lvl3/heart.ogg; }
case_game_6_sound_missing() { game_sound_missing 6 lvl6/evacuation.ogg; }
