#!/usr/bin/env bash
# Plays the real game for a while with random input under a virtual X
# server: every game in turn, random aim and shots, leaving with the right
# button, now and then a long best score counted out and cut short; samples the
# game's memory and open files meanwhile and quits at the end.
#   tools/soak.sh [MINUTES] [GAME_BINARY] [DATA_DIR]    (default 10, build/tirauris, build/data)
# Prints the samples' figures; fails if the game died, did not quit with
# status 0, or its memory kept growing.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
minutes=${1:-10}
game=$(realpath "${2:-build/tirauris}")
data=$(realpath "${3:-build/data}")
work=$(mktemp -d /tmp/tirauris-soak-XXXXXX)

xvfb=""
trap '[ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null; [ -n "${TIRAURIS_SOAK_KEEP:-}" ] || rm -rf "$work"' EXIT
# shellcheck source=tests/e2e/shared.sh
source tests/e2e/shared.sh
start_private_x "$work" || { echo "FAIL: the X server did not start: $(cat "$work/xvfb.log")"; exit 1; }
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

ln -s "$data" "$work/data"
echo 2 >"$work/monostereo.txt"
# Best scores worth counting out for a long time.
for n in 1 2 3 4 5 6; do echo "level $n: 1000000"; done >"$work/highscore.txt"
(cd "$work" && SDL_AUDIODRIVER=dummy exec "$game" >"$work/stdout" 2>"$work/stderr") &
pid=$!
for _ in $(seq 100); do xdotool search --onlyvisible --name '' >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1

# Memory (resident, kB) and open files, every 5 s.
(
  while kill -0 "$pid" 2>/dev/null; do
    rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null)
    fds=$(find "/proc/$pid/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l)
    [ -n "$rss" ] && echo "$(date +%s) $rss $fds"
    sleep 5
  done
) >"$work/samples" &
sampler=$!

alive() { kill -0 "$pid" 2>/dev/null; }
key() { xdotool keydown "$1"; sleep 0.1; xdotool keyup "$1"; }
click() { xdotool mousedown "$1"; sleep 0."$((RANDOM % 3 + 1))"; xdotool mouseup "$1"; }

# Never Esc in the main menu, which would quit: games are left with the
# right button, submenus with their back entry (key 4), and Esc only cuts a
# count-out short.
end=$((SECONDS + minutes * 60))
games=0
count_outs=0
while [ "$SECONDS" -lt "$end" ] && alive; do
  n=$((games % 6 + 1))
  key "$n"; sleep 0.5
  click 1; sleep 0.6            # the submenu
  if [ $((RANDOM % 4)) -eq 0 ]; then
    key 3; sleep 0.5
    click 1; sleep $((RANDOM % 3 + 1))
    xdotool key Escape; sleep 1 # cut the count-out short
    count_outs=$((count_outs + 1))
  else
    key 1; sleep 0.5
    click 1; sleep 1            # the game
    games=$((games + 1))
    stop=$((SECONDS + 15 + RANDOM % 30))
    while [ "$SECONDS" -lt "$stop" ] && alive; do
      xdotool mousemove $((RANDOM % 800)) $((RANDOM % 600))
      case $((RANDOM % 6)) in
        0 | 1) click 1 ;;
        2) xdotool mousemove_relative -- $((RANDOM % 41 - 20)) $((RANDOM % 41 - 20)) ;;
      esac
      sleep 0.$((RANDOM % 4 + 1))
    done
    click 3; sleep 1.2          # leaves the game (in the submenu, a step)
  fi
  key 4; sleep 0.5
  click 1; sleep 1.2            # back to the main menu
done

died=no
alive || died=yes
key 7; sleep 0.5
click 1
for _ in $(seq 100); do alive || break; sleep 0.1; done
alive && { kill -TERM "$pid"; sleep 3; }
wait "$pid"
code=$?
kill "$sampler" 2>/dev/null
wait "$sampler" 2>/dev/null

echo "soak: $minutes min, $games games started, $count_outs count-outs cut short, exit status $code"
sorted=$(awk '{print $2}' "$work/samples" | sort -n)
n=$(wc -l <"$work/samples")
[ "$n" -ge 4 ] || { echo "FAIL: too few samples"; exit 1; }
echo "resident memory over $n samples, one every 5 s: min $(head -1 <<<"$sorted") kB," \
  "median $(sed -n "$(((n + 1) / 2))p" <<<"$sorted") kB, max $(tail -1 <<<"$sorted") kB"
awk -v n="$n" '
  { r[NR] = $2; f[NR] = $3 }
  END {
    q = int(n / 4); a = 0; b = 0
    for (i = 1; i <= q; i++) { a += r[i]; b += r[n - q + i] }
    fmin = f[1]; fmax = f[1]
    for (i = 1; i <= n; i++) { if (f[i] < fmin) fmin = f[i]; if (f[i] > fmax) fmax = f[i] }
    printf "mean of the first quarter %d kB, of the last quarter %d kB (%+.1f%%)\n", a / q, b / q, (b - a) * 100 / a
    printf "open files: %d to %d\n", fmin, fmax
    # Growth of more than a tenth from the first quarter to the last is a leak.
    exit (b > a * 1.1)
  }' "$work/samples"
grown=$?
[ -n "${TIRAURIS_SOAK_SAMPLES:-}" ] && cp "$work/samples" "$TIRAURIS_SOAK_SAMPLES"
[ -s "$work/stderr" ] && { echo "standard error:"; cat "$work/stderr"; }
[ "$died" = no ] || { echo "FAIL: the game died during the soak"; exit 1; }
[ "$code" -eq 0 ] || { echo "FAIL: exit status $code"; exit 1; }
[ "$grown" -eq 0 ] || { echo "FAIL: memory kept growing"; exit 1; }
echo "soak: passed"
