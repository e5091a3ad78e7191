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
  echo "- commit: $(git rev-parse --short HEAD 2>/dev/null || echo unknown)$(git diff --quiet 2>/dev/null || echo ' (with uncommitted changes)')"
  echo
  cat "$table"
} >bench/RESULTS.md
echo "wrote bench/RESULTS.md"
