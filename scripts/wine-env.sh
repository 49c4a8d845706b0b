# Sourced by the Wine scripts: the environment of a headless, private Wine,
# and the one-time creation of its prefix. Expects $prefix to be set, and
# $arch to be win64 (the default) or win32.

# Wine takes only an absolute prefix.
prefix=$(realpath -m "$prefix")
export WINEPREFIX=$prefix
export WINEDEBUG=-all
arch=${arch:-win64}
export WINEARCH=$arch
# No Mono or Gecko installers, no window system.
export WINEDLLOVERRIDES="mscoree=;mshtml="
unset DISPLAY WAYLAND_DISPLAY

# The loaders and the server are named directly. The `wine` front end picks
# a loader by what the program looks like, and Debian's `wineserver` front end
# adds -p0, which would override a persistence the caller asks for. The
# 32-bit loader (wine32) runs through qemu-user on this machine's kernel; the
# server stays the native 64-bit one, which serves 32-bit processes as well.
if [ "$arch" = win32 ]; then
  wine=/usr/lib/wine/wine
else
  wine=/usr/lib/wine/wine64
fi
wineserver=/usr/lib/wine/wineserver64
export WINELOADER=$wine

# Creates the prefix on first use; concurrent first uses wait for one another.
prepare_prefix() {
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/.zeb-ready" ]; then
      rm -rf "$prefix"
      "$wine" wineboot --init >/dev/null 2>&1 || true
      "$wineserver" -w || true
      touch "$prefix/.zeb-ready"
    fi
  ) 9>"$prefix.lock"
}
