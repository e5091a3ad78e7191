#!/usr/bin/python3
"""The union of overlapping contours as booleanOperations computes it (Debian's
python3-booleanoperations, run with Debian's python3), for the fill distance's tests: an
independent overlap removal whose result should paint what its input paints.

Usage: boolean_union.py INPUT
INPUT holds shapes, each a line "shape N" and N closed contours, each a line "contour M" and M
segments: "L x0 y0 x1 y1" (a line) or "C x0 y0 x1 y1 x2 y2 x3 y3" (a cubic), every segment
starting where the one before ends and the last ending where the first starts.
Prints the union of each shape under the nonzero rule in the same form, each segment as a cubic
"x0 y0 x1 y1 x2 y2 x3 y3" (lines with their handles at their thirds, quadratics elevated, numbers
as repr), without the L and C.
"""
import sys

import booleanOperations
from fontTools.pens.basePen import BasePen
from fontTools.pens.pointPen import PointToSegmentPen


class Contour:
    """A closed contour that draws itself into a point pen, as booleanOperations reads one."""

    def __init__(self, segments):
        self.segments = segments

    def __len__(self):
        return len(self.segments)

    def drawPoints(self, pen):
        pen.beginPath()
        for points in self.segments:
            if len(points) == 2:
                pen.addPoint(points[1], "line")
            else:
                pen.addPoint(points[1])
                pen.addPoint(points[2])
                pen.addPoint(points[3], "curve")
        pen.endPath()


class CubicPen(BasePen):
    def __init__(self):
        super().__init__(None)
        self.contours = []
        self.start = None

    def _third(self, a, b):
        return ((2 * a[0] + b[0]) / 3, (2 * a[1] + b[1]) / 3)

    def _moveTo(self, pt):
        self.contours.append([])
        self.start = pt

    def _lineTo(self, pt):
        cur = self._getCurrentPoint()
        if tuple(cur) != tuple(pt):
            self.contours[-1].append((cur, self._third(cur, pt), self._third(pt, cur), pt))

    def _curveToOne(self, p1, p2, p3):
        self.contours[-1].append((self._getCurrentPoint(), p1, p2, p3))

    def _qCurveToOne(self, p1, p2):
        cur = self._getCurrentPoint()
        self.contours[-1].append((cur, self._third(p1, cur), self._third(p1, p2), p2))

    def _closePath(self):
        self._lineTo(self.start)

    def _endPath(self):
        self._closePath()


def read_shapes(path):
    with open(path) as f:
        words = f.read().split()
    shapes, i = [], 0
    while i < len(words):
        assert words[i] == "shape"
        contours, i = [], i + 2
        for _ in range(int(words[i - 1])):
            assert words[i] == "contour"
            segments, i = [], i + 2
            for _ in range(int(words[i - 1])):
                count = 4 if words[i] == "L" else 8
                numbers = [float(w) for w in words[i + 1:i + 1 + count]]
                segments.append([tuple(numbers[k:k + 2]) for k in range(0, count, 2)])
                i += 1 + count
            contours.append(Contour(segments))
        shapes.append(contours)
    return shapes


def main():
    out = []
    for contours in read_shapes(sys.argv[1]):
        pen = CubicPen()
        booleanOperations.union(contours, PointToSegmentPen(pen))
        result = [c for c in pen.contours if c]
        out.append("shape %d" % len(result))
        for contour in result:
            out.append("contour %d" % len(contour))
            for cubic in contour:
                out.append(" ".join(repr(float(c)) for p in cubic for c in p))
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
