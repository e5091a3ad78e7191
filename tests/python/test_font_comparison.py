"""The font comparison as the program and the module share it: the same records in the same
order, advance widths as fontTools reads them, components named when they account for their
users' change, families paired by name, and Ctrl-C keeping what was written."""
import json
import os
import signal
import subprocess
import time

import beziercurve
from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont

from conftest import FREESERIF_OTF, FREESERIF_TTF, run_json

FREEMONO_OTF = "/usr/share/fonts/opentype/freefont/FreeMono.otf"
FREEMONO_TTF = "/usr/share/fonts/truetype/freefont/FreeMono.ttf"


def square(pen, x, y, size):
    pen.moveTo((x, y))
    pen.lineTo((x, y + size))
    pen.lineTo((x + size, y + size))
    pen.lineTo((x + size, y))
    pen.closePath()


def build_font(path, family, style, accent_x=300, x_width=600, ps_name=None):
    """A TrueType font with composites: aacute and eacute place `acute`, which sits at
    `accent_x`; `x` is a simple glyph whose advance is `x_width`."""
    names = [".notdef", "a", "e", "x", "acute", "aacute", "eacute"]
    builder = FontBuilder(1000, isTTF=True)
    builder.setupGlyphOrder(names)
    builder.setupCharacterMap({0x61: "a", 0x65: "e", 0x78: "x", 0xE1: "aacute", 0xE9: "eacute"})
    glyphs = {}
    for name, draw in {
        ".notdef": lambda pen: square(pen, 50, 0, 400),
        "a": lambda pen: square(pen, 100, 0, 400),
        "e": lambda pen: (square(pen, 100, 0, 400), square(pen, 200, 100, 100)),
        "x": lambda pen: square(pen, 100, 0, 300),
        "acute": lambda pen: square(pen, accent_x, 600, 100),
    }.items():
        pen = TTGlyphPen(None)
        draw(pen)
        glyphs[name] = pen.glyph()
    for name, base in (("aacute", "a"), ("eacute", "e")):
        pen = TTGlyphPen(glyphs)
        pen.addComponent(base, (1, 0, 0, 1, 0, 0))
        pen.addComponent("acute", (1, 0, 0, 1, 0, 0))
        glyphs[name] = pen.glyph()
    builder.setupGlyf(glyphs)
    # Left side bearings as the outlines have them: FreeType places a glyph by its bearing.
    glyf = builder.font["glyf"]
    metrics = {}
    for name in names:
        glyf[name].recalcBounds(glyf)
        metrics[name] = (x_width if name == "x" else 600, getattr(glyf[name], "xMin", 0))
    builder.setupHorizontalMetrics(metrics)
    builder.setupHorizontalHeader(ascent=800, descent=-200)
    builder.setupNameTable({
        "familyName": family,
        "styleName": style,
        "psName": ps_name or (family + "-" + style).replace(" ", ""),
    })
    builder.setupOS2()
    builder.setupPost()
    builder.save(str(path))
    return str(path)


def test_records_match_the_program_and_advances_match_fonttools(program):
    comparison = beziercurve.compare_fonts(FREEMONO_OTF, FREEMONO_TTF, 0.01, jobs=2)
    records = list(comparison)
    program_records, _, status = run_json(
        program, ["--glyphs", "all", "--tolerance", "0.01", "-j", "2", FREEMONO_OTF,
                  FREEMONO_TTF])
    assert status == 0
    *glyph_records, summary = program_records
    assert len(records) == len(glyph_records) == summary["summary"]["compared"]
    for ours, theirs in zip(records, glyph_records):
        assert ours["name"] == theirs["glyph"]["name"]
        assert list(ours["advance"]) == theirs["advance"]
        if ours["outcome"] == "measured":
            assert (ours["distance"].lower, ours["distance"].upper) == \
                (theirs["lower"], theirs["upper"])
        else:
            assert ours["outcome"] == "empty in both" and theirs["empty"] == "both"
    ours = comparison.summary
    theirs = summary["summary"]
    assert ours["changed"] == theirs["changed"]
    assert [n for _, n in ours["beyond"]] == [b["glyphs"] for b in theirs["beyond"]]
    assert [g["component"] for g in ours["groups"]] == \
        [g["component"]["glyph"]["name"] for g in theirs["groups"]]
    # The rough breathing differs in the TrueType build, and so does every glyph placing it.
    assert ours["groups"][0]["component"] == "dasia"
    assert len(ours["groups"][0]["users"]) > 50
    hmtx = {side: TTFont(path)["hmtx"].metrics for side, path in
            (("A", FREEMONO_OTF), ("B", FREEMONO_TTF))}
    for record in records:
        assert record["advance"] == (hmtx["A"][record["name"]][0], hmtx["B"][record["name"]][0])


def test_a_changed_component_is_named_once(program, tmp_path):
    a = build_font(tmp_path / "a.ttf", "Probe", "Regular")
    b = build_font(tmp_path / "b.ttf", "Probe", "Regular", accent_x=330, x_width=640)
    comparison = beziercurve.compare_fonts(a, b, threshold=10)
    by_name = {record["name"]: record for record in comparison}
    summary = comparison.summary
    assert summary["changed"] == 3  # acute, and the two glyphs placing it
    assert [(g["component"], sorted(g["users"])) for g in summary["groups"]] == \
        [("acute", ["aacute", "eacute"])]
    assert 30 <= summary["groups"][0]["distance"].upper
    assert by_name["x"]["advance"] == (600, 640) and summary["advances_differ"] == 1
    assert by_name["a"]["distance"].upper < 1e-6
    records, err, status = run_json(program, ["--glyphs", "all", "--threshold", "10", a, b])
    assert status == 0, err
    groups = records[-1]["summary"]["groups"]
    assert [(g["component"]["glyph"]["name"], g["users"]) for g in groups] == \
        [("acute", ["aacute", "eacute"])]
    assert "2 changed glyphs use acute, which differs by [29.999999,30.000001]: aacute" in err


def test_families_are_paired_by_name_then_by_style(program, tmp_path):
    folder_a, folder_b = tmp_path / "a", tmp_path / "b"
    folder_a.mkdir()
    folder_b.mkdir()
    build_font(folder_a / "1.ttf", "Probe", "Regular")
    build_font(folder_a / "2.ttf", "Probe", "Bold")
    build_font(folder_a / "3.ttf", "Probe", "Italic")
    build_font(folder_b / "z.ttf", "Probe", "Regular", accent_x=310)
    # Another PostScript name, the same family and style: paired by those.
    build_font(folder_b / "y.ttf", "Probe", "Bold", ps_name="ProbeBoldRenamed")
    build_font(folder_b / "x.ttf", "Other", "Regular")
    records, err, status = run_json(program, ["--glyphs", "all", str(folder_a), str(folder_b)])
    assert status == 0, err
    pairs = {tuple(os.path.basename(f) for f in r["fonts"]) for r in records if "fonts" in r}
    assert pairs == {("1.ttf", "z.ttf"), ("2.ttf", "y.ttf")}
    assert "3.ttf (only in " in err and "x.ttf (only in " in err
    summaries = [r["summary"] for r in records if "summary" in r]
    assert [s["changed"] for s in summaries] == [3, 0]  # A's order: Regular, then Bold
    assert "2 font pairs compared; 1 fonts only in" in err


def test_ctrl_c_keeps_every_record_written(program):
    # Fine enough that the run takes long; interrupted a moment in.
    environment = {k: v for k, v in os.environ.items() if k != "LD_PRELOAD"}
    run = subprocess.Popen([program, "--json", "--glyphs", "all", "--tolerance", "1e-9", "-j",
                            "1", FREESERIF_OTF, FREESERIF_TTF], stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, text=True, env=environment)
    time.sleep(2)
    run.send_signal(signal.SIGINT)
    out, err = run.communicate(timeout=60)
    assert run.returncode == 130, err
    lines = out.splitlines()
    *records, summary = [json.loads(line) for line in lines]
    assert summary["summary"]["interrupted"] is True
    assert summary["summary"]["compared"] == len(records) > 0
    assert "interrupted: %d of 10537 glyphs compared" % len(records) in err
