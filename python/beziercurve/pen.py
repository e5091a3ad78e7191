"""A fontTools pen that draws into a beziercurve Shape.

The Pen builds a glyph's cubics exactly as bezier-hausdorff reads them from the font file, so
that a glyph drawn with ``glyphset[name].draw(pen)`` is measured as the program measures it:

- lines and quadratics become the same curves as cubics: the line P, Q becomes
  (P, (2P + Q) / 3, (P + 2Q) / 3, Q) and the quadratic Q0, Q1, Q2 becomes
  (Q0, (Q0 + 2Q1) / 3, (2Q1 + Q2) / 3, Q2), each control point rounded once;
- an implied on-curve point between two quadratic control points is their exact midpoint;
- zero-length lines are left out, and closePath() adds the line back to the contour's start
  when the current point is elsewhere; endPath() leaves the contour open;
- each moveTo that draws something starts a contour of the shape (shape.contours), closed where
  it ends at its start, as the program's glyph reader makes one for each font contour;
- the shape's approximation_error bounds the rounding of the elevated control points (half an
  ulp each, below 2**-52 of the largest coordinate), as the program's glyph reader declares it.

Curves with more than two off-curve points are split as fontTools' BasePen splits them, and
components are drawn through their transformation from the glyph set given to the pen, as
fontTools' DecomposingPen does.
"""
import math

from . import _beziercurve


def _third(a, b):
    """(2a + b) / 3, coordinate by coordinate."""
    return ((2.0 * a[0] + b[0]) / 3.0, (2.0 * a[1] + b[1]) / 3.0)


def _midpoint(a, b):
    # Halving is exact, so this is the exact midpoint (barring underflow).
    return (a[0] * 0.5 + b[0] * 0.5, a[1] * 0.5 + b[1] * 0.5)


def _point(pt):
    x, y = pt
    return (float(x), float(y))


def _split_super_bezier(points):
    """fontTools' decomposition of a curve with more than two off-curve points into cubics:
    a list of (c1, c2, end)."""
    n = len(points) - 1
    segments = []
    pt1, pt2 = points[0], None
    for i in range(2, n + 1):
        divisions = min(i, 3, n - i + 2)
        for j in range(1, divisions):
            factor = j / divisions
            a, b = points[i - 2], points[i - 1]
            temp = (a[0] + factor * (b[0] - a[0]), a[1] + factor * (b[1] - a[1]))
            if pt2 is None:
                pt2 = temp
            else:
                pt3 = (0.5 * (pt2[0] + temp[0]), 0.5 * (pt2[1] + temp[1]))
                segments.append((pt1, pt2, pt3))
                pt1, pt2 = temp, None
    segments.append((pt1, points[-2], points[-1]))
    return segments


class _TransformedPen:
    """Passes drawing on to `pen` with every point mapped by the affine transformation
    (xx, xy, yx, yy, dx, dy), as fontTools' Transform maps it."""

    def __init__(self, pen, transformation):
        self._pen = pen
        self._t = tuple(float(v) for v in transformation)

    def _map(self, pt):
        if pt is None:
            return None
        xx, xy, yx, yy, dx, dy = self._t
        x, y = pt
        return (xx * x + yx * y + dx, xy * x + yy * y + dy)

    def moveTo(self, pt):
        self._pen.moveTo(self._map(pt))

    def lineTo(self, pt):
        self._pen.lineTo(self._map(pt))

    def curveTo(self, *points):
        self._pen.curveTo(*[self._map(p) for p in points])

    def qCurveTo(self, *points):
        self._pen.qCurveTo(*[self._map(p) for p in points])

    def closePath(self):
        self._pen.closePath()

    def endPath(self):
        self._pen.endPath()

    def addComponent(self, glyphName, transformation):
        xx, xy, yx, yy, dx, dy = self._t
        a, b, c, d, e, f = transformation
        # This transformation after the component's: the product fontTools' Transform makes.
        composed = (a * xx + b * yx, a * xy + b * yy, c * xx + d * yx, c * xy + d * yy,
                    xx * e + yx * f + dx, xy * e + yy * f + dy)
        self._pen.addComponent(glyphName, composed)


class Pen:
    """A fontTools pen (moveTo, lineTo, curveTo, qCurveTo, closePath, endPath, addComponent)
    whose drawing is `pen.shape`, a beziercurve Shape in the drawing's units.

    glyphSet: where components are looked up (a fontTools glyph set, or any mapping of names to
    objects with a draw(pen) method); a component drawn without one raises ValueError.
    """

    def __init__(self, glyphSet=None):
        """A pen with nothing drawn, looking components up in glyphSet."""
        self.glyphSet = glyphSet
        self._coordinates = []  # 8 floats per cubic
        self._starts = []  # the index of each contour's first cubic, at its moveTo
        self._start = None  # the open contour's first point
        self._current = None
        self._shape = None
        self._components = 0

    # -- the cubics ---------------------------------------------------------------------------

    def _cubic(self, p0, p1, p2, p3):
        self._coordinates.extend((p0[0], p0[1], p1[0], p1[1], p2[0], p2[1], p3[0], p3[1]))
        self._shape = None

    def _line(self, end):
        current = self._current
        if current[0] != end[0] or current[1] != end[1]:
            self._cubic(current, _third(current, end), _third(end, current), end)
        self._current = end

    def _quadratic(self, control, end):
        current = self._current
        self._cubic(current, _third(control, current), _third(control, end), end)
        self._current = end

    def _require_current(self, command):
        if self._current is None:
            raise ValueError("%s: the contour has no current point (moveTo first)" % command)

    # -- the fontTools pen protocol -------------------------------------------------------------

    def moveTo(self, pt):
        """Starts a contour at pt (the one before, if open, stays open)."""
        self._start = self._current = _point(pt)
        self._starts.append(len(self._coordinates) // 8)
        self._shape = None

    def lineTo(self, pt):
        """A line to pt, as a cubic; left out when it has no length."""
        self._require_current("lineTo")
        self._line(_point(pt))

    def curveTo(self, *points):
        """A cubic (two control points and the end), or a longer curve split as fontTools'
        BasePen splits it."""
        if not points:
            raise ValueError("curveTo needs at least one point")
        if len(points) == 1:
            self.lineTo(points[0])
            return
        if len(points) == 2:
            self.qCurveTo(*points)
            return
        self._require_current("curveTo")
        points = [_point(p) for p in points]
        if len(points) == 3:
            pieces = [points]
        else:
            pieces = _split_super_bezier(points)
        for c1, c2, end in pieces:
            self._cubic(self._current, c1, c2, end)
            self._current = end

    def qCurveTo(self, *points):
        """Quadratics through TrueType's implied on-curve midpoints, each as a cubic; ending in
        None, a closed contour of control points alone."""
        if not points:
            raise ValueError("qCurveTo needs at least one point")
        if points[-1] is None:
            # A contour of control points alone: it starts (and ends) at the implied point
            # between its last and first control points.
            if len(points) < 2:
                raise ValueError("qCurveTo with no on-curve point needs a control point")
            controls = [_point(p) for p in points[:-1]]
            start = _midpoint(controls[-1], controls[0])
            self.moveTo(start)
            points = controls + [start]
        else:
            self._require_current("qCurveTo")
            points = [_point(p) for p in points]
        if len(points) == 1:
            self._line(points[0])
            return
        for i in range(len(points) - 2):
            self._quadratic(points[i], _midpoint(points[i], points[i + 1]))
        self._quadratic(points[-2], points[-1])

    def closePath(self):
        """Closes the contour: a line back to its start when the pen is elsewhere."""
        if self._current is not None:
            self._line(self._start)
        self._start = self._current = None

    def endPath(self):
        """Ends the contour, open."""
        self._start = self._current = None

    def addComponent(self, glyphName, transformation):
        """Draws the glyph set's glyph glyphName through the affine transformation (xx, xy, yx,
        yy, dx, dy)."""
        if self.glyphSet is None:
            raise ValueError("component '%s': decomposing components needs the glyph set; draw "
                             "with Pen(glyphSet=...)" % glyphName)
        try:
            glyph = self.glyphSet[glyphName]
        except KeyError:
            raise KeyError("component '%s' is not in the glyph set" % glyphName) from None
        self._components += 1
        if self._components > 64:  # deeper than any font nests: a component that holds itself
            raise ValueError("component '%s': components nested too deeply (a loop)" % glyphName)
        try:
            glyph.draw(_TransformedPen(self, transformation))
        finally:
            self._components -= 1

    # -- what was drawn -------------------------------------------------------------------------

    @property
    def shape(self):
        """The cubics drawn so far, as a Shape."""
        if self._shape is None:
            import numpy

            array = numpy.array(self._coordinates, dtype=numpy.float64).reshape(-1, 4, 2)
            largest = float(numpy.abs(array).max()) if len(array) else 0.0
            # A bound that a non-finite coordinate makes NaN is left to the Shape to refuse
            # for the coordinate.
            error = math.ldexp(largest, -52) if math.isfinite(largest) else 0.0
            self._shape = _beziercurve.Shape(array, approximation_error=error,
                                             contours=self._contours(array))
        return self._shape

    def _contours(self, array):
        """One contour per moveTo that drew a cubic, closed where its last cubic ends at its first
        one's start."""
        contours = []
        ends = self._starts[1:] + [len(array)]
        for first, end in zip(self._starts, ends):
            if end > first:
                closed = bool((array[end - 1, 3] == array[first, 0]).all())
                contours.append((first, end - first, closed))
        return contours
