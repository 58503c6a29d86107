#!/usr/bin/env bash
# The Debian package from first to last: builds it with Debian's flags,
# checks its hardening and strip, lintian and that a second build is the
# same bit for bit; installs it with apt-get into a fresh minimal Debian
# root, checks the installed desktop entry and metainfo, and there, as a
# new user under a virtual X server, plays from the launcher: the player's
# folder appears, quitting from the menu saves the best scores, SIGTERM to
# the launcher ends the game normally, the launcher says aloud why the game
# could not start or save (no sound device, no display, an unreadable best
# scores file, its own failures), leaves the player's own sounds alone and
# names them when they are at fault, starts in a folder it cannot write,
# and starts no second game. Then the Recommends are installed, without a
# sound server: speech must end within about 10 s and a signal at once.
# Last it purges the package and checks that nothing of it is left outside
# the player's folder.
#
# Needs root (through sudo otherwise) and Debian's archive. The fresh root
# is made once with mmdebstrap and kept as a tarball in
# /var/cache/tirauris-root/. When no root can be made, the package is
# installed on this machine itself, and the machine is left as it was: the
# package, the dependencies it pulled in and the test user are removed.
#
# Environment: TIRAURIS_MIRROR (default http://deb.debian.org/debian),
# TIRAURIS_ON_HOST=1 to skip the fresh root.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$here"
if [ "$(id -u)" -ne 0 ]; then exec sudo --preserve-env=TIRAURIS_MIRROR,TIRAURIS_ON_HOST bash "$0" "$@"; fi

work_deb=$(mktemp -d /tmp/tirauris-deb-XXXXXX)
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
step() { echo "== [${SECONDS} s] $*"; }

# --- Tools of this check.
tools=(mmdebstrap lintian desktop-file-utils appstream xvfb xdotool sox dpkg-dev file binutils)
missing=()
for package in "${tools[@]}"; do
  [ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" = "install ok installed" ] || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  step "installing ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}" >/dev/null
fi

# --- The package, built from this tree.
step "building the package"
build=$here/build-package
# make_package: the package from scratch, as a distribution builds it.
make_package() {
  rm -rf "$build"
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIRAURIS_TESTS=OFF -DTIRAURIS_DEBIAN_FLAGS=ON >/dev/null
  cmake --build "$build" -j2 --target package >/dev/null
  deb=$(echo "$build"/tirauris_*.deb)
  [ -f "$deb" ] || { echo "FAIL: no package was made"; exit 1; }
}
make_package
echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
game_file=$work_deb/usr/lib/games/tirauris/tirauris
rm -rf "$work_deb"
dpkg-deb -x "$deb" "$work_deb"
elf=$(readelf -d -S --dyn-syms -W "$game_file")
grep -q 'BIND_NOW' <<<"$elf" || fail "the game is not linked with bind-now"
grep -q '__stack_chk_fail' <<<"$elf" || fail "the game has no stack protector"
grep -q '_chk@' <<<"$elf" || fail "the game has no fortified calls"
! grep -qE '\.comment|\.symtab' <<<"$elf" || fail "the game is not stripped as Debian strips"
rm -rf "$work_deb"

step "lintian"
lintian --fail-on error,warning "$deb" || fail "lintian reports errors or warnings"

step "the package again from scratch: the same bit for bit"
cp "$deb" "$build.first.deb"
sleep 1
make_package
cmp -s "$deb" "$build.first.deb" || fail "two builds of the package differ"
rm -f "$build.first.deb"

# --- A fresh root, or this machine.
# shellcheck source=tests/install/fresh_root.sh
. tests/install/fresh_root.sh
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
work=$(mktemp -d /var/tmp/tirauris-install-XXXXXX)
root=""
xvfb=""
user=earplayer
host_packages=""
cleanup() {
  set +e
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null
  if [ -n "$root" ]; then fresh_leave "$root" && rm -rf "$work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

if [ "${TIRAURIS_ON_HOST:-0}" != 1 ] && fresh_enter "$suite" "$work/root"; then
  root=$work/root
  inside=(chroot "$root")
  echo "installing into a fresh $suite root in $root"
else
  [ "${TIRAURIS_ON_HOST:-0}" = 1 ] || echo "NOTE: no fresh root could be made; installing on this machine instead"
  inside=()
  host_packages=$(dpkg-query -W -f='${Package}\n' | sort)
  echo "installing on this machine"
fi

step "installing the package with apt-get"
cp "$deb" "$root/tmp/"
"${inside[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${inside[@]}" apt-get -o Dpkg::Use-Pty=0 install -y -qq --no-install-recommends "/tmp/$(basename "$deb")" >/dev/null
rm "$root/tmp/$(basename "$deb")"
"${inside[@]}" dpkg -L tirauris >"$work/files"
while read -r path; do
  [[ $path == /usr/share/games/tirauris/data/* || -d $root$path ]] || echo "  $path"
done <"$work/files"
echo "  /usr/share/games/tirauris/data/: $(grep -c '\.ogg$' "$work/files") sound files"

step "the player's guide and the man page's sections"
[ -s "$root/usr/share/doc/tirauris/guide.txt" ] || fail "no player's guide in /usr/share/doc/tirauris"
for section in GAMES ENVIRONMENT '"EXIT STATUS"' '"SEE ALSO"'; do
  zgrep -qx "\.SH $section" "$root/usr/share/man/man6/tirauris.6.gz" || fail "the man page has no $section"
done

step "validating the installed desktop entry and metainfo"
desktop-file-validate "$root/usr/share/applications/io.github.tirauris.tirauris.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/io.github.tirauris.tirauris.metainfo.xml" || fail "metainfo"

# --- Playing as a new user.
! "${inside[@]}" getent passwd "$user" >/dev/null || { echo "FAIL: user $user exists already"; exit 1; }
"${inside[@]}" useradd --create-home --shell /bin/bash "$user"
home=$("${inside[@]}" getent passwd "$user" | cut -d: -f6)
folder=$home/.local/share/tirauris
mkdir "$root/tmp/standin"
cat >"$root/tmp/standin/spd-say" <<'EOF'
#!/bin/sh
# Stands in for the speech service: keeps what it is asked to say.
printf '%s\n' "$*" >>/tmp/standin/said
EOF
chmod 755 "$root/tmp/standin/spd-say"
chmod 1777 "$root/tmp/standin"

# The X server runs out here; the game inside reaches it through its
# abstract socket, which a chroot shares.
# shellcheck source=tests/e2e/shared.sh
source "$here/tests/e2e/shared.sh"
start_private_x "$work" || { echo "FAIL: the X server did not start: $(cat "$work/xvfb.log")"; exit 1; }
display=$DISPLAY
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

# Starts the launcher as the new user; extra environment in "$@".
launch() {
  "${inside[@]}" setpriv --reuid="$user" --regid="$user" --init-groups \
    env -i HOME="$home" PATH="$speech:/usr/local/bin:/usr/bin:/bin:/usr/games" DISPLAY="$display" \
    SDL_DISKAUDIOFILE=/tmp/mixed.raw "$@" tirauris "${options[@]}" >"$work/out" 2>"$work/err" &
  pid=$!
}
speech=/tmp/standin
options=()
# Waits for the launcher to end, at most $1 seconds, and checks that its
# exit status is $2 ($3 names the case).
finish() {
  for _ in $(seq $(($1 * 10))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    fail "the launcher did not end"
    # The game too: it would hold the player's folder for the next cases.
    for child in $(pgrep -P "$pid"); do kill -9 "$child" 2>/dev/null; done
    kill -9 "$pid"
  fi
  code=0
  wait "$pid" || code=$?
  [ "$code" -eq "$2" ] || fail "$3: exit status $code, not $2; it wrote: $(cat "$work/out" "$work/err") (X server $display: $(tail -n 3 "$work/xvfb.log"))"
}
wait_window() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name '' >/dev/null 2>&1 && break
    sleep 0.1
  done
  sleep 1.5
}

step "first run: quit from the menu"
launch SDL_AUDIODRIVER=disk
wait_window
xdotool keydown 7 sleep 0.15 keyup 7
sleep 0.5
xdotool mousedown 1
sleep 0.15
xdotool mouseup 1
finish 10 0 "quitting from the menu"
zeros=$'level 1: 0\nlevel 2: 0\nlevel 3: 0\nlevel 4: 0\nlevel 5: 0\nlevel 6: 0'
[ "$(cat "$work/out")" = Tirauris ] || fail "standard output '$(cat "$work/out")'"
[ "$(cat "$root$folder/monostereo.txt" 2>&1)" = 2 ] || fail "monostereo.txt: $(cat "$root$folder/monostereo.txt" 2>&1)"
[ "$(readlink "$root$folder/data")" = /usr/share/games/tirauris/data ] || fail "data links to '$(readlink "$root$folder/data")'"
[ "$(cat "$root$folder/highscore.txt" 2>&1)" = "$zeros" ] || fail "highscore.txt: $(cat "$root$folder/highscore.txt" 2>&1)"
[ "$(stat -c %u "$root$folder/highscore.txt")" = "$("${inside[@]}" id -u "$user")" ] || fail "highscore.txt is not the player's"
peak=$(mixed_peak "$root/tmp/mixed.raw")
audible "$peak" || fail "nothing was heard (peak '${peak}')"
echo "heard $(($(stat -c %s "$root/tmp/mixed.raw") / 176400)) s of sound, peak $peak"

step "SIGTERM to the launcher: the game quits normally and saves"
rm "$root$folder/highscore.txt"
launch SDL_AUDIODRIVER=disk
wait_window
kill -TERM "$pid" || true
finish 10 0 "after SIGTERM"
[ "$(cat "$root$folder/highscore.txt" 2>&1)" = "$zeros" ] || fail "after SIGTERM: highscore.txt not saved"

step "no sound device: the launcher says so"
launch SDL_AUDIODRIVER=no-such-driver
finish 20 1 "no sound device"
said=$(cat "$root/tmp/standin/said" 2>/dev/null || true)
echo "said: $said"
[[ $said == *"Tirauris could not start: no sound device was found."* ]] || fail "the launcher said '$said'"
grep -q "no sound device was found" "$work/err" || fail "the sentence was not printed"

step "no display, then a best scores file the player cannot read: the launcher says so"
said_last() { tail -n 1 "$root/tmp/standin/said" 2>/dev/null; }
launch DISPLAY=
finish 20 1 "no display"
[[ $(said_last) == *"Tirauris could not start: no display was found."* ]] || fail "no display: said '$(said_last)'"
chmod 000 "$root$folder/highscore.txt"
launch SDL_AUDIODRIVER=disk
wait_window
kill -TERM "$pid" || true
finish 10 2 "unreadable highscore.txt"
[[ $(said_last) == *"Tirauris did not save the best scores: its best scores file could not be read"* ]] ||
  fail "unreadable highscore.txt: said '$(said_last)'"

said_is() { [[ $(said_last) == *"$1"* ]] || fail "$2: said '$(said_last)'"; }
as_player() { "${inside[@]}" setpriv --reuid="$user" --regid="$user" --init-groups "$@"; }
quit_from_menu() { xdotool keydown 7 sleep 0.15 keyup 7 sleep 0.5 mousedown 1 sleep 0.15 mouseup 1; }
chmod 644 "$root$folder/highscore.txt"
printf '%s\n' "$zeros" >"$root$folder/highscore.txt"

step "the launcher's own failures: an unknown option, a --mono it cannot save, no temporary folder"
options=(--frobnicate)
launch
finish 10 64 "an unknown option"
{ grep -qxF "tirauris: unknown option '--frobnicate'" "$work/err" &&
  grep -qxF "Try 'tirauris --help' for more information." "$work/err"; } ||
  fail "an unknown option: it wrote '$(cat "$work/err")'"
said_is "Tirauris could not start: it does not know the option --frobnicate." "an unknown option"
chmod 444 "$root$folder/monostereo.txt"
options=(--mono)
launch
finish 10 1 "--mono that cannot be saved"
said_is "Tirauris could not switch to mono: it is not allowed to write in its folder." "--mono"
chmod 644 "$root$folder/monostereo.txt"
options=()
launch TMPDIR=/no/such/folder
finish 10 1 "no temporary folder"
said_is "Tirauris could not start: it could not make a temporary folder in /no/such/folder." "no temporary folder"

step "the player's data: their own folder and link stay, a dangling link or one to an installed copy is mended"
installed=/usr/share/games/tirauris/data
rm "$root$folder/data"
as_player cp -r "$installed" "$folder/data"
rm "$root$folder/data/menu/click.ogg"
launch SDL_AUDIODRIVER=disk
finish 20 1 "a sound missing from the player's own sounds"
said_is "the sound file menu/click.ogg is missing" "own sounds"
said_is ". It is in your own sounds, $folder/data: put a good file there, or remove that folder" "own sounds"
{ [ -d "$root$folder/data" ] && [ ! -L "$root$folder/data" ]; } || fail "the player's own folder of sounds was replaced"
rm -rf "$root$folder/data"
as_player ln -s /tmp "$folder/data"
launch DISPLAY=
finish 20 1 "a link of the player's own"
[ "$(readlink "$root$folder/data")" = /tmp ] || fail "the player's own link now points at '$(readlink "$root$folder/data")'"
mkdir -p "$root/usr/local/share/games/tirauris/data"
for target in /no/such/sounds /usr/local/share/games/tirauris/data; do
  as_player ln -sfn "$target" "$folder/data"
  launch DISPLAY=
  finish 20 1 "a link to $target"
  [ "$(readlink "$root$folder/data")" = "$installed" ] || fail "a link to $target was left as '$(readlink "$root$folder/data")'"
done
rm -rf "$root/usr/local/share/games/tirauris"

step "a folder the player cannot write still starts; only saving fails, and the launcher says so"
chmod 555 "$root$folder"
launch SDL_AUDIODRIVER=disk
wait_window
quit_from_menu
finish 10 2 "a read-only folder"
said_is "Tirauris could not save the best scores: it is not allowed to write in its folder." "a read-only folder"
chmod 755 "$root$folder"

step "a second launcher in the same folder starts no second game"
windows() { xdotool search --onlyvisible --name '' 2>/dev/null | wc -l; }
launch SDL_AUDIODRIVER=disk
first=$pid
wait_window
one_game=$(windows)
launch SDL_AUDIODRIVER=disk
finish 10 1 "a second launcher"
said_is "Tirauris is already running." "a second launcher"
[ "$(windows)" = "$one_game" ] || fail "a second launcher: $(windows) windows, not $one_game"
pid=$first
quit_from_menu
finish 10 0 "the first game after a second launcher"

step "with the Recommends and no sound server: speech ends within 10 s, espeak-ng takes over, a signal ends it at once"
DEBIAN_FRONTEND=noninteractive "${inside[@]}" apt-get -o Dpkg::Use-Pty=0 install -y -qq speech-dispatcher espeak-ng \
  >/dev/null 2>&1 || fail "the Recommends did not install"
mkdir "$root/tmp/speech"
cat >"$root/tmp/speech/espeak-ng" <<'EOF'
#!/bin/sh
# Keeps what espeak-ng is asked to say, then lets it try.
printf '%s\n' "$*" >>/tmp/speech/said
exec /usr/bin/espeak-ng "$@"
EOF
chmod 755 "$root/tmp/speech/espeak-ng"
chmod 1777 "$root/tmp/speech"
speech=/tmp/speech
started=$EPOCHREALTIME
launch SDL_AUDIODRIVER=no-such-driver
finish 20 1 "no sound device, with the Recommends"
took=$(awk -v a="$started" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }')
echo "the launcher ended $took s after it started"
awk -v t="$took" 'BEGIN { exit !(t <= 11) }' || fail "with the Recommends the launcher took $took s"
grep -qxF -- "-v en Tirauris could not start: no sound device was found." "$root/tmp/speech/said" 2>/dev/null ||
  fail "espeak-ng was not asked in English: '$(cat "$root/tmp/speech/said" 2>/dev/null)'"
# The game has failed and the launcher is speaking: it ends at once, with
# the game's status.
launch SDL_AUDIODRIVER=no-such-driver
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the launcher had stopped speaking before the signal"
kill -TERM "$pid"
finish 1 1 "SIGTERM while speaking"
speech=/tmp/standin
rm -rf "$root/tmp/speech"
# The speech service the player started.
if [ -z "$root" ]; then
  for left in $(pgrep -u "$user"); do kill "$left"; done
fi

# --- Purging.
step "purging the package"
rm -rf "$root/tmp/standin" "$root/tmp/mixed.raw"
DEBIAN_FRONTEND=noninteractive "${inside[@]}" apt-get -o Dpkg::Use-Pty=0 purge -y -qq tirauris >/dev/null
! "${inside[@]}" dpkg -s tirauris >/dev/null 2>&1 || fail "the package is still known to dpkg"
while read -r path; do
  [ -z "$path" ] || [ -d "$root$path" ] || [ ! -e "$root$path" ] || fail "left after purging: $path"
done <"$work/files"
for dir in /usr/share/games/tirauris /usr/lib/games/tirauris /usr/share/doc/tirauris; do
  [ ! -e "$root$dir" ] || fail "left after purging: $dir"
done
left=$(find "$root/usr" "$root/etc" "$root/var" "$root/home" "$root/opt" \( -path "$root$folder" -o -path "$work" \
  -o -path /var/cache/tirauris-root \) -prune -o -iname '*tirauris*' -print 2>/dev/null || true)
[ -z "$left" ] || fail "left after purging: $left"
[ -f "$root$folder/highscore.txt" ] || fail "the player's folder went with the package"

if [ -z "$root" ]; then
  # This machine: remove the test user and whatever the install pulled in.
  userdel --remove "$user" 2>/dev/null
  added=$(comm -13 <(echo "$host_packages") <(dpkg-query -W -f='${Package}\n' | sort))
  if [ -n "$added" ]; then
    mapfile -t added <<<"$added"
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "${added[@]}" >/dev/null
  fi
fi

if [ "$failures" -gt 0 ]; then
  echo "clean install: $failures failure(s)"
  exit 1
fi
echo "clean install: passed in ${SECONDS} s"
