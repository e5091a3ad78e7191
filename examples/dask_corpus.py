#!/usr/bin/python3
"""Certifies a corpus on a Dask cluster: two folders of fonts, glyph by glyph (the fonts paired
as bezier-hausdorff --glyphs all pairs them, by PostScript name and then family and style), or
two folders of SVG files paired by their path under the folder. Every pair's certified Hausdorff
distance becomes one JSON line of OUTPUT, in the order the work finishes.

    PYTHONPATH=build/python examples/dask_corpus.py A B -o OUTPUT.jsonl
        [--scheduler ADDRESS | --workers N | --in-process]
        [--tolerance T] [--fill] [--task-size PAIRS] [--kind auto|fonts|svg]

The shapes are read here and handed to the workers pickled (as their coordinates), so the
workers need the beziercurve module but not the files: with --scheduler tcp://HOST:8786 they may
run on other machines (see docs/python.md). Without it, a local cluster of N worker processes
(one per core) runs here. --in-process measures the same tasks in this process, with no Dask.

A line holds the pair ("a", "b"; for fonts also "glyph" and "code_point") and either "lower",
"upper", "tolerance_met" and "steps", or "error": why the pair has no distance (an empty glyph
against one that draws, a glyph or file that cannot be read), in the module's words. Glyphs
empty in both fonts are 0 apart. Exits 1 when any pair has an error, 0 otherwise.
"""
import argparse
import json
import os
import pickle
import re
import sys
import time
import warnings

import beziercurve


def font_corpus(a, b, jobs):
    """(key, shape A, shape B, problem) for every glyph pair of every font pair."""
    fonts = beziercurve.pair_fonts(a, b)
    for error in fonts["errors"]:
        print("dask_corpus: %s" % error, file=sys.stderr)
    for side, lonely in (("A", fonts["only_in_a"]), ("B", fonts["only_in_b"])):
        for font in lonely:
            print("dask_corpus: no font to compare with %s (only in %s)" % (font, side),
                  file=sys.stderr)
    for font_a, font_b in fonts["pairs"]:
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            glyphs = beziercurve.glyph_pairs(font_a, font_b, jobs=jobs)
        for glyph in glyphs:
            key = {"a": font_a, "b": font_b, "glyph": glyph["name"],
                   "code_point": glyph["code_point"]}
            yield key, glyph["a"], glyph["b"], glyph["problem"]


def svg_files(folder):
    found = set()
    for root, _, files in os.walk(folder):
        for name in files:
            if name.lower().endswith(".svg"):
                found.add(os.path.relpath(os.path.join(root, name), folder))
    return found


def read_svg(path):
    """The file's shape and None, or None and why it cannot be read."""
    try:
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            return beziercurve.read_svg(path), None
    except (OSError, ValueError, MemoryError) as error:
        return None, str(error)


def svg_corpus(a, b):
    """(key, shape A, shape B, problem) for every SVG file found under both folders."""
    in_a, in_b = svg_files(a), svg_files(b)
    for side, lonely in (("A", in_a - in_b), ("B", in_b - in_a)):
        for name in sorted(lonely):
            print("dask_corpus: %s is only in %s" % (name, side), file=sys.stderr)
    for name in sorted(in_a & in_b):
        shape_a, problem_a = read_svg(os.path.join(a, name))
        shape_b, problem_b = read_svg(os.path.join(b, name))
        problem = problem_a or problem_b
        if problem:
            yield {"a": name, "b": name}, None, None, problem
        else:
            yield {"a": name, "b": name}, shape_a, shape_b, None


def measure_task(task, tolerance, fill):
    """A task's records: its pairs measured in one call, a refused pair's reason in its place.
    Runs on a worker."""
    keys = [key for key, _, _ in task]
    results = beziercurve.hausdorff_many([(a, b) for _, a, b in task], tolerance, jobs=1,
                                         fill=fill, errors="return")
    records = []
    for key, result in zip(keys, results):
        record = dict(key)
        if isinstance(result, beziercurve.Refusal):
            # The words without the task's own numbering of the pair.
            record["error"] = re.sub(r"^pair \d+(, |: )", "", result.message)
        else:
            record.update(lower=result.lower, upper=result.upper,
                          tolerance_met=result.tolerance_met, steps=result.steps)
        records.append(record)
    return records


def measure_pickled(task, tolerance, fill):
    """measure_task of a pickled task, its records pickled."""
    return pickle.dumps(measure_task(pickle.loads(task), tolerance, fill), pickle.HIGHEST_PROTOCOL)


def tasks_of(corpus, size):
    """The measurable pairs in tasks of `size`, and the records of the pairs that cannot be."""
    tasks, refused, task = [], [], []
    for key, a, b, problem in corpus:
        if problem is not None:
            refused.append(dict(key, error=problem))
            continue
        task.append((key, a, b))
        if len(task) == size:
            tasks.append(task)
            task = []
    if task:
        tasks.append(task)
    return tasks, refused


class Progress:
    """Pairs done out of all, on standard error: one line rewritten on a terminal, else a line
    every tenth of the way."""

    def __init__(self, total):
        self.total, self.done, self.shown = total, 0, -1
        self.terminal = sys.stderr.isatty()

    def add(self, count):
        self.done += count
        tenth = self.done * 10 // max(self.total, 1)
        if self.terminal or tenth != self.shown or self.done == self.total:
            self.shown = tenth
            end = "\r" if self.terminal and self.done < self.total else "\n"
            sys.stderr.write("certified %d of %d pairs%s" % (self.done, self.total, end))
            sys.stderr.flush()


def run_in_process(tasks, tolerance, fill, write, progress):
    for task in tasks:
        records = measure_task(task, tolerance, fill)
        write(records)
        progress.add(len(records))


def start_client(scheduler, workers):
    """A client of the cluster at `scheduler`, or of a local cluster of `workers` processes,
    started on a thread of its own while the corpus is read: (thread, holder of the client)."""
    import logging
    import threading

    from distributed import Client, LocalCluster

    held = {}

    def start():
        try:
            if scheduler:
                held["client"] = Client(scheduler)
            else:
                held["cluster"] = LocalCluster(
                    n_workers=workers, threads_per_worker=1, processes=True,
                    dashboard_address=None, silence_logs=logging.ERROR)
                held["client"] = Client(held["cluster"])
        except Exception as error:  # raised again where the client is needed
            held["error"] = error

    thread = threading.Thread(target=start, daemon=True)
    thread.start()
    return thread, held


def run_on_dask(tasks, tolerance, fill, write, progress, starting):
    from distributed import as_completed

    thread, held = starting
    thread.join()
    if "error" in held:
        raise held["error"]
    client = held["client"]
    try:
        # Each task travels as one pickle made here (shapes as their coordinates): Dask sends
        # bytes as they are, where its own pickler would take every shape and dict in turn.
        futures = [client.submit(measure_pickled, pickle.dumps(task, pickle.HIGHEST_PROTOCOL),
                                 tolerance, fill, pure=False) for task in tasks]
        for future in as_completed(futures):
            records = pickle.loads(future.result())
            write(records)
            progress.add(len(records))
            future.release()
    finally:
        client.close()
        if "cluster" in held:
            held["cluster"].close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("a", help="folder (or font) A")
    parser.add_argument("b", help="folder (or font) B")
    parser.add_argument("-o", "--output", required=True, help="the JSON-lines file to write")
    where = parser.add_mutually_exclusive_group()
    where.add_argument("--scheduler", help="an existing Dask cluster's scheduler address")
    where.add_argument("--workers", type=int, default=os.cpu_count() or 1,
                       help="worker processes of the local cluster (default: one per core)")
    where.add_argument("--in-process", action="store_true", help="measure here, without Dask")
    parser.add_argument("--tolerance", type=float, default=beziercurve.DEFAULT_TOLERANCE)
    parser.add_argument("--fill", action="store_true", help="measure what the shapes paint")
    parser.add_argument("--task-size", type=int, default=300, help="pairs a task (300)")
    parser.add_argument("--kind", choices=("auto", "fonts", "svg"), default="auto")
    args = parser.parse_args()
    if args.workers < 1 or args.task_size < 1:
        parser.error("--workers and --task-size must be 1 or more")

    start = time.perf_counter()
    starting = None if args.in_process else start_client(args.scheduler, args.workers)
    kind = args.kind
    if kind == "auto":
        kind = "svg" if os.path.isdir(args.a) and svg_files(args.a) else "fonts"
    corpus = (svg_corpus(args.a, args.b) if kind == "svg"
              else font_corpus(args.a, args.b, args.workers))
    tasks, refused = tasks_of(corpus, args.task_size)
    total = sum(len(task) for task in tasks) + len(refused)
    read = time.perf_counter() - start
    errors = len(refused)
    with open(args.output, "w", encoding="utf-8") as output:
        def write(records):
            nonlocal errors
            for record in records:
                errors += "error" in record
                output.write(json.dumps(record, ensure_ascii=False) + "\n")

        progress = Progress(total)
        write(refused)
        progress.add(len(refused))
        if args.in_process:
            run_in_process(tasks, args.tolerance, args.fill, write, progress)
        else:
            run_on_dask(tasks, args.tolerance, args.fill, write, progress, starting)
    print("%d pairs in %d tasks, %d with an error; read in %.2f s, all in %.2f s" % (
        total, len(tasks), errors, read, time.perf_counter() - start), file=sys.stderr)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
