#!/bin/sh
# Overlapping runs of one installation, as a busy user makes them: 8 processes
# at once, 50 runs each, in three rounds:
#   same cold   one script, from an empty cache
#   same warm   the same script, already cached
#   different   400 scripts, one per run
# Every run must exit 0 and print its script's line; afterwards the registry
# must name every cached executable exactly once, and /flush must leave none.
# Prints the failures of each round and the counts; exits 1 on any fault.
# Usage: bench/stress.sh [build directory]   (default: build-bench)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
workers=8
runs=50

. "$root/bench/install.sh"
mkdir -p "$scratch/log"
cd "$work"

script() {  # name, printed line
  printf '#include <stdio.h>\nint main(void) { printf("%s\\n"); return 0; }\n' "$2" >"$1.zebc"
}

# One worker: $runs runs; the script of run i is named by $1 (a fixed name,
# or "each" for a script per run). Writes one line per failed run.
worker() {
  w=$1 mode=$2 i=0
  while [ $i -lt $runs ]; do
    if [ "$mode" = each ]; then name=s${w}_$i; else name=$mode; fi
    out=$("$install/zeb_c" "$name.zebc" 2>&1) && status=0 || status=$?
    case "$out" in
      *"$name") [ $status -eq 0 ] || echo "$name: exit $status" ;;
      *) echo "$name: exit $status: $(echo "$out" | tail -n 1)" ;;
    esac
    i=$((i + 1))
  done >"$scratch/log/$w"
}

round() {  # title, mode
  w=0
  while [ $w -lt $workers ]; do
    worker $w "$2" &
    w=$((w + 1))
  done
  wait
  failures=$(cat "$scratch"/log/* | wc -l)
  printf '%-12s %d runs, %d failed\n' "$1" $((workers * runs)) "$failures"
  cat "$scratch"/log/* | sort | uniq -c | sort -rn | head -5
  total_failures=$((total_failures + failures))
}

total_failures=0
script same same
w=0
while [ $w -lt $workers ]; do
  i=0
  while [ $i -lt $runs ]; do script "s${w}_$i" "s${w}_$i"; i=$((i + 1)); done
  w=$((w + 1))
done

round "same cold" same
round "same warm" same
round "different" each

cached=$(find "$install/cache" -name '*.exe' | wc -l)
lines=$(tail -n +2 "$install/zeb_c.ini" | wc -l)
unique=$(tail -n +2 "$install/zeb_c.ini" | sort -u | wc -l)
marker=$(head -n 1 "$install/zeb_c.ini")
echo "cached executables $cached, registry lines $lines ($unique distinct), marker '$marker'"
"$install/zeb_c" /flush >/dev/null
left=$(find "$install/cache" -name '*.exe' | wc -l)
echo "after /flush: $left executables, registry $( [ -e "$install/zeb_c.ini" ] && echo kept || echo gone)"

fault=0
[ "$total_failures" -eq 0 ] || fault=1
[ "$cached" -eq "$lines" ] && [ "$lines" -eq "$unique" ] && [ "$marker" = "<zeb software>" ] || fault=1
[ "$left" -eq 0 ] && [ ! -e "$install/zeb_c.ini" ] || fault=1
echo "result: $( [ $fault -eq 0 ] && echo 'no faults' || echo FAULTS)"
exit $fault
