// What one frame sends to OpenGL, captured in feedback mode in a real window.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "geometry/fixtures.h"
#include "geometry/geometry_scene.h"
#include "geometry/hausdorff.h"
#include "gl_window.h"
#include "mirrored_input.h"
#include "sent_vertices.h"
#include "tests/geometry/trace_check.h"
#include "viewer/overlay.h"
#include "viewer/render.h"
#include "viewer/scene.h"

using viewer_test::captureFeedback;
using viewer_test::FeedbackShape;
using viewer_test::FeedbackVertex;
using viewer_test::Shape;

namespace {

using Frame = viewer_test::ViewerWindowTest;

// Feedback positions went through the viewport transform in single precision.
constexpr float kDrawnTolerance = 2e-6f;

enum class Colour { kBlack, kBlue, kRed, kGreen, kOther };

Colour colourOf(const FeedbackVertex& v) {
  if (v.red == 0 && v.green == 0 && v.blue == 0) return Colour::kBlack;
  if (v.red == 0 && v.green == 0 && v.blue == 1) return Colour::kBlue;
  if (v.red == 1 && v.green == 0 && v.blue == 0) return Colour::kRed;
  if (v.red == 0 && v.green == 1 && v.blue == 0) return Colour::kGreen;
  return Colour::kOther;
}

// Consecutive shapes of one kind and colour: how one glBegin/glEnd pair shows in feedback.
struct Primitive {
  Shape shape;
  Colour colour;
  std::vector<FeedbackVertex> vertices;
};

std::vector<Primitive> primitivesOf(const std::vector<FeedbackShape>& shapes) {
  std::vector<Primitive> runs;
  for (const FeedbackShape& s : shapes) {
    const Colour colour = colourOf(s.vertices[0]);
    if (runs.empty() || runs.back().shape != s.shape || runs.back().colour != colour) {
      runs.push_back({s.shape, colour, {}});
    }
    runs.back().vertices.insert(runs.back().vertices.end(), s.vertices.begin(), s.vertices.end());
  }
  return runs;
}

::testing::AssertionResult drawnAt(const FeedbackVertex& v, double x, double y,
                                   float tolerance = kDrawnTolerance) {
  if (std::fabs(v.x - x) <= tolerance && std::fabs(v.y - y) <= tolerance) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "vertex (" << v.x << ", " << v.y << ") is not within "
                                       << tolerance << " of (" << x << ", " << y << ")";
}

void expectCurveHalf(const std::vector<Primitive>& runs, int segments) {
  ASSERT_GE(runs.size(), 6u);
  const CubicCurve* curves[2] = {&kDefaultCurveA, &kDefaultCurveB};
  int vertices = 0;
  for (int c = 0; c < 2; ++c) {
    const CubicCurve& curve = *curves[c];
    const Primitive& segmentsRun = runs[3 * c];
    const Primitive& polygon = runs[3 * c + 1];
    const Primitive& points = runs[3 * c + 2];
    SCOPED_TRACE(c == 0 ? "curveA" : "curveB");
    EXPECT_EQ(segmentsRun.shape, Shape::kLine);
    EXPECT_EQ(segmentsRun.colour, Colour::kBlack);
    ASSERT_EQ(segmentsRun.vertices.size(), 2u * segments);
    EXPECT_TRUE(drawnAt(segmentsRun.vertices.front(), curve.p[0].x * 2, curve.p[0].y * 2));
    EXPECT_TRUE(drawnAt(segmentsRun.vertices.back(), curve.p[3].x * 2, curve.p[3].y * 2));

    EXPECT_EQ(polygon.shape, Shape::kLine);
    EXPECT_EQ(polygon.colour, Colour::kBlue);
    ASSERT_EQ(polygon.vertices.size(), 6u);
    const int polygonOrder[6] = {0, 1, 1, 2, 2, 3};
    for (int i = 0; i < 6; ++i) {
      const Point2 p = curve.p[polygonOrder[i]];
      EXPECT_TRUE(drawnAt(polygon.vertices[i], p.x * 2, p.y * 2)) << "polygon vertex " << i;
    }

    EXPECT_EQ(points.shape, Shape::kPoint);
    EXPECT_EQ(points.colour, Colour::kBlack);
    ASSERT_EQ(points.vertices.size(), 4u);
    for (int i = 0; i < 4; ++i) {
      EXPECT_TRUE(drawnAt(points.vertices[i], curve.p[i].x * 2, curve.p[i].y * 2)) << "P" << i;
    }
    vertices += segmentsRun.vertices.size() + polygon.vertices.size() + points.vertices.size();
  }
  EXPECT_EQ(vertices, 2 * (2 * segments + 6 + 4));
}

TEST_F(Frame, CurveHalfAtOneHundredSegments) {
  const std::vector<Primitive> runs = primitivesOf(captureFeedback(renderFrame));
  expectCurveHalf(runs, 100);
  EXPECT_EQ(scene.parameterStep, 0.01);
  // The control points sit where the default scene puts them.
  EXPECT_TRUE(drawnAt(runs[2].vertices[0], -0.4, -0.6));
  EXPECT_TRUE(drawnAt(runs[2].vertices[3], 0.4, -0.6));
  EXPECT_TRUE(drawnAt(runs[5].vertices[1], -0.2, 0.2));
  EXPECT_TRUE(drawnAt(runs[5].vertices[3], 0.4, 0.6));
}

TEST_F(Frame, CurveHalfAtFiveHundredTwelveSegments) {
  scene.sampleCount = 512;
  expectCurveHalf(primitivesOf(captureFeedback(renderFrame)), 512);
  EXPECT_EQ(scene.parameterStep, 1.0 / 512);
}

// After the curves: the red dot and green segment of every measuring search of the Hausdorff
// search, then the marking search's red dot and red segment, then the two arrowhead strokes.
TEST_F(Frame, MarksFollowTheCurvesAndTheArrowComesLast) {
  const std::vector<FeedbackShape> shapes = captureFeedback(renderFrame);
  const int steps = hausdorffSearch(kDefaultCurveA, kDefaultCurveB, nullptr).steps;
  const size_t curveShapes = 2 * (100 + 3 + 4);
  ASSERT_EQ(shapes.size(), curveShapes + 2 * (2 * steps) + 4);

  for (size_t i = curveShapes; i < shapes.size() - 4; i += 2) {
    EXPECT_EQ(shapes[i].shape, Shape::kPoint) << i;
    EXPECT_EQ(colourOf(shapes[i].vertices[0]), Colour::kRed) << i;
    EXPECT_EQ(shapes[i + 1].shape, Shape::kLine) << i + 1;
    EXPECT_EQ(colourOf(shapes[i + 1].vertices[0]), Colour::kGreen) << i + 1;
  }
  const FeedbackShape* tail = &shapes[shapes.size() - 4];
  EXPECT_EQ(tail[0].shape, Shape::kPoint);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(colourOf(tail[i].vertices[0]), Colour::kRed) << i;
    if (i > 0) {
      EXPECT_EQ(tail[i].shape, Shape::kLine) << i;
    }
  }

  // The default witness is P0 of curveB (r = -1e-9): the red segment starts there, and its end,
  // the nearest point, is where the red dot sits and both strokes start.
  const FeedbackVertex nearest = tail[0].vertices[0];
  EXPECT_TRUE(drawnAt(tail[1].vertices[0], -0.4, 0.6, 1e-5f));
  EXPECT_TRUE(drawnAt(tail[1].vertices[1], nearest.x, nearest.y));
  EXPECT_TRUE(drawnAt(tail[2].vertices[0], nearest.x, nearest.y));
  EXPECT_TRUE(drawnAt(tail[3].vertices[0], nearest.x, nearest.y));
}

// Each stroke is 0.05 model units (0.1 drawn at zoom 2) long and points back at the witness,
// turned 30 degrees counter-clockwise first, then clockwise.
TEST_F(Frame, ArrowheadOfAWitnessStraightAboveItsNearestPoint) {
  const std::vector<FeedbackShape> strokes = captureFeedback([] {
    drawArrowhead({0.1, 0.4}, {0.1, 0.1});
  });
  ASSERT_EQ(strokes.size(), 2u);
  const double half = 0.05 * 2 * 0.5;
  const double rise = 0.05 * 2 * std::sqrt(3.0) / 2;
  EXPECT_TRUE(drawnAt(strokes[0].vertices[0], 0.2, 0.2));
  EXPECT_TRUE(drawnAt(strokes[0].vertices[1], 0.2 - half, 0.2 + rise));
  EXPECT_TRUE(drawnAt(strokes[1].vertices[0], 0.2, 0.2));
  EXPECT_TRUE(drawnAt(strokes[1].vertices[1], 0.2 + half, 0.2 + rise));
}

// The same in a whole frame: the apex (0, 0.3) of an arch over a straight curve is the witness,
// and its nearest point lies (up to the search's 0.001 tolerance) straight below it.
TEST_F(Frame, WholeFrameArrowUnderAnArch) {
  scene.curveA = CubicCurve{-0.2, 0, -0.1, 0, 0.1, 0, 0.2, 0};
  scene.curveB = CubicCurve{-0.2, 0, -0.1, 0.4, 0.1, 0.4, 0.2, 0};
  const std::vector<FeedbackShape> shapes = captureFeedback(renderFrame);
  ASSERT_GE(shapes.size(), 3u);
  const FeedbackShape& segment = shapes[shapes.size() - 3];
  const FeedbackShape& first = shapes[shapes.size() - 2];
  const FeedbackShape& second = shapes[shapes.size() - 1];
  EXPECT_TRUE(drawnAt(segment.vertices[0], 0, 0.6, 1e-5f));
  const FeedbackVertex q = first.vertices[0];
  EXPECT_TRUE(drawnAt(q, 0, 0, 0.004f));
  EXPECT_TRUE(drawnAt(first.vertices[1], q.x - 0.05, q.y + 0.1 * std::sqrt(3.0) / 2, 1e-3f));
  EXPECT_TRUE(drawnAt(second.vertices[1], q.x + 0.05, q.y + 0.1 * std::sqrt(3.0) / 2, 1e-3f));
}

TEST_F(Frame, CoincidentWitnessAndNearestPointDrawNoStrokes) {
  // Feedback drops a NaN vertex as clipped: count what is sent, too.
  viewer_test::sentVertices() = {};
  EXPECT_TRUE(captureFeedback([] { drawArrowhead({0.1, 0.2}, {0.1, 0.2}); }).empty());
  // A difference whose square underflows to zero has no usable direction either.
  EXPECT_TRUE(captureFeedback([] { drawArrowhead({1e-200, 0}, {0, 0}); }).empty());
  EXPECT_EQ(viewer_test::sentVertices().all, 0);
}

// Identical curves: every distance is (nearly) zero, and no vertex may be NaN or infinite.
TEST_F(Frame, IdenticalCurvesSendOnlyFiniteVertices) {
  scene.curveB = scene.curveA;
  viewer_test::sentVertices() = {};
  for (const FeedbackShape& shape : captureFeedback(renderFrame)) {
    for (const FeedbackVertex& v : shape.vertices) {
      ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y)) << v.x << ", " << v.y;
    }
  }
  EXPECT_EQ(viewer_test::sentVertices().nonFinite, 0);
}

// Degenerate scenes, as the input can make them (degenerate_e2e_test.cpp makes each one in the
// real program), drawn whole. Every vertex sent must be finite and reach the rasteriser: the
// projection is widened for the capture so that nothing lies outside the clip volume.
struct DegenerateScene {
  const char* name;
  CubicCurve a;
  CubicCurve b;
  double zoom;
};

CubicCurve withPoint(CubicCurve curve, int index, Point2 point) {
  curve.p[index] = point;
  return curve;
}

CubicCurve shifted(CubicCurve curve, double dx, double dy) {
  for (Point2& p : curve.p) p = {p.x + dx, p.y + dy};
  return curve;
}

CubicCurve collapsedAt(Point2 p) {
  return CubicCurve{{p, p, p, p}};
}

const DegenerateScene kDegenerateScenes[] = {
    {"identical", kDefaultCurveB, kDefaultCurveB, 2.0},
    {"reversed", fixtures::reversed(kDefaultCurveB), kDefaultCurveB, 2.0},
    {"control point on another", withPoint(kDefaultCurveA, 1, kDefaultCurveA.p[2]), kDefaultCurveB,
     2.0},
    {"end point on end point", withPoint(kDefaultCurveA, 0, kDefaultCurveB.p[0]), kDefaultCurveB,
     2.0},
    {"both end points shared",
     withPoint(withPoint(kDefaultCurveA, 0, kDefaultCurveB.p[0]), 3, kDefaultCurveB.p[3]),
     kDefaultCurveB, 2.0},
    {"one curve a point", collapsedAt({0, -0.2}), kDefaultCurveB, 2.0},
    {"two points apart", collapsedAt({0, -0.2}), collapsedAt({0, 0.2}), 2.0},
    {"two points together", collapsedAt({0, -0.2}), collapsedAt({0, -0.2}), 2.0},
    {"straight, collinear, apart", CubicCurve{-0.6, 0, -0.4, 0, -0.2, 0, 0, 0},
     CubicCurve{0.2, 0, 0.4, 0, 0.6, 0, 0.8, 0}, 2.0},
    {"straight, collinear, overlapping", CubicCurve{-0.6, 0, -0.4, 0, -0.2, 0, 0, 0},
     CubicCurve{-0.3, 0, 0.4, 0, 0.6, 0, 0.8, 0}, 2.0},
    {"far outside at the smallest zoom", shifted(kDefaultCurveA, 15, 15),
     withPoint(kDefaultCurveB, 3, {15, -15}), 0.1},
};

TEST_F(Frame, DegenerateScenesDrawEveryVertexFiniteAndAWellFormedTrace) {
  // Drawn coordinates stay within 1e3 here; the viewer itself never sets a matrix.
  constexpr double kClipHalfWidth = 1e3;
  for (const DegenerateScene& degenerate : kDegenerateScenes) {
    SCOPED_TRACE(degenerate.name);
    viewer_test::resetViewerScene();
    scene.curveA = degenerate.a;
    scene.curveB = degenerate.b;
    geometryScene.zoomScale = degenerate.zoom;
    const int steps = hausdorffSearch(degenerate.a, degenerate.b, nullptr).steps;
    const size_t traceStart = capture_->written().size();

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glOrtho(-kClipHalfWidth, kClipHalfWidth, -kClipHalfWidth, kClipHalfWidth, -1, 1);
    viewer_test::sentVertices() = {};
    const std::vector<FeedbackShape> shapes = captureFeedback(renderFrame);
    const viewer_test::SentVertices sent = viewer_test::sentVertices();
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);

    EXPECT_EQ(sent.nonFinite, 0);
    long reached = 0;
    for (const FeedbackShape& shape : shapes) {
      reached += static_cast<long>(shape.vertices.size());
      for (const FeedbackVertex& v : shape.vertices) {
        EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
      }
    }
    EXPECT_EQ(reached, sent.all);
    // The curves, then a dot and a segment for each of the two measuring searches of each step,
    // then the marking search's dot and segment; the arrowhead's strokes, if any, come last.
    const size_t curves = 2 * (100 + 3 + 4);
    EXPECT_GE(shapes.size(), curves + 2 * (2 * steps) + 2) << steps << " steps";
    EXPECT_LE(shapes.size(), curves + 2 * (2 * steps) + 4) << steps << " steps";

    const std::string trace = capture_->written().substr(traceStart);
    const TraceCheck check = checkTrace(trace);
    EXPECT_EQ(check.error, "");
    EXPECT_EQ(check.steps, steps);
    EXPECT_EQ(trace.substr(0, trace.find('\n')),
              viewer_test::initialLineFor(degenerate.a, degenerate.b));
  }
}

TEST_F(Frame, EverythingScalesWithZoom) {
  geometryScene.zoomScale = 1.0;
  const std::vector<FeedbackShape> atOne = captureFeedback(renderFrame);
  geometryScene.zoomScale = 2.0;
  const std::vector<FeedbackShape> atTwo = captureFeedback(renderFrame);
  ASSERT_EQ(atOne.size(), atTwo.size());
  for (size_t i = 0; i < atOne.size(); ++i) {
    ASSERT_EQ(atOne[i].shape, atTwo[i].shape);
    ASSERT_EQ(atOne[i].vertices.size(), atTwo[i].vertices.size());
    for (size_t j = 0; j < atOne[i].vertices.size(); ++j) {
      const FeedbackVertex& a = atOne[i].vertices[j];
      ASSERT_TRUE(drawnAt(atTwo[i].vertices[j], 2 * a.x, 2 * a.y, 4e-6f)) << "shape " << i;
      ASSERT_EQ(colourOf(a), colourOf(atTwo[i].vertices[j]));
    }
  }
}

// A program reading the trace from a pipe gets each frame's trace before the frame returns.
TEST_F(Frame, TraceIsFlushedBeforeTheFrameReturns) {
  renderFrame();
  const std::string expected = fixtures::captureTrace(
      [](std::FILE* file) { hausdorffSearch(kDefaultCurveA, kDefaultCurveB, file); });
  EXPECT_EQ(capture_->written(), expected);
  EXPECT_EQ(expected.rfind("initial : 0.721110(0.721110)\n", 0), 0u);
}

}  // namespace
