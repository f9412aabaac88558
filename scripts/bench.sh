#!/usr/bin/env bash
# Builds the benchmarks optimised and runs all of them: the portable core
# natively (Google Benchmark), then the Win32 programs under Wine: our load and
# save against the profile-string functions, Moravel.exe's start-up, close and
# memory, and the tree view control in-process. Each program prints its figures
# and, at its end, its ratios; all the ratios of this run follow together at
# the end. Arguments go to the native benchmark (e.g. --benchmark_filter=Load).
# MORAVEL_BUILD_DIR (default build/) holds the builds and the Wine prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
source scripts/wine-session.sh
b=$MORAVEL_BUILD_DIR
results="$b/bench-results"
mkdir -p "$results"
rm -f "$results"/*.txt

cmake --preset bench -B "$b/bench" >/dev/null
cmake --build "$b/bench"
# Moravel.exe and the Win32 programs, optimised, without the tests.
cmake --preset mingw -B "$b/mingw-bench" -DCMAKE_BUILD_TYPE=Release \
  -DMORAVEL_TESTS=OFF -DMORAVEL_BENCHMARKS=ON >/dev/null
cmake --build "$b/mingw-bench"

"$b/bench/bench/library_bench" --benchmark_color=false "$@" | tee "$results/1-library.txt"

trap wine_session_stop EXIT
wine_session_start
for program in profile_string_bench startup_bench tree_view_bench; do
  echo
  # Wine's own notes go to stderr; the figures to stdout.
  "$wine_run" "$b/mingw-bench/bench/$program.exe" 2>/dev/null | tr -d '\r' |
    tee "$results/2-$program.txt"
done

echo
echo "All ratios of this run:"
for file in "$results"/*.txt; do
  sed -n '/^Ratios/,$p' "$file"
done
