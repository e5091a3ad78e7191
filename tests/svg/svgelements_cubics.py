"""The independent reading of SVG files that the real-file test compares with: Debian's
python3-svgelements, its shapes as cubics in the root element's user units.

Reads file paths, one a line, on standard input; for each writes
    file<TAB>PATH
    paint FILL RULE                for each element that draws a cubic: FILL is "fill", or
                                   "none" where its fill is none; RULE its fill-rule
    contour                        before the first cubic of each subpath that draws one
    x0 y0 x1 y1 x2 y2 x3 y3        one line per cubic, in document order
    radius R                       the largest arc radius (0 without arcs)
    end
or "error<TAB>MESSAGE" in place of the cubics. Lines and quadratics are written as the exact cubics
they are; arcs as cubics of at most 1/64 of a turn each (error below 2e-14 of the radius, far
under the tolerances compared). The root's viewBox mapping, which svgelements applies, is undone,
so that coordinates are the root's user units as bezier-hausdorff reads them.
"""
import math
import sys

from svgelements import (SVG, Arc, Close, CubicBezier, Line, Matrix, Move, Path, Point,
                         QuadraticBezier, Shape)


def towards(a, b, t):
    """The point a + t (b - a)."""
    return Point(a.x + t * (b.x - a.x), a.y + t * (b.y - a.y))


def cubics_of(path, undo):
    """The cubics of a path (already reified), mapped by `undo`, each subpath's list apart: a
    subpath starts at each Move, and after each Close (which ends it even when it draws no
    line, being already at the start)."""
    subpaths = [[]]
    radius = 0.0

    def end_subpath():
        if subpaths[-1]:
            subpaths.append([])

    for segment in path:
        if isinstance(segment, Move):
            end_subpath()
            continue
        out = subpaths[-1]
        if isinstance(segment, (Line, Close)):
            if segment.start is not None and segment.end is not None and segment.start != segment.end:
                a, b = segment.start, segment.end
                out.append([a, towards(a, b, 1 / 3), towards(a, b, 2 / 3), b])
            if isinstance(segment, Close):
                end_subpath()
        elif isinstance(segment, QuadraticBezier):
            a, q, b = segment.start, segment.control, segment.end
            out.append([a, towards(a, q, 2 / 3), towards(b, q, 2 / 3), b])
        elif isinstance(segment, CubicBezier):
            out.append([segment.start, segment.control1, segment.control2, segment.end])
        elif isinstance(segment, Arc):
            if segment.start == segment.end:
                continue
            radius = max(radius, abs(segment.rx), abs(segment.ry))
            pieces = max(1, math.ceil(abs(segment.sweep) / (math.pi / 32)))
            for cubic in segment.as_cubic_curves(pieces):
                out.append([cubic.start, cubic.control1, cubic.control2, cubic.end])
    return [[[undo.point_in_matrix_space(p) for p in c] for c in sub] for sub in subpaths
            if sub], radius


def read(path):
    svg = SVG.parse(path, reify=True)
    undo = ~Matrix(svg.viewbox_transform) if svg.viewbox_transform else Matrix()
    lines = []
    radius = 0.0
    for element in svg.elements():
        if not isinstance(element, Shape):
            continue
        shape_path = abs(Path(element))
        subpaths, r = cubics_of(shape_path, undo)
        radius = max(radius, r)
        if not subpaths:
            continue
        fill = str(element.values.get("fill", "black")).strip().lower()
        rule = str(element.values.get("fill-rule", "nonzero")).strip().lower()
        lines.append("paint %s %s" % ("none" if fill == "none" else "fill",
                                      "evenodd" if rule == "evenodd" else "nonzero"))
        for cubics in subpaths:
            lines.append("contour")
            for c in cubics:
                lines.append(" ".join(repr(float(v)) for p in c for v in (p.x, p.y)))
    return lines, radius


def main():
    out = sys.stdout
    for name in sys.stdin.read().splitlines():
        if not name:
            continue
        try:
            lines, radius = read(name)
        except Exception as error:  # any failure is reported for that file alone
            out.write("error\t%s: %s\n" % (name, str(error).replace("\n", " ")))
            continue
        out.write("file\t%s\n" % name)
        for line in lines:
            out.write(line + "\n")
        out.write("radius %r\nend\n" % radius)


if __name__ == "__main__":
    main()
