#!/usr/bin/env bash
# The real game against damaged, missing and unreachable files: each case
# prepares a game folder, starts the game on SDL's dummy video and audio
# drivers (no X server needed), ends it with SIGTERM, and checks the exit
# status, the lines it printed and what became of highscore.txt. Prints the
# table of outcomes. Usage: bad_inputs.sh GAME_BINARY DATA_DIR
set -uo pipefail

game=$(realpath "$1")
data=$(realpath "$2")
work=$(mktemp -d /tmp/tirauris-bad-XXXXXX)
chmod 755 "$work"
mounted=()
cleanup() {
  for m in "${mounted[@]}"; do umount "$m" 2>/dev/null; done
  [ -n "${TIRAURIS_E2E_KEEP:-}" ] || { chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"; }
}
trap cleanup EXIT
# The cases run as nobody need a game and a pack that nobody can reach; a
# clone in root's home (mode 700) is not, so then both are copied.
nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)
if [ "$(id -u)" -eq 0 ] && ! "${nobody[@]}" test -x "$game" -a -r "$data/menu/click.ogg"; then
  mkdir "$work/.reachable"
  cp "$game" "$work/.reachable/tirauris"
  cp -r "$data" "$work/.reachable/data"
  chmod -R a+rX "$work/.reachable"
  game=$work/.reachable/tirauris
  data=$work/.reachable/data
fi

six() { printf 'level 1: %s\nlevel 2: %s\nlevel 3: %s\nlevel 4: %s\nlevel 5: %s\nlevel 6: %s\n' "$@"; }
zeros=$(six 0 0 0 0 0 0)
good=$(six 1 2 3 4 5 6)

# A game folder: the sound pack linked in, the files of data/$2 (if given)
# copied so that one of them can be damaged without touching the pack.
folder() {
  local dir=$work/$1
  mkdir -p "$dir"
  if [ -n "${2:-}" ]; then
    mkdir "$dir/data"
    for sub in "$data"/*/; do ln -s "$sub" "$dir/data/$(basename "$sub")"; done
    rm "$dir/data/$2"
    cp -r "$data/$2" "$dir/data/$2"
  else
    ln -s "$data" "$dir/data"
  fi
  echo "$dir"
}

# Starts the game in $1 (as user nobody when $2 is "nobody" and we are root,
# who could read and write anything), its output in $work/$3.*, and waits
# until it has printed its title; sets `pid`. A few cases start it the way
# their name says: with SIGHUP ignored, with standard error closed, with
# few descriptors left.
start_in() {
  local dir=$1 as=$2 out=$work/$3
  local runner=()
  [ "$as" = nobody ] && [ "$(id -u)" -eq 0 ] && runner=("${nobody[@]}")
  (
    cd "$dir" || exit
    exec >"$out.out" 2>"$out.err"
    case $(basename "$dir") in
      sighup-ignored) trap '' HUP ;;
      stderr-closed) exec 2>&- ;;
      open-file-limit) ulimit -n 5 ;;
    esac
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy exec "${runner[@]}" "$game"
  ) &
  pid=$!
  for _ in $(seq 150); do
    grep -q Tirauris "$out.out" 2>/dev/null && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
}

# Ends the game started as $1 with SIGTERM (unless it has ended) and waits
# at most 15 s; its exit status goes to $work/$1.code.
end_it() {
  local name=$1 game_pid=$2
  kill -TERM "$game_pid" 2>/dev/null
  for _ in $(seq 150); do
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$game_pid" 2>/dev/null && kill -KILL "$game_pid"
  wait "$game_pid"
  echo $? >"$work/$name.code"
}

# One case: the game in folder $1, ended by SIGTERM once it has started.
run_in() {
  local name
  name=$(basename "$1")
  start_in "$1" "${2:-}" "$name"
  # A signal ends the game within about 1.5 s.
  if [ "$name" = sighup-ignored ]; then
    kill -HUP "$pid" 2>/dev/null
    sleep 3
    ! kill -0 "$pid" 2>/dev/null || touch "$work/$name.outlived-sighup"
  fi
  [ "$name" != stderr-closed ] || readlink "/proc/$pid/fd/2" >"$work/$name.fd2"
  end_it "$name" "$pid"
}

# Two copies in one folder, each with a best score of its own in memory
# (the file changed between their starts), ended by SIGTERM at once.
run_two_copies() {
  local dir=$1 first
  start_in "$dir" "" two-copies
  first=$pid
  six 0 60 0 0 0 0 >"$dir/next" && mv "$dir/next" "$dir/highscore.txt"
  start_in "$dir" "" two-copies-second
  kill -TERM "$first" "$pid" 2>/dev/null
  end_it two-copies "$first"
  end_it two-copies-second "$pid"
}

failures=0
rows=()
# check NAME EXPECTED_CODE STDOUT STDERR_PATTERN SCORES_AFTER [EXTRA_TEST]
# (EXTRA_TEST runs in the game folder before highscore.txt is looked at)
# STDERR_PATTERN is an extended regular expression over standard error, its
# line ends shown as "|" ("" = nothing printed);
# SCORES_AFTER is what highscore.txt holds at the end ("-" = not a file).
check() {
  local name=$1 code=$2 out=$3 err=$4 after=$5 extra=${6:-true}
  local dir=$work/$name problems=()
  local got_code got_out got_err
  got_code=$(cat "$dir.code")
  got_out=$(cat "$dir.out")
  got_err=$(tr '\n' '|' <"$dir.err")
  [ "$got_code" = "$code" ] || problems+=("exit $got_code")
  [ "$got_out" = "$out" ] || problems+=("stdout '$got_out'")
  if [ -z "$err" ]; then
    [ -z "$got_err" ] || problems+=("stderr '$got_err'")
  else
    grep -Eq "$err" <<<"$got_err" || problems+=("stderr '$got_err'")
  fi
  (cd "$dir" && eval "$extra") || problems+=("failed: $extra")
  if [ "$after" = - ]; then
    [ ! -f "$dir/highscore.txt" ] || problems+=("highscore.txt is a file")
  else
    [ "$(cat "$dir/highscore.txt" 2>/dev/null)" = "$after" ] ||
      problems+=("highscore.txt '$(head -c 200 "$dir/highscore.txt" 2>/dev/null | tr '\n' '|')'")
  fi
  got_out=${got_out#Tirauris}
  rows+=("| $name | $got_code | ${got_out//$'\n'/\\n} | ${got_err%|} |")
  if [ ${#problems[@]} -gt 0 ]; then
    echo "FAIL $name: ${problems[*]}"
    failures=$((failures + 1))
  fi
}

# --- Prepare every case, then run them all at once.
declare -A as_user=()
prepare_score() { # NAME CONTENT (printf format)
  local dir
  dir=$(folder "$1")
  # shellcheck disable=SC2059 # the content is a format on purpose
  printf "$2" >"$dir/highscore.txt"
}
folder score-missing >/dev/null
prepare_score score-empty ''
prepare_score score-short 'level 1: 4\nlevel 2: 9\n'
prepare_score score-crlf 'level 1: 1\r\nlevel 2: 2\r\nlevel 3: 3\r\nlevel 4: 4\r\nlevel 5: 5\r\nlevel 6: 6\r\n'
prepare_score score-garbage 'hello\n'
prepare_score score-bad-middle-line 'level 1: 1\nlevel 2: x22\nlevel 3: 3\nlevel 4: 4\nlevel 5: 5\nlevel 6: 6\n'
prepare_score score-trailing-blanks 'level 1: 1  \nlevel 2: 2\nlevel 3: 3\nlevel 4: 4\nlevel 5: 5\nlevel 6: 6\n'
prepare_score score-beyond-32-bits 'level 1: 1\nlevel 2: 2\nlevel 3: 99999999999\nlevel 4: 4\nlevel 5: 5\nlevel 6: 6\n'
prepare_score score-binary '\177ELF\002\001\001\000\000\000\377\376level 1: 7\n'
prepare_score score-huge 'level 1: 2000000000\n'
dir=$(folder score-directory)
mkdir "$dir/highscore.txt"
dir=$(folder score-unreadable)
six 1 2 3 4 5 6 >"$dir/highscore.txt"
chmod 000 "$dir/highscore.txt"
[ "$(id -u)" -ne 0 ] || chown 65534 "$dir"
as_user[score-unreadable]=nobody

prepare_score score-byte-order-mark '\357\273\277level 1: 1\nlevel 2: 2\nlevel 3: 3\nlevel 4: 4\nlevel 5: 5\nlevel 6: 6\n'
prepare_score score-leftover-of-a-killed-save 'level 1: 1\nlevel 2: 2\nlevel 3: 3\nlevel 4: 4\nlevel 5: 5\nlevel 6: 6\n'
printf 'level 1: 9\nlev' >"$work/score-leftover-of-a-killed-save/highscore.txt.Ab3xYz"
prepare_score two-copies 'level 1: 50\n'
prepare_score stderr-closed 'hello\n'
folder sighup-ignored >/dev/null
folder open-file-limit >/dev/null

dir=$(folder mode-byte-order-mark)
printf '\357\273\2772\n' >"$dir/monostereo.txt"
dir=$(folder mode-garbage)
echo stereo >"$dir/monostereo.txt"
dir=$(folder mode-beyond-32-bits)
echo 4294967298 >"$dir/monostereo.txt"
dir=$(folder mode-binary)
printf '\377\000\002' >"$dir/monostereo.txt"
dir=$(folder mode-directory)
mkdir "$dir/monostereo.txt"

dir=$(folder sound-missing menu)
rm "$dir/data/menu/click.ogg"
dir=$(folder sound-empty menu)
: >"$dir/data/menu/click.ogg"
dir=$(folder sound-truncated menu)
rm "$dir/data/menu/click.ogg"
head -c 200 "$data/menu/click.ogg" >"$dir/data/menu/click.ogg"
dir=$(folder sound-not-ogg menu)
echo "not a sound" >"$dir/data/menu/click.ogg"
dir=$(folder sound-fifo menu)
rm "$dir/data/menu/click.ogg"
mkfifo "$dir/data/menu/click.ogg"
dir=$(folder sound-directory menu)
rm "$dir/data/menu/click.ogg"
mkdir "$dir/data/menu/click.ogg"
dir=$(folder music-not-ogg menu)
echo "not music" >"$dir/data/menu/bgm.ogg"

dir=$(folder read-only-folder)
six 1 2 3 4 5 6 >"$dir/highscore.txt"
chmod 555 "$dir"
as_user[read-only-folder]=nobody

# A full disk: a tiny file system filled up to its last byte.
full_disk=no
dir=$work/full-disk
mkdir "$dir"
if mount -t tmpfs -o size=64k tmpfs "$dir" 2>/dev/null; then
  mounted+=("$dir")
  full_disk=yes
  ln -s "$data" "$dir/data"
  six 1 2 3 4 5 6 >"$dir/highscore.txt"
  dd if=/dev/zero of="$dir/filler" bs=4k 2>/dev/null
else
  echo "SKIP full-disk: this machine does not let us mount a tmpfs"
  rmdir "$dir"
fi

cases=()
for dir in "$work"/*/; do cases+=("$(basename "$dir")"); done
pids=()
for name in "${cases[@]}"; do
  if [ "$name" = two-copies ]; then
    run_two_copies "$work/$name" &
  else
    run_in "$work/$name" "${as_user[$name]:-}" &
  fi
  pids+=($!)
  # Most of a case is the farewell pause: a dozen at a time share two cores well.
  while [ "$(jobs -rp | wc -l)" -ge 12 ]; do sleep 0.1; done
done
wait "${pids[@]}"

# --- Outcomes.
kept_aside='ls highscore.txt.damaged-* >/dev/null'
damaged='^highscore.txt was damaged: it is kept as highscore.txt.damaged-[0-9]{8}-[0-9]{6}'
check score-missing 0 Tirauris "" "$zeros"
check score-empty 0 Tirauris "" "$zeros"
check score-short 0 Tirauris "" "$(six 4 9 0 0 0 0)"
check score-crlf 0 Tirauris "" "$good"
check score-garbage 0 Tirauris "$damaged" "$zeros" "$kept_aside && grep -qx hello highscore.txt.damaged-*"
check score-bad-middle-line 0 Tirauris "$damaged" "$(six 1 0 3 4 5 6)" "$kept_aside"
check score-trailing-blanks 0 Tirauris "" "$good"
check score-beyond-32-bits 0 Tirauris "$damaged" "$(six 1 2 0 4 5 6)" "$kept_aside"
check score-binary 0 Tirauris "$damaged" "$zeros" "$kept_aside"
check score-huge 0 Tirauris "" "$(six 2000000000 0 0 0 0 0)"
check score-directory 2 Tirauris \
  '^highscore.txt could not be read \(Is a directory\).*Could not save the best scores to highscore.txt' \
  - "[ -d highscore.txt ]"
# shellcheck disable=SC2016 # the after-check runs in the game's folder later
check score-unreadable 2 Tirauris \
  '^highscore.txt could not be read \(Permission denied\).*Could not save the best scores' \
  "$good" '[ "$(stat -c %a highscore.txt)" = 0 ] && chmod 644 highscore.txt'
check score-byte-order-mark 0 Tirauris "" "$good"
check score-leftover-of-a-killed-save 0 Tirauris "" "$good" '[ ! -e highscore.txt.Ab3xYz ]'
check two-copies 0 Tirauris "" "$(six 50 60 0 0 0 0)" "[ \"\$(cat ../two-copies-second.code)\" = 0 ]"
check stderr-closed 0 Tirauris "" "$zeros" "$kept_aside && [ \"\$(cat ../stderr-closed.fd2)\" = /dev/null ]"
check sighup-ignored 0 Tirauris "" "$zeros" '[ -e ../sighup-ignored.outlived-sighup ]'
check open-file-limit 2 Tirauris '^Could not save the best scores to highscore.txt: Too many open files\|$' -
check mode-byte-order-mark 0 Tirauris "" "$zeros"
check mode-garbage 0 Tirauris '^monostereo.txt holds no number' "$zeros" "grep -qx stereo monostereo.txt"
check mode-beyond-32-bits 0 Tirauris '^monostereo.txt holds no number' "$zeros"
check mode-binary 0 Tirauris '^monostereo.txt holds no number' "$zeros"
check mode-directory 0 Tirauris '^monostereo.txt could not be read \(Is a directory\)' "$zeros"
check sound-missing 1 "TiraurisMix_LoadWAV: Couldn't open data/menu/click.ogg: No such file or directory" "" -
check sound-fifo 1 "TiraurisMix_LoadWAV: Couldn't open data/menu/click.ogg: not a regular file" "" -
check sound-empty 1 "TiraurisMix_LoadWAV: data/menu/click.ogg: Unrecognized sound file type" "" -
check sound-truncated 1 \
  "TiraurisMix_LoadWAV: data/menu/click.ogg: OGG bitstream is not valid Vorbis stream!" "" -
check sound-not-ogg 1 "TiraurisMix_LoadWAV: data/menu/click.ogg: Unrecognized sound file type" "" -
check sound-directory 1 "TiraurisMix_LoadWAV: Couldn't open data/menu/click.ogg: Is a directory" "" -
check music-not-ogg 1 $'TiraurisMix_LoadMUS: Not an Ogg Vorbis audio stream\n: ' "" -
check read-only-folder 2 Tirauris '^Could not save the best scores to highscore.txt: Permission denied' \
  "$good"
if [ "$full_disk" = yes ]; then
  check full-disk 2 Tirauris '^Could not save the best scores to highscore.txt: No space left on device' \
    "$good" "[ -z \"\$(ls highscore.txt.?????? 2>/dev/null)\" ]"
fi

echo "| case | exit | standard output after the title | first line on standard error |"
echo "|---|---|---|---|"
printf '%s\n' "${rows[@]}"
if [ "$failures" -gt 0 ]; then
  echo "bad inputs: $failures failure(s)"
  exit 1
fi
echo "bad inputs: passed"
