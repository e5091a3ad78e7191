#!/usr/bin/python3
"""The Python module's costs, measured by hand (never by ctest):

(a) per-pair overhead: beziercurve.hausdorff on Shape objects built beforehand, against the C++
    API on the same pairs (api-bench, which reads the same path data to the same doubles);
(b) hausdorff_many on all of FreeSerif's glyphs, OpenType against TrueType, with jobs=2 against
    jobs=1.

    PYTHONPATH=BUILD/python bench/python_bench.py BUILD [--pairs N] [--repeats R]

With --pipelines it measures instead what running the module in pipelines costs: pickling a
1,000-cubic shape and back; the time from SIGINT to KeyboardInterrupt in hausdorff_many and in
one long hausdorff (in child processes); and examples/dask_corpus.py on every FreeFont glyph, on
a local cluster of two worker processes against one process (--in-process).

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


def pickling(repeats):
    import pickle

    import numpy

    shape = beziercurve.Shape(numpy.random.default_rng(1906).uniform(-1e3, 1e3, (1000, 4, 2)))
    data = pickle.dumps(shape, protocol=pickle.HIGHEST_PROTOCOL)
    assert pickle.loads(data) == shape
    times = []
    for _ in range(repeats):
        count = 2000
        start = time.perf_counter()
        for _ in range(count):
            pickle.loads(pickle.dumps(shape, protocol=pickle.HIGHEST_PROTOCOL))
        times.append((time.perf_counter() - start) * 1e6 / count)
    return statistics.median(times), min(times), len(data)


SIGINT_CHILD = """
import os, signal, sys, threading, time
import beziercurve
a = beziercurve.read_glyph(%(otf)r, "g")
b = beziercurve.read_glyph(%(ttf)r, "g")
work = %(work)s
sent = []
def interrupt():
    time.sleep(0.5)
    sent.append(time.perf_counter())
    os.kill(os.getpid(), signal.SIGINT)
threading.Thread(target=interrupt).start()
try:
    work()
    print("finished")
except KeyboardInterrupt:
    print("%%.6f" %% (time.perf_counter() - sent[0]))
"""

SIGINT_WORK = {
    "hausdorff_many, 60,000 glyph pairs to 1e-9, jobs=2":
        "lambda: beziercurve.hausdorff_many([(a, b)] * 60000, 1e-9, jobs=2)",
    "hausdorff, fill of two 20,000-cubic waves to 1e-9":
        "lambda: beziercurve.hausdorff(*[beziercurve.Shape([[[i, k], [i + .3, k + 1], "
        "[i + .6, k - 1], [i + 1, k]] for i in range(20000)]) for k in (0, .1)], 1e-9, "
        "fill=True)",
}


def sigint_latency(repeats):
    latencies = {}
    for name, work in SIGINT_WORK.items():
        script = SIGINT_CHILD % {"otf": FREESERIF_OTF, "ttf": FREESERIF_TTF, "work": work}
        runs = []
        for _ in range(repeats):
            out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                                 check=True).stdout.strip()
            if out == "finished":
                sys.exit("%s finished before SIGINT came" % name)
            runs.append(float(out) * 1e3)
        latencies[name] = (statistics.median(runs), max(runs))
    return latencies


def dask_speedup(repeats):
    example = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples",
                           "dask_corpus.py")
    folders = ["/usr/share/fonts/opentype/freefont", "/usr/share/fonts/truetype/freefont"]
    runs = {"one process (--in-process)": ["--in-process"],
            "local cluster, 2 worker processes": ["--workers", "2"]}
    seconds, pairs = {}, 0
    with tempfile.TemporaryDirectory() as scratch:
        output = os.path.join(scratch, "out.jsonl")
        for _ in range(repeats):
            for name, options in runs.items():
                start = time.perf_counter()
                before = os.times()
                subprocess.run([sys.executable, example, *folders, "-o", output, *options],
                               capture_output=True, check=True)
                wall = time.perf_counter() - start
                after = os.times()
                cpu = (after.children_user - before.children_user +
                       after.children_system - before.children_system)
                seconds.setdefault(name, []).append((wall, cpu / wall))
                with open(output) as records:
                    pairs = sum(1 for _ in records)
    return pairs, {name: (min(w for w, _ in v), statistics.median(w for w, _ in v),
                          statistics.median(c for _, c in v)) for name, v in seconds.items()}


def pipelines(args):
    median, fastest, size = pickling(args.repeats)
    latencies = sigint_latency(max(3, args.repeats // 2))
    pairs, dask = dask_speedup(max(2, args.repeats // 3))
    load = " ".join("%.2f" % v for v in os.getloadavg())
    print("## Python module in pipelines (bench/python_bench.py --pipelines)\n")
    print("- date: %s UTC; %s, %d cores; Python %s; beziercurve %s" % (
        time.strftime("%Y-%m-%d %H:%M", time.gmtime()), platform.machine(), os.cpu_count(),
        platform.python_version(), beziercurve.__version__))
    print("- load average when the run ended: %s (the machine may be shared)\n" % load)
    print("Pickling a 1,000-cubic Shape and back (`pickle.loads(pickle.dumps(shape))`, %d bytes): "
          "median %.1f µs, fastest pass %.1f µs (goal: at most 100 µs).\n" % (
              size, median, fastest))
    print("From SIGINT (sent 0.5 s into the call) to KeyboardInterrupt, in a child process "
          "(goal: at most 0.2 s):\n")
    print("| call | median (ms) | slowest (ms) |\n|---|---:|---:|")
    for name, (middle, slowest) in latencies.items():
        print("| %s | %.1f | %.1f |" % (name, middle, slowest))
    print("\n`examples/dask_corpus.py` on every glyph of the 12 FreeFont OTF/TTF pairs (%d "
          "pairs, tolerance 1e-3, tasks of 300), whole runs (reading, cluster start, measuring, "
          "writing):\n" % pairs)
    print("| run | fastest (s) | median (s) | cores used (children's CPU time / wall, median) |")
    print("|---|---:|---:|---:|")
    for name, (least, middle, cores) in dask.items():
        print("| %s | %.2f | %.2f | %.2f |" % (name, least, middle, cores))
    one, two = dask["one process (--in-process)"], dask["local cluster, 2 worker processes"]
    print("\nSpeed-up of the cluster: %.2f× (fastest runs), %.2f× (medians)." % (
        one[0] / two[0], one[1] / two[1]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--pairs", type=int, default=20000)
    parser.add_argument("--repeats", type=int, default=7)
    parser.add_argument("--pipelines", action="store_true")
    args = parser.parse_args()
    if args.pipelines:
        pipelines(args)
        return

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
