#!/usr/bin/env bash
# Installs what building and testing Moravel needs on Debian 12, and nothing
# when it is all there already. Runs as root (or with sudo on PATH).
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev
  # The -posix cross compilers only; the mingw-w64 meta package would make the
  # win32-thread ones the default.
  g++-mingw-w64-x86-64-posix
  wine wine64 xvfb xauth fonts-wqy-microhei fonts-wine
  xdotool imagemagick
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
