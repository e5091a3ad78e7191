#!/usr/bin/env bash
# Throughput of bezier-hausdorff in '-' mode over seeded random pairs: reading, searching and
# printing included. A benchmark to run by hand, not a test:
#   cli/bench.sh [BUILD_DIR] [PAIRS] [SEED] [OPTION...]   defaults: build 10000 1
# e.g. cli/bench.sh build-release 200000 1 -j 2      (the certified search on two workers)
#      cli/bench.sh build 10000 1 --method viewer     (the viewer's search)
# Coordinates are uniform in [-0.5, 0.5], the scale of the viewer's curves.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
pairs=${2:-10000}
seed=${3:-1}
shift $(( $# < 3 ? $# : 3 ))
program="$build/cli/bezier-hausdorff"
[ -x "$program" ] || { echo "error: $program not found; build first" >&2; exit 1; }

input=$(mktemp)
output=$(mktemp)
trap 'rm -f "$input" "$output"' EXIT
awk -v pairs="$pairs" -v seed="$seed" 'BEGIN {
  srand(seed)
  for (i = 0; i < pairs; ++i) {
    line = ""
    for (k = 0; k < 16; ++k) line = line (k ? " " : "") sprintf("%.17g", rand() - 0.5)
    print line
  }
}' >"$input"

start=$(date +%s.%N)
"$program" "$@" - <"$input" >"$output"
end=$(date +%s.%N)

results=$(wc -l <"$output")
[ "$results" -eq "$pairs" ] || { echo "error: $results results for $pairs pairs" >&2; exit 1; }
awk -v pairs="$pairs" -v start="$start" -v end="$end" 'BEGIN {
  seconds = end - start
  printf "%d pairs in %.3f s: %.0f pairs/s\n", pairs, seconds, pairs / seconds
}'
