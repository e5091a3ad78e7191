#include "mirrored_input.h"

#include <GL/freeglut.h>

#include <cstdio>

#include "geometry/hausdorff.h"
#include "gl_window.h"
#include "viewer/input.h"
#include "viewer/scene.h"

namespace viewer_test {

void prepareMirror() {
  openTestWindow();
  // Hidden, it never covers the program's window nor takes its events.
  glutHideWindow();
  glutMainLoopEvent();
  resetViewerScene();
}

std::string initialLineFor(const CubicCurve& a, const CubicCurve& b) {
  char line[80];
  std::snprintf(line, sizeof line, "initial : %.6f(%.6f)", controlPolygonBound(a, b),
                controlPolygonBound(b, a));
  return line;
}

int MirroredInput::moveTo(Pixel target) {
  if (target.x == pointer_.x && target.y == pointer_.y) return 0;
  commands_ +=
      "mousemove --window %W " + std::to_string(target.x) + " " + std::to_string(target.y) + " ";
  pointer_ = target;
  // Without a button held the program registers no handler for motion.
  if (buttonsHeld_ > 0) onMouseDrag(target.x, target.y);
  return 1;
}

int MirroredInput::press(int button) {
  commands_ += "mousedown " + std::to_string(button) + " ";
  ++buttonsHeld_;
  onMouseButton(button - 1, GLUT_DOWN, pointer_.x, pointer_.y);
  return 1;
}

int MirroredInput::release(int button) {
  commands_ += "mouseup " + std::to_string(button) + " ";
  --buttonsHeld_;
  onMouseButton(button - 1, GLUT_UP, pointer_.x, pointer_.y);
  return 1;
}

int MirroredInput::wheelTurn(int button) {
  // Not xdotool's `click`, which waits 100 ms after every click. freeglut reports the press to
  // the wheel handler and drops the release.
  commands_ += "mousedown " + std::to_string(button) + " mouseup " + std::to_string(button) + " ";
  onMouseWheel(0, button == 4 ? 1 : -1, pointer_.x, pointer_.y);
  return 2;
}

int MirroredInput::arrowKey(int glutKey) {
  static const char* const kNames[4] = {"Left", "Up", "Right", "Down"};  // freeglut's order
  commands_ += std::string("key --delay 0 ") + kNames[glutKey - GLUT_KEY_LEFT] + " ";
  onSpecialKey(glutKey, pointer_.x, pointer_.y);
  return 2;
}

int MirroredInput::toggleResolution() {
  commands_ += "key --delay 0 r ";
  onKeyboard('r', pointer_.x, pointer_.y);
  return 2;
}

int MirroredInput::drag(Pixel from, Pixel to, int button) {
  // One statement per event: the operands of + may be evaluated in any order.
  int events = moveTo(from);
  events += press(button);
  events += moveTo(to);
  return events + release(button);
}

std::string MirroredInput::takeCommands() {
  std::string taken;
  taken.swap(commands_);
  return taken;
}

}  // namespace viewer_test
