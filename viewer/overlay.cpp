#include "viewer/overlay.h"

#include <GL/freeglut.h>

#include <cmath>
#include <cstdio>

#include "geometry/hausdorff.h"
#include "geometry/hausdorff_report.h"
#include "viewer/render.h"
#include "viewer/scene.h"

namespace {

// Length of each arrowhead stroke, in model units.
constexpr double kArrowheadLength = 0.05;

}  // namespace

void drawArrowhead(Point2 witness, Point2 nearest) {
  const double dx = witness.x - nearest.x;
  const double dy = witness.y - nearest.y;
  const double pi = std::acos(-1.0);
  const double angles[2] = {pi / -6.0, pi / 6.0};
  for (const double theta : angles) {
    const double sine = std::sin(theta);
    const double cosine = std::cos(theta);
    const double rx = cosine * dx + sine * dy;
    const double ry = cosine * dy - sine * dx;
    const double length = std::sqrt(ry * ry + rx * rx);
    // Coincident points (or a difference so small that its square underflows) give no
    // direction; dividing by the zero length would send NaN or infinite vertices.
    if (!(length > 0.0)) continue;
    glLineWidth(2.0f);
    glColor3f(1, 0, 0);
    glBegin(GL_LINE_STRIP);
    sendModelVertex(nearest);
    sendModelVertex(
        {nearest.x + rx / length * kArrowheadLength, nearest.y + ry / length * kArrowheadLength});
    glEnd();
  }
}

void drawDistanceOverlay() {
  const double witness =
      hausdorffSearch(scene.curveA, scene.curveB, scene.quiet ? nullptr : stdout).witness;
  // A program reading the trace from a pipe sees each frame's trace as soon as it is drawn.
  std::fflush(stdout);

  // The marking search draws the red dot and the segment from the witness point to it.
  const WitnessArrow arrow = locateWitness(scene.curveA, scene.curveB, witness, 3);
  drawArrowhead(arrow.witnessPoint, arrow.nearestPoint);

  glutSwapBuffers();
}
