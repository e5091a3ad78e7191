// Real input for the real program, mirrored in this process: each event is written as an
// xdotool command for the program's window and, at the same time, handed to the viewer's own
// input handlers here. The handlers run in a hidden window of the program's size (identity
// matrices, an 800 x 800 viewport), so this process's scene follows the program's bit for bit
// and tells what its next trace must begin with.
#ifndef TESTS_VIEWER_MIRRORED_INPUT_H
#define TESTS_VIEWER_MIRRORED_INPUT_H

#include <string>

#include "geometry/cubic.h"

namespace viewer_test {

// Opens (once) and hides the window the handlers need, and resets the scene as start-up leaves
// it. Call it in SetUp, after SKIP_WITHOUT_DISPLAY.
void prepareMirror();

// "initial : %.6f(%.6f)" for the pair: the first line of the trace a frame of it prints.
std::string initialLineFor(const CubicCurve& a, const CubicCurve& b);

struct Pixel {
  int x;
  int y;
};

class MirroredInput {
 public:
  // Each returns the number of X events it sends. Buttons are X's: 1 left, 2 middle, 3 right,
  // 4 and 5 the wheel.
  // Moves the pointer (a drag step while a button is held). A move to where the pointer already
  // is sends nothing.
  int moveTo(Pixel target);
  int press(int button);
  int release(int button);
  int wheelTurn(int button);
  // freeglut's code for an arrow key: GLUT_KEY_LEFT, _UP, _RIGHT or _DOWN.
  int arrowKey(int glutKey);
  int toggleResolution();
  // A left (or other) press at `from`, one motion to `to`, and the release.
  int drag(Pixel from, Pixel to, int button = 1);

  Pixel pointer() const { return pointer_; }
  void setPointer(Pixel pointer) { pointer_ = pointer; }
  // The xdotool arguments for the events so far, "%W" standing for the window; clears them.
  std::string takeCommands();

 private:
  std::string commands_;
  Pixel pointer_{400, 400};  // where ViewerProcess leaves the pointer
  int buttonsHeld_ = 0;
};

}  // namespace viewer_test

#endif  // TESTS_VIEWER_MIRRORED_INPUT_H
