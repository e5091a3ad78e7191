// The real program in a real window, used as a person would: pointer and keys through xdotool,
// the trace on its standard output, and what the window shows in screenshots.
//
// Pixel positions: a drawn point (x, y) appears at pixel ((x + 1) * 400, (1 - y) * 400) of the
// 800 x 800 window; at the default zoom 2, model (-0.2, -0.3) is pixel (240, 640).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "geometry/hausdorff.h"
#include "gl_window.h"
#include "viewer/scene.h"
#include "viewer_process.h"

namespace {

using viewer_test::Screenshot;
using viewer_test::ViewerProcess;
using viewer_test::waitFor;

struct Pixel {
  int x;
  int y;
};

Pixel pixelOf(Point2 model, double zoom = 2.0) {
  return {static_cast<int>(std::lround((model.x * zoom + 1) * 400)),
          static_cast<int>(std::lround((1 - model.y * zoom) * 400))};
}

// A control point is a 7 x 7 black square. The search's green segments start at curve end
// points and cross their squares, so most of the square, not all of it, must be black, and its
// middle must show no background or polygon.
bool controlPointAt(const Screenshot& shot, Pixel p) {
  int black = 0;
  for (int dy = -3; dy <= 3; ++dy) {
    for (int dx = -3; dx <= 3; ++dx) {
      const viewer_test::Rgb colour = shot.at(p.x + dx, p.y + dy);
      black += colour.isBlack();
      const bool middle = std::abs(dx) <= 1 && std::abs(dy) <= 1;
      if (middle && (colour.isWhite() || colour.isBlue())) return false;
    }
  }
  return black >= 28;
}

bool allControlPointsAt(const Screenshot& shot, const CubicCurve& a, const CubicCurve& b,
                        double zoom = 2.0) {
  for (int i = 0; i < 4; ++i) {
    if (!controlPointAt(shot, pixelOf(a.p[i], zoom))) return false;
    if (!controlPointAt(shot, pixelOf(b.p[i], zoom))) return false;
  }
  return true;
}

int redPixels(const Screenshot& shot) {
  int count = 0;
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) count += shot.at(x, y).isRed();
  }
  return count;
}

std::string initialLineFor(const CubicCurve& a, const CubicCurve& b) {
  char line[80];
  std::snprintf(line, sizeof line, "initial : %.6f(%.6f)", controlPolygonBound(a, b),
                controlPolygonBound(b, a));
  return line;
}

class Viewer : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_DISPLAY();
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    viewer_ = std::make_unique<ViewerProcess>(std::string(SCREENSHOT_DIR) + "/" + test->name());
    ASSERT_TRUE(viewer_->started());
    ASSERT_TRUE(waitFor([&] { return defaultSceneShown(viewer_->screenshot("start")); }))
        << "the default scene did not appear";
  }

  static bool defaultSceneShown(const Screenshot& shot) {
    return shot.width == 800 && shot.height == 800 &&
           allControlPointsAt(shot, kDefaultCurveA, kDefaultCurveB);
  }

  // Waits until the window shows what `expected` accepts; the last screenshot is kept as
  // <test>-<name>.png.
  bool waitForScreen(const std::string& name,
                     const std::function<bool(const Screenshot&)>& expected) {
    return waitFor([&] { return expected(viewer_->screenshot(name)); });
  }

  std::unique_ptr<ViewerProcess> viewer_;
};

TEST_F(Viewer, StartsWithTheDefaultSceneOnWhiteAndARedArrow) {
  const Screenshot shot = viewer_->screenshot("default");
  EXPECT_TRUE(shot.at(20, 20).isWhite());
  EXPECT_TRUE(shot.at(780, 780).isWhite());
  EXPECT_TRUE(controlPointAt(shot, {240, 640}));  // P0 of curveA
  EXPECT_TRUE(controlPointAt(shot, {560, 160}));  // P3 of curveB
  EXPECT_GT(redPixels(shot), 200);
  EXPECT_EQ(viewer_->lastInitialLine(), "initial : 0.721110(0.721110)");
  const std::string trace = viewer_->traces().front();
  EXPECT_NE(trace.find("dist : [-1000000000.000000,0.721110]\npar : [0.000000,1.000000]\n"),
            std::string::npos)
      << trace;
}

// --quiet, as the desktop menu starts it: the same frames, no trace. Without it every redraw
// prints one (the other tests read it).
TEST(QuietViewer, DrawsTheSameFramesAndPrintsNoTrace) {
  SKIP_WITHOUT_DISPLAY();
  ViewerProcess viewer(std::string(SCREENSHOT_DIR) + "/QuietViewer", {"--quiet"});
  ASSERT_TRUE(viewer.started());
  const auto sceneShown = [&](const CubicCurve& a, const CubicCurve& b) {
    return waitFor([&] {
      const Screenshot shot = viewer.screenshot("quiet");
      return shot.width == 800 && allControlPointsAt(shot, a, b) && redPixels(shot) > 200;
    });
  };
  ASSERT_TRUE(sceneShown(kDefaultCurveA, kDefaultCurveB));
  viewer.xdotool("key Up");
  CubicCurve moved = kDefaultCurveA;
  for (Point2& point : moved.p) point.y += 0.1;
  EXPECT_TRUE(sceneShown(moved, kDefaultCurveB));
  EXPECT_TRUE(viewer.waitUntilIdle());
  EXPECT_TRUE(viewer.running());
  EXPECT_EQ(viewer.takeOutput(), "");
}

TEST_F(Viewer, APressTwelvePixelsAwayPicksAndTheDragMovesThePoint) {
  viewer_->xdotool(
      "mousemove --window %W 252 640 mousedown 1 mousemove --window %W 262 660 "
      "mouseup 1");
  CubicCurve moved = kDefaultCurveA;
  moved.p[0] = {-0.1875, -0.325};
  EXPECT_TRUE(waitFor([&] {
    return viewer_->lastInitialLine() == initialLineFor(moved, kDefaultCurveB);
  })) << viewer_->lastInitialLine();
  EXPECT_TRUE(waitForScreen("moved", [](const Screenshot& shot) {
    return controlPointAt(shot, {250, 660}) && !shot.at(240, 640).isBlack();
  }));
}

TEST_F(Viewer, APressThirteenPixelsAwayPicksNothing) {
  const int before = viewer_->frameCount();
  viewer_->xdotool(
      "mousemove --window %W 253 640 mousedown 1 mousemove --window %W 263 660 "
      "mouseup 1");
  ASSERT_TRUE(waitFor([&] { return viewer_->frameCount() > before; }));
  EXPECT_EQ(viewer_->lastInitialLine(), "initial : 0.721110(0.721110)");
  const Screenshot shot = viewer_->screenshot("unmoved");
  EXPECT_TRUE(controlPointAt(shot, {240, 640}));
  EXPECT_FALSE(shot.at(250, 660).isBlack());
}

TEST_F(Viewer, ADraggedPointStaysUnderThePointer) {
  viewer_->xdotool("mousemove --window %W 320 320 mousedown 1");
  const Pixel path[] = {{340, 330}, {380, 300}, {400, 260}};
  for (const Pixel& p : path) {
    viewer_->xdotool("mousemove --window %W " + std::to_string(p.x) + " " + std::to_string(p.y));
    EXPECT_TRUE(
        waitForScreen("drag", [&](const Screenshot& shot) { return controlPointAt(shot, p); }))
        << "no control point under the pointer at (" << p.x << ", " << p.y << ")";
  }
  viewer_->xdotool("mouseup 1");
  // 80 pixels right and 60 up at zoom 2 in an 800-pixel window: (+0.1, +0.075) in model units.
  CubicCurve moved = kDefaultCurveB;
  moved.p[1] = {0.0, 0.175};
  EXPECT_TRUE(waitFor([&] {
    return viewer_->lastInitialLine() == initialLineFor(kDefaultCurveA, moved);
  })) << viewer_->lastInitialLine();
  EXPECT_FALSE(viewer_->screenshot("dropped").at(320, 320).isBlack());
}

TEST_F(Viewer, ARightDragOfAHundredPixelsUpScalesTheDrawingBy21Over20) {
  viewer_->xdotool(
      "mousemove --window %W 400 400 mousedown 3 mousemove --window %W 400 300 "
      "mouseup 3");
  EXPECT_TRUE(waitForScreen("zoomed", [](const Screenshot& shot) {
    return allControlPointsAt(shot, kDefaultCurveA, kDefaultCurveB, 2.1) &&
           !shot.at(320, 480).isBlack() && !shot.at(480, 320).isBlack();
  }));
  // Zooming changes no curve.
  EXPECT_EQ(viewer_->lastInitialLine(), "initial : 0.721110(0.721110)");
}

TEST_F(Viewer, ArrowKeysMoveOnlyTheFirstCurve) {
  viewer_->xdotool("key Left");
  CubicCurve shifted = kDefaultCurveA;
  for (Point2& p : shifted.p) p.x -= 0.1;
  EXPECT_TRUE(waitFor([&] {
    return viewer_->lastInitialLine() == initialLineFor(shifted, kDefaultCurveB);
  })) << viewer_->lastInitialLine();
  EXPECT_TRUE(waitForScreen("left", [&](const Screenshot& shot) {
    return allControlPointsAt(shot, shifted, kDefaultCurveB);
  }));

  viewer_->xdotool("key Up");
  for (Point2& p : shifted.p) p.y += 0.1;
  EXPECT_TRUE(waitFor([&] {
    return viewer_->lastInitialLine() == initialLineFor(shifted, kDefaultCurveB);
  })) << viewer_->lastInitialLine();
  EXPECT_TRUE(waitForScreen("left-up", [&](const Screenshot& shot) {
    return allControlPointsAt(shot, shifted, kDefaultCurveB);
  }));
}

TEST_F(Viewer, PageUpRedrawsWithoutChange) {
  const Screenshot before = viewer_->screenshot("before");
  const int frames = viewer_->frameCount();
  viewer_->xdotool("key Prior");
  ASSERT_TRUE(waitFor([&] {
    const std::vector<std::string> traces = viewer_->traces();
    return static_cast<int>(traces.size()) == frames + 1 && traces[frames] == traces[frames - 1];
  })) << "no identical new trace after Page Up";
  EXPECT_TRUE(viewer_->screenshot("after") == before);
}

// R changes the resolution but asks for no redraw; the next wheel turn shows it.
TEST_F(Viewer, RAlonePrintsNoTraceAndTheNextWheelTurnRedrawsAtTheNewResolution) {
  const Screenshot at100 = viewer_->screenshot("100");
  const int frames = viewer_->frameCount();
  viewer_->xdotool("key r");
  // Asserting that nothing happens needs a quiet period; a frame takes milliseconds.
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  EXPECT_EQ(viewer_->frameCount(), frames);

  viewer_->xdotool("click 4");
  EXPECT_TRUE(waitFor([&] { return viewer_->frameCount() == frames + 1; }));
  EXPECT_TRUE(waitForScreen("512", [&](const Screenshot& shot) { return !(shot == at100); }))
      << "512 segments look the same as 100";

  viewer_->xdotool("key r click 5");
  EXPECT_TRUE(waitFor([&] { return viewer_->frameCount() == frames + 2; }));
  EXPECT_TRUE(waitForScreen("back-to-100", [&](const Screenshot& shot) { return shot == at100; }));
}

}  // namespace
