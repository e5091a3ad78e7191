#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UBSan) in build-fuzz/ and runs
# each for a bounded time, starting from the corpus kept for it in the repository:
#   geometry_fuzz    pairs of curves through the Hausdorff search (fuzz/corpus/geometry)
#   cli_parse_fuzz   arbitrary bytes through bezier-hausdorff's line reader and pair parser
#                    (fuzz/corpus/cli_parse)
#   shapes_fuzz      arbitrary bytes as SVG path data and as an SVG document (fuzz/corpus/shapes)
#   svg_fuzz         SVG documents with style sheets, <use> and transforms, mutated with the words
#                    of fuzz/svg.dict (fuzz/corpus/svg); the cascade checked against the plain one
#   cff_fuzz         arbitrary bytes as a CFF table, every glyph run (fuzz/corpus/cff)
# Exits non-zero when a fuzzer reports anything: a failed check, a crash, a sanitizer report,
# a timeout or running out of memory. The input that did it is left in build-fuzz/artifacts/;
# rerun it with `build-fuzz/fuzz/<target> FILE`.
#
#   fuzz/run.sh [SECONDS]   each target runs this long (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

seconds="${1:-60}"
build=build-fuzz

ensure_packages "${BUILD_PACKAGES[@]}" "${CLI_PACKAGES[@]}" "${SANITIZER_PACKAGES[@]}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DBEZIER_FUZZ=ON -DBEZIER_BUILD_TESTS=OFF
cmake --build "$build" --target geometry_fuzz cli_parse_fuzz shapes_fuzz svg_fuzz cff_fuzz

# New inputs go to a scratch directory; the kept corpora are only read.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$build/artifacts"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

# fuzz TARGET CORPUS PER_INPUT_TIMEOUT MAX_LEN [RSS_LIMIT_MB [FLAG...]]: runs one target for
# $seconds seconds; an input that takes longer than PER_INPUT_TIMEOUT seconds or more than
# RSS_LIMIT_MB (default 4096) of memory fails the run.
fuzz() {
  local target="$1" corpus="$2" timeout="$3" max_len="$4" rss="${5:-4096}"
  shift 4
  if [ "$#" -gt 0 ]; then shift; fi
  mkdir -p "$scratch/$target"
  # The fuzzer's status is kept in a file: the pipe through grep would hide it.
  local status_file="$scratch/$target.status"
  echo 0 >"$status_file"
  { "$build/fuzz/$target" "$scratch/$target" "fuzz/corpus/$corpus" \
    -max_len="$max_len" -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb="$rss" \
    -print_final_stats=1 "$@" -artifact_prefix="$build/artifacts/$target-" 2>&1 ||
    echo "$?" >"$status_file"; } |
    tee "$build/last-run-$target.log" | grep -v -E '^#[0-9]+\s+(NEW|REDUCE|pulse)' || true
  local status
  status="$(cat "$status_file")"
  if [ "$status" -ne 0 ]; then
    echo "fuzz/run.sh: $target failed (status $status); see $build/last-run-$target.log" >&2
    exit "$status"
  fi
  echo "fuzz/run.sh: ${seconds}s of $target found nothing"
}

# The slowest geometry inputs known are identical curves about 1e3 across: the search then
# refines both curves down to the width floor (524,286 steps), which takes about a minute in
# this build. An input still running after 300 s is taken to hang. 129 bytes: sixteen doubles
# and a zoom.
fuzz geometry_fuzz geometry 300 129
# Parsing is linear in the input: any input runs in milliseconds. 8,200 bytes leave room for
# lines over the reader's 4,096-byte limit.
fuzz cli_parse_fuzz cli_parse 10 8200
# Reading path data and SVG documents is linear in the input too. 8,192 bytes hold documents with
# a few dozen elements and path data with hundreds of commands.
fuzz shapes_fuzz shapes 10 8192
# The SVG reader is linear in the document, its <use> copies bounded by 32 MiB and 2^20
# elements and its selector matching by 2^23 steps: an input of 8,192 bytes, however hostile,
# reads in well under a second and within a few hundred MiB here.
fuzz svg_fuzz svg 5 8192 1024 -dict=fuzz/svg.dict
# A CFF table's glyphs run in at most 2^20 operators each, 64 glyphs an input. 16,384 bytes hold
# a small font with subroutines.
fuzz cff_fuzz cff 10 16384
