# Sourced by the bench scripts, with $root and $build set: makes sure the
# timing build exists and holds zeb_c and its stand-in, then puts a fresh
# installation ($install) and work directory ($work) in a scratch directory
# ($scratch) that is removed on exit, so no number depends on an old cache.

# A timing build: optimised, no sanitizers. Warnings are the development
# builds' concern (GCC 12 reports false overlaps in some string code at -O3).
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZEB_SANITIZE=OFF -DZEB_BUILD_TESTS=OFF \
    -DZEB_WERROR=OFF >/dev/null
fi
cmake --build "$build" -j2 --target zeb_c gcc_standin >/dev/null

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
install=$scratch/install
work=$scratch/work
mkdir -p "$install/mingw/bin" "$work"
cp "$build/bin/zeb_c" "$install/zeb_c"
cp "$build/bin/mingw/bin/gcc" "$install/mingw/bin/gcc"
