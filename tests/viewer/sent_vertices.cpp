#include "sent_vertices.h"

#include <GL/gl.h>

#include <cmath>

namespace viewer_test {

SentVertices& sentVertices() {
  static SentVertices counts;
  return counts;
}

}  // namespace viewer_test

extern "C" {

void __real_glVertex2f(GLfloat x, GLfloat y);

void __wrap_glVertex2f(GLfloat x, GLfloat y) {
  viewer_test::SentVertices& counts = viewer_test::sentVertices();
  ++counts.all;
  if (!std::isfinite(x) || !std::isfinite(y)) ++counts.nonFinite;
  __real_glVertex2f(x, y);
}

}  // extern "C"
