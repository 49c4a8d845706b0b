#!/bin/sh
# Times zeb_c on POSIX hosts against what it stands on, in one hyperfine run:
#   cached run    zeb_c on an unchanged source (toolchain check + cached program)
#   bare program  the cached executable started directly
#   gcc -v        the toolchain check's child on its own
#   first run     zeb_c with an empty cache (flushed before every run)
#   plain compile gcc -O3 of the same source, without zeb_c
# Writes the table to bench/results.md with the two goals checked below it:
#   cached run <= bare program + gcc -v + 1 ms
#   first run  <= 110% of (plain compile + bare program)
# Usage: bench/run.sh [build directory]   (default: build-bench, a Release build)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
results=$root/bench/results.md

command -v hyperfine >/dev/null 2>&1 || {
  echo "hyperfine is missing: apt-get install hyperfine" >&2
  exit 1
}

# A timing build: optimised, no sanitizers. Warnings are the development
# builds' concern (GCC 12 reports false overlaps in some string code at -O3).
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZEB_SANITIZE=OFF -DZEB_BUILD_TESTS=OFF \
    -DZEB_WERROR=OFF >/dev/null
fi
cmake --build "$build" -j2 --target zeb_c gcc_standin >/dev/null

# A fresh installation and a fresh copy of the source, so that the numbers
# never depend on an old cache.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
install=$scratch/install
work=$scratch/work
mkdir -p "$install/mingw/bin" "$work"
cp "$build/bin/zeb_c" "$install/zeb_c"
cp "$build/bin/mingw/bin/gcc" "$install/mingw/bin/gcc"
cp "$root/examples/hello.zebc" "$work/hello.zebc"
cd "$work"

# The first run fills the cache; its executable is what "bare program" starts.
"$install/zeb_c" hello.zebc >/dev/null
cached_exe=$(ls "$install"/cache/hello.zebc-*/hello.zebc.exe)
# The compiler that the stand-in runs, for the plain compile.
host_cc=$("$install/mingw/bin/gcc" -v 2>&1 | sed -n 's/^Reading specs from the built-in specs of //p')

# One --prepare per command, in command order: only the first run empties the
# cache before each of its runs.
hyperfine -N --warmup 3 --min-runs 20 \
  --export-markdown "$scratch/table.md" --export-json "$scratch/times.json" \
  --prepare true --prepare true --prepare true \
  --prepare "$install/zeb_c /flush" --prepare true \
  -n "cached run" "$install/zeb_c hello.zebc" \
  -n "bare program" "$cached_exe" \
  -n "gcc -v" "$install/mingw/bin/gcc -v" \
  -n "first run" "$install/zeb_c hello.zebc" \
  -n "plain compile" "$host_cc -O3 -x c hello.zebc -o $scratch/plain.out"

{
  echo "# zeb_c timings"
  echo
  echo "examples/hello.zebc on $(uname -sm), host compiler $host_cc; produced by bench/run.sh."
  echo
  cat "$scratch/table.md"
  echo
  python3 - "$scratch/times.json" <<'PY'
import json, sys
times = {r["command"]: r["mean"] * 1000 for r in json.load(open(sys.argv[1]))["results"]}
cached, bare, version = times["cached run"], times["bare program"], times["gcc -v"]
first, plain = times["first run"], times["plain compile"]
limit_cached = bare + version + 1.0
limit_first = 1.10 * (plain + bare)
def verdict(ok): return "met" if ok else "NOT met"
print("## Goals (means)")
print()
print(f"- cached run {cached:.2f} ms <= bare program + gcc -v + 1 ms = {limit_cached:.2f} ms: "
      f"{verdict(cached <= limit_cached)}")
print(f"- first run {first:.2f} ms <= 110% of (plain compile + bare program) = {limit_first:.2f} ms: "
      f"{verdict(first <= limit_first)}")
PY
} >"$results"
cat "$results"
