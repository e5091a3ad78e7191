// The nearest-point search split into its pure part and its effects, for the library's own
// searches; callers outside geometry/ use nearestPointOnCurve.
#ifndef GEOMETRY_NEAREST_SEARCH_H
#define GEOMETRY_NEAREST_SEARCH_H

#include "geometry/cubic.h"

// What one search finds: the distance that nearestPointOnCurve returns, the parameter that it
// stores in geometryScene.lastNearestParameter and the point at which it draws its marker.
struct NearestPoint {
  double distance;
  double parameter;
  Point2 point;
};

// The search of nearestPointOnCurve without its effects: it neither draws nor touches the
// scene. The result depends on `curve` and `query` alone, so equal inputs may share it.
NearestPoint findNearestPoint(const CubicCurve& curve, Point2 query);

// The marker that nearestPointOnCurve draws for markMode != 0 (nothing without a canvas).
void drawNearestMarker(Point2 query, Point2 found, int markMode);

#endif  // GEOMETRY_NEAREST_SEARCH_H
