#!/usr/bin/env bash
# Builds the phrase file fuzz target with clang and runs it for a bounded time
# (MORAVEL_FUZZ_SECONDS, 60 by default) on a corpus in the build folder,
# seeded from tests/data. Prints libFuzzer's last status line (executions,
# coverage, executions per second); fails on any crash, hang, sanitizer
# report or broken property, leaving the input in the build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
b=${MORAVEL_BUILD_DIR:-$root/build}/fuzz
seconds=${MORAVEL_FUZZ_SECONDS:-60}

cmake -S "$root/fuzz" -B "$b" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$b"

mkdir -p "$b/corpus" "$b/seeds" "$b/artifacts"
cp "$root"/tests/data/*.ini "$b/seeds/"
echo "Fuzzing the phrase file for ${seconds}s"
status=0
"$b/phrase_file_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=65536 -print_final_stats=1 -artifact_prefix="$b/artifacts/" \
  "$b/corpus" "$b/seeds" >"$b/fuzz.log" 2>&1 || status=$?
grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|^Done |^stat::number_of_executed_units|^stat::peak_rss' "$b/fuzz.log" || true
if [ $status -ne 0 ]; then
  tail -n 60 "$b/fuzz.log"
  echo "Fuzzing failed; the input is in $b/artifacts/"
  exit $status
fi
