#!/usr/bin/env bash
# The fill distance on real fonts, as Markdown on standard output (bench/RESULTS.md and
# docs/benchmarks.md quote it):
#   bench/fill.sh [BUILD_DIR]   (default build-release)
# 1. the whole of FreeSerif, OTF against TTF, outlines against fills: wall time with -j 2;
# 2. Inter's variable font at @Bold against the static Inter-Bold.otf, fills, -j 2;
# 3. each of the twelve FreeFont faces, OTF against TTF: the largest outline and fill distances;
# 4. Inter's variable fonts (roman and italic) at every named instance against the static
#    OpenType instance of that name: how many glyphs differ by more than 1 and 5 font units, as
#    outlines and as fills, and the largest fill distance.
set -euo pipefail
cd "$(dirname "$0")/.."
program="${1:-build-release}/cli/bezier-hausdorff"
[ -x "$program" ] || { echo "error: $program not found; build first" >&2; exit 1; }
otf=/usr/share/fonts/opentype/freefont
ttf=/usr/share/fonts/truetype/freefont
inter=/usr/share/fonts/opentype/inter
variable=/usr/share/fonts/truetype/inter-vf
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# wall SECONDS of one run of the program with the given arguments.
wall() {
  /usr/bin/time -f "%e" -o "$work/time" "$program" "$@" >/dev/null 2>"$work/err" || true
  cat "$work/time"
}

echo "## The fill distance"
echo
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), load average before the runs $(cut -d' ' -f1-3 /proc/loadavg)."
echo
outline=$(wall -j 2 --glyphs all --tolerance 0.01 "$otf/FreeSerif.otf" "$ttf/FreeSerif.ttf")
fill=$(wall -j 2 --fill --glyphs all --tolerance 0.01 "$otf/FreeSerif.otf" "$ttf/FreeSerif.ttf")
bold=$(wall -j 2 --fill --glyphs all "$variable/Inter-roman.var.ttf@Bold" "$inter/Inter-Bold.otf")
echo '```'
echo "FreeSerif OTF / TTF, --glyphs all --tolerance 0.01 -j 2: outlines $outline s, fills $fill s"
awk -v a="$outline" -v b="$fill" 'BEGIN { printf "fills / outlines: %.1f\n", b / a }'
echo "Inter variable @Bold / Inter-Bold.otf, --fill --glyphs all -j 2: $bold s"
echo '```'
echo

# summary FILE: "compared | >1 | >5 | largest | glyph" from a --json run's records.
summary() {
  /usr/bin/python3 - "$1" <<'PY'
import json, sys
rows = [json.loads(line) for line in open(sys.argv[1])]
rows = [r for r in rows if "upper" in r and "glyph" in r and "empty" not in r]
worst = max(rows, key=lambda r: r["upper"])
name = worst["glyph"]["name"]
print(f"{len(rows)} | {sum(r['lower'] > 1 for r in rows)} | {sum(r['lower'] > 5 for r in rows)}"
      f" | {worst['upper']:.3f} | {name}")
PY
}

echo "### FreeFont, OTF against TTF (1,000 units per em, tolerance 0.01)"
echo
echo "| face | glyphs | outline > 1 | outline > 5 | largest outline | at | fill > 1 | fill > 5 | largest fill | at |"
echo "|---|---:|---:|---:|---:|---|---:|---:|---:|---|"
for face in FreeSerif FreeSerifBold FreeSerifItalic FreeSerifBoldItalic FreeSans FreeSansBold \
  FreeSansOblique FreeSansBoldOblique FreeMono FreeMonoBold FreeMonoOblique FreeMonoBoldOblique; do
  "$program" -j 2 --json --glyphs all --tolerance 0.01 "$otf/$face.otf" "$ttf/$face.ttf" \
    >"$work/outline.json" 2>/dev/null || true
  "$program" -j 2 --json --fill --glyphs all --tolerance 0.01 "$otf/$face.otf" "$ttf/$face.ttf" \
    >"$work/fill.json" 2>/dev/null || true
  o=$(summary "$work/outline.json")
  f=$(summary "$work/fill.json")
  echo "| $face | $o | ${f#* | }|"
done
echo
echo "### Inter, variable at each named instance against the static instance (2,816 units per em)"
echo
echo "Counted by the interval's lower end (a glyph counts when it certainly differs by more)."
echo
echo "| instance | glyphs | outline > 1 | outline > 5 | largest outline | at | fill > 1 | fill > 5 | largest fill | at |"
echo "|---|---:|---:|---:|---:|---|---:|---:|---:|---|"
for style in roman italic; do
  for weight in Thin "Extra Light" Light Regular Medium "Semi Bold" Bold "Extra Bold" Black; do
    instance=$weight
    file=${weight// /}
    if [ "$style" = italic ]; then
      instance=$([ "$weight" = Regular ] && echo Italic || echo "$weight Italic")
      file=$([ "$weight" = Regular ] && echo Italic || echo "${weight// /}Italic")
    fi
    "$program" -j 2 --json --glyphs all "$variable/Inter-$style.var.ttf@$instance" \
      "$inter/Inter-$file.otf" >"$work/outline.json" 2>/dev/null || true
    "$program" -j 2 --json --fill --glyphs all "$variable/Inter-$style.var.ttf@$instance" \
      "$inter/Inter-$file.otf" >"$work/fill.json" 2>/dev/null || true
    o=$(summary "$work/outline.json")
    f=$(summary "$work/fill.json")
    echo "| $instance | $o | ${f#* | }|"
  done
done
