#!/usr/bin/env bash
# Runs a Windows program under Wine, headless, in a private prefix.
# Usage: wine-run.sh [--win32] PREFIX_DIR PROGRAM [ARGS...]
# The prefix is created on first use (see wine-env.sh).
set -euo pipefail
arch=win64
if [ "${1:-}" = --win32 ]; then
  arch=win32
  shift
fi
prefix=$1
shift
source "$(dirname "$0")/wine-env.sh"
prepare_prefix
exec "$wine" "$@"
