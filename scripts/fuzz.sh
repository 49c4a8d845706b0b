#!/usr/bin/env bash
# Runs every libFuzzer target of a ZEB_FUZZ build tree over its corpus
# (fuzz/corpus/<target>/, the seeds and every finding kept) and then on new
# inputs for SECONDS each. Fails when any target reports a crash, a leak,
# undefined behaviour or a broken property.
#
#   scripts/fuzz.sh BUILD_DIR SECONDS [RESULTS_FILE]
#
# With RESULTS_FILE (a campaign): each finding is minimised and added to its
# target's corpus as found-<hash>, and what ran and what it found is written
# to RESULTS_FILE as a Markdown table. New inputs that widen coverage are
# kept in BUILD_DIR/fuzz/work/<target>/ between runs of a campaign.
set -uo pipefail
cd "$(dirname "$0")/.."

build=$(realpath "${1:?build directory}")
seconds=${2:?seconds per target}
results=${3:-}
corpora=$PWD/fuzz/corpus

# Inputs longer than libFuzzer's default are needed where a fault needs a
# line longer than any path (a registry line past 300 bytes), from the start.
options_of() {
  case "$1" in
    registry) echo "-max_len=2048 -len_control=0" ;;
    include_scan) echo "-max_len=8192" ;;
    *) echo "" ;;
  esac
}

failed=()
rows=()
for binary in "$build"/fuzz/bin/fuzz_*; do
  target=${binary##*/fuzz_}
  work=$build/fuzz/work/$target
  findings=$build/fuzz/findings/$target
  # A short run starts from the kept corpus alone, so that it is the same
  # every time; a campaign builds on what earlier ones found.
  [ -z "$results" ] && rm -rf "$work"
  mkdir -p "$work" "$findings"
  log=$build/fuzz/$target.log
  started=$(date +%s)
  # shellcheck disable=SC2046
  "$binary" $(options_of "$target") -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$work" "$corpora/$target" >"$log" 2>&1
  status=$?
  elapsed=$(( $(date +%s) - started ))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  corpus=$(( $(find "$work" "$corpora/$target" -type f | wc -l) ))
  finding=none
  if [ $status -ne 0 ]; then
    failed+=("$target")
    artifact=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -n 1)
    what=$(grep -m 1 -E 'property failed|ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error' "$log" | sed 's/^[^ ]*: //')
    finding="${what:-exit status $status}"
    echo "fuzz: $target FAILED: $finding (log: $log${artifact:+, input: $artifact})"
    grep -E -m 3 -A 1 'property failed|ERROR:|runtime error' "$log" | sed 's/^/  /'
    kept=""
    if [ -n "$artifact" ]; then
      for file in "$corpora/$target"/*; do
        if cmp -s "$file" "$artifact"; then kept=${file##*/}; break; fi
      done
    fi
    if [ -n "$kept" ]; then
      # A finding kept earlier and not fixed yet: nothing new to keep.
      finding="$finding (the kept input corpus/$target/$kept, not fixed yet)"
    elif [ -n "$results" ] && [ -n "$artifact" ]; then
      minimised=$findings/minimised-$(sha1sum "$artifact" | cut -c1-12)
      "$binary" $(options_of "$target") -minimize_crash=1 -max_total_time=60 -artifact_prefix="$findings/" \
        -exact_artifact_path="$minimised" "$artifact" >>"$log" 2>&1
      [ -f "$minimised" ] || cp "$artifact" "$minimised"
      cp "$minimised" "$corpora/$target/found-$(sha1sum "$minimised" | cut -c1-12)"
      finding="$finding; minimised to $(stat -c %s "$minimised") bytes, kept as corpus/$target/found-$(sha1sum "$minimised" | cut -c1-12)"
    fi
  else
    echo "fuzz: $target ok: ${runs:-?} runs in ${elapsed}s, corpus $corpus"
  fi
  rows+=("| $target | $elapsed | ${runs:-?} | $corpus | $finding |")
done

if [ -n "$results" ]; then
  {
    echo "# Fuzzing campaign"
    echo
    echo "$(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git rev-parse --short HEAD), $seconds s per target,"
    echo "clang $(clang --version | sed -n 's/.*clang version \([0-9.]*\).*/\1/p' | head -n 1), $(nproc) cores."
    echo
    echo "| target | seconds | executions | corpus files | finding |"
    echo "|---|---|---|---|---|"
    printf '%s\n' "${rows[@]}"
  } >"$results"
  echo "fuzz: results in $results"
fi

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]}"
  exit 1
fi
