// What every reader of shapes returns: a shape, or one line saying what is wrong and where.
#ifndef SHAPES_SHAPE_READ_H
#define SHAPES_SHAPE_READ_H

#include <string>

#include "distance/shape.h"

struct ShapeRead {
  bool ok = false;
  // When ok: the segments in input order, every coordinate finite and of magnitude at most
  // 1e150, and a finite approximationError >= 0. May have no segments (data that draws nothing);
  // the caller decides whether such a shape is usable.
  Shape shape;
  // When !ok: one line of printable text, no newline, naming where the fault is.
  std::string error;
  // One line or empty: what was read but not drawn, e.g. "skipped 2 text, 1 use".
  std::string warning;
};

#endif  // SHAPES_SHAPE_READ_H
