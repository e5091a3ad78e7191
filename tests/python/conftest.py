"""What the Python module's tests share: the built program they compare the module with, the
fonts they read, and a runner for the program's JSON records."""
import json
import os
import subprocess

import pytest

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
FREESERIF_OTF = "/usr/share/fonts/opentype/freefont/FreeSerif.otf"
FREESERIF_TTF = "/usr/share/fonts/truetype/freefont/FreeSerif.ttf"
INTER_VARIABLE = "/usr/share/fonts/truetype/inter-vf/Inter.var.ttf"
EXAMPLES = os.path.join(SOURCE, "docs", "examples")


@pytest.fixture(scope="session")
def program():
    """The built bezier-hausdorff, whose results the module must reproduce."""
    path = os.environ.get("BEZIER_HAUSDORFF")
    if not path or not os.access(path, os.X_OK):
        pytest.fail("BEZIER_HAUSDORFF must name the built bezier-hausdorff (ctest sets it)")
    return path


def run_json(program, arguments, stdin=None):
    """The program's JSON records (one per output line), its standard error and exit status."""
    # A sanitized program brings its own sanitizer runtime: the one preloaded for Python's sake
    # would clash with it.
    environment = {k: v for k, v in os.environ.items() if k != "LD_PRELOAD"}
    run = subprocess.run([program, "--json", *arguments], input=stdin, capture_output=True,
                         text=True, timeout=300, env=environment)
    records = [json.loads(line) for line in run.stdout.splitlines() if line.strip()]
    return records, run.stderr, run.returncode


def assert_same_result(record, result):
    """The module's Distance holds exactly the program's numbers: interval, steps, witness and
    nearest point, bit for bit."""
    assert record["lower"] == result.lower
    assert record["upper"] == result.upper
    assert record["steps"] == result.steps
    assert record["toleranceMet"] == result.tolerance_met
    witness, nearest = record["witness"], record["nearest"]
    assert witness["curve"] == result.witness.shape
    assert nearest_side(witness["curve"]) == result.nearest.shape
    for theirs, ours in ((witness, result.witness), (nearest, result.nearest)):
        # A point of a fill on no segment: "fill": true in JSON, segment and t None here.
        assert theirs.get("segment") == ours.segment
        assert theirs.get("t") == ours.t
        assert theirs.get("fill", False) == (ours.segment is None)
        assert (theirs["x"], theirs["y"]) == ours.point


def nearest_side(side):
    return "B" if side == "A" else "A"
