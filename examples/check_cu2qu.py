#!/usr/bin/python3
"""Certifies fontTools' cu2qu conversion of a font, glyph by glyph.

    check_cu2qu.py FONT MAX_ERR [--tolerance T] [--jobs N] [--metric hausdorff|frechet]

Every glyph of FONT is drawn with a beziercurve Pen (components decomposed), converted to
quadratic curves by fontTools' Cu2QuPen at MAX_ERR (reverse_direction=False) into a second Pen,
and the Hausdorff distance between the two outlines is certified to within T (default
MAX_ERR / 100) on N threads (default: one per core). Prints each glyph whose certified lower
bound exceeds MAX_ERR, then a summary: glyphs measured, the largest upper bound and its glyph,
how many glyphs are within and beyond MAX_ERR, and the time spent converting and certifying.
A glyph whose interval holds MAX_ERR is then decided with beziercurve.within and listed when it
is beyond, or undecided (MAX_ERR within rounding of its distance). Exits 1 when a glyph is
beyond MAX_ERR (or converts to an outline with nothing drawn), else 0.

With --metric frechet the Fréchet distance is certified instead, contour by contour in stored
order (cu2qu keeps the contours, their order, starts and directions): cu2qu's guarantee bounds
the distance between the points at equal parameters, a walk of its own, so no glyph's Fréchet
distance, and no certified lower bound of it, may exceed MAX_ERR. Prints each glyph whose lower
bound does, then the same summary (a glyph whose interval holds MAX_ERR counted undecided).
"""
import argparse
import concurrent.futures
import os
import sys
import time

from fontTools.pens.cu2quPen import Cu2QuPen
from fontTools.pens.recordingPen import DecomposingRecordingPen
from fontTools.ttLib import TTFont

import beziercurve


def positive(text):
    value = float(text)
    if not value > 0 or value == float("inf"):
        raise argparse.ArgumentTypeError("%r is not a positive, finite number" % text)
    return value


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("font")
    parser.add_argument("max_err", type=positive)
    parser.add_argument("--tolerance", type=positive, help="default: MAX_ERR / 100")
    parser.add_argument("--jobs", type=int, default=None, help="default: one per core")
    parser.add_argument("--metric", choices=("hausdorff", "frechet"), default="hausdorff")
    args = parser.parse_args()
    tolerance = args.tolerance or args.max_err / 100

    font = TTFont(args.font)
    glyphs = font.getGlyphSet()
    names, pairs, empty, lost = [], [], 0, []
    drawing = converting = 0.0
    for name in font.getGlyphOrder():
        started = time.perf_counter()
        original = beziercurve.Pen(glyphSet=glyphs)
        glyphs[name].draw(original)
        # cu2qu converts what a decomposing recording gives it: components become contours
        # first, so that they are converted too.
        recording = DecomposingRecordingPen(glyphs)
        glyphs[name].draw(recording)
        drawn = time.perf_counter()
        converted = beziercurve.Pen()
        recording.replay(Cu2QuPen(converted, args.max_err, reverse_direction=False))
        finished = time.perf_counter()
        drawing += drawn - started
        converting += finished - drawn
        a, b = original.shape, converted.shape
        if len(a) == 0 and len(b) == 0:
            empty += 1
        elif len(a) == 0 or len(b) == 0:
            lost.append(name)
        else:
            names.append(name)
            pairs.append((a, b))

    if args.metric == "frechet":
        return report_frechet(args, names, pairs, empty, lost, tolerance, drawing, converting)
    started = time.perf_counter()
    results = beziercurve.hausdorff_many(pairs, tolerance=tolerance, jobs=args.jobs)
    certifying = time.perf_counter() - started

    beyond = [(name, d) for name, d in zip(names, results) if d.lower > args.max_err]
    # An interval that holds MAX_ERR leaves the question open at this tolerance: the decision
    # narrows each such glyph only as far as the answer needs.
    started = time.perf_counter()
    straddling = [i for i, d in enumerate(results) if d.lower <= args.max_err < d.upper]
    decided = {i: beziercurve.within(*pairs[i], args.max_err) for i in straddling}
    certifying += time.perf_counter() - started
    decided_beyond = [names[i] for i in straddling if decided[i] is False]
    undecided = [names[i] for i in straddling if decided[i] is None]
    for name, d in beyond:
        print("beyond %g: %s [%.6f, %.6f]" % (args.max_err, name, d.lower, d.upper))
    for name in decided_beyond:
        print("beyond %g (decided): %s" % (args.max_err, name))
    for name in undecided:
        print("undecided at %g: %s" % (args.max_err, name))
    for name in lost:
        print("drawn in one outline only: %s" % name)
    jobs = args.jobs or os.cpu_count()
    print("%s: %d glyphs measured (%d empty), cu2qu max_err %g, tolerance %g" % (
        os.path.basename(args.font), len(pairs), empty, args.max_err, tolerance))
    if results:
        worst = max(range(len(results)), key=lambda i: results[i].upper)
        print("largest distance: [%.6f, %.6f] in glyph %s" % (
            results[worst].lower, results[worst].upper, names[worst]))
        print("not met tolerance: %d" % sum(not d.tolerance_met for d in results))
    within = len(results) - len(beyond) - len(decided_beyond) - len(undecided)
    print("within %g: %d glyphs (%d of them decided); beyond: %d; undecided: %d" % (
        args.max_err, within, len(straddling) - len(decided_beyond) - len(undecided),
        len(beyond) + len(decided_beyond), len(undecided)))
    print("time: drawing %.2f s, cu2qu %.2f s, certifying %.2f s on %d threads" % (
        drawing, converting, certifying, jobs))
    return 1 if beyond or decided_beyond or lost else 0


def report_frechet(args, names, pairs, empty, lost, tolerance, drawing, converting):
    """The Fréchet distance of every pair, on --jobs threads (the search releases the GIL)."""
    started = time.perf_counter()
    jobs = args.jobs or os.cpu_count()
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        results = list(pool.map(lambda pair: beziercurve.frechet_by_contours(*pair, tolerance=tolerance),
                                pairs))
    certifying = time.perf_counter() - started
    unmeasured = [n for n, d in zip(names, results) if not d["measured"]]
    measured = [(n, d) for n, d in zip(names, results) if d["measured"]]
    beyond = [(n, d) for n, d in measured if d["lower"] > args.max_err]
    undecided = [n for n, d in measured if d["lower"] <= args.max_err < d["upper"]]
    for name, d in beyond:
        print("beyond %g: %s [%.6f, %.6f]" % (args.max_err, name, d["lower"], d["upper"]))
    for name in undecided:
        print("undecided at %g: %s" % (args.max_err, name))
    for name in unmeasured:
        print("contours differ: %s" % name)
    for name in lost:
        print("drawn in one outline only: %s" % name)
    print("%s: %d glyphs measured (%d empty), cu2qu max_err %g, tolerance %g, metric frechet" % (
        os.path.basename(args.font), len(measured), empty, args.max_err, tolerance))
    if measured:
        name, worst = max(measured, key=lambda item: item[1]["upper"])
        print("largest distance: [%.6f, %.6f] in glyph %s" % (worst["lower"], worst["upper"],
                                                               name))
        print("not met tolerance: %d" % sum(not d["tolerance_met"] for _, d in measured))
    print("within %g: %d glyphs; beyond: %d; undecided: %d" % (
        args.max_err, len(measured) - len(beyond) - len(undecided), len(beyond), len(undecided)))
    print("time: drawing %.2f s, cu2qu %.2f s, certifying %.2f s on %d threads" % (
        drawing, converting, certifying, jobs))
    return 1 if beyond or lost or unmeasured else 0


if __name__ == "__main__":
    sys.exit(main())
