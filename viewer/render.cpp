#include "viewer/render.h"

#include <GL/gl.h>

#include "geometry/geometry_scene.h"
#include "viewer/overlay.h"
#include "viewer/scene.h"

void sendModelVertex(Point2 model) {
  const double scale = geometryScene.zoomScale;
  glVertex2f(static_cast<float>(model.x * scale), static_cast<float>(model.y * scale));
}

void drawCurveWithControls(const CubicCurve& curve) {
  const int segments = static_cast<int>(scene.sampleCount);
  const double step = scene.parameterStep;

  // Each segment evaluates both of its ends, so shared points are sent twice.
  glLineWidth(4.0f);
  glColor3f(0, 0, 0);
  glBegin(GL_LINES);
  for (int k = 1; k <= segments; ++k) {
    sendModelVertex(evaluateCurve(curve, (k - 1) * step));
    sendModelVertex(evaluateCurve(curve, k * step));
  }
  glEnd();

  // The polygon keeps the curve's line width.
  glColor3f(0, 0, 1);
  glBegin(GL_LINES);
  for (int i = 0; i < 3; ++i) {
    sendModelVertex(curve.p[i]);
    sendModelVertex(curve.p[i + 1]);
  }
  glEnd();

  glPointSize(7.0f);
  glColor3f(0, 0, 0);
  glBegin(GL_POINTS);
  for (const Point2& controlPoint : curve.p) sendModelVertex(controlPoint);
  glEnd();
}

void renderFrame() {
  scene.parameterStep = 1.0 / scene.sampleCount;
  glClear(GL_COLOR_BUFFER_BIT);
  drawCurveWithControls(scene.curveA);
  drawCurveWithControls(scene.curveB);
  drawDistanceOverlay();
}
