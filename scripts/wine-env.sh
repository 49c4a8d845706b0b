# Sourced by the Wine scripts: the environment of a headless, private 64-bit
# Wine, and the one-time creation of its prefix. Expects $prefix to be set.

# Wine takes only an absolute prefix.
prefix=$(realpath -m "$prefix")
export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEARCH=win64
# No Mono or Gecko installers, no window system.
export WINEDLLOVERRIDES="mscoree=;mshtml="
unset DISPLAY WAYLAND_DISPLAY

# The 64-bit loader and server, named directly: this host cannot start 32-bit
# Linux programs, which the `wine` front end would pick when wine32 is
# present; Debian's `wineserver` front end adds -p0, which would override a
# persistence the caller asks for.
wine=/usr/lib/wine/wine64
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
