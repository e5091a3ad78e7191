"""examples/check_cu2qu.py on a small CFF font made here with fontTools: every drawn glyph is
measured, cu2qu's conversion stays within its bound, and a conversion made coarser than the
bound the script is told is caught glyph by glyph."""
import os
import re
import subprocess
import sys

import pytest
from fontTools.fontBuilder import FontBuilder
from fontTools.pens.t2CharStringPen import T2CharStringPen

from conftest import SOURCE

SCRIPT = os.path.join(SOURCE, "examples", "check_cu2qu.py")


def draw_glyph(name, pen):
    if name == "O":  # a ring of four quarter arcs, out and in
        for r in (300, 200):
            k = 0.5523 * r
            pen.moveTo((350, 350 - r))
            pen.curveTo((350 + k, 350 - r), (350 + r, 350 - k), (350 + r, 350))
            pen.curveTo((350 + r, 350 + k), (350 + k, 350 + r), (350, 350 + r))
            pen.curveTo((350 - k, 350 + r), (350 - r, 350 + k), (350 - r, 350))
            pen.curveTo((350 - r, 350 - k), (350 - k, 350 - r), (350, 350 - r))
            pen.closePath()
    elif name == "S":  # an S-shaped stroke whose cubics have inflections
        pen.moveTo((100, 100))
        pen.curveTo((600, -50), (650, 350), (350, 380))
        pen.curveTo((50, 410), (100, 800), (600, 650))
        pen.lineTo((600, 700))
        pen.curveTo((50, 850), (0, 380), (350, 330))
        pen.curveTo((600, 300), (550, 50), (100, 150))
        pen.closePath()
    elif name == "H":  # lines only: cu2qu leaves them as they are
        for x in (100, 500):
            pen.moveTo((x, 0))
            pen.lineTo((x + 100, 0))
            pen.lineTo((x + 100, 700))
            pen.lineTo((x, 700))
            pen.closePath()


@pytest.fixture(scope="module")
def font(tmp_path_factory):
    order = [".notdef", "space", "O", "S", "H"]
    builder = FontBuilder(1000, isTTF=False)
    builder.setupGlyphOrder(order)
    builder.setupCharacterMap({0x20: "space", 0x4F: "O", 0x53: "S", 0x48: "H"})
    strings = {}
    for name in order:
        pen = T2CharStringPen(700, None)
        draw_glyph(name, pen)
        strings[name] = pen.getCharString()
    builder.setupCFF("CheckCu2Qu", {"FullName": "CheckCu2Qu"}, strings, {})
    builder.setupHorizontalMetrics({name: (700, 0) for name in order})
    builder.setupHorizontalHeader(ascent=800, descent=-200)
    builder.setupNameTable({"familyName": "CheckCu2Qu", "styleName": "Regular"})
    builder.setupOS2()
    builder.setupPost()
    path = str(tmp_path_factory.mktemp("cu2qu") / "check.otf")
    builder.save(path)
    return path


def run(font, max_err, coarser=1, metric="hausdorff"):
    """The script as written, with cu2qu's own bound `coarser` times what it is told."""
    code = ("import runpy, sys\n"
            "import fontTools.pens.cu2quPen as cu2qu\n"
            "original = cu2qu.Cu2QuPen\n"
            "cu2qu.Cu2QuPen = lambda pen, err, **kw: original(pen, err * %r, **kw)\n"
            "sys.argv = [%r, %r, %r, '--metric', %r]\n"
            "runpy.run_path(%r, run_name='__main__')\n" % (coarser, SCRIPT, font, str(max_err),
                                                           metric, SCRIPT))
    return subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                          timeout=120)


def largest(output):
    match = re.search(r"largest distance: \[([0-9.]+), ([0-9.]+)\] in glyph (\S+)", output)
    return float(match.group(1)), float(match.group(2)), match.group(3)


@pytest.mark.parametrize("max_err", [1.0, 0.1])
def test_cu2qu_within_its_bound(font, max_err):
    result = run(font, max_err)
    assert result.returncode == 0, result.stdout + result.stderr
    assert "check.otf: 3 glyphs measured (2 empty)" in result.stdout
    lower, upper, glyph = largest(result.stdout)
    assert glyph in ("O", "S")
    assert 0 < lower <= max_err and upper - lower <= max_err / 100 + 1e-12
    assert "beyond: 0; undecided: 0" in result.stdout


def test_a_coarser_conversion_is_caught(font):
    result = run(font, 0.1, coarser=40)
    assert result.returncode == 1, result.stdout + result.stderr
    beyond = re.findall(r"^beyond 0.1(?: \(decided\))?: (\S+)", result.stdout, re.M)
    assert sorted(beyond) == ["O", "S"]
    lower, _, _ = largest(result.stdout)
    assert lower > 0.1
    assert "within 0.1: 1 glyphs" in result.stdout  # H: its lines are left as they are


def test_frechet_stays_within_the_bound_and_catches_a_coarser_conversion(font):
    # cu2qu bounds the distance at equal parameters, never below the Fréchet distance.
    result = run(font, 1.0, metric="frechet")
    assert result.returncode == 0, result.stdout + result.stderr
    assert "3 glyphs measured (2 empty), cu2qu max_err 1, tolerance 0.01, metric frechet" in (
        result.stdout)
    lower, upper, glyph = largest(result.stdout)
    assert glyph in ("O", "S") and 0 < lower <= min(upper, 1.0)
    assert "beyond: 0;" in result.stdout
    coarse = run(font, 0.1, coarser=40, metric="frechet")
    assert coarse.returncode == 1, coarse.stdout + coarse.stderr
    assert sorted(re.findall(r"^beyond 0.1: (\S+)", coarse.stdout, re.M)) == ["O", "S"]
