#!/usr/bin/env bash
# The web-address index against another build's, in one run: size per entry and the time of
# `hkwdefs index` for a working copy of N web addresses (half bare hosts, half pages, as real
# feeds are), the median of RUNS runs each.
#   bench/index/web_index_figures.sh BUILD [BASELINE_HKWDEFS] [N] [RUNS]
# BUILD is this tree's build folder (bench_definitions and hkwdefs); BASELINE_HKWDEFS another
# build's hkwdefs (for example of the commit before a change), left out for this build alone.
set -euo pipefail
BUILD=${1:?build folder}
BASELINE=${2:-}
N=${3:-1000000}
RUNS=${4:-3}
work=$(mktemp -d /tmp/hookwise-web-index-XXXXXX)
trap 'rm -rf "$work"' EXIT
"$BUILD/bench/index/bench_definitions" web "$N" "$work/hkwdb2.pbd"

# The median of the runs' CPU time (user + system, which another load on the machine changes
# less than the wall-clock time) and the index's size.
measure() { # name hkwdefs
  local times=()
  for _ in $(seq "$RUNS"); do
    local TIMEFORMAT='%U %S'
    local spent
    spent=$({ time "$2" index "$work/hkwdb2.pbd" "$work/$1.pbi" >/dev/null 2>&1; } 2>&1)
    times+=("$(echo "$spent" | awk '{print $1 + $2}')")
  done
  local median size
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((RUNS + 1) / 2))p")
  size=$(stat -c %s "$work/$1.pbi")
  echo "$1 $median $size"
}

new=$(measure new "$BUILD/tools/hkwdefs/hkwdefs")
read -r _ newTime newSize <<<"$new"
printf '%-10s index of %d web entries: %6.2f s CPU, %8.1f bytes per entry\n' this "$N" "$newTime" \
  "$(echo "$newSize / $N" | bc -l)"
if [ -n "$BASELINE" ]; then
  base=$(measure base "$BASELINE")
  read -r _ baseTime baseSize <<<"$base"
  printf '%-10s index of %d web entries: %6.2f s CPU, %8.1f bytes per entry\n' baseline "$N" \
    "$baseTime" "$(echo "$baseSize / $N" | bc -l)"
  printf 'ratio (this / baseline): time %.3f, size %.3f\n' "$(echo "$newTime / $baseTime" | bc -l)" \
    "$(echo "$newSize / $baseSize" | bc -l)"
fi
