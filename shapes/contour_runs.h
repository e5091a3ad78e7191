// How readers record the contours and paints of what they draw (distance/shape.h): each reader
// notes where its subpaths start, and these turn the notes into the shape's structure.
#ifndef SHAPES_CONTOUR_RUNS_H
#define SHAPES_CONTOUR_RUNS_H

#include <cstddef>
#include <vector>

#include "distance/shape.h"
#include "shapes/segment_blocks.h"

// The contours of `segments` when a subpath starts at each index of `starts` (ascending; repeats
// and indices at or past the end are allowed and cut nothing): the non-empty runs between the
// cuts, a cut being implied at 0, each closed when its last segment ends exactly where its first
// starts. No segments: no contours.
std::vector<Contour> contoursFromStarts(const std::vector<CubicCurve>& segments,
                                        const std::vector<int>& starts);

// The same for the segments of `segments` from `first` on, whose subpaths start at each index of
// `starts` (indices into `segments`): appends the contours to `contours`, the cut at `first`
// implied.
void appendContoursFromStarts(const SegmentBlocks& segments, std::size_t first,
                              const std::vector<std::size_t>& starts,
                              std::vector<Contour>& contours);

// Sets each contour's `closed` from the segments. A map of the plane can make an open contour's
// ends meet (collapsing, or rounding them to one point), never the reverse: a reader that moves
// segments calls this afterwards.
void markClosedContours(Shape& shape);

// One paint over all of the shape's contours, or none when it has no contours.
void paintAllContours(Shape& shape, bool filled, FillRule rule);

// Appends `part`'s segments and contours (contoursOf) to `whole`, with one paint over them (none
// when it draws nothing), and keeps the larger approximationError. `whole`'s own contours and
// paints must be set (or it must be empty).
void appendPainted(Shape& whole, const Shape& part, bool filled, FillRule rule);

#endif  // SHAPES_CONTOUR_RUNS_H
