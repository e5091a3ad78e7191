#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UBSan) in build-fuzz/ and runs
# the geometry fuzzer for a bounded time, starting from the corpus kept in fuzz/corpus/geometry.
# Exits non-zero when the fuzzer reports anything: a failed check, a crash, a sanitizer report,
# a timeout or running out of memory. The input that did it is left in build-fuzz/artifacts/;
# rerun it with `build-fuzz/fuzz/geometry_fuzz FILE`.
#
#   fuzz/run.sh [SECONDS]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

seconds="${1:-60}"
# The slowest inputs known are identical curves about 1e3 across: the search then refines both
# curves down to the width floor (524,286 steps), which takes about a minute in this build. An
# input still running after this long is taken to hang.
per_input_timeout=300

ensure_packages "${BUILD_PACKAGES[@]}" "${SANITIZER_PACKAGES[@]}"
build=build-fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DBEZIER_FUZZ=ON -DBEZIER_BUILD_TESTS=OFF
cmake --build "$build" --target geometry_fuzz

# New inputs go to a scratch directory; the kept corpus is only read.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$build/artifacts"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
"$build/fuzz/geometry_fuzz" "$scratch" fuzz/corpus/geometry \
  -max_len=129 -max_total_time="$seconds" -timeout="$per_input_timeout" -rss_limit_mb=4096 \
  -print_final_stats=1 -artifact_prefix="$build/artifacts/" 2>&1 |
  tee "$build/last-run.log" | grep -v -E '^#[0-9]+\s+(NEW|REDUCE|pulse)' || true
status="${PIPESTATUS[0]}"
if [ "$status" -ne 0 ]; then
  echo "fuzz/run.sh: the geometry fuzzer failed (status $status); see $build/last-run.log" >&2
  exit "$status"
fi
echo "fuzz/run.sh: ${seconds}s of fuzzing found nothing"
