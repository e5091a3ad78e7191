#!/usr/bin/env bash
# Sets up what the tests need, builds everything and runs every test. Exits non-zero on any
# failure.
#
#   ./test.sh             the normal build, in build/; it also makes the Debian package in a
#                         Release build of its own and checks it (Package.BuildsAndPassesChecks)
#   ./test.sh --sanitize  the same suite built with clang, AddressSanitizer and UBSan, in
#                         build-asan/; any sanitizer report fails the test that caused it
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
source scripts/display.sh

ensure_packages "${BUILD_PACKAGES[@]}" "${CLI_PACKAGES[@]}" "${VIEWER_PACKAGES[@]}" \
  "${BENCH_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}" "${PACKAGE_CHECK_PACKAGES[@]}"

# The viewer's tests open real windows: without a display, a virtual one serves this run, and
# they fail rather than skip if none can be had.
[ -n "${DISPLAY:-}" ] || start_virtual_display
export BEZIER_REQUIRE_DISPLAY=1

build=build
configure=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DBEZIER_BUILD_BENCH=ON)
if [ "${1:-}" = --sanitize ]; then
  ensure_packages "${SANITIZER_PACKAGES[@]}"
  build=build-asan
  # The benchmarks time code; they have nothing to tell under the sanitizers.
  configure+=(-DCMAKE_CXX_COMPILER=clang++ -DBEZIER_SANITIZE=ON -DBEZIER_BUILD_BENCH=OFF)
  # Every process that ctest starts inherits these: leaks, and a use of a stack frame after its
  # return, are reported too, and a report ends the process with a stack trace.
  export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:detect_stack_use_after_return=1:abort_on_error=0}"
  export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
fi

# svgo, the real client of the SVG reader's tests, from npm into a cache.
BEZIER_SVGO="$(ensure_svgo)"
export BEZIER_SVGO

cmake -S . -B "$build" -G Ninja "${configure[@]}"
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure --timeout 300
