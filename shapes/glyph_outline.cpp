#include "shapes/glyph_outline.h"

#include FT_OUTLINE_H

namespace {

struct Decomposition {
  std::vector<CubicCurve>* segments;
  Point2 current;
};

Point2 toPoint(const FT_Vector* vector) {
  return {static_cast<double>(vector->x), static_cast<double>(vector->y)};
}

// (2 a + b) / 3 in one rounding: font coordinates are integers far below 2^50, so 2 a + b is
// exact and only the division rounds.
Point2 oneThird(Point2 a, Point2 b) {
  return {(2.0 * a.x + b.x) / 3.0, (2.0 * a.y + b.y) / 3.0};
}

Decomposition& state(void* user) {
  return *static_cast<Decomposition*>(user);
}

int moveTo(const FT_Vector* to, void* user) {
  state(user).current = toPoint(to);
  return 0;
}

int lineTo(const FT_Vector* to, void* user) {
  Decomposition& d = state(user);
  const Point2 start = d.current;
  const Point2 end = toPoint(to);
  if (start.x != end.x || start.y != end.y) {
    d.segments->push_back({start, oneThird(start, end), oneThird(end, start), end});
  }
  d.current = end;
  return 0;
}

int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  Decomposition& d = state(user);
  const Point2 start = d.current;
  const Point2 middle = toPoint(control);
  const Point2 end = toPoint(to);
  // Q0 + 2/3 (Q1 - Q0) = (Q0 + 2 Q1) / 3, and likewise from Q2.
  d.segments->push_back({start, oneThird(middle, start), oneThird(middle, end), end});
  d.current = end;
  return 0;
}

int cubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user) {
  Decomposition& d = state(user);
  const Point2 end = toPoint(to);
  d.segments->push_back({d.current, toPoint(control1), toPoint(control2), end});
  d.current = end;
  return 0;
}

}  // namespace

bool outlineToSegments(const FT_Outline& outline, std::vector<CubicCurve>& segments) {
  segments.clear();
  static const FT_Outline_Funcs kEmitters = {moveTo, lineTo, conicTo, cubicTo, 0, 0};
  Decomposition decomposition{&segments, {0.0, 0.0}};
  // FT_Outline_Decompose reads the outline only; its parameter lacks the const.
  return FT_Outline_Decompose(const_cast<FT_Outline*>(&outline), &kEmitters, &decomposition) == 0;
}
