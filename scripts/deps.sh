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
  xdotool imagemagick locales
  # clang with libFuzzer and the sanitizer runtimes, for fuzz/.
  clang-14 libclang-rt-14-dev
)

# Wine takes its code page from the locale, and maps Windows file names to
# Unix ones through glibc's: without a generated zh_CN.UTF-8 it cannot create
# a file with a Chinese name. en_US.UTF-8 is there to test an English system.
locales=(zh_CN.UTF-8 en_US.UTF-8)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
generate=0
for l in "${locales[@]}"; do
  short=$(echo "$l" | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
  if ! grep -qx "$short" <<<"$have"; then
    $sudo sed -i "s/^# *\($l UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$l UTF-8" /etc/locale.gen || echo "$l UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
    generate=1
  fi
done
[ $generate -eq 0 ] || $sudo locale-gen >/dev/null
