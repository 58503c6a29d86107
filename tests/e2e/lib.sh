# shellcheck shell=bash disable=SC2154 # work, data, game: run.sh's
# Helpers for the end-to-end cases, sourced by run.sh. Each case runs in a
# subshell of its own with a private X server and a private game folder, so
# cases run side by side. Waits are for conditions (the window shown, sound
# in the recorded output, the pointer warped, the process gone), each with a
# generous time limit; the only fixed pauses are the game's own rules (the
# 400 ms between two menu steps, the 500 ms pauses after a submenu closes).
#
# Set by run.sh: game (the binary), data (the sound pack), work (a scratch
# folder for this case).

failures=0
pid=""
dir=""

# shellcheck source=tests/e2e/shared.sh
source "$(dirname "${BASH_SOURCE[0]}")/shared.sh"

# A pause without a process: reading a pipe that never delivers times out.
exec {never}<> <(:)
nap() { read -r -t "$1" -u "$never" || true; }

# Microseconds since the epoch, without a calculator (bash's own clock).
now_us() { echo "${EPOCHREALTIME//[!0-9]/}"; }

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# wait_for SECONDS WHAT COMMAND...: runs COMMAND every 30 ms until it
# succeeds; after SECONDS it fails naming WHAT.
wait_for() {
  local limit=$1 what=$2
  shift 2
  local deadline=$((SECONDS + limit)) started
  started=$(now_us)
  until "$@"; do
    if [ "$SECONDS" -ge "$deadline" ]; then
      fail "timed out after $limit s waiting for $what"
      return 1
    fi
    nap 0.03
  done
  local took=$(($(now_us) - started))
  printf 'waited %d.%03d s for %s\n' $((took / 1000000)) $((took / 1000 % 1000)) "$what"
}

# A private X server on a free display.
start_x() {
  start_private_x "$work" || {
    fail "the X server did not start: $(tail -n 3 "$work/xvfb.log")"
    return 1
  }
}

stop_x() {
  [ -z "$pid" ] || kill -9 "$pid" 2>/dev/null
  [ -z "${xvfb:-}" ] || kill "$xvfb" 2>/dev/null
}

key() { xdotool keydown "$1" sleep 0.15 keyup "$1"; }
button() { xdotool mousedown "$1" sleep 0.15 mouseup "$1"; }

# The game refuses a second menu step within 400 ms of the last one.
step_pause() { sleep 0.45; }

# A game folder with the whole pack, stereo, and the best scores $2 if given.
game_folder() {
  mkdir -p "$1"
  ln -s "$data" "$1/data"
  echo 2 >"$1/monostereo.txt"
  [ -z "${2:-}" ] || printf '%s' "$2" >"$1/highscore.txt"
}

# A game folder whose data lacks one file ($2, relative to data/).
folder_without() {
  mkdir -p "$1"
  cp -rs "$data" "$1/data"
  rm "$1/data/$2"
  echo 2 >"$1/monostereo.txt"
}

window_shown() { xdotool search --onlyvisible --name '' >/dev/null 2>&1; }

# Starts the game in folder $1 (sets `dir` and `pid`). SDL writes what the
# game mixes to $1/mixed.raw at real-time pace.
launch_game() {
  dir=$1
  (cd "$dir" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$dir/mixed.raw" exec "$game" \
    >"$dir/stdout" 2>"$dir/stderr") &
  pid=$!
}

# Starts the game and waits for its window.
start_game() {
  launch_game "$1"
  wait_for 30 "the window" window_shown
}

# True when game $1 is among those chosen (TIRAURIS_E2E_GAMES, default all).
game_chosen() { [[ " ${TIRAURIS_E2E_GAMES:-1 2 3 4 5 6} " == *" $1 "* ]]; }

# True when the recorded output holds a sample that is not zero after byte $1.
sound_after() {
  [ -n "$(tail -c +$(($1 + 1)) "$dir/mixed.raw" 2>/dev/null | tr -d '\0' | head -c 1)" ]
}

# The menu's first pass starts its music: the first sound of a run.
wait_menu() { wait_for 30 "the menu music" sound_after 0; }

# Bytes the game has read from files. The menu music streams from its file
# while it plays; a game reads only while loading its sounds.
# Sets `bytes` (without a subshell: this is polled).
bytes_read() {
  local name value
  bytes=""
  while read -r name value; do
    [ "$name" != rchar: ] || bytes=$value
  done <"/proc/$pid/io" 2>/dev/null
}
reads_since() {
  bytes_read
  [ "$bytes" != "$1" ]
}
reads_stopped() {
  bytes_read
  local before=$bytes
  nap 0.3
  bytes_read
  [ "$bytes" = "$before" ]
}

# Starts the chosen game with the left button and waits until it has loaded
# its sounds (reading stops: starting a game halts the menu music) and made
# its 500 ms start pause.
start_level_and_wait() {
  bytes_read
  local before=$bytes
  button 1
  wait_for 30 "the game to load its sounds" reads_since "$before" || return 1
  wait_for 30 "the game to load its sounds" reads_stopped || return 1
  sleep 0.3
}

# Leaves a game with Esc and waits for the submenu to take over: after its
# 500 ms pause it starts the menu music again, which reads its file.
leave_level_and_wait() {
  bytes_read
  local before=$bytes
  key Escape
  wait_for 30 "the submenu's music after leaving the game" reads_since "$before"
}

running() { kill -0 "$pid" 2>/dev/null; }
gone() { ! running; }

# Waits at most $1 seconds for the game to end; sets `code`.
wait_exit() {
  if ! wait_for "$1" "the game to end" gone; then
    kill -9 "$pid" 2>/dev/null
  fi
  wait "$pid"
  # shellcheck disable=SC2034 # read by the cases
  code=$?
  pid=""
}

# The mixed output is not silence.
check_heard() {
  if [ -s "$dir/mixed.raw" ]; then
    local peak
    peak=$(mixed_peak "$dir/mixed.raw")
    audible "$peak" || fail "the game was silent (peak $peak)"
    echo "mixed $(($(stat -c %s "$dir/mixed.raw") / 176400)) s of sound, peak $peak"
  else
    fail "no sound was mixed"
  fi
}
