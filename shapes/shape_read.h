// What every reader of shapes returns: a shape, or one line saying what is wrong and where.
#ifndef SHAPES_SHAPE_READ_H
#define SHAPES_SHAPE_READ_H

#include <string>

#include "distance/shape.h"

// The bound on approximationError that readers aim at unless told otherwise: a quarter of
// bezier-hausdorff's default tolerance (0.001), so that two readings of the same figure leave
// half of it to the search. Readers take the bound as an argument (`arcError`); they cut arcs
// (and circles, ellipses, rounded corners) finely enough to keep it, rounding at the
// coordinates' magnitude aside (see svg/elliptic_arc.h).
constexpr double kDefaultArcError = 2.5e-4;

struct ShapeRead {
  bool ok = false;
  // When ok: the segments in input order, every coordinate finite and of magnitude at most
  // 1e150, and a finite approximationError >= 0. May have no segments (data that draws nothing);
  // the caller decides whether such a shape is usable.
  Shape shape;
  // When !ok: one line of printable text, no newline, naming where the fault is. Path data then
  // leaves in `shape` what it drew before the faulty command (SVG files draw that much); other
  // readers leave it empty.
  std::string error;
  // One line or empty: what was read but not drawn, e.g. "skipped 2 text, 1 use".
  std::string warning;
};

#endif  // SHAPES_SHAPE_READ_H
