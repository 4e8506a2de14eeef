#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for SECONDS each, starting from its seeds in fuzz/seeds/.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build-fuzz}
SECONDS_EACH=${2:-60}
shopt -s nullglob
found=0
for bin in "$BUILD"/fuzz/fuzz_*; do
  [ -x "$bin" ] || continue
  name=$(basename "$bin")
  seeds="fuzz/seeds/${name#fuzz_}"
  work="$BUILD/fuzz/corpus/$name"
  mkdir -p "$work"
  echo "-- $name"
  args=("$work")
  [ -d "$seeds" ] && args+=("$seeds")
  ASAN_OPTIONS=detect_leaks=1 "$bin" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "${args[@]}" 2>"$BUILD/fuzz/$name.log" || { tail -50 "$BUILD/fuzz/$name.log"; exit 1; }
  grep -E 'stat::number_of_executed_units' "$BUILD/fuzz/$name.log" || true
  found=$((found + 1))
done
echo "fuzz targets run: $found"
