#!/usr/bin/env bash
# Counts lines of C and C++ that are neither blank nor only a comment: the
# code (src/ and tools/) against the tests (tests/) and the fuzz targets
# (fuzz/), which are tests too, and their share of the code.
#
#   scripts/count-lines.sh [--max-percent N]
#
# With --max-percent, fails when the tests and fuzz targets together pass N
# percent of the code (a test in `make test`).
set -euo pipefail
cd "$(dirname "$0")/.."
limit=""
case "${1:-}" in
  --max-percent) limit=${2:?--max-percent needs a number} ;;
  "") ;;
  *) echo "usage: $0 [--max-percent N]" >&2; exit 2 ;;
esac
count() {
  find "$@" -type f \( -name '*.cpp' -o -name '*.cc' -o -name '*.h' -o -name '*.hpp' -o -name '*.c' \) -print0 |
    xargs -0 cat | grep -cvE '^\s*(//.*)?$'
}
code=$(count src tools)
tests=$(count tests)
fuzz=$(count fuzz)
both=$((tests + fuzz))
echo "code $code, tests $tests ($((100 * tests / code))% of the code)," \
  "tests and fuzz targets $tests + $fuzz = $both ($((100 * both / code))% of the code)"
if [ -n "$limit" ] && [ $((100 * both)) -gt $((limit * code)) ]; then
  echo "tests and fuzz targets pass $limit% of the code" >&2
  exit 1
fi
