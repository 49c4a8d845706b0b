#!/usr/bin/env bash
# Runs a Windows program under Wine, headless, in a private prefix.
# Usage: wine-run.sh PREFIX_DIR PROGRAM [ARGS...]
# The prefix is created on first use; concurrent first uses wait for one another.
set -euo pipefail
prefix=$1
shift
export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEARCH=win64
# No Mono or Gecko installers, no window system.
export WINEDLLOVERRIDES="mscoree=;mshtml="
unset DISPLAY WAYLAND_DISPLAY

# The 64-bit loader, named directly: this host cannot start 32-bit Linux
# programs, which the `wine` front end would pick when wine32 is present.
wine=/usr/lib/wine/wine64
export WINELOADER=$wine

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.zeb-ready" ]; then
    rm -rf "$prefix"
    "$wine" wineboot --init >/dev/null 2>&1 || true
    wineserver -w || true
    touch "$prefix/.zeb-ready"
  fi
) 9>"$prefix.lock"

exec "$wine" "$@"
