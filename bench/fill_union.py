#!/usr/bin/python3
"""Every glyph of a font against its own overlap-removed union, as a font build removes overlaps
(booleanOperations' union under the nonzero rule, as ufo2ft does it, with Debian's
python3-booleanoperations): the fill distance, which is the union's curve refitting error, glyph
by glyph, and the outline distance beside it for comparison. Markdown on standard output.

Usage: PYTHONPATH=BUILD/python fill_union.py [FONT] [ROWS]
FONT defaults to Inter's roman variable font (fonts-inter-variable) at its default location;
ROWS (default 20) is how many of the largest fill distances the table lists.
"""
import sys
import time

import os
import booleanOperations
from fontTools.pens.basePen import BasePen
from fontTools.pens.pointPen import PointToSegmentPen
from fontTools.ttLib import TTFont

import beziercurve

# The fill tests' contour, drawn into a point pen as booleanOperations reads one.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "distance"))
from boolean_union import Contour  # noqa: E402

TOLERANCE = 0.01


class CubicContours(BasePen):
    """A glyph's contours as cubic segments (quadratics elevated exactly), closed."""

    def __init__(self, glyph_set):
        super().__init__(glyph_set)
        self.contours = []
        self.start = None

    def _moveTo(self, pt):
        self.contours.append([])
        self.start = pt

    def _lineTo(self, pt):
        current = self._getCurrentPoint()
        if tuple(current) != tuple(pt):
            self.contours[-1].append((current, pt))

    def _curveToOne(self, p1, p2, p3):
        self.contours[-1].append((self._getCurrentPoint(), p1, p2, p3))

    def _qCurveToOne(self, p1, p2):
        p0 = self._getCurrentPoint()
        c1 = (p0[0] + 2 * (p1[0] - p0[0]) / 3, p0[1] + 2 * (p1[1] - p0[1]) / 3)
        c2 = (p2[0] + 2 * (p1[0] - p2[0]) / 3, p2[1] + 2 * (p1[1] - p2[1]) / 3)
        self.contours[-1].append((p0, c1, c2, p2))

    def _closePath(self):
        self._lineTo(self.start)

    def _endPath(self):
        self._closePath()


def union_shape(glyph_set, name):
    contours = CubicContours(glyph_set)
    glyph_set[name].draw(contours)
    pen = beziercurve.Pen()
    booleanOperations.union([Contour(c) for c in contours.contours if c], PointToSegmentPen(pen))
    return pen.shape


def main():
    font = sys.argv[1] if len(sys.argv) > 1 else \
        "/usr/share/fonts/truetype/inter-vf/Inter-roman.var.ttf"
    rows = int(sys.argv[2]) if len(sys.argv) > 2 else 20
    glyph_set = TTFont(font).getGlyphSet()
    pairs, names, failed = [], [], []
    for name in glyph_set.keys():
        try:
            original = beziercurve.read_glyph(font, name)
            union = union_shape(glyph_set, name)
        except Exception as error:  # a glyph booleanOperations cannot take
            failed.append(f"{name}: {error}")
            continue
        if len(original) == 0 and len(union) == 0:
            continue
        if len(original) == 0 or len(union) == 0:
            failed.append(f"{name}: drawn by only one of the two")
            continue
        pairs.append((original, union))
        names.append(name)
    start = time.perf_counter()
    fills = beziercurve.hausdorff_many(pairs, TOLERANCE, fill=True)
    fill_seconds = time.perf_counter() - start
    start = time.perf_counter()
    outlines = beziercurve.hausdorff_many(pairs, TOLERANCE)
    outline_seconds = time.perf_counter() - start
    order = sorted(range(len(names)), key=lambda i: -fills[i].upper)
    print(f"{font}, every glyph against booleanOperations' union of its contours, tolerance "
          f"{TOLERANCE} font units: {len(names)} glyphs measured in {fill_seconds:.1f} s "
          f"(fills) and {outline_seconds:.1f} s (outlines), both cores; "
          f"{len(failed)} not measured.")
    print()
    print(f"Fill distance above 0.5 units: {sum(f.lower > 0.5 for f in fills)} glyphs; above 1: "
          f"{sum(f.lower > 1 for f in fills)}; above 5: {sum(f.lower > 5 for f in fills)}. "
          f"Outline distance above 5: {sum(o.lower > 5 for o in outlines)}.")
    print()
    print("| glyph | fill distance | outline distance |")
    print("|---|---|---|")
    for i in order[:rows]:
        f, o = fills[i], outlines[i]
        print(f"| {names[i]} | [{f.lower:.3f}, {f.upper:.3f}] | [{o.lower:.3f}, {o.upper:.3f}] |")
    for line in failed[:10]:
        print(f"\n- not measured: {line}")


if __name__ == "__main__":
    main()
