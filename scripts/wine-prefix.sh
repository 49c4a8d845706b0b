#!/usr/bin/env bash
# Keeps one wineserver for a private prefix while tests use it, so that each
# Wine start skips the server's cold start (2-4 s).
# Usage: wine-prefix.sh start PREFIX_DIR   creates the prefix if needed, starts its server
#        wine-prefix.sh stop PREFIX_DIR    stops that server, and only that one
set -euo pipefail
action=$1
prefix=$2
source "$(dirname "$0")/wine-env.sh"
case $action in
  start)
    prepare_prefix
    # A server left from an earlier run would refuse the new one.
    "$wineserver" -k </dev/null >/dev/null 2>&1 || true
    "$wineserver" -w </dev/null >/dev/null 2>&1 || true
    # The server puts itself in the background; with its streams still
    # pointing at the caller's pipes, ctest would wait for it forever. It
    # lingers 10 minutes after its last client, in case nothing stops it.
    "$wineserver" -p600 </dev/null >/dev/null 2>&1
    ;;
  stop)
    "$wineserver" -k </dev/null >/dev/null 2>&1 || true
    ;;
  *)
    echo "usage: $0 start|stop PREFIX_DIR" >&2
    exit 2
    ;;
esac
