"""Calls made to exhaust the module, each in a Python of its own under a resource limit
(prlimit): each ends with the module's own exception or a result, never with an abort."""
import os
import subprocess
import sys

import pytest

PAIR = "('M 0 0 L 1 1', 'M 0 0 L 1 2')"
STEPS = "beziercurve.read_path('M0 0' + 'h1' * 1000000)"
TOO_LARGE = ("shape A (1000000 segments) against shape B (1 segment): too large to measure: "
             "the search ran out of memory")
CORES = os.cpu_count() or 1


def clamped(jobs):
    runs = "1 thread runs" if CORES == 1 else "%d threads run" % CORES
    return "RuntimeWarning: jobs %d: this machine has %d %s, so %s" % (
        jobs, CORES, "core" if CORES == 1 else "cores", runs)


HOSTILE = [
    # 40,000 threads' stacks pass the limit: the module runs one per core.
    ("forty thousand jobs", ["--as=2000000000"],
     "print(len(beziercurve.hausdorff_many([%s] * 40000, jobs=40000)))" % PAIR,
     "40000", clamped(40000)),
    ("jobs=2**70", ["--as=2000000000"],
     "print(len(beziercurve.hausdorff_many([%s] * 3, jobs=2**70)))" % PAIR,
     "3", clamped(2**70)),
    # No thread's stack fits in the address space: this thread measures every pair.
    ("no thread can be started", ["--stack=3000000000", "--as=2000000000"],
     "print(len(beziercurve.hausdorff_many([%s] * 2000, jobs=%d)))" % (PAIR, min(CORES, 2)),
     "2000", ""),
    ("a million segments", ["--as=400000000"],
     "beziercurve.hausdorff(%s, 'M 0 0 L 1 1')" % STEPS, "MemoryError: " + TOO_LARGE, ""),
    ("a million segments among many pairs", ["--as=400000000"],
     "beziercurve.hausdorff_many([%s, (%s, 'M 0 0 L 1 1')], jobs=1)" % (PAIR, STEPS),
     "MemoryError: pair 1: " + TOO_LARGE, ""),
]


@pytest.mark.skipif("asan" in os.environ.get("LD_PRELOAD", ""),
                    reason="AddressSanitizer reserves more address space than the limits allow")
@pytest.mark.parametrize("what, limits, call, printed, warned", HOSTILE,
                         ids=[case[0] for case in HOSTILE])
def test_hostile_calls_end_in_the_modules_words(what, limits, call, printed, warned):
    script = ("import beziercurve\n"
              "try:\n    %s\n"
              "except Exception as e:\n    print('%%s: %%s' %% (type(e).__name__, e))\n" % call)
    run = subprocess.run(["prlimit", *limits, sys.executable, "-c", script],
                         capture_output=True, text=True, timeout=120)
    assert run.returncode == 0, run.stderr
    assert run.stdout == printed + "\n"
    assert warned in run.stderr
    if not warned:
        assert run.stderr == ""
