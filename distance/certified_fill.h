// The certified fill distance: the Hausdorff distance between what two shapes paint, their
// filled regions together with their outlines, rather than between the outlines alone.
//
// A shape's painted set is the union of its paints' (distance/shape.h): the points off a filled
// paint's closed contours whose winding number its rule counts as inside, together with the
// contours (open ones closed by their line back to the start, as SVG and fonts fill them), and
// the outline alone of a paint with no fill. The fill distance is the Hausdorff distance between
// the two painted sets. It can be far below the outline distance (a glyph drawn as overlapping
// contours against its overlap-removed union) or above it (a contour filled against the same
// contour drawn with no fill: outlines 0 apart), and may be attained inside a fill, far from
// both outlines (a disc against a ring: the ring's hole radius).
#ifndef DISTANCE_CERTIFIED_FILL_H
#define DISTANCE_CERTIFIED_FILL_H

#include "distance/certified_hausdorff.h"
#include "distance/shape.h"

// A ShapePoint with this segment lies on none of the shape's segments: it is a point of a fill
// (inside it, or on the line that closes an open contour for filling). Its t is 0.
constexpr int kFillPoint = -1;

// The fill distance to within `tolerance` (absolute, in the shapes' units, > 0), with the
// preconditions of certifiedHausdorff and a valid structure (structureProblem(...) empty).
// lower <= F <= upper, rounding and approximation errors included. The witness is a point of
// one shape's painted set at which the distance to the other's is attained to within the
// interval; `nearest` is a point of that other painted set at a distance within the interval
// (the witness itself, as a kFillPoint, when it lies inside the other fill). `keepGoing` as for
// certifiedHausdorff.
CertifiedDistance certifiedFillHausdorff(const Shape& a, const Shape& b, double tolerance,
                                         const KeepGoing* keepGoing = nullptr);

// Whether F <= threshold. Narrows the interval only as far as the answer needs.
WithinDecision decideFillWithin(const Shape& a, const Shape& b, double threshold,
                                const KeepGoing* keepGoing = nullptr);

#endif  // DISTANCE_CERTIFIED_FILL_H
