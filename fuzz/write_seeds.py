#!/usr/bin/env python3
"""Writes the seed corpus of geometry_fuzz: one file per pair of curves, sixteen little-endian
doubles (first curve, then second; x before y), named after the shape it starts the fuzzer on.
The files are kept in the repository; rerun this only to change them."""
import os
import struct

LOWER = [-0.2, -0.3, -0.1, -0.1, 0.1, -0.1, 0.2, -0.3]
UPPER = [-0.2, 0.3, -0.1, 0.1, 0.1, 0.1, 0.2, 0.3]
LOOP = [0, 0, 2, 1, -1, 1, 1, 0]


def reversed_curve(c):
    return c[6:8] + c[4:6] + c[2:4] + c[0:2]


def moved(c, dx, dy, scale=1.0):
    return [v * scale + (dx if i % 2 == 0 else dy) for i, v in enumerate(c)]


SEEDS = {
    "default-pair": LOWER + UPPER,
    "identical": LOWER + LOWER,
    "reversed": LOWER + reversed_curve(LOWER),
    "loop-against-reverse": LOOP + reversed_curve(LOOP),
    "collapsed-against-curve": [0.3, -0.1] * 4 + LOWER,
    "collapsed-same-point": [0.3, -0.1] * 8,
    "collapsed-two-points": [0.3, -0.1] * 4 + [0.6, -0.2] * 4,
    "straight-collinear-overlap": [0, 0, 1, 0, 2, 0, 3, 0, 1, 0, 2, 0, 3, 0, 4, 0],
    "straight-collinear-apart": [0, 0, 1, 0, 2, 0, 3, 0, 5, 0, 6, 0, 7, 0, 8, 0],
    "control-point-on-end": LOWER[0:2] * 2 + LOWER[4:8] + UPPER,
    "far-from-origin": moved(LOWER, 900, -900) + moved(UPPER, 900, -900),
    "huge-against-tiny": [-1000, -1000, 1000, -1000, -1000, 1000, 1000, 1000]
    + moved(LOWER, 0, 0, 1e-3),
}

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "geometry")
os.makedirs(here, exist_ok=True)
for name, values in SEEDS.items():
    assert len(values) == 16, name
    with open(os.path.join(here, name), "wb") as f:
        f.write(struct.pack("<16d", *values))
