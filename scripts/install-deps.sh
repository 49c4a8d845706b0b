#!/usr/bin/env bash
# Installs, as root, the Debian packages that building and testing zeb_c need
# and that this machine lacks, and sets up the running of 32-bit programs for
# the tests of the shipped 32-bit zeb_c.exe. Quiet when everything is there.
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  zlib1g-dev libgtest-dev googletest
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  wine wine64
  clang libclang-rt-14-dev
)

missing_of() {
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      echo "$p"
    fi
  done
}

is_root() { [ "$(id -u)" -eq 0 ]; }

updated=no
apt_install() {
  export DEBIAN_FRONTEND=noninteractive
  if [ $updated = no ]; then
    apt-get update -q
    updated=yes
  fi
  apt-get install -y -q --no-install-recommends "$@"
}

mapfile -t missing < <(missing_of "${packages[@]}")
if [ ${#missing[@]} -gt 0 ]; then
  if ! is_root; then
    echo "install-deps: missing packages (${missing[*]}); run as root to install them" >&2
    exit 1
  fi
  echo "install-deps: installing ${missing[*]}"
  apt_install "${missing[@]}"
fi

# 32-bit programs. This kernel starts no 32-bit Linux program, so 32-bit Wine
# runs through qemu-user, registered for i386 programs with binfmt_misc.
# Bookworm's qemu 7.2 takes a minute and more per Wine start (Wine's address
# space reservations); the backports suite's qemu takes a fraction of a second.
# Where any step is refused, the 32-bit tests are skipped, not failed.
skip_i386() {
  echo "install-deps: 32-bit Windows tests will be skipped: $*"
  exit 0
}

is_root || { bash "$(dirname "$0")/i386-ready.sh" >/dev/null || skip_i386 "not root"; exit 0; }

. /etc/os-release
backports=${VERSION_CODENAME:-bookworm}-backports
sources=/etc/apt/sources.list.d/zeb_c-backports.sources
if [ ! -f "$sources" ]; then
  # The archive the machine already uses for its main suite.
  archive=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
  archive=${archive:-http://deb.debian.org/debian}
  printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$archive" "$backports" >"$sources"
  updated=no
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  updated=no
fi

qemu_version=$(dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null || true)
if [ -z "$qemu_version" ] || dpkg --compare-versions "$qemu_version" lt 1:8; then
  echo "install-deps: installing qemu-user-static from $backports"
  apt_install -t "$backports" qemu-user-static || skip_i386 "qemu-user-static could not be installed from $backports"
fi
if [ -n "$(missing_of wine32:i386)" ]; then
  echo "install-deps: installing wine32:i386"
  apt_install wine32:i386 || skip_i386 "wine32:i386 could not be installed"
fi

binfmt=/proc/sys/fs/binfmt_misc
if [ ! -e $binfmt/register ]; then
  mount -t binfmt_misc binfmt_misc $binfmt 2>/dev/null || skip_i386 "binfmt_misc cannot be mounted here"
fi
interpreter=/usr/bin/qemu-i386-static
entry=$binfmt/qemu-i386
# Registered with F: the kernel opens the interpreter once, now, so it serves
# every mount namespace; an entry made before the interpreter was replaced
# still holds the old one, so it is made anew unless it is this one.
if ! { [ -r $entry ] && grep -qx enabled $entry && grep -qx "interpreter $interpreter" $entry && grep -q '^flags: .*F' $entry; }; then
  [ -e $entry ] && echo -1 >$entry
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf '%s' ":qemu-i386:M::$magic:$mask:$interpreter:F" >$binfmt/register 2>/dev/null ||
    skip_i386 "the i386 entry cannot be registered with binfmt_misc"
fi
reason=$(bash "$(dirname "$0")/i386-ready.sh") || skip_i386 "$reason"
