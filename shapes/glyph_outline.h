// A FreeType outline as cubic segments: the one place where FreeType's point lists become the
// shapes that the Hausdorff search measures.
#ifndef SHAPES_GLYPH_OUTLINE_H
#define SHAPES_GLYPH_OUTLINE_H

#include <ft2build.h>
#include FT_FREETYPE_H

#include <vector>

#include "geometry/cubic.h"

// Replaces `segments` with the outline's segments, contour after contour, in the outline's own
// coordinates (font units for glyphs loaded with FT_LOAD_NO_SCALE). Each contour is closed: it
// ends with a line back to its first point unless its last point is that point. Conic arcs
// (Q0, Q1, Q2) become the cubics (Q0, (Q0 + 2 Q1) / 3, (2 Q1 + Q2) / 3, Q2) and lines (P, Q) the
// cubics (P, (2 P + Q) / 3, (P + 2 Q) / 3, Q): the same curves, with each control point the
// double nearest to the exact one. Cubic arcs are kept as they are. TrueType's implied on-curve
// points (the midpoint between two off-curve points) and contours that start on an off-curve
// point are resolved as FreeType resolves them when it renders. Zero-length lines are left out:
// they add no point that their neighbours don't have, and a contour of one point (a mark
// attachment) draws nothing. Returns false, with `segments` unspecified, when the outline is
// malformed (a cubic off-curve point without its partner).
bool outlineToSegments(const FT_Outline& outline, std::vector<CubicCurve>& segments);

#endif  // SHAPES_GLYPH_OUTLINE_H
