#!/usr/bin/env bash
# Checks the release archives as a user meets them: the Linux archive is
# unpacked into a fresh directory and its example run from there (compiled on
# the first run, from the cache on the second); the Windows zip must list the
# files a user needs.
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
first=$(./zeb_c example.zebc)
second=$(./zeb_c example.zebc you)
case "$first" in
  "ZEB Software ZEB_C JIT compiler version "*"Hello, world!") ;;
  *) echo "check-dist: first run of the example printed: $first" >&2; exit 1 ;;
esac
[ "$second" = "Hello, you!" ] || { echo "check-dist: cached run printed: $second" >&2; exit 1; }
echo "check-dist: $(basename "$linux") unpacked and ran its example"

listing=$(cmake -E tar tf "$windows")
top=$(basename "$windows" .zip)
for needed in zeb_c.exe README.txt example.zebc; do
  grep -qx "$top/$needed" <<<"$listing" || { echo "check-dist: $needed missing from $(basename "$windows")" >&2; exit 1; }
done
cmake -E tar xf "$windows" "$top/README.txt"
grep -q $'\r$' "$top/README.txt" || { echo "check-dist: the Windows README lacks CR LF line ends" >&2; exit 1; }
echo "check-dist: $(basename "$windows") holds:"
sed 's/^/  /' <<<"$listing"
