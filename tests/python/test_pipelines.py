"""The module as Python programs run it: objects that pickle (for process pools and clusters),
Ctrl-C that stops a batch at once, batches in which a bad pair costs only itself, a corpus
certified on a Dask cluster, and types that mypy checks."""
import copy
import json
import multiprocessing
import os
import pickle
import re
import signal
import subprocess
import sys
import textwrap
import time

import numpy
import pytest

import beziercurve
from conftest import FREESERIF_OTF, FREESERIF_TTF, SOURCE

FREEMONO_OTF = "/usr/share/fonts/opentype/freefont/FreeMono.otf"
FREEMONO_TTF = "/usr/share/fonts/truetype/freefont/FreeMono.ttf"
DASK_EXAMPLE = os.path.join(SOURCE, "examples", "dask_corpus.py")
PYTHON_ENVIRONMENT = {k: v for k, v in os.environ.items()}

# ---- Pickling -----------------------------------------------------------------------------


def comparison_records():
    comparison = beziercurve.compare_fonts(FREEMONO_OTF, FREEMONO_TTF, 0.01, jobs=1)
    records = list(comparison)
    return records[:40], comparison.summary


def pickled_objects():
    glyph = beziercurve.read_glyph(FREESERIF_OTF, "g")
    two = beziercurve.read_path("M0 0 L4 0 L4 4 Z M1 1 L3 1 L3 3 Z")
    ring = "M 10 0 A 10 10 0 1 1 -10 0 A 10 10 0 1 1 10 0 Z M 4 0 A 4 4 0 1 0 -4 0 A 4 4 0 1 0 4 0 Z"
    fill = beziercurve.hausdorff("M 10 0 A 10 10 0 1 1 -10 0 A 10 10 0 1 1 10 0 Z", ring,
                                 fill=True)
    records, summary = comparison_records()
    return [
        ("glyph with contours", glyph),
        ("two paints, evenodd", beziercurve.Shape(
            two, paints=[(0, 1, True, "evenodd"), (1, 1, False, "nonzero")])),
        ("arcs with an error bound", beziercurve.read_path("M0 0 A5 5 0 0 1 10 0")),
        ("cubics without contours", beziercurve.Shape(numpy.arange(48.0).reshape(6, 4, 2))),
        ("empty shape", beziercurve.Shape()),
        ("distance", beziercurve.hausdorff(glyph, beziercurve.read_glyph(FREESERIF_TTF, "g"))),
        ("distance with a witness in a fill", fill),
        ("distance of two empty shapes", beziercurve.hausdorff([], [])),
        ("shape point", fill.nearest),
        ("Fréchet distance", beziercurve.frechet("M0 0 L10 0 L10 10", "M0 1 Q5 3 10 1 L9 10")),
        ("refusal", beziercurve.hausdorff_many([("M0 0 L", "M0 0 L1 1")], errors="return")[0]),
        ("within's answer", beziercurve.within("M0 0 L10 0", "M0 1 Q5 3 10 1", 2.5)),
        ("compare_fonts records", records),
        ("compare_fonts summary", summary),
    ]


@pytest.mark.parametrize("name, value", pickled_objects(), ids=lambda v: v
                         if isinstance(v, str) else "")
def test_objects_pickle_and_copy_to_equal_objects(name, value):
    for protocol in (2, pickle.HIGHEST_PROTOCOL):
        again = pickle.loads(pickle.dumps(value, protocol=protocol))
        assert again == value and type(again) is type(value)
    assert copy.deepcopy(value) == value and copy.copy(value) == value
    # Equality sees every field: a changed copy is not equal.
    if isinstance(value, beziercurve.Distance):
        state = list(value.__getstate__())
        state[5] += 1
        changed = beziercurve.Distance.__new__(beziercurve.Distance)
        changed.__setstate__(tuple(state))
        assert changed != value


def test_a_pickled_shape_is_its_coordinates_and_measures_the_same():
    glyph = beziercurve.read_glyph(FREESERIF_OTF, "aacute")
    data = pickle.dumps(glyph, protocol=pickle.HIGHEST_PROTOCOL)
    # 64 bytes a cubic, and little besides: the class's name, the error, the contours' and the
    # paint's tuples.
    assert 64 * len(glyph) <= len(data) <= 64 * len(glyph) + 120 + 12 * len(glyph.contours)
    other = beziercurve.read_glyph(FREESERIF_TTF, "aacute")
    assert beziercurve.hausdorff(pickle.loads(data), other, fill=True) == beziercurve.hausdorff(
        glyph, other, fill=True)


@pytest.mark.parametrize("state, words", [
    ((b"\0" * 63, 0.0, (), ()), "not the pickled state of a Shape"),
    ((numpy.array([0, 0, 1, float("nan"), 2, 2, 3, 3.0]).tobytes(), 0.0, (), ()),
     "segment 0, point 1: y is not finite"),
    ((numpy.zeros(8).tobytes(), -1.0, (), ()), "approximation error"),
    ((numpy.zeros(8).tobytes(), 0.0, ((0, 2, True),), ()), "contour"),
])
def test_a_tampered_shape_pickle_is_refused_in_the_shapes_words(state, words):
    shape = beziercurve.Shape.__new__(beziercurve.Shape)
    with pytest.raises(ValueError, match=words):
        shape.__setstate__(state)


# ---- Process pools and a Dask cluster against one process ----------------------------------


def glyph_shape_pairs(count):
    pairs = [(p["a"], p["b"]) for p in beziercurve.glyph_pairs(FREESERIF_OTF, FREESERIF_TTF)]
    return pairs[:count]


def measure_chunk(chunk):
    return beziercurve.hausdorff_many(chunk, 1e-3, jobs=1, errors="return")


def test_a_process_pool_measures_what_one_process_does():
    pairs = glyph_shape_pairs(1500)
    chunks = [pairs[i:i + 200] for i in range(0, len(pairs), 200)]
    with multiprocessing.get_context("spawn").Pool(2) as pool:
        pooled = [result for chunk in pool.map(measure_chunk, chunks) for result in chunk]
    assert pooled == beziercurve.hausdorff_many(pairs, 1e-3, jobs=1, errors="return")
    # The glyph "space" is empty in both fonts: 0 apart, in the pool too.
    assert any(r.upper == 0 and r.witness is None for r in pooled)


def run_example(arguments, output):
    run = subprocess.run([sys.executable, DASK_EXAMPLE, *arguments, "-o", str(output)],
                         capture_output=True, text=True, timeout=600, env=PYTHON_ENVIRONMENT)
    records = [json.loads(line) for line in output.read_text().splitlines()]
    return run, records


def by_pair(records):
    return {(r["a"], r["b"], r.get("glyph")): r for r in records}


def test_the_dask_example_on_two_worker_processes_gives_the_one_process_intervals(tmp_path):
    folders = [tmp_path / "otf", tmp_path / "ttf"]
    for folder, font in zip(folders, (FREEMONO_OTF, FREEMONO_TTF)):
        folder.mkdir()
        os.symlink(font, folder / os.path.basename(font))
    cluster, distributed = run_example([*map(str, folders), "--workers", "2", "--task-size",
                                        "200"], tmp_path / "dask.jsonl")
    assert cluster.returncode == 0, cluster.stderr
    alone, here = run_example([*map(str, folders), "--in-process"], tmp_path / "alone.jsonl")
    assert alone.returncode == 0, alone.stderr
    assert "certified %d of %d pairs" % (len(here), len(here)) in cluster.stderr
    assert len(distributed) == len(here) == len(by_pair(here))
    assert by_pair(distributed) == by_pair(here)
    # The library's own font comparison measures the same glyphs to the same intervals.
    comparison = {r["name"]: r for r in beziercurve.compare_fonts(FREEMONO_OTF, FREEMONO_TTF,
                                                                  jobs=1)}
    for record in distributed:
        theirs = comparison[record["glyph"]]
        if theirs["outcome"] == "measured":
            assert (record["lower"], record["upper"]) == theirs["distance"].interval
        else:
            assert theirs["outcome"] == "empty in both" and record["upper"] == 0


def test_the_example_pairs_svg_files_by_name_and_reports_each_refusal(tmp_path):
    a, b = tmp_path / "a", tmp_path / "b"
    for folder, d in ((a, "M0 0 L10 0"), (b, "M0 1 L10 1")):
        (folder / "icons").mkdir(parents=True)
        (folder / "icons" / "line.svg").write_text(
            '<svg xmlns="http://www.w3.org/2000/svg"><path d="%s"/></svg>' % d)
    (a / "empty.svg").write_text('<svg xmlns="http://www.w3.org/2000/svg"/>')
    (b / "empty.svg").write_text('<svg xmlns="http://www.w3.org/2000/svg"><path d="M0 0 L1 1"/>'
                                 '</svg>')
    (a / "only-here.svg").write_text('<svg xmlns="http://www.w3.org/2000/svg"/>')
    run, records = run_example([str(a), str(b), "--in-process"], tmp_path / "svg.jsonl")
    assert run.returncode == 1 and "only-here.svg is only in A" in run.stderr
    found = by_pair(records)
    line = found[("icons/line.svg", "icons/line.svg", None)]
    assert line["lower"] <= 1 <= line["upper"]
    assert found[("empty.svg", "empty.svg", None)]["error"] == (
        "shape A: it draws no segment, and shape B does: empty in A only, no distance")


# ---- Ctrl-C ---------------------------------------------------------------------------------

INTERRUPTED = textwrap.dedent("""
    import os, sys, time
    import beziercurve
    def threads():
        return len(os.listdir("/proc/self/task"))
    before = threads()
    a = beziercurve.read_glyph(%(otf)r, "g")
    b = beziercurve.read_glyph(%(ttf)r, "g")
    work = %(work)s
    print("started", flush=True)
    start = time.monotonic()
    try:
        work()
        print("finished")
    except KeyboardInterrupt:
        print("interrupted %%.3f s after the start; threads %%d, before %%d" %% (
            time.monotonic() - start, threads(), before))
""")

# Each would run for many seconds: 60,000 glyph pairs to 1e-9, two 20,000-segment fills.
WORK = {
    "hausdorff_many": "lambda: beziercurve.hausdorff_many([(a, b)] * 60000, 1e-9, jobs=2)",
    "hausdorff": "lambda: beziercurve.hausdorff(*[beziercurve.Shape([[[i, k], [i + .3, k + 1], "
                 "[i + .6, k - 1], [i + 1, k]] for i in range(20000)]) for k in (0, .1)], 1e-9, "
                 "fill=True)",
}


@pytest.mark.parametrize("call", sorted(WORK))
def test_ctrl_c_raises_keyboard_interrupt_at_once_and_stops_every_thread(call):
    script = INTERRUPTED % {"otf": FREESERIF_OTF, "ttf": FREESERIF_TTF, "work": WORK[call]}
    child = subprocess.Popen([sys.executable, "-c", script], stdout=subprocess.PIPE, text=True,
                             env=PYTHON_ENVIRONMENT)
    assert child.stdout.readline() == "started\n"
    time.sleep(0.5)
    child.send_signal(signal.SIGINT)
    sent = time.monotonic()
    out, _ = child.communicate(timeout=60)
    # A generous bound (the machine may be busy): the figure itself is benchmarked.
    assert time.monotonic() - sent < 5, out
    assert out.startswith("interrupted"), out
    words = out.split()
    assert words[-3].rstrip(",") == words[-1], out  # no thread left running
    assert child.returncode == 0


# ---- One bad pair costs only itself ---------------------------------------------------------


def batch_with_bad_pairs():
    space_otf = beziercurve.read_glyph(FREESERIF_OTF, "space")
    space_ttf = beziercurve.read_glyph(FREESERIF_TTF, "space")
    a = beziercurve.read_glyph(FREESERIF_OTF, "a")
    nan = numpy.array([[[0, 0], [1, numpy.nan], [2, 2], [3, 3]]])
    return [
        (a, beziercurve.read_glyph(FREESERIF_TTF, "a")),
        (space_otf, a),
        (space_otf, space_ttf),
        (a, nan),
        ("M0 0 L", a),
        (a,),
        (None, a),
        ("M0 0 L10 0", "M0 1 L10 1"),
    ]


def test_errors_return_keeps_each_refusal_in_its_place_in_the_words_raise_uses():
    pairs = batch_with_bad_pairs()
    results = beziercurve.hausdorff_many(pairs, errors="return", jobs=2)
    expected = {
        1: ("ValueError", "pair 1, shape A: it draws no segment, and shape B does: empty in A "
                          "only, no distance"),
        3: ("ValueError", "pair 3, shape B: segment 0, point 1: y is not finite"),
        4: ("ValueError", "pair 4, shape A: path data, character 7: expected a number after "
                          "'L', found the end"),
        5: ("ValueError", "pair 5: expected a pair (a, b) of shapes"),
        6: ("TypeError", "pair 6, shape A: expected SVG path data, a Shape or cubics"),
    }
    for i, result in enumerate(results):
        if i in expected:
            assert isinstance(result, beziercurve.Refusal) and result.pair == i
            assert (result.error, result.message[:len(expected[i][1])]) == expected[i]
            # errors="raise" raises the same words, for the same pair in the same place.
            kind = {"ValueError": ValueError, "TypeError": TypeError}[result.error]
            with pytest.raises(kind) as raised:
                beziercurve.hausdorff_many([pairs[0]] * i + [pairs[i], pairs[0]], jobs=1)
            assert str(raised.value) == result.message
        else:
            alone = beziercurve.hausdorff(*pairs[i])
            assert result == alone
    assert results[2].interval == (0.0, 0.0) and results[2].witness is None


def test_one_empty_shape_is_refused_and_two_are_zero_apart_everywhere():
    with pytest.raises(ValueError, match="shape B: it draws no segment, and shape A does"):
        beziercurve.within("M0 0 L1 1", [], 1)
    assert beziercurve.within("M5 5", [], 0) is True
    assert beziercurve.hausdorff("M5 5", beziercurve.Shape(), fill=True).upper == 0
    with pytest.raises(ValueError, match="errors 'ignore'"):
        beziercurve.hausdorff_many([], errors="ignore")


# ---- Types and help -------------------------------------------------------------------------


def described(value):
    """Whether help() shows words for `value`, besides the signature lines pybind11 writes."""
    lines = (getattr(value, "__doc__", None) or "").splitlines()
    return any(line.strip() and not re.match(r"^(\d+\. )?\w+\(.*\)( -> .*)?$", line.strip())
               and line.strip() != "Overloaded function." for line in lines)


def test_every_public_function_class_and_member_has_a_docstring():
    missing = []
    for name in beziercurve.__all__:
        value = getattr(beziercurve, name)
        if callable(value) and not described(value):
            missing.append(name)
        if isinstance(value, type):
            for member, attribute in vars(value).items():
                if member.startswith("_") and member not in ("__init__", "__len__",
                                                              "__array__", "__eq__"):
                    continue
                if member == "__init__" and name not in ("Shape", "Pen"):
                    continue  # not made by Python
                if not described(attribute):
                    missing.append(name + "." + member)
    assert missing == []


def mypy(*arguments, cwd):
    return subprocess.run([sys.executable, "-m", *arguments], capture_output=True, text=True,
                          cwd=cwd, env=PYTHON_ENVIRONMENT, timeout=600)


def test_the_stubs_name_everything_the_module_has_and_mypy_checks_a_program_with_them(tmp_path):
    pytest.importorskip("mypy")
    stubtest = mypy("mypy.stubtest", "beziercurve", "--allowlist",
                    os.path.join(SOURCE, "tests", "python", "stubtest-allowlist.txt"),
                    cwd=tmp_path)
    assert stubtest.returncode == 0, stubtest.stdout + stubtest.stderr
    program = tmp_path / "program.py"
    program.write_text(textwrap.dedent("""
        import beziercurve
        results = beziercurve.hausdorff_many([("M0 0 L1 0", "M0 1 L1 1")], errors="return")
        uppers = [r.upper for r in results if isinstance(r, beziercurve.Distance)]
        witness = beziercurve.hausdorff("M0 0 L1 0", "M0 1 L1 1").witness
        x: float = witness.point[0] if witness is not None else max(uppers)
        """))
    checked = mypy("mypy", "--strict", "--no-incremental", str(program), cwd=tmp_path)
    assert checked.returncode == 0, checked.stdout
    program.write_text("import beziercurve\nsteps: str = beziercurve.hausdorff('', '').steps\n")
    checked = mypy("mypy", "--strict", "--no-incremental", str(program), cwd=tmp_path)
    assert "Incompatible types in assignment" in checked.stdout
