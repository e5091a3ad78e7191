// Named curves and small helpers shared by the geometry tests.
#ifndef TESTS_GEOMETRY_FIXTURES_H
#define TESTS_GEOMETRY_FIXTURES_H

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "geometry/cubic.h"
#include "geometry/geometry_scene.h"
#include "geometry/marker_canvas.h"

namespace fixtures {

// The viewer's start-up pair: mirror images across the x axis.
inline const CubicCurve kLower{-0.2, -0.3, -0.1, -0.1, 0.1, -0.1, 0.2, -0.3};
inline const CubicCurve kUpper{-0.2, 0.3, -0.1, 0.1, 0.1, 0.1, 0.2, 0.3};
inline const CubicCurve kStraight{0, 0, 1, 0, 2, 0, 3, 0};
inline const CubicCurve kLoop{0, 0, 2, 1, -1, 1, 1, 0};  // crosses itself
inline const CubicCurve kCusp{0, 0, 1, 1, 0, 1, 1, 0};   // zero derivative at 0.5
inline const CubicCurve kCollapsed{0.3, -0.1, 0.3, -0.1, 0.3, -0.1, 0.3, -0.1};

inline CubicCurve reversed(const CubicCurve& c) {
  return CubicCurve{{c.p[3], c.p[2], c.p[1], c.p[0]}};
}

inline ::testing::AssertionResult pointNear(Point2 actual, Point2 expected, double tolerance) {
  const double dx = actual.x - expected.x;
  const double dy = actual.y - expected.y;
  if (dx * dx + dy * dy <= tolerance * tolerance) return ::testing::AssertionSuccess();
  char text[160];
  std::snprintf(text, sizeof text, "(%.17g, %.17g) is not within %g of (%.17g, %.17g)", actual.x,
                actual.y, tolerance, expected.x, expected.y);
  return ::testing::AssertionFailure() << text;
}

// Resets the shared scene fields so each test starts as a fresh process would.
inline void resetScene() {
  geometryScene = GeometryScene{};
}

// One recorded canvas call, e.g. {"colour", {0, 1, 0}} or {"vertex", {x, y}}.
struct CanvasCall {
  std::string name;
  std::vector<float> args;
  bool operator==(const CanvasCall& other) const {
    return name == other.name && args == other.args;
  }
};
std::vector<CanvasCall>& recordedCalls();

// Installs a recording canvas for the lifetime of the object.
class RecordingCanvas {
 public:
  RecordingCanvas();
  ~RecordingCanvas();
  const std::vector<CanvasCall>& calls() const { return recordedCalls(); }
};

// Runs `body` with a temporary FILE* and returns everything written to it.
template <typename Body>
std::string captureTrace(Body body) {
  std::FILE* file = std::tmpfile();
  body(file);
  std::string text;
  std::rewind(file);
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  std::fclose(file);
  return text;
}

std::vector<std::string> splitLines(const std::string& text);

}  // namespace fixtures

#endif  // TESTS_GEOMETRY_FIXTURES_H
