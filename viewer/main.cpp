// beziercurve: the interactive viewer. --help and --version are answered here, before freeglut
// sees the arguments, so they need no display; --quiet is taken here too; every other argument
// goes to freeglut unchanged.
#include <cstdio>
#include <cstring>

#include "viewer/scene.h"

namespace {

const char kHelp[] =
    "Usage: beziercurve [--help | --version] [--quiet] [-display DISPLAY]\n"
    "\n"
    "Opens a window with two cubic Bezier curves and their control polygons and, on every\n"
    "redraw, computes the Hausdorff distance between them. A red arrow runs from the point\n"
    "where the distance is attained to its nearest point on the other curve; the search's\n"
    "trace is printed on standard output (not with --quiet).\n"
    "\n"
    "Controls:\n"
    "  left drag     moves the nearest control point of each curve (within about 12 pixels)\n"
    "  other drag    zooms: up enlarges, down shrinks\n"
    "  wheel         redraws\n"
    "  arrow keys    move the lower curve by 0.1\n"
    "  R             toggles 100/512 segments per curve, shown at the next redraw\n"
    "\n"
    "Options:\n"
    "  --help              print this help and exit\n"
    "  --version           print the version and exit\n"
    "  --quiet             print no trace (as the desktop menu starts it)\n"
    "  -display DISPLAY    the X display to open (read by freeglut), instead of $DISPLAY\n"
    "Any other argument goes to freeglut, which takes the options it knows.\n";

const char kVersion[] = "beziercurve " BEZIER_VERSION "\n";

// The text that the first --help or --version asks for, or nullptr when the viewer should run.
const char* requestedText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) return kHelp;
    if (std::strcmp(argv[i], "--version") == 0) return kVersion;
  }
  return nullptr;
}

// 0 once the text is on standard output, 1 with a message when it could not be written.
int printText(const char* text) {
  std::fputs(text, stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fputs("beziercurve: cannot write standard output\n", stderr);
    return 1;
  }
  return 0;
}

// Takes every --quiet out of the arguments (freeglut never sees it); whether there was one.
bool takeQuiet(int& argc, char** argv) {
  int kept = 1;
  bool quiet = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quiet") == 0) {
      quiet = true;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argv[kept] = nullptr;
  argc = kept;
  return quiet;
}

}  // namespace

int main(int argc, char** argv) {
  if (const char* text = requestedText(argc, argv)) return printText(text);
  scene.quiet = takeQuiet(argc, argv);
  return runViewer(argc, argv);
}
