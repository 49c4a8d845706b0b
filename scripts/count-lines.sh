#!/usr/bin/env bash
# Counts lines of C and C++ that are neither blank nor only a comment: the
# code (src/ and tools/) against the tests (tests/), and their ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
count() {
  find "$@" -type f \( -name '*.cpp' -o -name '*.cc' -o -name '*.h' -o -name '*.hpp' -o -name '*.c' \) -print0 |
    xargs -0 cat | grep -cvE '^\s*(//.*)?$'
}
code=$(count src tools)
tests=$(count tests)
echo "code $code, tests $tests: tests are $((100 * tests / code))% of the code"
