// The fields of the program's one scene that the geometry routines share with their callers.
//
// The program has a single scene; these three fields of it live here so that the searches can
// reach them without knowing the viewer. The viewer keeps the rest of the scene (the curves and
// the pointer state) and reads and writes these fields through `geometryScene`.
#ifndef GEOMETRY_GEOMETRY_SCENE_H
#define GEOMETRY_GEOMETRY_SCENE_H

struct GeometryScene {
  // Drawn coordinates are model coordinates times zoomScale; always within [0.1, 5]. The
  // searches read it only when they draw a marker.
  double zoomScale = 2.0;
  // The parameter, on the searched curve, of the point that the latest nearestPointOnCurve
  // found. Callers read it right after their own call.
  double lastNearestParameter = 0.0;
  // 0 or 3: which end of the latest processed Hausdorff candidate lay farther from the other
  // curve.
  int witnessEnd = 0;
};

extern GeometryScene geometryScene;

#endif  // GEOMETRY_GEOMETRY_SCENE_H
