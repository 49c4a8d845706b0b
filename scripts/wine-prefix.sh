#!/usr/bin/env bash
# Keeps one wineserver for a private prefix while tests use it, so that each
# Wine start skips the server's cold start (2-4 s).
# Usage: wine-prefix.sh [--win32] start PREFIX_DIR   creates the prefix if needed, starts its server
#        wine-prefix.sh [--win32] stop PREFIX_DIR    stops that server, and only that one
# --win32: a 32-bit prefix, for the 32-bit build.
set -euo pipefail
arch=win64
if [ "${1:-}" = --win32 ]; then
  arch=win32
  shift
fi
action=$1
prefix=$2
source "$(dirname "$0")/wine-env.sh"
case $action in
  start)
    if [ "$arch" = win32 ] && ! reason=$(bash "$(dirname "$0")/i386-ready.sh"); then
      echo "no 32-bit prefix: $reason"
      exit 0
    fi
    prepare_prefix
    # A server left from an earlier run would refuse the new one.
    "$wineserver" -k </dev/null >/dev/null 2>&1 || true
    "$wineserver" -w </dev/null >/dev/null 2>&1 || true
    # The server puts itself in the background; with its streams still
    # pointing at the caller's pipes, ctest would wait for it forever. It
    # lingers 10 minutes after its last client, in case nothing stops it.
    "$wineserver" -p600 </dev/null >/dev/null 2>&1
    # Wine's own services (services.exe, explorer.exe, ...) start with the
    # first program and live as long as the server; started by a test, they
    # would hold that test's output pipes open, and its runner would wait
    # the server's ten minutes out. Started here, they hold nothing.
    "$wine" wineboot </dev/null >/dev/null 2>&1 || true
    ;;
  stop)
    "$wineserver" -k </dev/null >/dev/null 2>&1 || true
    ;;
  *)
    echo "usage: $0 [--win32] start|stop PREFIX_DIR" >&2
    exit 2
    ;;
esac
