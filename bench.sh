#!/usr/bin/env bash
# Builds geometry-bench in Release, runs it and writes bench/RESULTS.md (machine, date, table).
#   ./bench.sh [extra Google Benchmark flags, e.g. --benchmark_filter=default]
# BENCH_REPETITIONS (default 5) and BENCH_MIN_TIME (seconds per repetition, default 0.05) keep
# the run modest on a shared machine.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh

ensure_packages "${BUILD_PACKAGES[@]}" "${CLI_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"

build=build-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBEZIER_BUILD_TESTS=OFF
cmake --build "$build" -j2 --target geometry-bench frechet-bench bezier-hausdorff api-bench \
  _beziercurve

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
  echo "Methods, on the same pairs in the same run: **certified** is certifiedHausdorff at"
  echo "tolerance 1e-3 and **certified-1e-9** at 1e-9 (the distance taken as the interval's middle;"
  echo "whether every interval held the reference is checked outside the timing and shown as"
  echo "\"held\"); **library** is the viewer's hausdorffSearch with its trace written to /dev/null and"
  echo "its markers sent to a canvas that draws nothing; **plain** is the straightforward viewer"
  echo "search kept in tests/geometry/plain_search.cpp under the same conditions (the cost before"
  echo "tuning); **2geom** is Geom::hausdorf with precision 1e-3 on CubicBezier(...).toSBasis();"
  echo "**boost** is boost::geometry::discrete_hausdorff_distance both ways round on polylines of"
  echo "ceil(control polygon length / 0.002) segments, uniform in the parameter. Conversion and"
  echo "sampling are timed with each method. Errors are against the long double reference of the"
  echo "tests (tests/distance/shape_reference.cpp), computed once outside the timed loops. Debian's"
  echo "Google Benchmark library reports that it was built as DEBUG; that affects its own"
  echo "bookkeeping, not the code timed."
  echo
  cat "$table"
  echo
  echo "## bezier-hausdorff: pairs per second"
  echo
  echo "cli/bench.sh over 400,000 seeded random pairs in '-' mode (reading, searching and printing"
  echo "included), the certified search at its default tolerance (goal: at least 200,000 pairs/s"
  echo "with -j 2 on this 2-core machine):"
  echo
  echo '```'
  for jobs in 1 2; do cli/bench.sh "$build" 400000 1 -j "$jobs" | sed "s/^/-j $jobs: /"; done
  echo '```'
  echo
  echo "## bezier-hausdorff as a coprocess"
  echo
  echo "cli/coprocess_bench.py: 2,000 seeded random pairs written one line at a time, each answer"
  echo "read before the next line is sent (results are flushed whenever the input pauses):"
  echo
  echo '```'
  python3 cli/coprocess_bench.py "$build" 2000 1 -j 2
  echo '```'
  echo
  bench/fonts.sh "$build"
  echo
  bench/fill.sh "$build"
  echo
  echo "### Every Inter glyph against its own overlap-removed union"
  echo
  echo "bench/fill_union.py (booleanOperations' union, as ufo2ft removes overlaps):"
  echo
  PYTHONPATH="$build/python" /usr/bin/python3 bench/fill_union.py
  echo
  echo "## bezier-hausdorff: SVG files"
  echo
  echo "bench/svg_bench.sh: every scalable icon of Debian's adwaita-icon-theme against itself, one"
  echo "process per file and as lines of '-' mode, and a generated drawing of 26,000 segments"
  echo "(gear teeth of lines, arcs and cubics) against itself, alone and with its --plot picture"
  echo "(goals: no slower than before on the icons; the drawing within 0.4 s, its picture under"
  echo "2 MB):"
  echo
  echo '```'
  bench/svg_bench.sh "$build"
  echo '```'
} >bench/RESULTS.md
{
  echo
  "$build/bench/frechet-bench"
} >>bench/RESULTS.md
# The Python module against the C++ API, and hausdorff_many on two threads, at real-time priority
# when BENCH_REALTIME=1 (as bench/fonts.sh).
python_priority=()
[ "${BENCH_REALTIME:-0}" = 1 ] && python_priority=(chrt -f 10)
{
  echo
  PYTHONPATH="$build/python" "${python_priority[@]}" /usr/bin/python3 bench/python_bench.py "$build"
  # Pickling, Ctrl-C's latency, and the Dask example on two worker processes against one.
  echo
  PYTHONPATH="$build/python" /usr/bin/python3 bench/python_bench.py "$build" --pipelines
} >>bench/RESULTS.md
echo "wrote bench/RESULTS.md"
