#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the portable core
# natively with sanitizers, then everything cross-compiled and run under Wine.
# MORAVEL_BUILD_DIR (default build/) holds both builds and the Wine prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
source scripts/wine-session.sh
b=$MORAVEL_BUILD_DIR

cmake --preset native -B "$b/native" >/dev/null
cmake --build "$b/native"
ctest --test-dir "$b/native" --output-on-failure -j2 --timeout 120

# The phrase file under libFuzzer for a minute (MORAVEL_FUZZ_SECONDS).
fuzz/run.sh

cmake --preset mingw -B "$b/mingw" >/dev/null
cmake --build "$b/mingw"
trap wine_session_stop EXIT
wine_session_start
ctest --test-dir "$b/mingw" --output-on-failure -j2 --timeout 180
