#!/usr/bin/env bash
# Runs a Windows program under Wine the way the tests expect: a Chinese locale
# (ANSI code page 936), a prefix of the build's own, no debug chatter, and no
# Mono or Gecko installer dialogs. The test script starts the X display and
# creates the prefix; this script only uses them.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-${MORAVEL_BUILD_DIR:-$here/build}/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LC_ALL=${MORAVEL_WINE_LOCALE:-zh_CN.UTF-8}
exec wine "$@"
