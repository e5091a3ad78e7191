// SVG path data (the `d` attribute of <path>) read into a shape.
#ifndef SVG_PATH_DATA_H
#define SVG_PATH_DATA_H

#include <string>
#include <string_view>
#include <vector>

#include "shapes/segment_blocks.h"
#include "shapes/shape_read.h"

// Reads the whole path grammar: M m L l H h V v C c S s Q q T t A a Z z, absolute and relative,
// with implicit repeats (numbers after M/m are line-tos), SVG's compact numbers ("-1-2", ".5.5",
// "1e-3", flags written without separators) and any number of subpaths.
//
// Every drawing command gives cubics, in order: cubics as written; lines (L, H, V, and Z when
// the current point is away from the subpath's start) and quadratics (Q, T) by exact degree
// elevation; arcs (A) as equal cubics of at most an eighth of a turn each, as many as keep each
// arc's bound within `arcError` (see svg/elliptic_arc.h), with approximationError the largest
// bound over the arcs (0 without arcs). M alone draws nothing, so data such as "" or "M 1 2"
// gives a shape without segments.
//
// Contours: one per subpath that draws a segment (a subpath starts at each M, and after each Z),
// closed when its last segment ends exactly where its first starts; one paint over them all,
// filled under the nonzero rule (callers that know another rule set it).
//
// Refuses, with "path data, character N: ..." (N counting bytes from 1), data that does not
// start with M or m, a letter that is no command, a missing or malformed number or flag, a
// command cut short, numbers of magnitude above 1e150 or longer than 100 characters, and any
// command whose points reach a coordinate beyond 1e150. On a refusal, `shape` holds the segments
// of the commands before the faulty one, with their bound: what SVG draws for such data. Linear
// in the length of the data.
ShapeRead parsePathData(std::string_view data, double arcError = kDefaultArcError);

struct PathDataRead {
  bool ok;
  std::string error;          // when !ok, as parsePathData's
  double approximationError;  // of the segments appended
};

// The same reading for a reader that collects many elements' segments: appends them to
// `segments` and their contours (indices into `segments`) to `contours`, so that they are never
// copied whole on the way. On a refusal, what parsePathData keeps is appended.
PathDataRead appendPathData(std::string_view data, double arcError, SegmentBlocks& segments,
                            std::vector<Contour>& contours);

#endif  // SVG_PATH_DATA_H
