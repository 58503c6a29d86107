# shellcheck shell=bash
# What the end-to-end cases, the clean install and the soak run share, for
# sourcing: a private X server, and the check that the game was heard.

# start_private_x FOLDER: an X server of its own for the game's screen. It
# picks a free display itself, so servers that come and go never collide.
# Sets xvfb (its process id) and exports DISPLAY; fails when the server has
# not started within 30 s (its log is FOLDER/xvfb.log).
start_private_x() {
  local folder=$1 _
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>"$folder/display" \
    >"$folder/xvfb.log" 2>&1 &
  xvfb=$!
  for _ in $(seq 1000); do
    [ -s "$folder/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || return 1
    sleep 0.03
  done
  [ -s "$folder/display" ] || return 1
  DISPLAY=:$(head -n 1 "$folder/display")
  export DISPLAY
}

# mixed_peak FILE: the peak amplitude (0 to 1) of a recording made by SDL's
# disk audio driver.
mixed_peak() {
  sox -t raw -r 44100 -e signed -b 16 -c 2 "$1" -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}'
}

# audible PEAK: the peak is more than silence.
audible() { awk -v p="${1:-0}" 'BEGIN { exit !(p > 0.01) }'; }
