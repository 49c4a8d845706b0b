#!/usr/bin/env bash
# A fuzzing campaign: builds the fuzz tree (build-fuzz/), runs every target
# for SECONDS (default 300) on new inputs, and writes what ran and what it
# found to bench/fuzz-results.md. Findings are minimised and added to
# fuzz/corpus/<target>/ as found-<hash>, where make test replays them.
#
#   bash bench/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
make fuzz-build
bash scripts/fuzz.sh build-fuzz "$seconds" bench/fuzz-results.md
