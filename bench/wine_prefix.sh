# Sourced by the Wine benchmarks (bench/wine_runs.sh, bench/start_watch.sh):
# a fresh private prefix, an X server of its own for the prefix's windows and
# boxes, and one wineserver kept up for all runs (out-of-process activation
# can hang when the server restarts between runs).
#   wine_prefix_start WORK   the prefix in WORK/prefix (WORK: a private folder)
#   wine_prefix_stop         stops that wineserver and the X server
# WRENPOST_WINE and WRENPOST_WINESERVER name other loaders.
wine=${WRENPOST_WINE:-/usr/lib/wine/wine64}
wineserver=${WRENPOST_WINESERVER:-/usr/lib/wine/wineserver}
[ -x "$wine" ] || wine=$(command -v wine64 || true)
[ -x "$wineserver" ] || wineserver=$(command -v wineserver || true)
wine_xvfb_pid= wine_prefix=

wine_prefix_start() {
  local work=$1
  wine_prefix=$work/prefix
  export WINEPREFIX=$wine_prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
  # Xvfb names the display it took on the descriptor once it is ready.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$work/display" >/dev/null 2>&1 &
  wine_xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { echo "no X server could be started" >&2; return 1; }
  export DISPLAY=:$(head -n1 "$work/display")
  timeout 300 "$wine" wineboot -i >/dev/null 2>&1
  timeout 60 "$wineserver" -w || true
  "$wineserver" -p
}

wine_prefix_stop() {
  if [ -n "$wine_prefix" ]; then WINEPREFIX=$wine_prefix "$wineserver" -k >/dev/null 2>&1 || true; fi
  if [ -n "$wine_xvfb_pid" ]; then kill "$wine_xvfb_pid" 2>/dev/null || true; fi
  wine_xvfb_pid= wine_prefix=
}
