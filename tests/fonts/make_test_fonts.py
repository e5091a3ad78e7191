#!/usr/bin/python3
"""Builds, with fontTools, the small fonts the glyph tests read. Usage: make_test_fonts.py DIR

  fractions.otf  CFF outlines at fractional coordinates (100.5, 0.25, -3.75)
  halves.ttf     TrueType with implied on-curve points at half units, and composites: shifted,
                 scaled, x/y scaled, 2x2, offset scaled by the matrix, and placed by anchor points
  em2048.ttf     halves.ttf's "square" and "curve" drawn at 2.048 times the size, 2048 units per em
  rings.otf      "rings": three circles of different sizes and places, drawn counter-clockwise;
                 "extra": the same three and a fourth, small
  rings.ttf      the same circles as quadratics, stored in another order (large, small, middle),
                 each clockwise and starting elsewhere; its "extra" has the three alone
"""
import math
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.t2CharStringPen import T2CharStringPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib.tables._g_l_y_f import Glyph, GlyphComponent, SCALED_COMPONENT_OFFSET

OUT = sys.argv[1]


def names(fb, family):
    fb.setupNameTable({"familyName": family, "styleName": "Regular"})
    fb.setupOS2()
    fb.setupPost()


def fractions():
    order = [".notdef", "frac", "space"]
    fb = FontBuilder(1000, isTTF=False)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap({0x41: "frac", 0x20: "space"})
    strings = {}
    for name in order:
        pen = T2CharStringPen(500, None, roundTolerance=0)
        if name == "frac":
            pen.moveTo((100.5, 0.25))
            pen.lineTo((400.75, -3.75))
            pen.curveTo((410.5, 200.25), (300.125, 650.5), (100.5, 700))
            pen.closePath()
        elif name == ".notdef":
            pen.moveTo((0, 0))
            pen.lineTo((10, 0))
            pen.lineTo((10, 10))
            pen.closePath()
        strings[name] = pen.getCharString()
    fb.setupCFF("TestFractions", {"FullName": "TestFractions"}, strings, {})
    fb.setupHorizontalMetrics({n: (500, 0) for n in order})
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    names(fb, "TestFractions")
    fb.save(OUT + "/fractions.otf")


def quadratic(scale):
    def s(p):
        return (round(p[0] * scale), round(p[1] * scale))

    square = TTGlyphPen(None)
    square.moveTo(s((0, 0)))
    square.lineTo(s((500, 0)))
    square.lineTo(s((500, 500)))
    square.lineTo(s((0, 500)))
    square.closePath()
    # Two off-curve points an odd number of units apart: implied points at half units.
    curve = TTGlyphPen(None)
    curve.moveTo(s((0, 0)))
    curve.qCurveTo(s((101, 303)), s((304, 505)), s((507, 101)), s((700, 0)))
    curve.closePath()
    return square.glyph(), curve.glyph()


def composite(parts):
    glyph = Glyph()
    glyph.numberOfContours = -1
    glyph.components = []
    for name, x, y, transform, flags, anchor in parts:
        c = GlyphComponent()
        c.glyphName = name
        c.flags = flags
        if anchor:
            c.firstPt, c.secondPt = anchor
        else:
            c.x, c.y = x, y
        if transform:
            c.transform = transform
        glyph.components.append(c)
    return glyph


def halves(em, scale, filename):
    square, curve = quadratic(scale)
    glyphs = {".notdef": square, "square": square, "curve": curve, "space": Glyph()}
    if scale == 1:
        glyphs.update({
            "shifted": composite([("curve", 13, -7, None, 0, None)]),
            "scaled": composite([("curve", 10, 20, [[0.5, 0], [0, 0.5]], 0, None)]),
            "xyscaled": composite([("curve", -3, 5, [[0.75, 0], [0, 1.25]], 0, None)]),
            "twobytwo": composite([("square", 0, 0, None, 0, None),
                                   ("curve", 31, -17, [[0.75, 0.25], [-0.3, 1.2]], 0, None)]),
            "scaledoffset": composite([("curve", 101, 51, [[0.5, 0.25], [0, 0.75]],
                                        SCALED_COMPONENT_OFFSET, None)]),
            "anchored": composite([("square", 0, 0, None, 0, None),
                                   ("curve", 0, 0, [[0.5, 0], [0, 0.5]], 0, (2, 3))]),
            "nested": composite([("twobytwo", 7, 9, [[0.5, 0.125], [0.25, 0.75]], 0, None)]),
        })
    order = list(glyphs)
    fb = FontBuilder(em, isTTF=True)
    fb.setupGlyphOrder(order)
    cmap = {0x20: "space", 0x41: "square", 0x42: "curve"}
    for i, name in enumerate(order[4:]):
        cmap[0x61 + i] = name
    fb.setupCharacterMap(cmap)
    fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics({n: (em, 0) for n in order})
    fb.setupHorizontalHeader(ascent=em, descent=-em // 4)
    names(fb, "TestHalves")
    fb.save(OUT + "/" + filename)


fractions()
halves(1000, 1, "halves.ttf")
halves(2048, 2.048, "em2048.ttf")


CIRCLES = [(200, 200, 150), (600, 250, 60), (400, 600, 100)]  # centre x, y and radius
EXTRA = (800, 700, 30)


def rings_otf():
    order = [".notdef", "rings", "extra"]
    fb = FontBuilder(1000, isTTF=False)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap({0x41: "rings", 0x42: "extra"})
    strings = {}
    for name in order:
        pen = T2CharStringPen(1000, None, roundTolerance=0)
        circles = [] if name == ".notdef" else CIRCLES + ([EXTRA] if name == "extra" else [])
        for cx, cy, r in circles:
            # Four cubics a quarter round each, counter-clockwise from angle 0.
            k = 0.5523 * r
            pen.moveTo((cx + r, cy))
            pen.curveTo((cx + r, cy + k), (cx + k, cy + r), (cx, cy + r))
            pen.curveTo((cx - k, cy + r), (cx - r, cy + k), (cx - r, cy))
            pen.curveTo((cx - r, cy - k), (cx - k, cy - r), (cx, cy - r))
            pen.curveTo((cx + k, cy - r), (cx + r, cy - k), (cx + r, cy))
            pen.closePath()
        strings[name] = pen.getCharString()
    fb.setupCFF("TestRings", {"FullName": "TestRings"}, strings, {})
    fb.setupHorizontalMetrics({n: (1000, 0) for n in order})
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    names(fb, "TestRings")
    fb.save(OUT + "/rings.otf")


def rings_ttf():
    order = [".notdef", "rings", "extra"]
    fb = FontBuilder(1000, isTTF=True)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap({0x41: "rings", 0x42: "extra"})
    glyphs = {}
    for name in order:
        pen = TTGlyphPen(None)
        stored = [] if name == ".notdef" else [CIRCLES[0], CIRCLES[2], CIRCLES[1]]
        for n, (cx, cy, r) in enumerate(stored):
            # Off-curve points on the circumscribed octagon, clockwise from eighth 3.5 + n.
            R = r / math.cos(math.pi / 8)
            points = [(cx + R * math.cos(math.pi / 4 * (3.5 + n - k)),
                       cy + R * math.sin(math.pi / 4 * (3.5 + n - k))) for k in range(8)]
            pen.qCurveTo(*points, None)
            pen.closePath()
        glyphs[name] = pen.glyph()
    fb.setupGlyf(glyphs)
    # A TrueType glyph's left side bearing is its xMin: readers place the outline by it.
    glyf = fb.font["glyf"]
    fb.setupHorizontalMetrics({n: (1000, getattr(glyf[n], "xMin", 0)) for n in order})
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    names(fb, "TestRings")
    fb.save(OUT + "/rings.ttf")


rings_otf()
rings_ttf()
