#!/usr/bin/env python3
"""Round trips of bezier-hausdorff as a coprocess: one line written, its answer read, then the
next, over seeded random pairs. A benchmark to run by hand, not a test:
    cli/coprocess_bench.py [BUILD_DIR] [PAIRS] [SEED] [OPTION...]   defaults: build 2000 1
"""
import random
import subprocess
import sys
import time


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    pairs = int(sys.argv[2]) if len(sys.argv) > 2 else 2000
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    options = sys.argv[4:]
    generator = random.Random(seed)
    lines = [" ".join("%.17g" % (generator.random() - 0.5) for _ in range(16)) + "\n"
             for _ in range(pairs)]
    child = subprocess.Popen([build + "/cli/bezier-hausdorff"] + options + ["-"],
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE, bufsize=0)
    reader = child.stdout
    start = time.perf_counter()
    slowest = 0.0
    for line in lines:
        sent = time.perf_counter()
        child.stdin.write(line.encode())
        answer = reader.readline()
        if not answer:
            sys.exit("error: the program ended before answering")
        slowest = max(slowest, time.perf_counter() - sent)
    seconds = time.perf_counter() - start
    child.stdin.close()
    child.wait()
    print("%d round trips in %.3f s: %.0f a second, %.0f us each, slowest %.0f us" % (
        pairs, seconds, pairs / seconds, seconds / pairs * 1e6, slowest * 1e6))


if __name__ == "__main__":
    main()
