#!/usr/bin/env bash
# Counts the Windows processes a cached run of examples/hello.zebc starts
# under Wine, for the 64-bit build (build-wine64, 64-bit Wine) and the 32-bit
# one (build-mingw, 32-bit Wine through qemu-user). With BASELINE64 or
# BASELINE32 naming an earlier build's bin directory (its zeb_c.exe; the
# current tree's stand-in unless it has its own mingw/bin/gcc.exe), the same
# for that build. Every Windows process under Wine is a host process that
# starts the Wine loader with the program's path: the count is of those
# below zeb_c.exe's own, seen by strace (the prefix's server and services
# run already). KEEP=1 keeps the traces.
# Usage: bench/wine_processes.sh   (from the repository; both trees built)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
[ -n "${KEEP:-}" ] && echo "kept in $scratch"
trap "rm -rf $scratch" EXIT; [ -n "${KEEP:-}" ] && trap - EXIT

# The processes that start a Windows program: execve of a Wine loader with
# the program's path, successful, once per process.
count() {
  local arch=$1 bin=$2 name=$3
  local prefix=$scratch/prefix-$arch install=$scratch/$name
  local flag=""
  [ "$arch" = win32 ] && flag=--win32
  bash "$root/scripts/wine-prefix.sh" $flag start "$prefix" >/dev/null
  mkdir -p "$install/mingw/bin"
  cp "$bin/zeb_c.exe" "$install/"
  # A baseline may bring zeb_c.exe alone: the stand-in is the current tree's.
  local gcc=$bin/mingw/bin/gcc.exe
  [ -f "$gcc" ] || gcc=$root/build-$([ "$arch" = win32 ] && echo mingw || echo wine64)/bin/mingw/bin/gcc.exe
  cp "$gcc" "$install/mingw/bin/"
  cp "$root/examples/hello.zebc" "$install/hello.zebc"
  local loader=/usr/lib/wine/wine64
  [ "$arch" = win32 ] && loader=/usr/lib/wine/wine
  (
    cd "$install"
    export WINEPREFIX=$prefix WINEDEBUG=-all WINELOADER=$loader
    "$loader" zeb_c.exe hello.zebc >/dev/null
    strace -f -qq -s 512 -e trace=execve -o "$scratch/$name.trace" "$loader" zeb_c.exe hello.zebc >/dev/null
  )
  # One successful start of the loader per Windows process; its first
  # argument is the program.
  local started
  started=$(grep -E '^[0-9]+ +execve\("/usr/lib/wine/wine(64)?", ' "$scratch/$name.trace" | grep -v ' = -1 ' |
    sed -E 's/^([0-9]+) .*\["[^"]*", "([^"]*)".*/\1 \2/' | sort -u -k1,1 | sed -E 's/^[0-9]+ //; s/.*\\\\//')
  echo "$name: cached run, $(($(echo "$started" | wc -l) - 1)) process(es) started by zeb_c.exe: $(echo $started)"
  bash "$root/scripts/wine-prefix.sh" $flag stop "$prefix" >/dev/null
}

count win64 "$root/build-wine64/bin" "64-bit"
if bash "$root/scripts/i386-ready.sh" >/dev/null; then
  count win32 "$root/build-mingw/bin" "32-bit"
fi
[ -n "${BASELINE64:-}" ] && count win64 "$BASELINE64" "64-bit-baseline"
[ -n "${BASELINE32:-}" ] && bash "$root/scripts/i386-ready.sh" >/dev/null && count win32 "$BASELINE32" "32-bit-baseline"
exit 0
