#!/usr/bin/env bash
# Builds geometry-bench in Release, runs it and writes bench/RESULTS.md (machine, date, table).
#   ./bench.sh [extra Google Benchmark flags, e.g. --benchmark_filter=default]
# BENCH_REPETITIONS (default 5) and BENCH_MIN_TIME (seconds per repetition, default 0.05) keep
# the run modest on a shared machine.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh

ensure_packages "${BUILD_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"

build=build-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBEZIER_BUILD_TESTS=OFF
cmake --build "$build" -j2 --target geometry-bench

repetitions="${BENCH_REPETITIONS:-5}"
min_time="${BENCH_MIN_TIME:-0.05}"
# Taken before RESULTS.md is rewritten, which would count as a change.
commit="$(git rev-parse --short HEAD 2>/dev/null || echo unknown)"
git diff --quiet HEAD -- . ':!bench/RESULTS.md' 2>/dev/null || commit="$commit (with uncommitted changes)"
table="$(mktemp)"
trap 'rm -f "$table"' EXIT
"$build/bench/geometry-bench" --benchmark_repetitions="$repetitions" \
  --benchmark_min_time="$min_time" --benchmark_report_aggregates_only=true \
  --results_md="$table" "$@"

{
  echo "# geometry-bench results"
  echo
  echo "- date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "- machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores, $(uname -sr)"
  echo "- compiler: $(c++ --version | head -n1); Release build"
  echo "- run: $repetitions repetitions of at least ${min_time} s each; medians of CPU time shown"
  echo "- load average when the run ended: $(cut -d' ' -f1-3 /proc/loadavg) (the machine may be shared)"
  echo "- commit: $commit"
  echo
  echo "Methods, on the same pairs in the same run: **library** is hausdorffSearch with its trace"
  echo "written to /dev/null and its markers sent to a canvas that draws nothing; **plain** is the"
  echo "straightforward search kept in tests/geometry/plain_search.cpp under the same conditions"
  echo "(the cost before tuning); **2geom** is Geom::hausdorf with precision 1e-3 on"
  echo "CubicBezier(...).toSBasis(); **boost** is boost::geometry::discrete_hausdorff_distance both"
  echo "ways round on polylines of ceil(control polygon length / 0.002) segments, uniform in the"
  echo "parameter. Conversion and sampling are timed with each peer. Errors are against dense"
  echo "sampling (tests/geometry/reference.cpp), computed once outside the timed loops. Debian's"
  echo "Google Benchmark library reports that it was built as DEBUG; that affects its own"
  echo "bookkeeping, not the code timed."
  echo
  cat "$table"
} >bench/RESULTS.md
echo "wrote bench/RESULTS.md"
