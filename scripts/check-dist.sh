#!/usr/bin/env bash
# Checks the release archives as a user meets them: the Linux archive is
# unpacked into a fresh directory and its example run from there (compiled on
# the first run, from the cache on the second); the Windows zip must list the
# files a user needs, its text files in Windows line ends.
# Usage: scripts/check-dist.sh linux.tar.gz windows.zip
set -euo pipefail
linux=$(realpath "$1")
windows=$(realpath "$2")

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
tar xzf "$linux"
top=$(basename "$linux" .tar.gz)
cd "$top"
# The compile banner goes to standard error; standard output is the program's.
first=$(./zeb_c example.zebc 2>"$scratch/first.err")
second=$(./zeb_c example.zebc you)
[ "$first" = "Hello, world!" ] || { echo "check-dist: first run of the example printed: $first" >&2; exit 1; }
grep -q '^ZEB Software ZEB_C JIT compiler version ' "$scratch/first.err" ||
  { echo "check-dist: first run of the example said: $(cat "$scratch/first.err")" >&2; exit 1; }
[ "$second" = "Hello, you!" ] || { echo "check-dist: cached run printed: $second" >&2; exit 1; }
echo "check-dist: $(basename "$linux") unpacked and ran its example"

listing=$(cmake -E tar tf "$windows")
top=$(basename "$windows" .zip)
for needed in zeb_c.exe README.txt register-zebc.cmd example.zebc; do
  grep -qx "$top/$needed" <<<"$listing" || { echo "check-dist: $needed missing from $(basename "$windows")" >&2; exit 1; }
done
# cmd misreads a batch file with bare LF line ends; old Notepad shows such a
# README as one line. Every line must end in CR LF.
cmake -E tar xf "$windows" "$top/README.txt" "$top/register-zebc.cmd"
for text in README.txt register-zebc.cmd; do
  if [ ! -s "$top/$text" ] || grep -qv $'\r$' "$top/$text"; then
    echo "check-dist: $text in $(basename "$windows") lacks CR LF line ends" >&2
    exit 1
  fi
done
echo "check-dist: $(basename "$windows") holds:"
sed 's/^/  /' <<<"$listing"
