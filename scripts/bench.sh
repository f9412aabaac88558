#!/usr/bin/env bash
# Builds the benchmarks optimised and runs them; prints the figures and, at the
# end of each program, the ratios measured side by side in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
b=${MORAVEL_BUILD_DIR:-build}
cmake --preset bench -B "$b/bench" >/dev/null
cmake --build "$b/bench"
"$b/bench/bench/library_bench" --benchmark_color=false "$@"
