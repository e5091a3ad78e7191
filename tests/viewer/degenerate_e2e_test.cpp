// Degenerate shapes made with real input in the real program: control points dragged onto one
// another, curves made identical or reversed, collapsed to points, straight and collinear, and
// curves far outside the window at the smallest zoom. After each step the program must draw a
// new frame of exactly the curves the input made (the mirror in this process knows them), every
// trace it printed must be well formed, and it must still run. That no NaN vertex is drawn for
// these shapes is checked in frame_test.cpp, where the vertices can be seen.
//
// Pixels: at zoom z, model (x, y) is drawn at pixel ((x * z + 1) * 400, (1 - y * z) * 400); at the
// default zoom 2 curveA's control points are at (240, 640), (320, 480), (480, 480), (560, 640) and
// curveB's at (240, 160), (320, 320), (480, 320), (560, 160).
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "geometry/geometry_scene.h"
#include "gl_window.h"
#include "mirrored_input.h"
#include "tests/geometry/trace_check.h"
#include "viewer/scene.h"
#include "viewer_process.h"

namespace {

using viewer_test::initialLineFor;
using viewer_test::MirroredInput;
using viewer_test::Pixel;
using viewer_test::ViewerProcess;
using viewer_test::waitFor;

class DegenerateInput : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_DISPLAY();
    viewer_test::prepareMirror();
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    viewer_ = std::make_unique<ViewerProcess>(std::string(SCREENSHOT_DIR) + "/" + test->name());
    ASSERT_TRUE(viewer_->started());
  }

  // Sends the events so far and waits until the program has drawn a new frame and gone idle.
  // Its newest trace must then start with the initial line of the curves the events made, and
  // every trace it printed must be well formed.
  void sendAndExpectFrame(const std::string& step) {
    SCOPED_TRACE(step);
    const int framesBefore = viewer_->frameCount();
    viewer_->xdotool(input_.takeCommands());
    const std::string expected = initialLineFor(scene.curveA, scene.curveB);
    EXPECT_TRUE(waitFor([&] { return viewer_->frameCount() > framesBefore; }, kFrameTimeout))
        << "no new frame";
    ASSERT_TRUE(viewer_->waitUntilIdle(std::chrono::milliseconds(60), kFrameTimeout));
    EXPECT_EQ(viewer_->lastInitialLine(), expected);
    const std::vector<std::string> traces = viewer_->traces();
    for (size_t i = 0; i < traces.size(); ++i) {
      const TraceCheck check = checkTrace(traces[i]);
      EXPECT_EQ(check.error, "") << "frame " << i + 1;
    }
    EXPECT_TRUE(viewer_->running());
  }

  static Pixel pixelOf(Point2 model) {
    const double zoom = geometryScene.zoomScale;
    return {static_cast<int>(std::lround((model.x * zoom + 1) * 400)),
            static_cast<int>(std::lround((1 - model.y * zoom) * 400))};
  }

  // Curves that nearly coincide make the search refine far down; under the sanitizers a frame
  // then takes seconds.
  static constexpr std::chrono::seconds kFrameTimeout{60};

  MirroredInput input_;
  std::unique_ptr<ViewerProcess> viewer_;
};

TEST_F(DegenerateInput, ControlPointsDraggedOntoOthers) {
  // curveA's P1 onto its P2: a control polygon with a zero-length edge.
  input_.drag({320, 480}, {480, 480});
  sendAndExpectFrame("P1 onto P2");
  // The two now lie under the pointer together: one of them (the nearer after rounding, on a
  // tie the lower-numbered) is picked and dragged away, the other stays.
  input_.drag({480, 480}, {400, 440});
  EXPECT_GT(std::hypot(scene.curveA.p[1].x - scene.curveA.p[2].x,
                       scene.curveA.p[1].y - scene.curveA.p[2].y),
            0.05);
  sendAndExpectFrame("P1 and P2 apart again");

  // curveA's end point onto curveB's: the nearest-point searches from that end point find a
  // distance of zero at the end of the other curve.
  input_.drag({240, 640}, {240, 160});
  sendAndExpectFrame("end point onto end point");
  // And the far ends too: the curves share both end points.
  input_.drag({560, 640}, {560, 160});
  sendAndExpectFrame("both end points shared");
}

TEST_F(DegenerateInput, CurvesMadeIdenticalThenDraggedTogether) {
  // Two steps up bring curveA's inner points onto curveB's; dragging its end points onto
  // curveB's makes the two curves the same, up to rounding.
  input_.arrowKey(GLUT_KEY_UP);
  input_.arrowKey(GLUT_KEY_UP);
  sendAndExpectFrame("two steps up");
  input_.drag({240, 480}, {240, 160});
  input_.drag({560, 480}, {560, 160});
  sendAndExpectFrame("identical");
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(scene.curveA.p[i].x, scene.curveB.p[i].x, 1e-12);
    EXPECT_NEAR(scene.curveA.p[i].y, scene.curveB.p[i].y, 1e-12);
  }

  // A press on a shared point picks it on both curves, and the drag keeps them identical.
  input_.drag({320, 320}, {300, 250});
  // 20 pixels left and 70 up at zoom 2: (-0.025, +0.0875).
  EXPECT_NEAR(scene.curveA.p[1].x, -0.125, 1e-12);
  EXPECT_NEAR(scene.curveB.p[1].y, 0.1875, 1e-12);
  sendAndExpectFrame("shared inner point dragged");
  input_.drag({560, 160}, {700, 200});
  sendAndExpectFrame("shared end point dragged");
}

TEST_F(DegenerateInput, CurveDraggedOntoTheReverseOfTheOther) {
  // Each of curveA's points onto the mirror-numbered point of curveB: P0 on P3, P1 on P2, ...
  input_.drag({320, 480}, {480, 320});
  input_.drag({480, 480}, {320, 320});
  input_.drag({240, 640}, {560, 160});
  input_.drag({560, 640}, {240, 160});
  sendAndExpectFrame("reversed");
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(scene.curveA.p[i].x, scene.curveB.p[3 - i].x, 1e-12);
    EXPECT_NEAR(scene.curveA.p[i].y, scene.curveB.p[3 - i].y, 1e-12);
  }
}

TEST_F(DegenerateInput, CurvesCollapsedToPoints) {
  // All four of curveA's control points onto one pixel: a curve that is a point.
  input_.drag({240, 640}, {400, 560});
  input_.drag({320, 480}, {400, 560});
  input_.drag({480, 480}, {400, 560});
  input_.drag({560, 640}, {400, 560});
  sendAndExpectFrame("curveA a point");
  // curveB too, elsewhere: two points.
  input_.drag({240, 160}, {400, 240});
  input_.drag({320, 320}, {400, 240});
  input_.drag({480, 320}, {400, 240});
  input_.drag({560, 160}, {400, 240});
  sendAndExpectFrame("both points, apart");
  // Then curveB's points one by one onto curveA's: each press picks the lowest-numbered point
  // still left there. Both curves are then the same point.
  for (int i = 0; i < 4; ++i) input_.drag({400, 240}, {400, 560});
  sendAndExpectFrame("both points, together");
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(scene.curveB.p[i].x, scene.curveA.p[0].x, 1e-12);
    EXPECT_NEAR(scene.curveB.p[i].y, scene.curveA.p[0].y, 1e-12);
  }
}

TEST_F(DegenerateInput, StraightCollinearCurves) {
  // Both curves onto the line y = 0 (pixel row 400), curveA left of curveB.
  input_.drag({240, 640}, {160, 400});
  input_.drag({320, 480}, {240, 400});
  input_.drag({480, 480}, {320, 400});
  input_.drag({560, 640}, {400, 400});
  input_.drag({240, 160}, {480, 400});
  input_.drag({320, 320}, {560, 400});
  input_.drag({480, 320}, {640, 400});
  input_.drag({560, 160}, {720, 400});
  sendAndExpectFrame("collinear, apart");
  // curveB's start back over curveA: the two overlap along the line.
  input_.drag({480, 400}, {280, 400});
  sendAndExpectFrame("collinear, overlapping");
}

TEST_F(DegenerateInput, CurvesFarOutsideTheWindowAtTheSmallestZoom) {
  // A right drag down by 1,000 pixels takes 1.0 off the zoom; twice leaves the floor, 0.1.
  for (int i = 0; i < 2; ++i) input_.drag({400, 10}, {400, 1010}, 3);
  ASSERT_EQ(geometryScene.zoomScale, 0.1);
  // Keys go to the window under the pointer.
  input_.moveTo({400, 400});
  sendAndExpectFrame("smallest zoom");
  EXPECT_TRUE(waitFor([&] {
    // The default curves now fit in 17 x 25 pixels around the middle: the outer corners of
    // curveB's P0 (392, 388) and curveA's P3 (408, 412) show black.
    const viewer_test::Screenshot shot = viewer_->screenshot("smallest-zoom");
    return shot.width == 800 && shot.at(390, 386).isBlack() && shot.at(410, 414).isBlack() &&
           shot.at(240, 640).isWhite() && shot.at(560, 160).isWhite();
  }));

  // curveA 15 units right and 15 up: out of the window (which shows -10 to 10).
  for (int i = 0; i < 150; ++i) input_.arrowKey(GLUT_KEY_RIGHT);
  for (int i = 0; i < 150; ++i) input_.arrowKey(GLUT_KEY_UP);
  sendAndExpectFrame("curveA far out");
  // curveB's P3 dragged past the window's corner, beyond its edge: the pointer leaves the
  // window while the button is held.
  input_.drag(pixelOf(scene.curveB.p[3]), {1010, 1010});
  EXPECT_GT(scene.curveB.p[3].x, 10);
  EXPECT_LT(scene.curveB.p[3].y, -10);
  sendAndExpectFrame("curveB stretched far out");
}

}  // namespace
