// Support for tests that run the viewer's own drawing and input code in a real window of the
// test process: the window, the scene reset, frames captured through OpenGL feedback mode, and
// standard output captured to a file.
#ifndef TESTS_VIEWER_GL_WINDOW_H
#define TESTS_VIEWER_GL_WINDOW_H

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "geometry/cubic.h"

namespace viewer_test {

// Skips the test when there is no X display, unless BEZIER_REQUIRE_DISPLAY is set (./test.sh
// sets it, and starts a virtual display), in which case the test fails instead.
#define SKIP_WITHOUT_DISPLAY()                                                        \
  do {                                                                                \
    if (!::viewer_test::haveDisplay()) {                                              \
      if (::viewer_test::displayRequired()) FAIL() << "no X display (DISPLAY unset)"; \
      GTEST_SKIP() << "no X display";                                                 \
    }                                                                                 \
  } while (0)

bool haveDisplay();
bool displayRequired();

// Opens, once per process, an 800 x 800 double-buffered RGBA window titled "BezierCurve test"
// and makes its context current; installs the OpenGL markers. Its display handler only counts
// calls (see framesShown).
void openTestWindow();

// Puts the whole scene back as start-up leaves it: default curves, zoomScale 2, 100 segments,
// nothing picked.
void resetViewerScene();

// Lets freeglut handle pending events and requested redraws once; returns how many times the
// test window's display handler ran.
int framesShown();

// One vertex as feedback mode reports it, converted back from window to drawn coordinates.
struct FeedbackVertex {
  float x;
  float y;
  float red;
  float green;
  float blue;
};

enum class Shape { kPoint, kLine };

// One point or one line segment; a GL_LINES or GL_LINE_STRIP primitive yields one per segment.
struct FeedbackShape {
  Shape shape;
  std::vector<FeedbackVertex> vertices;
};

// Runs `draw` in GL_FEEDBACK mode (GL_3D_COLOR) and returns what reached the rasteriser, in
// order. Fails the test if the buffer overflows.
std::vector<FeedbackShape> captureFeedback(const std::function<void()>& draw);

// Standard output goes to a temporary file for the lifetime of the object.
class StdoutCapture {
 public:
  StdoutCapture();
  ~StdoutCapture();
  // What reached the file so far, without flushing stdout first: text still in the stdio buffer
  // is not there.
  std::string written() const;

 private:
  int savedFd_;
  std::string path_;
};

// Fixture for tests that need the window: skips without a display, opens the window, resets
// the scene, and keeps the traces of the frames that a test draws out of the test log.
class ViewerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::unique_ptr<StdoutCapture> capture_;
};

}  // namespace viewer_test

#endif  // TESTS_VIEWER_GL_WINDOW_H
