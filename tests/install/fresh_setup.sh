#!/usr/bin/env bash
# The README's commands on fresh machines: for each Debian release named
# (default: 12 and 13, bookworm and trixie), in a fresh minimal root,
#  - a new user with sudo clones the project and runs ./play.sh under a
#    private X server, the way a player would: it installs what is missing,
#    builds, and starts the game; the player presses 7 and the left button
#    (the quit entry), and the game must end with status 0 having written
#    highscore.txt;
#  - then, in the same root, root clones it into /root and runs ./test.sh
#    there, or only its set-up (tools/setup.sh as ./test.sh calls it).
# The roots start from the base roots of tests/install/fresh_root.sh and
# have git and sudo added, as a desktop has them. The clone is of this
# repository's HEAD: commit first.
#
# Usage: fresh_setup.sh [SUITE[:setup|:test]...]   (needs root, or sudo)
# The default runs ./test.sh's set-up on both: the whole ./test.sh takes
# about 9 minutes more a release (trixie:test runs it).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$here"
if [ "$(id -u)" -ne 0 ]; then exec sudo --preserve-env=TIRAURIS_MIRROR bash "$0" "$@"; fi
# shellcheck source=tests/install/fresh_root.sh
. tests/install/fresh_root.sh

suites=("$@")
[ ${#suites[@]} -gt 0 ] || suites=(bookworm:setup trixie:setup)

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
step() { echo "== [${SECONDS} s] $*"; }

tools=(mmdebstrap xvfb xdotool git)
missing=()
for package in "${tools[@]}"; do
  [ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" = "install ok installed" ] || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  step "installing ${missing[*]}"
  apt-get -o DPkg::Lock::Timeout=600 update -qq
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}" >/dev/null
fi

work=$(mktemp -d /var/tmp/tirauris-fresh-XXXXXX)
root=""
xvfb=""
cleanup() {
  set +e
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null
  [ -z "$root" ] || fresh_leave "$root"
  rm -rf "$work"
}
trap cleanup EXIT
git bundle create -q "$work/tirauris.bundle" HEAD

# The X server runs out here; the game in the root reaches it through its
# abstract socket, which a chroot shares.
Xvfb -displayfd 5 -screen 0 800x600x24 -nolisten tcp -noreset 5>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: the X server did not start: $(cat "$work/xvfb.log")"; exit 1; }
display=:$(head -n 1 "$work/display")

# A fresh root of release $1 in $root, with git and sudo, and the project's
# bundle in its /tmp.
new_root() {
  root=$work/root
  fresh_enter "$1" "$root"
  chroot "$root" apt-get -o DPkg::Lock::Timeout=600 update -qq
  DEBIAN_FRONTEND=noninteractive chroot "$root" apt-get -o Dpkg::Use-Pty=0 install -y -qq git sudo >/dev/null 2>&1
  cp "$work/tirauris.bundle" "$root/tmp/"
  chmod 644 "$root/tmp/tirauris.bundle"
}

# Bytes of sound other than silence in the game's recorded output.
heard() { [ -s "$root/tmp/mixed.raw" ] && [ -n "$(tr -d '\0' <"$root/tmp/mixed.raw" | head -c 1)" ]; }

play_as_new_user() {
  local suite=$1 user=player started pid code
  step "$suite: a new user with sudo clones the project and runs ./play.sh"
  new_root "$suite"
  chroot "$root" useradd --create-home --shell /bin/bash --groups sudo "$user"
  echo "$user ALL=(ALL) NOPASSWD: ALL" >"$root/etc/sudoers.d/$user"
  chmod 440 "$root/etc/sudoers.d/$user"
  started=$SECONDS
  chroot "$root" setpriv --reuid="$user" --regid="$user" --init-groups \
    env -i HOME="/home/$user" USER="$user" LOGNAME="$user" PATH=/usr/local/bin:/usr/bin:/bin \
    DISPLAY="$display" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/tmp/mixed.raw \
    bash -c 'cd && git clone -q /tmp/tirauris.bundle tirauris && cd tirauris && exec ./play.sh' \
    >"$work/play.log" 2>&1 </dev/null &
  pid=$!
  # Set-up and build take minutes on a fresh machine; the menu's music is
  # the first sound of a run.
  until heard || ! kill -0 "$pid" 2>/dev/null || [ $((SECONDS - started)) -gt 1800 ]; do sleep 1; done
  if ! heard; then
    fail "$suite: ./play.sh did not get to the menu; it wrote: $(tail -n 20 "$work/play.log")"
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null || true
    return
  fi
  echo "the menu was playing $((SECONDS - started)) s after ./play.sh started"
  # As a player on a busy machine would: press again if nothing happens.
  local try
  for try in 1 2 3; do
    sleep 0.5
    DISPLAY=$display xdotool keydown 7 sleep 0.15 keyup 7 sleep 0.5 mousedown 1 sleep 0.3 mouseup 1
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null || break
    echo "$suite: the game was still running 10 s after quit was chosen (try $try)"
  done
  kill -0 "$pid" 2>/dev/null && { fail "$suite: the game did not quit"; kill -9 "$pid"; }
  code=0
  wait "$pid" || code=$?
  [ "$code" -eq 0 ] || fail "$suite: ./play.sh ended with status $code; it wrote: $(tail -n 20 "$work/play.log")"
  local folder=$root/home/$user/tirauris
  [ "$(cat "$folder/highscore.txt" 2>&1)" = $'level 1: 0\nlevel 2: 0\nlevel 3: 0\nlevel 4: 0\nlevel 5: 0\nlevel 6: 0' ] ||
    fail "$suite: highscore.txt: $(cat "$folder/highscore.txt" 2>&1)"
  [ "$(stat -c %u "$folder/highscore.txt" 2>/dev/null)" = "$(chroot "$root" id -u "$user")" ] || fail "$suite: highscore.txt is not the player's"
  [ "$(cat "$folder/monostereo.txt" 2>&1)" = 2 ] || fail "$suite: monostereo.txt: $(cat "$folder/monostereo.txt" 2>&1)"
  echo "$suite: ./play.sh took $((SECONDS - started)) s from the clone to the player's quit"
}

test_as_root() {
  local suite=$1 setup_only=$2 started code=0 what=./test.sh
  [ "$setup_only" = 0 ] || what="./test.sh's set-up"
  step "$suite: then root clones the project into /root and runs $what"
  started=$SECONDS
  local command='cd /root && git clone -q /tmp/tirauris.bundle tirauris && cd tirauris && '
  if [ "$setup_only" = 1 ]; then
    command+='TIRAURIS_SETUP_FOR_TESTS=1 bash tools/setup.sh'
  else
    command+='./test.sh'
  fi
  # node trusts the machine's own authorities only when told (npm's downloads).
  local node_ca=()
  [ -z "${NODE_EXTRA_CA_CERTS:-}" ] || node_ca=(NODE_EXTRA_CA_CERTS="$NODE_EXTRA_CA_CERTS")
  chroot "$root" env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "${node_ca[@]}" \
    bash -c "$command" >"$work/test.log" 2>&1 </dev/null || code=$?
  if [ "$code" -ne 0 ]; then
    fail "$suite: $what ended with status $code; it wrote:"
    tail -n 60 "$work/test.log"
  else
    tail -n 3 "$work/test.log"
  fi
  echo "$suite: $what took $((SECONDS - started)) s"
  fresh_leave "$root"
  root=""
}

for suite in "${suites[@]}"; do
  play_as_new_user "${suite%:*}"
  if [[ $suite == *:setup ]]; then test_as_root "${suite%:*}" 1; else test_as_root "${suite%:*}" 0; fi
done

if [ "$failures" -gt 0 ]; then
  echo "fresh set-up: $failures failure(s)"
  exit 1
fi
echo "fresh set-up: passed in ${SECONDS} s"
