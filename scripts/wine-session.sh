# Sourced by the scripts that run Windows programs: gives them an X display
# (a private Xvfb when there is none), a ready Wine prefix inside build/, and
# one long-lived Wine process so that each program starts in a fraction of a
# second. wine_session_stop tears all of it down again.

moravel_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export MORAVEL_BUILD_DIR=${MORAVEL_BUILD_DIR:-$moravel_root/build}
export WINEPREFIX=${WINEPREFIX:-$MORAVEL_BUILD_DIR/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine_run="$moravel_root/cmake/wine-run.sh"
_xvfb_pid=""
_keepalive_pid=""

wine_session_start() {
  if [ -z "${DISPLAY:-}" ]; then
    local n=90
    while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
    Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    _xvfb_pid=$!
    export DISPLAY=:$n
    for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.05; done
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    LC_ALL=zh_CN.UTF-8 wineboot --init >/dev/null 2>&1 || true
    # A crashing test must fail, not wait for someone to close a dialog.
    LC_ALL=zh_CN.UTF-8 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  # Its own process group, so that stopping it takes the sleep along.
  setsid bash -c 'sleep 100000 | "$0" cmd /c pause' "$wine_run" </dev/null >/dev/null 2>&1 &
  _keepalive_pid=$!
  # The first program after boot pays for starting Wine's services.
  "$wine_run" cmd /c exit >/dev/null 2>&1 || true
}

wine_session_stop() {
  wineserver -k 2>/dev/null || true
  [ -n "$_keepalive_pid" ] && kill -- -"$_keepalive_pid" 2>/dev/null
  [ -n "$_xvfb_pid" ] && kill "$_xvfb_pid" 2>/dev/null
  _keepalive_pid=""
  _xvfb_pid=""
}
