"""Every form a shape can take gives the same result; wrong input of any kind is an exception
with the library's words, never a crash; hausdorff_many is hausdorff pair by pair."""
import math
import re
import os
import random

import numpy
import pytest

import beziercurve
from conftest import EXAMPLES, FREESERIF_OTF

SQUARE = "M0 0 L10 0 L10 10 L0 10 Z"
WAVE = "M0 1 C 3 6 7 -4 10 1"


def forms_of(data):
    """The same cubics as path data, a Shape, a float64 array, nested lists and tuples."""
    shape = beziercurve.read_path(data)
    array = numpy.asarray(shape)
    return {"path data": data, "Shape": shape, "array": array, "lists": array.tolist(),
            "tuples": tuple(tuple(tuple(p) for p in c) for c in array.tolist()),
            "Shape of array": beziercurve.Shape(array),
            "Fortran order": numpy.asfortranarray(array)}


def same(first, second):
    return (first.lower, first.upper, first.steps, repr(first.witness), repr(first.nearest)) == (
        second.lower, second.upper, second.steps, repr(second.witness), repr(second.nearest))


def test_every_form_of_a_shape_gives_the_same_result():
    expected = beziercurve.hausdorff(SQUARE, WAVE)
    for name_a, a in forms_of(SQUARE).items():
        for name_b, b in forms_of(WAVE).items():
            assert same(beziercurve.hausdorff(a, b), expected), (name_a, name_b)


def test_integer_and_single_precision_arrays():
    points = [[0, 0], [3, 7], [8, 2], [10, 4]]
    other = [[0, 1], [4, 6], [7, 3], [10, 5]]
    expected = beziercurve.hausdorff(numpy.array(points, dtype=float),
                                     numpy.array(other, dtype=float))
    for dtype in (numpy.int32, numpy.int64, numpy.uint16, numpy.float32, numpy.float16):
        result = beziercurve.hausdorff(numpy.array(points, dtype=dtype),
                                       numpy.array(other, dtype=dtype))
        assert same(result, expected), dtype
    # One cubic as (4, 2) is the shape of one segment (1, 4, 2).
    assert same(beziercurve.hausdorff(numpy.array([points]), [other]), expected)


@pytest.mark.filterwarnings("ignore:.*skipped 2 text")
def test_shapes_convert_to_arrays_and_back():
    shape = beziercurve.read_svg(os.path.join(EXAMPLES, "svgo-largest-change.svg"))
    array = numpy.asarray(shape)
    assert array.shape == (len(shape), 4, 2) and array.dtype == numpy.float64
    # The array alone holds the cubics; the contours and paints come with the keywords.
    assert beziercurve.Shape(array, approximation_error=shape.approximation_error,
                             contours=shape.contours, paints=shape.paints) == shape
    assert numpy.asarray(shape, dtype=numpy.float32).dtype == numpy.float32
    glyph = beziercurve.read_glyph(FREESERIF_OTF, "g")
    assert beziercurve.Shape(glyph) == glyph and beziercurve.Shape(glyph) is not glyph
    # The arc's cubics declare their error; the array does not carry it.
    arc = beziercurve.read_path("M0 0 A5 5 0 0 1 10 0", arc_error=1e-3)
    assert 0 < arc.approximation_error <= 1e-3
    assert beziercurve.Shape(numpy.asarray(arc)).approximation_error == 0
    assert len(beziercurve.Shape()) == 0 and numpy.asarray(beziercurve.Shape()).shape == (0, 4, 2)
    assert repr(beziercurve.Shape([[0, 0], [1, 1], [2, 2], [3, 3]])) == (
        "Shape(1 segment, approximation_error=0.0)")


def test_results_keep_their_promises():
    """On seeded random shapes: the interval is ordered and as narrow as asked, and the
    witness's nearest point is at a distance that lies in it."""
    rng = random.Random(7)
    for _ in range(40):
        a = numpy.array([[[rng.uniform(-50, 50) for _ in range(2)] for _ in range(4)]
                         for _ in range(rng.randint(1, 4))])
        b = numpy.array([[[rng.uniform(-50, 50) for _ in range(2)] for _ in range(4)]
                         for _ in range(rng.randint(1, 4))])
        d = beziercurve.hausdorff(a, b, tolerance=1e-6)
        assert d.tolerance_met and 0 <= d.lower <= d.upper <= d.lower + 1e-6
        assert d.interval == (d.lower, d.upper)
        assert {d.witness.shape, d.nearest.shape} == {"A", "B"}
        gap = math.dist(d.witness.point, d.nearest.point)
        assert d.lower - 1e-9 <= gap <= d.upper + 1e-9
        own = a if d.witness.shape == "A" else b
        assert 0 <= d.witness.segment < len(own) and 0 <= d.witness.t <= 1
        assert beziercurve.within(a, b, d.upper) in (True, None)
        assert beziercurve.within(a, b, d.lower * 0.999) in (False, None)


def test_many_pairs_are_each_pair_alone():
    rng = random.Random(2026)
    pairs = []
    for i in range(60):
        n = rng.randint(1, 6)
        a = numpy.array([[[rng.uniform(0, 100), rng.uniform(0, 100)] for _ in range(4)]
                         for _ in range(n)])
        b = a + numpy.array([rng.uniform(-2, 2), rng.uniform(-2, 2)]) if i % 2 else a[::-1] * 1.01
        pairs.append((a, b) if i % 3 else (beziercurve.Shape(a), b.tolist()))
    pairs.append((SQUARE, WAVE))
    one_by_one = [beziercurve.hausdorff(a, b, tolerance=1e-5) for a, b in pairs]
    for jobs in (1, 2, 7, None):
        many = beziercurve.hausdorff_many(pairs, tolerance=1e-5, jobs=jobs)
        assert len(many) == len(pairs)
        assert all(same(x, y) for x, y in zip(many, one_by_one)), jobs
    assert beziercurve.hausdorff_many(iter(pairs[:3]), tolerance=1e-5)[2].upper == (
        one_by_one[2].upper)
    assert beziercurve.hausdorff_many([]) == []


HUGE = [[0, 0], [1, 1], [2, 2], [1e300, 3]]
NAN = [[0, 0], [1, float("nan")], [2, 2], [3, 3]]
INF = numpy.array([[0, 0], [1, 1], [numpy.inf, 2], [3, 3]])

# (call, exception, words)
REFUSALS = [
    (lambda: beziercurve.hausdorff(None, SQUARE), TypeError, "shape A: expected SVG path data"),
    (lambda: beziercurve.hausdorff(SQUARE, 3.5), TypeError, "shape B: expected SVG path data"),
    (lambda: beziercurve.hausdorff(b"M0 0L1 1", SQUARE), TypeError, "not bytes"),
    (lambda: beziercurve.hausdorff([], SQUARE), ValueError, "shape A: it draws no segment"),
    (lambda: beziercurve.hausdorff(numpy.zeros((0, 4, 2)), SQUARE), ValueError,
     "shape A: it draws no segment"),
    (lambda: beziercurve.hausdorff("M5 5", SQUARE), ValueError, "shape A: it draws no segment"),
    (lambda: beziercurve.hausdorff(numpy.zeros((3, 2)), SQUARE), ValueError, "not (3, 2)"),
    (lambda: beziercurve.hausdorff(numpy.zeros((2, 4, 3)), SQUARE), ValueError,
     "not (2, 4, 3)"),
    (lambda: beziercurve.hausdorff(numpy.zeros(8), SQUARE), ValueError, "not (8,)"),
    (lambda: beziercurve.hausdorff(numpy.zeros((3, 0)), SQUARE), ValueError, "not (3, 0)"),
    (lambda: beziercurve.hausdorff(numpy.zeros((0, 4)), SQUARE), ValueError, "not (0, 4)"),
    (lambda: beziercurve.hausdorff([[1, 2], [3]], SQUARE), ValueError,
     "NumPy cannot read this as an array"),
    (lambda: beziercurve.hausdorff([[[0, 0], [1, 1], [2, 2], [3, None]]], SQUARE), ValueError,
     "coordinates must be real numbers, not object"),
    (lambda: beziercurve.hausdorff(numpy.full((4, 2), "1"), SQUARE), ValueError,
     "coordinates must be real numbers"),
    (lambda: beziercurve.hausdorff(numpy.ones((4, 2), dtype=complex), SQUARE), ValueError,
     "not complex128"),
    (lambda: beziercurve.hausdorff(numpy.ones((4, 2), dtype=bool), SQUARE), ValueError,
     "not bool"),
    (lambda: beziercurve.hausdorff(SQUARE, NAN), ValueError,
     "shape B: segment 0, point 1: y is not finite"),
    (lambda: beziercurve.hausdorff(INF, SQUARE), ValueError,
     "shape A: segment 0, point 2: x is not finite"),
    (lambda: beziercurve.hausdorff(HUGE, SQUARE), ValueError,
     "shape A: segment 0, point 3: x 1e+300 is beyond 1e150"),
    (lambda: beziercurve.hausdorff([[[0, 0]] * 4, [[10 ** 400, 0]] * 4], SQUARE), ValueError,
     "shape A: "),
    (lambda: beziercurve.hausdorff("M0 0 L", SQUARE), ValueError,
     "shape A: path data, character 7: expected a number after 'L', found the end"),
    (lambda: beziercurve.hausdorff(SQUARE, WAVE, tolerance=0), ValueError,
     "tolerance 0: the tolerance must be a positive, finite number"),
    (lambda: beziercurve.hausdorff(SQUARE, WAVE, tolerance=-1), ValueError, "tolerance -1:"),
    (lambda: beziercurve.hausdorff(SQUARE, WAVE, tolerance=float("inf")), ValueError,
     "tolerance inf:"),
    (lambda: beziercurve.hausdorff(SQUARE, WAVE, tolerance=float("nan")), ValueError,
     "tolerance nan:"),
    (lambda: beziercurve.hausdorff(SQUARE, WAVE, tolerance=None), TypeError, ""),
    (lambda: beziercurve.hausdorff(SQUARE, WAVE, tolerance="0.1"), TypeError, ""),
    (lambda: beziercurve.within(SQUARE, WAVE, -0.5), ValueError,
     "threshold -0.5: the threshold D must be a finite distance, 0 or more"),
    (lambda: beziercurve.within(SQUARE, WAVE, float("nan")), ValueError, "threshold nan:"),
    (lambda: beziercurve.within(SQUARE, [], 1), ValueError, "shape B: it draws no segment"),
    (lambda: beziercurve.hausdorff_many([(SQUARE, WAVE), (SQUARE, NAN)]), ValueError,
     "pair 1, shape B: segment 0, point 1: y is not finite"),
    (lambda: beziercurve.hausdorff_many([(SQUARE, WAVE), (SQUARE,)]), ValueError,
     "pair 1: expected a pair (a, b) of shapes"),
    (lambda: beziercurve.hausdorff_many(["ab"]), ValueError, "pair 0: expected a pair"),
    (lambda: beziercurve.hausdorff_many([(SQUARE, WAVE)], tolerance=0), ValueError,
     "tolerance 0: the tolerance must be"),
    (lambda: beziercurve.hausdorff_many([], tolerance=-2), ValueError, "tolerance -2:"),
    (lambda: beziercurve.hausdorff_many([(SQUARE, WAVE)], jobs=0), ValueError, "jobs 0:"),
    (lambda: beziercurve.hausdorff_many([(SQUARE, WAVE)], jobs=1.5), TypeError, "jobs must"),
    (lambda: beziercurve.hausdorff_many(None), TypeError, ""),
    (lambda: beziercurve.read_path("M0 0 L 1"), ValueError, "path data, character 9"),
    (lambda: beziercurve.read_path(SQUARE, arc_error=0), ValueError,
     "arc_error 0.0: the arc error must be a positive, finite number"),
    (lambda: beziercurve.read_path(None), TypeError, ""),
    (lambda: beziercurve.read_svg(EXAMPLES), OSError, EXAMPLES),
    (lambda: beziercurve.read_svg(None), TypeError, ""),
    (lambda: beziercurve.read_glyph(FREESERIF_OTF, "nosuchglyphname"), ValueError,
     "nosuchglyphname"),
    (lambda: beziercurve.read_glyph(FREESERIF_OTF + "#3", "a"), ValueError, "FreeSerif.otf"),
    (lambda: beziercurve.Shape(NAN), ValueError, "segment 0, point 1: y is not finite"),
    (lambda: beziercurve.Shape([], approximation_error=-1), ValueError,
     "its approximation error is not a finite number, 0 or more"),
    (lambda: beziercurve.Shape(SQUARE, approximation_error=float("nan")), ValueError,
     "its approximation error"),
    (lambda: beziercurve.Shape(numpy.zeros((5, 2))), ValueError, "cubics: cubics must be"),
    # What Python would take as a number, or cut short, is refused in the module's words.
    (lambda: beziercurve.hausdorff(SQUARE, WAVE, tolerance=True), TypeError,
     "tolerance must be a number, not bool (True)"),
    (lambda: beziercurve.hausdorff(SQUARE, WAVE, numpy.bool_(True)), TypeError,
     "tolerance must be a number, not bool"),
    (lambda: beziercurve.hausdorff(SQUARE, WAVE, tolerance="0.1"), TypeError,
     "tolerance must be a number, not str"),
    (lambda: beziercurve.hausdorff(SQUARE, WAVE, tolerance=2**1100), ValueError,
     "characters): too large for a floating-point number"),
    (lambda: beziercurve.within(SQUARE, WAVE, False), TypeError, "d must be a number, not bool"),
    (lambda: beziercurve.hausdorff_many([(SQUARE, WAVE)], tolerance=True), TypeError,
     "tolerance must be a number, not bool"),
    (lambda: beziercurve.hausdorff_many([(SQUARE, WAVE)], jobs=True), TypeError,
     "jobs must be a whole number, 1 or more, or None (one per core), not bool"),
    (lambda: beziercurve.hausdorff_many([(SQUARE, WAVE)], jobs=-2**70), ValueError,
     "jobs -1180591620717411303424: jobs must be a whole number, 1 or more"),
    (lambda: beziercurve.read_path(SQUARE, arc_error=True), TypeError,
     "arc_error must be a number, not bool"),
    (lambda: beziercurve.Shape(SQUARE, approximation_error=True), TypeError,
     "approximation_error must be a number, not bool"),
    (lambda: beziercurve.Shape(SQUARE, contours=[(0, 2**70, True)]), ValueError,
     "contours[0]: 1180591620717411303424 is not a segment or contour count"),
    (lambda: beziercurve.read_svg(os.path.join(EXAMPLES, "heart.svg") + "\0zzz"), ValueError,
     "heart.svg\\x00zzz: a file name cannot contain a NUL byte"),
    (lambda: beziercurve.read_svg(os.fsencode(os.path.join(EXAMPLES, "heart.svg")) + b"\0"),
     ValueError, "heart.svg\\x00: a file name cannot contain a NUL byte"),
    (lambda: beziercurve.read_glyph(FREESERIF_OTF + "\0", "a"), ValueError,
     "FreeSerif.otf\\x00: a file name cannot contain a NUL byte"),
]


@pytest.mark.parametrize("index", range(len(REFUSALS)))
def test_refusals_are_exceptions_with_the_libraries_words(index):
    call, kind, words = REFUSALS[index]
    with pytest.raises(kind) as refused:
        call()
    assert words in str(refused.value)


@pytest.mark.filterwarnings("ignore:.*skipped 2 text")
def test_read_files_given_as_paths_and_bytes():
    import pathlib

    heart = os.path.join(EXAMPLES, "svgo-largest-change.svg")
    expected = beziercurve.read_svg(heart)
    assert beziercurve.read_svg(pathlib.Path(heart)) == expected
    assert beziercurve.read_svg(os.fsencode(heart)) == expected
    assert beziercurve.read_glyph(pathlib.Path(FREESERIF_OTF), "a") == beziercurve.read_glyph(
        FREESERIF_OTF, "a")


def test_skipped_elements_are_warned_of():
    with pytest.warns(UserWarning, match=r"heart\.svg: skipped 1 text"):
        beziercurve.read_svg(os.path.join(EXAMPLES, "heart.svg"))


def test_a_file_name_of_any_bytes(tmp_path):
    """Read under a name that is not UTF-8: the shape is the file's, the warning printable."""
    import shutil

    odd = os.path.join(os.fsencode(str(tmp_path)), b"h\xffeart.svg")
    shutil.copy(os.path.join(EXAMPLES, "heart.svg"), odd)
    with pytest.warns(UserWarning, match=r"h\\xFFeart\.svg: skipped 1 text"):
        shape = beziercurve.read_svg(os.fsdecode(odd))
    with pytest.warns(UserWarning):
        assert beziercurve.read_svg(odd) == shape
    with pytest.warns(UserWarning):
        assert shape == beziercurve.read_svg(os.path.join(EXAMPLES, "heart.svg"))


def test_contours_and_paints(tmp_path):
    path = beziercurve.read_path("M0 0 L3 0 L0 0 M0 0 L0 3")
    assert path.contours == ((0, 2, True), (2, 1, False))
    assert path.paints == ((0, 2, True, "nonzero"),)
    # From the cubics alone, the two subpaths meet end to start and are one run.
    bare = beziercurve.Shape(numpy.asarray(path))
    assert bare.contours == ((0, 3, False),) and bare != path
    assert beziercurve.Shape(path, fill_rule="evenodd").paints == ((0, 2, True, "evenodd"),)
    assert beziercurve.Shape(bare, contours=[(0, 2, True), (2, 1, False)]) == path
    split = beziercurve.Shape(path, paints=[(0, 1, False, "evenodd"), (1, 1, True, "nonzero")])
    assert split.paints == ((0, 1, False, "evenodd"), (1, 1, True, "nonzero"))
    assert split.contours == path.contours
    drawing = tmp_path / "paints.svg"
    drawing.write_text("<svg xmlns='http://www.w3.org/2000/svg'><g fill-rule='evenodd'>"
                       "<path d='M0 0H1V1ZM2 2H3'/></g><rect width='1' height='1' fill='none'/>"
                       "</svg>")
    svg = beziercurve.read_svg(drawing)
    assert svg.contours == ((0, 3, True), (3, 1, False), (4, 4, True))
    assert svg.paints == ((0, 2, True, "evenodd"), (2, 1, False, "nonzero"))


@pytest.mark.parametrize("keywords, words", [
    ({"contours": [(0, 1, False), (1, 2, False)]}, "contour 1 has 2 segments, where 1 remain"),
    ({"contours": [(0, 2, True)]}, "contour 0 is marked closed but does not end"),
    ({"contours": [(0, 1)]}, "contours[0]: expected (first_segment, segment_count, closed)"),
    ({"contours": [(0, 1.0, False)]}, "contours[0]: expected"),
    ({"contours": "0 1"}, "contours: expected"),
    ({"paints": [(0, 1, True, "winding")]}, "paints[0]: the fill rule must be 'nonzero' or"),
    ({"paints": [(0, 2, True, "nonzero")]}, "paint 0 has 2 contours, where 1 remain"),
    ({"fill_rule": "odd"}, "fill_rule: the fill rule must be"),
])
def test_structure_refusals(keywords, words):
    with pytest.raises(ValueError, match=re.escape(words)):
        beziercurve.Shape("M0 0 L1 0 L1 1", **keywords)
