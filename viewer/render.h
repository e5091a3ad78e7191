// The display handler: one call draws one whole frame, distance overlay included.
#ifndef VIEWER_RENDER_H
#define VIEWER_RENDER_H

#include "geometry/cubic.h"

// Sends one model point as a vertex: both coordinates times geometryScene.zoomScale in double
// precision, then converted to float.
void sendModelVertex(Point2 model);

// One curve as scene.sampleCount black segments (width 4), its control polygon in blue, and its
// control points as black dots (size 7). Reads scene.parameterStep, which renderFrame sets.
void drawCurveWithControls(const CubicCurve& curve);

// The display handler. Draws curveA, then curveB, then the distance overlay, which prints the
// frame's trace (flushed before the handler returns) and swaps the buffers.
void renderFrame();

#endif  // VIEWER_RENDER_H
