#!/usr/bin/python3
"""The independent reading of a font's glyphs: fontTools draws every glyph, and each segment is
printed as the cubic bezier-hausdorff measures it (lines and quadratics elevated exactly, each
control point rounded once), zero-length lines left out, with the contours they form.

Usage: fonttools_cubics.py FONT [LOCATION]
  LOCATION: "wght=700,wdth=100" or a named instance ("Bold").
Prints, for each glyph in glyph order: "GLYPHNAME<TAB>N<TAB>STARTS", then N lines of 8 numbers
(repr); STARTS are the indices of the cubics each contour that draws something starts at, comma
separated (empty for none). N is -1, with no lines, for a glyph fontTools cannot draw as the font
means it.
"""
import sys

from fontTools.pens.basePen import BasePen
from fontTools.ttLib import TTFont
from fontTools.ttLib.tables._g_l_y_f import SCALED_COMPONENT_OFFSET


class CubicPen(BasePen):
    def __init__(self, glyphSet=None):
        super().__init__(glyphSet)
        self.cubics = []
        self.start = None
        self.starts = []  # the first cubic of each contour that draws one

    def _third(self, a, b):
        return ((2 * a[0] + b[0]) / 3, (2 * a[1] + b[1]) / 3)

    def _moveTo(self, pt):
        self.start = pt
        if not self.starts or self.starts[-1] != len(self.cubics):
            self.starts.append(len(self.cubics))

    def _lineTo(self, pt):
        cur = self._getCurrentPoint()
        if tuple(cur) != tuple(pt):
            self.cubics.append((cur, self._third(cur, pt), self._third(pt, cur), pt))

    def _curveToOne(self, p1, p2, p3):
        self.cubics.append((self._getCurrentPoint(), p1, p2, p3))

    def _qCurveToOne(self, p1, p2):
        cur = self._getCurrentPoint()
        self.cubics.append((cur, self._third(p1, cur), self._third(p1, p2), p2))

    def _closePath(self):
        if self.start is not None:
            self._lineTo(self.start)
        if self.starts and self.starts[-1] == len(self.cubics):
            self.starts.pop()  # the contour drew nothing

    def _endPath(self):
        self._closePath()


def location_of(font, text):
    if not text:
        return None
    if "=" in text:
        return {k: float(v) for k, v in (item.split("=") for item in text.split(","))}
    for instance in font["fvar"].instances:
        if font["name"].getDebugName(instance.subfamilyNameID) == text:
            return dict(instance.coordinates)
    raise SystemExit("no instance " + text)


def unsupported(font, name):
    """fontTools' pens place components by their offsets only, unscaled: a glyph with a component
    placed by anchor points, or whose offset the matrix scales, is left to the tests that work
    it out by hand."""
    if "glyf" not in font:
        return False
    glyph = font["glyf"][name]
    return glyph.isComposite() and any(
        hasattr(c, "firstPt") or c.flags & SCALED_COMPONENT_OFFSET for c in glyph.components)


def main():
    font = TTFont(sys.argv[1], lazy=True)
    location = location_of(font, sys.argv[2] if len(sys.argv) > 2 else "")
    glyphs = font.getGlyphSet(location=location) if location else font.getGlyphSet()
    out = []
    for name in font.getGlyphOrder():
        if unsupported(font, name):
            out.append("%s\t-1\t" % name)
            continue
        pen = CubicPen(glyphs)
        glyphs[name].draw(pen)
        out.append("%s\t%d\t%s" % (name, len(pen.cubics), ",".join(map(str, pen.starts))))
        for cubic in pen.cubics:
            out.append(" ".join(repr(float(c)) for p in cubic for c in p))
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
