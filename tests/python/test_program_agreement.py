"""The module and bezier-hausdorff on the same inputs: identical intervals, witnesses and step
counts, and the same words when an input is refused."""
import os
import random
import warnings

import numpy
import pytest

import beziercurve
from conftest import (EXAMPLES, FREESERIF_OTF, FREESERIF_TTF, INTER_VARIABLE, assert_same_result,
                      run_json)


def random_cubic(rng, scale):
    return [[rng.uniform(-scale, scale), rng.uniform(-scale, scale)] for _ in range(4)]


def number_pairs(seed, count):
    """Seeded pairs of single cubics at several scales, some nearly equal."""
    rng = random.Random(seed)
    pairs = []
    for i in range(count):
        scale = (1.0, 100.0, 1e-3, 1e6)[i % 4]
        a = random_cubic(rng, scale)
        if i % 3 == 0:
            b = [[x + rng.uniform(-1e-3, 1e-3) * scale, y] for x, y in a]
        else:
            b = random_cubic(rng, scale)
        pairs.append((a, b))
    return pairs


PATH_PAIRS = [
    ("M0 0L10 0L10 10Z", "M0 0.5L10 0L10 10.25Z"),
    ("M0 0 C 3 4 7 4 10 0", "M0 0 Q5 5 10 0"),
    ("M0 0 A5 5 0 0 1 10 0", "M0 0 Q5 5 10 0"),
    ("M10 10 a 4 2 30 1 0 8 0 z", "M10 10 h8 v-3 h-8 z"),
    ("M0 0 h1 v1 h-1 z M3 3 h1 v1 h-1 z", "M0 0 h1 v1 h-1 z"),
    ("M.5.5 1e2-1e1 S 3 4 5 6 T 9 9", "m0.5 0.5 l99.5 -10.5 L9 9"),
]


@pytest.mark.parametrize("tolerance", [1e-3, 1e-6, 0.05])
def test_numbers_and_path_data_match_the_program(program, tolerance):
    pairs = number_pairs(1906, 24)
    lines = []
    for a, b in pairs:
        lines.append(" ".join(repr(v) for cubic in (a, b) for point in cubic for v in point))
    lines += ["%s\t%s" % pair for pair in PATH_PAIRS]
    records, _, status = run_json(program, ["--tolerance", repr(tolerance), "-j", "1", "-"],
                                  stdin="\n".join(lines) + "\n")
    assert status == 0
    assert len(records) == len(lines)
    operands = [(numpy.array(a), numpy.array(b)) for a, b in pairs] + PATH_PAIRS
    for record, (a, b) in zip(records, operands):
        assert_same_result(record, beziercurve.hausdorff(a, b, tolerance=tolerance))


@pytest.mark.parametrize("rule", ["nonzero", "evenodd"])
def test_fill_distances_match_the_program(program, rule):
    """With fill=True the module paints what the program paints: the same intervals, witnesses
    (points inside a fill included) and steps, path data filling under the rule asked."""
    star = "M 0 -10 L 5.878 8.09 L -9.511 -3.09 L 9.511 -3.09 L -5.878 8.09 Z"
    pairs = [(star, star + " M 0 0 L 0.1 0 L 0 0.1 Z"),
             ("M 10 0 A 10 10 0 1 1 -10 0 A 10 10 0 1 1 10 0 Z",
              "M 10 0 A 10 10 0 1 1 -10 0 A 10 10 0 1 1 10 0 Z M 4 0 A 4 4 0 1 0 -4 0 "
              "A 4 4 0 1 0 4 0 Z")] + PATH_PAIRS
    records, _, status = run_json(program, ["--fill", "--fill-rule", rule, "-j", "1", "-"],
                                  stdin="".join("%s\t%s\n" % pair for pair in pairs))
    assert status == 0
    shapes = [tuple(beziercurve.Shape(beziercurve.read_path(s), fill_rule=rule) for s in pair)
              for pair in pairs]
    for record, (a, b) in zip(records, shapes):
        assert_same_result(record, beziercurve.hausdorff(a, b, fill=True))
    for record, result in zip(records, beziercurve.hausdorff_many(shapes, fill=True, jobs=2)):
        assert_same_result(record, result)


def test_svg_files_match_the_program(program):
    heart = os.path.join(EXAMPLES, "heart.svg")
    simplified = os.path.join(EXAMPLES, "heart-simplified.svg")
    svgo = os.path.join(EXAMPLES, "svgo-largest-change.svg")
    for a, b, tolerance in ((heart, simplified, 1e-3), (heart + "#outline", simplified, 1e-2),
                            (svgo, heart, 1e-4)):
        (record,), _, status = run_json(program, ["--tolerance", repr(tolerance), a, b])
        assert status == 0

        def read(name):
            path, _, element = name.partition("#")
            with warnings.catch_warnings():
                warnings.simplefilter("ignore")  # the files' text elements are skipped
                return beziercurve.read_svg(path, id=element or None, arc_error=tolerance / 4)

        assert_same_result(record, beziercurve.hausdorff(read(a), read(b), tolerance=tolerance))


GLYPHS = ["a", "g", "Q", "&", "U+00E9", "aacute", "ffi", "@", "8", "period"]


@pytest.mark.parametrize("glyph", GLYPHS)
def test_glyphs_of_two_font_formats_match_the_program(program, glyph):
    (record,), _, status = run_json(program, ["--glyph", glyph, FREESERIF_OTF, FREESERIF_TTF])
    assert status == 0
    a = beziercurve.read_glyph(FREESERIF_OTF, glyph)
    b = beziercurve.read_glyph(FREESERIF_TTF, glyph)
    assert record["glyph"]["segments"] == [len(a), len(b)]
    assert_same_result(record, beziercurve.hausdorff(a, b))


def test_variable_font_locations_match_the_program(program):
    bold, regular = INTER_VARIABLE + "@wght=700", INTER_VARIABLE
    for glyph in ("a", "S"):
        (record,), _, status = run_json(program, ["--tolerance", "0.01", "--glyph", glyph, bold,
                                                  regular])
        assert status == 0
        a, b = beziercurve.read_glyph(bold, glyph), beziercurve.read_glyph(regular, glyph)
        assert a.approximation_error > 1e-9  # FreeType's varied points are rounded
        assert_same_result(record, beziercurve.hausdorff(a, b, tolerance=0.01))


def test_decisions_match_the_program(program):
    a, b = "M0 0 C 3 4 7 4 10 0", "M0 0.5 Q5 5 10 0"
    distance = beziercurve.hausdorff(a, b, tolerance=1e-9)
    verdicts = {"yes": True, "no": False, "undecided": None}
    for threshold in (0.0, distance.lower * 0.5, distance.lower - 1e-6, distance.upper + 1e-6,
                      distance.upper * 2, distance.lower):
        (record,), _, _ = run_json(program, ["--within", repr(threshold), a, b])
        assert verdicts[record["within"]["verdict"]] == beziercurve.within(a, b, threshold)
    assert beziercurve.within(a, b, distance.lower * 0.5) is False
    assert beziercurve.within(a, b, distance.upper * 2) is True


REFUSED_PATH_DATA = ["M0 0 L", "M1", "m1 2 3", "M0 0 L1 1e999", "M0 0 X", "M0,0 C1 1 2 2",
                     "M0 0 L 2e150 0", "M0 0 L\u22121 0"]


@pytest.mark.parametrize("data", REFUSED_PATH_DATA)
def test_refused_path_data_in_the_programs_words(program, data):
    with pytest.raises(ValueError) as refused:
        beziercurve.hausdorff(data, "M0 0L1 1")
    records, stderr, status = run_json(program, ["-"], stdin=data + "\tM0 0L1 1\n")
    assert status == 1
    message = str(refused.value)
    assert message.startswith("shape A: path data, ")
    # The program may add a hint after its reader's words; the words themselves are the same.
    assert records[0]["error"].startswith(message)


def test_missing_and_refused_files_in_the_programs_words(program, tmp_path):
    missing = str(tmp_path / "missing.svg")
    broken = tmp_path / "broken.svg"
    broken.write_text("<svg><path d='M0 0 L1 1'></svg>")
    cases = [
        (lambda: beziercurve.read_svg(missing), OSError, [missing, "M0 0L1 1"]),
        (lambda: beziercurve.read_svg(str(broken)), ValueError, [str(broken), "M0 0L1 1"]),
        (lambda: beziercurve.read_svg(os.path.join(EXAMPLES, "heart.svg"), id="nothing"),
         ValueError, [os.path.join(EXAMPLES, "heart.svg#nothing"), "M0 0L1 1"]),
        (lambda: beziercurve.read_glyph(str(tmp_path / "none.otf"), "a"), OSError,
         ["--glyph", "a", str(tmp_path / "none.otf"), FREESERIF_OTF]),
        (lambda: beziercurve.read_glyph(FREESERIF_OTF, "U+E000"), ValueError,
         ["--glyph", "U+E000", FREESERIF_OTF, FREESERIF_OTF]),
        (lambda: beziercurve.read_glyph(FREESERIF_OTF + "@wght=700", "a"), ValueError,
         ["--glyph", "a", FREESERIF_OTF + "@wght=700", FREESERIF_OTF]),
        (lambda: beziercurve.read_glyph(str(broken), "a"), ValueError,
         ["--glyph", "a", str(broken), FREESERIF_OTF]),
    ]
    for read, kind, arguments in cases:
        with pytest.raises(kind) as refused:
            read()
        _, stderr, status = run_json(program, arguments)
        assert status != 0
        assert str(refused.value) in stderr, (arguments, str(refused.value), stderr)
