#!/usr/bin/env bash
# Tells whether this machine can run the 32-bit Windows build: 32-bit Wine
# (wine32) started through qemu-user, registered for i386 programs with
# binfmt_misc (scripts/install-deps.sh sets it up, as root). Exit status 0
# when it can; otherwise 1, with the reason on standard output.
loader=/usr/lib/wine/wine
entry=/proc/sys/fs/binfmt_misc/qemu-i386
if [ ! -x "$loader" ]; then
  echo "no 32-bit Wine ($loader): install wine32:i386 (scripts/install-deps.sh, as root)"
  exit 1
fi
if [ ! -r "$entry" ] || ! grep -qx enabled "$entry"; then
  echo "32-bit programs cannot start: no enabled binfmt_misc entry qemu-i386 (scripts/install-deps.sh, as root)"
  exit 1
fi
# The proof: the 32-bit loader itself starts and answers.
if ! version=$(timeout 120 "$loader" --version 2>/dev/null) || [ -z "$version" ]; then
  echo "the 32-bit Wine loader does not start through qemu-user ($entry)"
  exit 1
fi
exit 0
