#!/usr/bin/env bash
# Installs what is missing, builds Moravel.exe and starts it under Wine with a
# Chinese locale (MORAVEL_WINE_LOCALE=en_US.UTF-8 tries an English one).
#
# With a display, the window opens there and the script ends when it is
# closed. Without one (a server, CI), it runs on a private Xvfb: the script
# waits for the window, saves a screenshot of the screen to
# $MORAVEL_BUILD_DIR/screenshot.png (build/ by default), prints its path, and
# closes the window with Esc, which saves call.ini beside the program as every
# close does.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
headless=0
[ -z "${DISPLAY:-}" ] && headless=1
source scripts/wine-session.sh
b=$MORAVEL_BUILD_DIR
cmake --preset mingw -B "$b/mingw" >/dev/null
cmake --build "$b/mingw" --target Moravel
exe="$b/mingw/app/Moravel.exe"

trap wine_session_stop EXIT
wine_session_start
x11_key='HKCU\Software\Wine\X11 Driver'

if [ "$headless" -eq 0 ]; then
  # The desktop's window manager draws the frame (undoing a headless run).
  "$wine_run" reg delete "$x11_key" /v Decorated /f >/dev/null 2>&1 || true
  "$wine_run" "$exe"
  exit 0
fi

# No window manager runs on the bare X server, so Wine draws the caption and
# the screenshot shows the title.
"$wine_run" reg add "$x11_key" /v Decorated /d N /f >/dev/null 2>&1 || true
"$wine_run" "$exe" &
pid=$!
window=""
for _ in $(seq 600); do
  window=$(xdotool search --name '^Moravel ' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "Moravel.exe ended before its window showed" >&2
    exit 1
  fi
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "Moravel.exe showed no window within a minute" >&2
  exit 1
fi
sleep 1 # let it finish painting
shot="$b/screenshot.png"
import -window root "$shot"
echo "$shot"

# The keyboard goes to the window under the pointer when nothing holds the
# focus.
xdotool mousemove --window "$window" 200 200 key Escape
status=0
wait "$pid" || status=$?
if [ "$status" -ne 0 ]; then
  echo "Moravel.exe exited with $status" >&2
  exit "$status"
fi
