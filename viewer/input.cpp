#include "viewer/input.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include "geometry/geometry_scene.h"
#include "viewer/scene.h"

namespace {

// A control point is picked when its squared drawn distance from the pointer is below this:
// a radius of about 0.0316 drawn units, 12.6 pixels in an 800-pixel window, at any zoom.
constexpr double kPickTolerance = 0.001;
constexpr double kNoPick = 1e9;
// Change of zoomScale per 100 pixels of vertical drag.
constexpr double kZoomPer100Pixels = 0.1;
constexpr double kMinZoom = 0.1;
constexpr double kMaxZoom = 5.0;
constexpr double kArrowStep = 0.1;

// The current transformation, read from OpenGL on every event and never cached.
struct Transform {
  GLdouble modelView[16];
  GLdouble projection[16];
  GLint viewport[4];
};

Transform currentTransform() {
  Transform transform;
  glGetDoublev(GL_MODELVIEW_MATRIX, transform.modelView);
  glGetDoublev(GL_PROJECTION_MATRIX, transform.projection);
  glGetIntegerv(GL_VIEWPORT, transform.viewport);
  return transform;
}

// The drawn point under the pointer. Window y counts up from the bottom: height - y, not
// height - y - 1.
Point2 unprojectPointer(int x, int y) {
  const Transform t = currentTransform();
  GLdouble wx, wy, wz;
  gluUnProject(x, t.viewport[3] - y, 0, t.modelView, t.projection, t.viewport, &wx, &wy, &wz);
  return {wx, wy};
}

// Sets `selected` to the control point nearest to the drawn point `at` if it lies within the
// tolerance; the lower index wins a tie. Otherwise leaves `selected` as it is.
void pick(const CubicCurve& curve, Point2 at, int& selected) {
  const double scale = geometryScene.zoomScale;
  double best = kNoPick;
  int index = -1;
  for (int i = 0; i < 4; ++i) {
    const double dx = at.x - curve.p[i].x * scale;
    const double dy = at.y - curve.p[i].y * scale;
    const double distance = dx * dx + dy * dy;
    if (distance < best) {
      best = distance;
      index = i;
    }
  }
  if (best < kPickTolerance) selected = index;
}

// Moves `point` by the pointer's displacement since `last`, converted through the current
// transformation, so that its drawn image moves exactly that many pixels.
void dragPoint(Point2& point, PointerPosition& last, int x, int y) {
  const Transform t = currentTransform();
  const int dx = x - last.x;
  const int dy = y - last.y;
  // The stored point, not scaled: the division by zoomScale below makes up for it.
  GLdouble sx, sy, sz;
  gluProject(point.x, point.y, 0, t.modelView, t.projection, t.viewport, &sx, &sy, &sz);
  const double scale = geometryScene.zoomScale;
  sx += dx / scale;
  sy -= dy / scale;  // window y grows upward, pointer y downward
  GLdouble nx, ny, nz;
  gluUnProject(sx, sy, 0, t.modelView, t.projection, t.viewport, &nx, &ny, &nz);
  point = {nx, ny};
  last = {x, y};
}

void zoomStep(int y) {
  const int d = y - scene.lastZoomY;
  scene.lastZoomY = y;
  double& zoom = geometryScene.zoomScale;
  zoom = zoom - (d * kZoomPer100Pixels) / 100;
  // Each limit is applied on the side toward which the scale moved.
  if (d < 0) {
    if (zoom > kMaxZoom) zoom = kMaxZoom;
  } else {
    if (zoom < kMinZoom) zoom = kMinZoom;
  }
}

}  // namespace

void onMouseButton(int button, int state, int x, int y) {
  const bool pressed = state == GLUT_DOWN;
  if (button != GLUT_LEFT_BUTTON) {
    scene.zoomDragActive = pressed;
    if (pressed) scene.lastZoomY = y;
  } else if (!pressed) {
    scene.selectedA = -1;
    scene.selectedB = -1;
  } else {
    scene.lastPointerA = {x, y};
    scene.lastPointerB = {x, y};
    const Point2 at = unprojectPointer(x, y);
    pick(scene.curveA, at, scene.selectedA);
    pick(scene.curveB, at, scene.selectedB);
  }
  glutPostRedisplay();
}

void onMouseDrag(int x, int y) {
  // Both point drags use the scale from before this event's zoom step.
  if (scene.selectedA >= 0) {
    dragPoint(scene.curveA.p[scene.selectedA], scene.lastPointerA, x, y);
  }
  if (scene.selectedB >= 0) {
    dragPoint(scene.curveB.p[scene.selectedB], scene.lastPointerB, x, y);
  }
  if (scene.zoomDragActive) zoomStep(y);
  glutPostRedisplay();
}

void onSpecialKey(int key, int /*x*/, int /*y*/) {
  double shiftX = 0;
  double shiftY = 0;
  switch (key) {
    case GLUT_KEY_UP:
      shiftY = kArrowStep;
      break;
    case GLUT_KEY_DOWN:
      shiftY = -kArrowStep;
      break;
    case GLUT_KEY_LEFT:
      shiftX = -kArrowStep;
      break;
    case GLUT_KEY_RIGHT:
      shiftX = kArrowStep;
      break;
    default:
      break;
  }
  if (shiftX != 0 || shiftY != 0) {
    for (Point2& point : scene.curveA.p) {
      point.x += shiftX;
      point.y += shiftY;
    }
  }
  glutPostRedisplay();
}

void onMouseWheel(int /*wheel*/, int /*direction*/, int /*x*/, int /*y*/) {
  glutPostRedisplay();
}

void onKeyboard(unsigned char key, int /*x*/, int /*y*/) {
  if (key == 'R' || key == 'r') scene.sampleCount = scene.sampleCount > 500 ? 100 : 512;
}
