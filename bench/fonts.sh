#!/usr/bin/env bash
# The font measurements of bench/RESULTS.md, as Markdown on standard output:
#   bench/fonts.sh [BUILD_DIR]   (default build-release)
# FreeSerif OTF against TTF with one and two workers (best of three runs each, since the machine
# may be shared), then the largest conversion error of each of the twelve FreeFont faces (OTF
# against TTF) and of Inter's variable font at each named instance against the static OpenType
# instance of the same name (fonts-inter-variable and fonts-inter, the same version).
set -euo pipefail
cd "$(dirname "$0")/.."
program="${1:-build-release}/cli/bezier-hausdorff"
[ -x "$program" ] || { echo "error: $program not found; build first" >&2; exit 1; }
otf=/usr/share/fonts/opentype/freefont
ttf=/usr/share/fonts/truetype/freefont
times=$(mktemp)
err=$(mktemp)
trap 'rm -f "$times" "$err"' EXIT

priority=()
[ "${BENCH_REALTIME:-0}" = 1 ] && priority=(chrt -f 10)

# best_of JOBS: the fastest of three runs, as "WALL RSS".
best_of() {
  local best="" line
  for _ in 1 2 3; do
    "${priority[@]}" /usr/bin/time -f "%e %M" -o "$times" "$program" -j "$1" --glyphs all \
      --tolerance 0.01 \
      "$otf/FreeSerif.otf" "$ttf/FreeSerif.ttf" >/dev/null 2>"$err"
    line=$(cat "$times")
    if [ -z "$best" ] || awk -v a="${line%% *}" -v b="${best%% *}" 'BEGIN { exit !(a < b) }'; then
      best=$line
    fi
  done
  echo "$best"
}

echo "## bezier-hausdorff: the whole of FreeSerif"
echo
echo "Every glyph of Debian's FreeSerif, cubic (OTF) against quadratic (TTF), read exactly, at"
echo "--tolerance 0.01 font units (goals: within 1 s with -j 2, -j 2 at least 1.7 times the"
echo "one-worker rate, under 100 MB). Best of three runs each, wall time and peak resident"
echo "memory by /usr/bin/time; $(date -u '+%Y-%m-%d %H:%M UTC'), load average before the runs"
echo "$(cut -d' ' -f1-3 /proc/loadavg)$([ ${#priority[@]} -gt 0 ] && echo ", at real-time priority (BENCH_REALTIME=1)"):"
echo
echo '```'
one=$(best_of 1)
two=$(best_of 2)
echo "-j 1: wall ${one%% *} s, peak RSS ${one##* } KiB"
echo "-j 2: wall ${two%% *} s, peak RSS ${two##* } KiB"
awk -v a="${one%% *}" -v b="${two%% *}" 'BEGIN { printf "-j 2 rate / -j 1 rate: %.2f\n", a / b }'
"${priority[@]}" "$program" -j 2 --glyphs all --tolerance 0.01 --plot bench/freeserif-worst-glyph.svg \
  "$otf/FreeSerif.otf" "$ttf/FreeSerif.ttf" 2>&1 >/dev/null
echo '```'
echo
echo "The glyph with the largest distance, OTF in black and TTF in blue, with the witness arrow:"
echo
echo "![The glyph with the largest distance](freeserif-worst-glyph.svg)"
echo
echo "## Largest conversion error of each font"
echo
echo "The summary's largest upper bound (font units, tolerance 0.01) and its glyph: each FreeFont"
echo "face, OTF against TTF (1,000 units per em); Inter's variable TrueType font at each named"
echo "instance against the static OpenType instance (2,816 units per em; the variable font's"
echo "reading carries FreeType's variation bound, so its intervals are at least 0.044 wide)."
echo
echo "| fonts | glyphs compared | largest upper bound | at glyph |"
echo "|---|---:|---:|---|"
row() {
  "$program" -j 2 --glyphs all --tolerance 0.01 "$1" "$2" 2>"$err" >/dev/null || true
  local compared largest
  compared=$(sed -n 's/.*: \([0-9]*\) glyphs compared.*/\1/p' "$err")
  largest=$(sed -n 's/^  largest upper bound: \([^ ]*\) at glyph \(.*\)$/\1 | \2/p' "$err")
  echo "| $3 | $compared | $largest |"
}
for face in FreeSerif FreeSerifBold FreeSerifItalic FreeSerifBoldItalic FreeSans FreeSansBold \
  FreeSansOblique FreeSansBoldOblique FreeMono FreeMonoBold FreeMonoOblique FreeMonoBoldOblique; do
  row "$otf/$face.otf" "$ttf/$face.ttf" "$face OTF / TTF"
done
variable=/usr/share/fonts/truetype/inter-vf/Inter-roman.var.ttf
for instance in Thin "Extra Light" Light Regular Medium "Semi Bold" Bold "Extra Bold" Black; do
  row "$variable@$instance" "/usr/share/fonts/opentype/inter/Inter-${instance// /}.otf" \
    "Inter variable @$instance / Inter-${instance// /}.otf"
done
