// Drives the real beziercurve program as a person would: starts it, finds its window by title,
// sends real pointer and key events with xdotool, reads its standard output and takes
// screenshots (xwd, converted to PNG).
#ifndef TESTS_VIEWER_VIEWER_PROCESS_H
#define TESTS_VIEWER_VIEWER_PROCESS_H

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace viewer_test {

struct Rgb {
  unsigned char red;
  unsigned char green;
  unsigned char blue;
  bool isWhite() const { return red > 230 && green > 230 && blue > 230; }
  bool isBlack() const { return red < 40 && green < 40 && blue < 40; }
  bool isRed() const { return red > 200 && green < 60 && blue < 60; }
  bool isBlue() const { return red < 60 && green < 60 && blue > 200; }
};

struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;  // rows top to bottom
  Rgb at(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
  bool operator==(const Screenshot& other) const {
    return width == other.width && height == other.height && rgb == other.rgb;
  }
};

// Polls `condition` every 20 ms until it holds or `timeout` passes; returns whether it held.
bool waitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(15));

class ViewerProcess {
 public:
  // Starts the program with `options`, waits for its window and (unless --quiet is among them)
  // its first frame's trace. Test failures are reported with ADD_FAILURE; check started() before
  // going on.
  explicit ViewerProcess(std::string screenshotPrefix, std::vector<std::string> options = {});
  // Ends the program (and so its window) on every exit of the test.
  ~ViewerProcess();
  ViewerProcess(const ViewerProcess&) = delete;
  ViewerProcess& operator=(const ViewerProcess&) = delete;

  bool started() const { return window_ != 0; }

  // Runs xdotool with `arguments`, in which every "%W" stands for the window id.
  void xdotool(const std::string& arguments) const;

  // Every frame's trace read so far, split at its "initial : ..." line; the last one may still
  // be arriving.
  std::vector<std::string> traces();
  int frameCount() { return static_cast<int>(traces().size()); }
  // The first line of the newest trace, or "" before the first frame.
  std::string lastInitialLine();

  // Grabs the window, saves it as <prefix>-<name>.png and returns its pixels.
  Screenshot screenshot(const std::string& name) const;

  // For long runs, whose output is too large to keep: what the program wrote since the last
  // call, removed from what traces() sees.
  std::string takeOutput();
  // Whether the program has neither exited nor been killed.
  bool running();
  // Its resident memory (VmRSS) in KiB, or -1 when it cannot be read.
  long residentKiB() const;
  // Waits until the program has handled every event it was sent and drawn every frame they
  // asked for: its main thread sleeps and has used no CPU time for `quiet`, and its output has
  // stopped growing. Reads its output meanwhile, so it never blocks on a full pipe. Returns
  // whether that happened before `timeout`.
  bool waitUntilIdle(std::chrono::milliseconds quiet = std::chrono::milliseconds(60),
                     std::chrono::milliseconds timeout = std::chrono::seconds(60));

 private:
  // Forks and starts the program with its standard output on a pipe; false if it cannot.
  bool startProgram();
  void readOutput();

  pid_t pid_ = -1;
  int output_ = -1;
  unsigned long window_ = 0;
  std::string prefix_;
  std::vector<std::string> options_;
  std::string text_;
};

}  // namespace viewer_test

#endif  // TESTS_VIEWER_VIEWER_PROCESS_H
