#!/usr/bin/env bash
# Sets up what the tests need, builds everything and runs every test. Exits non-zero on any
# failure.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
source scripts/display.sh

ensure_packages "${BUILD_PACKAGES[@]}" "${CLI_PACKAGES[@]}" "${VIEWER_PACKAGES[@]}" \
  "${BENCH_PACKAGES[@]}"

# The viewer's tests open real windows: without a display, a virtual one serves this run, and
# they fail rather than skip if none can be had.
[ -n "${DISPLAY:-}" ] || start_virtual_display
export BEZIER_REQUIRE_DISPLAY=1

build=build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure --timeout 300
