#!/usr/bin/env bash
# Runs a Windows program under Wine, headless, in a private prefix.
# Usage: wine-run.sh PREFIX_DIR PROGRAM [ARGS...]
# The prefix is created on first use (see wine-env.sh).
set -euo pipefail
prefix=$1
shift
source "$(dirname "$0")/wine-env.sh"
prepare_prefix
exec "$wine" "$@"
