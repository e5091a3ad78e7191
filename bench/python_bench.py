#!/usr/bin/python3
"""The Python module's costs, measured by hand (never by ctest):

(a) per-pair overhead: beziercurve.hausdorff on Shape objects built beforehand, against the C++
    API on the same pairs (api-bench, which reads the same path data to the same doubles);
(b) hausdorff_many on all of FreeSerif's glyphs, OpenType against TrueType, with jobs=2 against
    jobs=1.

    PYTHONPATH=BUILD/python bench/python_bench.py BUILD [--pairs N] [--repeats R]

Prints a markdown section for bench/RESULTS.md, with the load average (the machine may be shared:
the cores each hausdorff_many run had show how far other processes held the speed-up back; on a
busy machine `chrt -f 10` runs it at real-time priority, as BENCH_REALTIME=1 does for
bench/fonts.sh).
"""
import argparse
import os
import platform
import random
import statistics
import subprocess
import sys
import tempfile
import time

import beziercurve

FREESERIF_OTF = "/usr/share/fonts/opentype/freefont/FreeSerif.otf"
FREESERIF_TTF = "/usr/share/fonts/truetype/freefont/FreeSerif.ttf"


def cubic_path(rng, scale):
    points = [repr(rng.uniform(-scale, scale)) for _ in range(8)]
    return "M%s %s C%s %s %s %s %s %s" % tuple(points)


def seeded_pairs(count):
    """Pairs of single cubics: the smallest searches, where the cost of the call shows most and
    the noise of two timed runs least."""
    rng = random.Random(1906)
    return [(cubic_path(rng, 100), cubic_path(rng, 100)) for _ in range(count)]


def python_ns_per_pair(shapes, tolerance, repeats):
    hausdorff = beziercurve.hausdorff
    times = []
    checksum = 0.0
    for _ in range(repeats):
        total = 0.0
        start = time.perf_counter()
        for a, b in shapes:
            total += hausdorff(a, b, tolerance).upper
        times.append((time.perf_counter() - start) * 1e9 / len(shapes))
        checksum = total
    return statistics.median(times), min(times), checksum


def overhead(build, count, repeats, tolerance):
    pairs = seeded_pairs(count)
    with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as file:
        file.write("".join("%s\t%s\n" % pair for pair in pairs))
    try:
        run = subprocess.run([os.path.join(build, "bench", "api-bench"), file.name,
                              repr(tolerance), str(repeats)], capture_output=True, text=True,
                             check=True)
    finally:
        os.unlink(file.name)
    fields = run.stdout.split()
    cpp = dict(zip(fields[0::2], fields[1::2]))
    shapes = [(beziercurve.read_path(a), beziercurve.read_path(b)) for a, b in pairs]
    median, fastest, checksum = python_ns_per_pair(shapes, tolerance, repeats)
    if float(cpp["checksum"]) != checksum:
        sys.exit("the C++ and Python runs measured different pairs: %s against %r" % (
            cpp["checksum"], checksum))
    return {"pairs": count, "repeats": repeats, "cpp_median": float(cpp["median_ns_per_pair"]),
            "cpp_min": float(cpp["min_ns_per_pair"]), "py_median": median, "py_min": fastest}


def glyph_pairs():
    from fontTools.ttLib import TTFont

    outlines = []
    for path in (FREESERIF_OTF, FREESERIF_TTF):
        font = TTFont(path)
        glyphs = font.getGlyphSet()
        shapes = {}
        for name in font.getGlyphOrder():
            pen = beziercurve.Pen(glyphSet=glyphs)
            glyphs[name].draw(pen)
            if len(pen.shape):
                shapes[name] = pen.shape
        outlines.append(shapes)
    return [(outlines[0][n], outlines[1][n]) for n in outlines[0] if n in outlines[1]]


def speedup(repeats, tolerance):
    pairs = glyph_pairs()
    seconds = {}
    for jobs in (1, 2):
        times, cores = [], []
        for _ in range(repeats):
            start, cpu = time.perf_counter(), time.process_time()
            beziercurve.hausdorff_many(pairs, tolerance=tolerance, jobs=jobs)
            times.append(time.perf_counter() - start)
            # The cores the run had on average: CPU time of all threads over wall time.
            cores.append((time.process_time() - cpu) / times[-1])
        seconds[jobs] = (min(times), statistics.median(times), statistics.median(cores))
    return len(pairs), seconds


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--pairs", type=int, default=20000)
    parser.add_argument("--repeats", type=int, default=7)
    args = parser.parse_args()

    cost = overhead(args.build, args.pairs, args.repeats, 1e-3)
    glyphs, seconds = speedup(max(3, args.repeats // 2), 1e-3)
    load = " ".join("%.2f" % v for v in os.getloadavg())
    extra = cost["py_median"] - cost["cpp_median"]
    print("## Python module (bench/python_bench.py)\n")
    print("- date: %s UTC; %s, %d cores; Python %s; beziercurve %s" % (
        time.strftime("%Y-%m-%d %H:%M", time.gmtime()), platform.machine(), os.cpu_count(),
        platform.python_version(), beziercurve.__version__))
    try:
        realtime = os.sched_getscheduler(0) == os.SCHED_FIFO
    except (AttributeError, OSError):
        realtime = False
    print("- load average when the run ended: %s (the machine may be shared)%s\n" % (
        load, "; at real-time priority" if realtime else ""))
    print("Per-pair cost of `beziercurve.hausdorff` on Shape objects built beforehand, against "
          "`beziercurve::hausdorff` called from C++ (api-bench) on the same %d seeded pairs "
          "of single cubics, tolerance 1e-3, %d passes, ns per pair:\n" % (
              cost["pairs"], cost["repeats"]))
    print("| caller | median | fastest pass |\n|---|---:|---:|")
    print("| C++ API | %.0f | %.0f |" % (cost["cpp_median"], cost["cpp_min"]))
    print("| Python | %.0f | %.0f |" % (cost["py_median"], cost["py_min"]))
    print("| Python's extra | %.0f | %.0f |\n" % (extra, cost["py_min"] - cost["cpp_min"]))
    print("`hausdorff_many` on the %d glyphs FreeSerif.otf and FreeSerif.ttf both draw (drawn "
          "with the Pen beforehand), tolerance 1e-3, %d runs each, wall time:\n" % (
              glyphs, max(3, args.repeats // 2)))
    print("| jobs | fastest run (s) | median (s) | cores used (CPU time / wall, median) |")
    print("|---:|---:|---:|---:|")
    for jobs in (1, 2):
        print("| %d | %.3f | %.3f | %.2f |" % ((jobs,) + seconds[jobs]))
    print("\nSpeed-up of jobs=2: %.2f× (fastest runs), %.2f× (medians)." % (
        seconds[1][0] / seconds[2][0], seconds[1][1] / seconds[2][1]))


if __name__ == "__main__":
    main()
