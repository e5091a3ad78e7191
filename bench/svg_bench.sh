#!/usr/bin/env bash
# Speed of bezier-hausdorff on SVG files, reading included. A benchmark to run by hand, not a
# test:
#   bench/svg_bench.sh [BUILD_DIR] [ICON_DIR]   defaults: build-release, Adwaita's scalable icons
# Prints three figures:
#   - every icon against itself, one process per file: the median and the total wall time;
#   - every icon against itself as lines of '-' mode on one worker: the total;
#   - a generated drawing of 26,000 segments (gear teeth of lines, arcs and cubics, a radius of
#     300) against itself, and the same with its picture (--plot): best of three, and the
#     picture's size.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}
icons=${2:-/usr/share/icons/Adwaita/scalable}
program="$build/cli/bezier-hausdorff"
[ -x "$program" ] || { echo "error: $program not found; build first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
find "$icons" -name '*.svg' -type f | sort >"$work/files"
count=$(wc -l <"$work/files")

now() { date +%s.%N; }

# One process per file, each timed.
while read -r file; do
  start=$(now)
  "$program" "$file" "$file" >/dev/null 2>&1 || true
  end=$(now)
  echo "$start $end" | awk '{ printf "%.6f\n", $2 - $1 }'
done <"$work/files" | sort -n >"$work/times"
awk -v count="$count" '{ t[NR] = $1; sum += $1 } END {
  printf "%d icons, one process each: median %.1f ms, total %.2f s\n", count, t[int((NR + 1) / 2)] * 1000, sum
}' "$work/times"

# All of them as lines of '-' mode.
awk '{ printf "%s\t%s\n", $0, $0 }' "$work/files" >"$work/lines"
start=$(now)
"$program" -j 1 - <"$work/lines" >/dev/null 2>&1 || true
end=$(now)
echo "$start $end" | awk -v count="$count" '{ printf "%d icons as lines of - mode, one worker: %.2f s\n", count, $2 - $1 }'

# The 26,000-segment drawing: 6,500 teeth of four segments each (a line, an arc, a line and a
# cubic), round a circle of radius 300.
awk 'BEGIN {
  teeth = 6500; pi = 3.14159265358979; r = 300
  printf "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"-320 -320 640 640\"><path d=\"M%.4f 0", r
  for (i = 0; i < teeth; ++i) {
    a0 = 2 * pi * i / teeth; a1 = 2 * pi * (i + 0.25) / teeth
    a2 = 2 * pi * (i + 0.5) / teeth; a3 = 2 * pi * (i + 0.75) / teeth; a4 = 2 * pi * (i + 1) / teeth
    printf " L%.4f %.4f", (r + 6) * cos(a1), (r + 6) * sin(a1)
    printf " A%.4f %.4f 0 0 1 %.4f %.4f", r + 6, r + 6, (r + 6) * cos(a2), (r + 6) * sin(a2)
    printf " L%.4f %.4f", r * cos(a3), r * sin(a3)
    printf " C%.4f %.4f %.4f %.4f %.4f %.4f", (r - 1) * cos(a3), (r - 1) * sin(a3), (r - 1) * cos(a4), (r - 1) * sin(a4), r * cos(a4), r * sin(a4)
  }
  printf " Z\"/></svg>\n"
}' >"$work/gear.svg"
best=""
for run in 1 2 3; do
  start=$(now)
  "$program" "$work/gear.svg" "$work/gear.svg" >"$work/gear.out"
  end=$(now)
  best=$(echo "$start $end $best" | awk '{ t = $2 - $1; if ($3 == "" || t < $3) print t; else print $3 }')
done
echo "26,000-segment drawing against itself: best of 3 $(awk -v t="$best" 'BEGIN { printf "%.3f", t }') s: $(cat "$work/gear.out")"
best=""
for run in 1 2 3; do
  start=$(now)
  "$program" --plot "$work/gear-plot.svg" "$work/gear.svg" "$work/gear.svg" >/dev/null
  end=$(now)
  best=$(echo "$start $end $best" | awk '{ t = $2 - $1; if ($3 == "" || t < $3) print t; else print $3 }')
done
echo "the same with --plot: best of 3 $(awk -v t="$best" 'BEGIN { printf "%.3f", t }') s, picture $(wc -c <"$work/gear-plot.svg") bytes"
