#include "viewer/scene.h"

#include <GL/freeglut.h>

#include "geometry/marker_canvas.h"
#include "viewer/input.h"
#include "viewer/render.h"

ViewerScene scene;

namespace {

// OpenGL's own functions, as they are: the seam's entries mirror their signatures.
const MarkerCanvas kOpenGlCanvas{glPointSize, glLineWidth, glColor3f, glBegin, glVertex2f, glEnd};

}  // namespace

void installOpenGlMarkers() {
  markerCanvas = &kOpenGlCanvas;
}

int runViewer(int argc, char** argv) {
  scene.curveA = kDefaultCurveA;
  scene.curveB = kDefaultCurveB;
  installOpenGlMarkers();

  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA);
  glutInitWindowSize(800, 800);
  glutCreateWindow("BezierCurve");
  glClearColor(1, 1, 1, 1);

  // No reshape, passive-motion, idle or timer handler: every frame answers an event.
  glutMouseFunc(onMouseButton);
  glutMotionFunc(onMouseDrag);
  glutSpecialFunc(onSpecialKey);
  glutMouseWheelFunc(onMouseWheel);
  glutKeyboardFunc(onKeyboard);
  glutDisplayFunc(renderFrame);

  glutMainLoop();
  return 0;
}
