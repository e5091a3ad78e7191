"""The Pen against fontTools' own drawing: glyphs drawn through fontTools' glyph sets give
exactly the cubics that fontTools' BasePen decomposition gives, and the same cubics (as a set,
whatever point a contour starts at) and declared error as the program's glyph reader."""
import pathlib
import random
import sys

import numpy
import pytest
from fontTools.misc.transform import Transform
from fontTools.pens.recordingPen import RecordingPen
from fontTools.pens.transformPen import TransformPen
from fontTools.ttLib import TTFont

import beziercurve
from conftest import FREESERIF_OTF, FREESERIF_TTF

# fontTools' BasePen splits the curves; the glyph tests' pen elevates each piece as the
# program's glyph reader does ((2a + b) / 3, one rounding), zero-length lines left out.
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "fonts"))
from fonttools_cubics import CubicPen  # noqa: E402


class ReferencePen(CubicPen):
    """Glyph contours are closed, so the glyph tests' pen closes every one; this pen, like the
    module's, leaves a contour ended by endPath open."""

    def _endPath(self):
        pass


def cubics_of(pen):
    """The cubics a reference pen drew, as the module's arrays hold them."""
    return numpy.array(pen.cubics, dtype=float).reshape(-1, 4, 2)


def sorted_cubics(array):
    return sorted(tuple(c.ravel()) for c in numpy.asarray(array))


def sample_of(font, count, seed):
    order = font.getGlyphOrder()
    return random.Random(seed).sample(order, count)


@pytest.fixture(scope="module", params=[FREESERIF_OTF, FREESERIF_TTF], ids=["cff", "truetype"])
def font(request):
    return request.param, TTFont(request.param)


def test_every_glyph_as_fonttools_draws_it(font):
    """Every glyph of both faces, components decomposed through the glyph set: the same cubics
    in the same order as fontTools' recording of the drawing, expanded by BasePen."""
    _, tt = font
    glyphs = tt.getGlyphSet()
    composites = 0
    for name in tt.getGlyphOrder():
        recording = RecordingPen()
        glyphs[name].draw(recording)
        composites += any(op == "addComponent" for op, _ in recording.value)
        pen = beziercurve.Pen(glyphSet=glyphs)
        glyphs[name].draw(pen)
        reference = ReferencePen(glyphs)
        recording.replay(reference)
        assert numpy.array_equal(numpy.asarray(pen.shape), cubics_of(reference)), name
    if "glyf" in tt:
        assert composites > 100  # the TrueType face composes its accented letters


def test_glyphs_are_the_programs_cubics(font):
    """A seeded sample of glyphs: the Pen's cubics are the reader's, and so is the error bound."""
    path, tt = font
    glyphs = tt.getGlyphSet()
    for name in sample_of(tt, 120, 19) + ["a", "aacute", "Aring", "ffi", "percent"]:
        pen = beziercurve.Pen(glyphSet=glyphs)
        glyphs[name].draw(pen)
        read = beziercurve.read_glyph(path, name)
        assert sorted_cubics(pen.shape) == sorted_cubics(read), name
        assert pen.shape.approximation_error == read.approximation_error, name
        # One contour per font contour, each closed: the same runs, in whatever order drawn.
        assert sorted(c[1:] for c in pen.shape.contours) == sorted(c[1:] for c in read.contours)
        if len(read):
            distance = beziercurve.hausdorff(pen.shape, read, tolerance=1e-6)
            assert distance.lower <= 1e-6 and distance.tolerance_met


def drawn(commands, glyphSet=None):
    pen = beziercurve.Pen(glyphSet=glyphSet)
    for method, arguments in commands:
        getattr(pen, method)(*arguments)
    return pen


# Drawings and what BasePen makes of them (the reference replays the same commands).
DRAWINGS = {
    "closing line added": [("moveTo", [(0, 0)]), ("lineTo", [(10, 0)]), ("lineTo", [(10, 10)]),
                           ("closePath", [])],
    "closed on its start": [("moveTo", [(0, 0)]), ("curveTo", [(1, 5), (9, 5), (10, 0)]),
                            ("lineTo", [(0, 0)]), ("closePath", [])],
    "zero-length lines": [("moveTo", [(0, 0)]), ("lineTo", [(0, 0)]), ("lineTo", [(3, 1)]),
                          ("lineTo", [(3, 1)]), ("closePath", [])],
    "implied on-curve points": [("moveTo", [(0, 0)]),
                                ("qCurveTo", [(1, 3), (4, 5), (7, 2), (9, 0)]),
                                ("closePath", [])],
    "contour of control points": [("qCurveTo", [(0, 0), (10, 0), (10, 10), (0, 10), None]),
                                  ("closePath", [])],
    "odd implied midpoints": [("qCurveTo", [(1, 0), (2, 3), (5, 7), None]), ("closePath", [])],
    "curve of four controls": [("moveTo", [(0, 0)]),
                               ("curveTo", [(1, 4), (3, 6), (6, 6), (8, 3), (10, 0)]),
                               ("closePath", [])],
    "curve of seven controls": [("moveTo", [(0, 0)]),
                                ("curveTo", [(1, 4), (3, 6), (6, 6), (8, 3), (9, 2), (11, -1),
                                             (12, 5), (14, 0)]),
                                ("endPath", [])],
    "curveTo of one control": [("moveTo", [(0, 0)]), ("curveTo", [(5, 5), (10, 0)]),
                               ("endPath", [])],
    "open contour": [("moveTo", [(0, 0)]), ("lineTo", [(10, 0)]), ("lineTo", [(10, 10)]),
                     ("endPath", [])],
    "two contours": [("moveTo", [(0, 0)]), ("lineTo", [(1, 0)]), ("lineTo", [(1, 1)]),
                     ("closePath", []), ("moveTo", [(5, 5)]), ("qCurveTo", [(6, 7), (7, 5)]),
                     ("closePath", [])],
    "fractions": [("moveTo", [(0.1, 0.2)]), ("lineTo", [(1 / 3, 2e-7)]),
                  ("qCurveTo", [(1e5 / 7, 3.3), (5, 5)]), ("closePath", [])],
}


@pytest.mark.parametrize("name", sorted(DRAWINGS))
def test_drawings_as_basepen_decomposes_them(name):
    commands = DRAWINGS[name]
    reference = ReferencePen()
    for method, arguments in commands:
        getattr(reference, method)(*arguments)
    assert numpy.array_equal(numpy.asarray(drawn(commands).shape), cubics_of(reference))


def test_exact_elevation_and_what_closePath_adds():
    shape = numpy.asarray(drawn(DRAWINGS["closing line added"]).shape)
    assert shape.shape == (3, 4, 2)
    assert shape[2].tolist() == [[10, 10], [20 / 3, 20 / 3], [10 / 3, 10 / 3], [0, 0]]
    assert len(drawn(DRAWINGS["closed on its start"]).shape) == 2
    assert len(drawn(DRAWINGS["open contour"]).shape) == 2
    # Q0, Q1, Q2 -> Q0, Q0 + 2/3 (Q1 - Q0), Q2 + 2/3 (Q1 - Q2), Q2
    quad = numpy.asarray(drawn([("moveTo", [(0, 0)]), ("qCurveTo", [(3, 6), (9, 0)]),
                                ("endPath", [])]).shape)
    assert quad.tolist() == [[[0, 0], [2, 4], [5, 4], [9, 0]]]
    square = drawn(DRAWINGS["contour of control points"]).shape
    assert numpy.asarray(square)[0, 0].tolist() == [0, 5]  # between the last and first controls
    assert len(square) == 4


class Glyph:
    def __init__(self, commands):
        self.commands = commands

    def draw(self, pen):
        for method, arguments in self.commands:
            getattr(pen, method)(*arguments)


def test_components_are_drawn_through_their_transformation():
    triangle = DRAWINGS["closing line added"]
    glyphs = {"triangle": Glyph(triangle),
              "pair": Glyph([("addComponent", ["triangle", (1, 0, 0, 1, 0, 0)]),
                             ("addComponent", ["triangle", (0.5, 0.25, -0.75, 2, 30, -4)])]),
              "nested": Glyph([("addComponent", ["pair", (2, 0, 0, -1, 7, 9)])])}
    outer = Transform(2, 0, 0, -1, 7, 9)
    pair = [Transform(), Transform(0.5, 0.25, -0.75, 2, 30, -4)]
    for name, transforms in (("pair", pair), ("nested", [outer.transform(t) for t in pair])):
        reference = ReferencePen()
        for transform in transforms:
            Glyph(triangle).draw(TransformPen(reference, transform))
        pen = beziercurve.Pen(glyphSet=glyphs)
        glyphs[name].draw(pen)
        assert numpy.array_equal(numpy.asarray(pen.shape), cubics_of(reference)), name


def test_pen_refusals():
    glyphs = {"loop": Glyph([("addComponent", ["loop", (1, 0, 0, 1, 0, 0)])])}
    with pytest.raises(ValueError, match="needs the glyph set"):
        beziercurve.Pen().addComponent("acute", (1, 0, 0, 1, 0, 0))
    with pytest.raises(KeyError, match="'grave' is not in the glyph set"):
        beziercurve.Pen(glyphSet=glyphs).addComponent("grave", (1, 0, 0, 1, 0, 0))
    with pytest.raises(ValueError, match="nested too deeply"):
        beziercurve.Pen(glyphSet=glyphs).addComponent("loop", (1, 0, 0, 1, 0, 0))
    with pytest.raises(ValueError, match="moveTo first"):
        beziercurve.Pen().lineTo((1, 1))
    pen = beziercurve.Pen()
    pen.moveTo((0, 0))
    pen.lineTo((float("nan"), 1))
    with pytest.raises(ValueError, match="segment 0, point 1: x is not finite"):
        pen.shape
    assert len(beziercurve.Pen().shape) == 0
