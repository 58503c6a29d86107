# shellcheck shell=bash
# Fresh minimal Debian roots for the install and set-up checks, sourced by
# them (as root). One base root per release is made with mmdebstrap and
# kept as a tarball in /var/cache/tirauris-root/, remade when a week old;
# the packages the roots download are kept beside it, one folder per
# release, so later roots of the same run fetch nothing twice.
#
# Environment: TIRAURIS_MIRROR (default http://deb.debian.org/debian).

fresh_cache=/var/cache/tirauris-root

# fresh_tarball SUITE: prints the base root's tarball, made if missing or
# old; fails when no root can be made.
fresh_tarball() {
  local suite=$1 tarball=$fresh_cache/$1.tar
  if [ ! -f "$tarball" ] || [ -n "$(find "$tarball" -mtime +7)" ]; then
    echo "== making a fresh $suite root with mmdebstrap (kept in $tarball)" >&2
    mkdir -p "$fresh_cache"
    if ! mmdebstrap --quiet --variant=apt --mode=root --format=tar "$suite" "$tarball.new" \
      "deb ${TIRAURIS_MIRROR:-http://deb.debian.org/debian} $suite main" >&2; then
      rm -rf "$tarball.new"
      return 1
    fi
    mv "$tarball.new" "$tarball"
  fi
  echo "$tarball"
}

# fresh_enter SUITE DIR: unpacks a fresh root of SUITE into DIR (which must
# not exist) with /proc, /dev and the package cache mounted, ready for
# `chroot DIR`.
fresh_enter() {
  local suite=$1 dir=$2 tarball
  tarball=$(fresh_tarball "$suite") || return 1
  mkdir "$dir"
  tar -C "$dir" -xf "$tarball"
  # The root reaches the network as this machine does: its name servers and
  # the certificate authorities it adds locally (ca-certificates takes them
  # in when it is installed there).
  cp /etc/resolv.conf "$dir/etc/resolv.conf"
  if [ -d /usr/local/share/ca-certificates ]; then
    mkdir -p "$dir/usr/local/share/ca-certificates"
    cp -r /usr/local/share/ca-certificates/. "$dir/usr/local/share/ca-certificates/"
  fi
  mount -t proc proc "$dir/proc"
  # A slave copy of /dev: unmounting it later can never reach this machine's.
  mount --rbind /dev "$dir/dev"
  mount --make-rslave "$dir/dev"
  mkdir -p "$fresh_cache/archives-$suite/partial"
  mount --bind "$fresh_cache/archives-$suite" "$dir/var/cache/apt/archives"
}

# fresh_leave DIR: ends whatever still runs in the root, unmounts and
# deletes it. Never deletes through a mount that is still there.
fresh_leave() {
  local dir=$1 proc mount
  [ -d "$dir" ] || return 0
  for proc in /proc/[0-9]*; do
    [ "$(readlink "$proc/root" 2>/dev/null)" != "$dir" ] || kill -9 "${proc#/proc/}" 2>/dev/null
  done
  sleep 0.2
  for mount in $(findmnt -rno TARGET | grep "^$dir/" | sort -r); do
    umount "$mount" 2>/dev/null || umount -l "$mount" 2>/dev/null
  done
  if findmnt -rno TARGET | grep -q "^$dir/"; then
    echo "NOTE: $dir is still mounted; left in place" >&2
    return 1
  fi
  rm -rf "$dir"
}
