// The program's one scene, and the start-up that opens the window and hands control to freeglut.
//
// The scene is program-wide state because freeglut's handlers receive no user data. It is split
// in two records that together form the one scene: `scene` below, which only the viewer uses,
// and `geometryScene` (geometry/geometry_scene.h), the fields that the searches share with their
// callers: zoomScale, lastNearestParameter and witnessEnd.
//
// Coordinate spaces. Model coordinates are those of the stored curves. Drawn coordinates are
// model coordinates times geometryScene.zoomScale; since no matrix or viewport is ever set they
// are the window's normalised coordinates, -1 to 1 on both axes, y up. Pointer coordinates are
// window pixels as freeglut reports them, origin top left, y down.
#ifndef VIEWER_SCENE_H
#define VIEWER_SCENE_H

#include "geometry/cubic.h"

// A pointer position in window pixels, origin top left.
struct PointerPosition {
  int x;
  int y;
};

struct ViewerScene {
  // The two curves being compared; set by start-up, then by the pointer and the arrow keys.
  CubicCurve curveA{};
  CubicCurve curveB{};
  // Segments per drawn curve: 100 or 512, toggled with R.
  double sampleCount = 100;
  // 1 / sampleCount, recomputed at the start of every frame.
  double parameterStep = 0;
  // Index (0 to 3) of the control point that a left drag moves, or -1 when none is picked.
  int selectedA = -1;
  int selectedB = -1;
  // True from the press to the release of any button other than the left one.
  bool zoomDragActive = false;
  // Where the next drag step of each curve's picked point is measured from.
  PointerPosition lastPointerA{0, 0};
  PointerPosition lastPointerB{0, 0};
  // The pointer y from which the next zoom step is measured.
  int lastZoomY = 0;
  // --quiet: the search's trace is not printed (the frame is drawn the same).
  bool quiet = false;
};

extern ViewerScene scene;

// The pair every launch starts from: mirror images across the x axis.
inline constexpr CubicCurve kDefaultCurveA{-0.2, -0.3, -0.1, -0.1, 0.1, -0.1, 0.2, -0.3};
inline constexpr CubicCurve kDefaultCurveB{-0.2, 0.3, -0.1, 0.1, 0.1, 0.1, 0.2, 0.3};

// Plugs OpenGL into the geometry library's marker seam, so the searches draw into the frame.
void installOpenGlMarkers();

// Start-up: default curves, freeglut, an 800 x 800 double-buffered window titled "BezierCurve"
// on white, the handlers, and freeglut's main loop, which does not return. The arguments go to
// freeglut, which takes the options it knows; the viewer reads none itself.
int runViewer(int argc, char** argv);

#endif  // VIEWER_SCENE_H
