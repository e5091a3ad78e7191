#include "cli/outline_print.h"

#include <charconv>
#include <cstdio>

#include "cli/certified_run.h"
#include "cli/pair_input.h"

using namespace beziercurve;

namespace {

void appendNumber(std::string& out, double value) {
  char text[32];
  const auto written = std::to_chars(text, text + sizeof text, value);
  out += ' ';
  out.append(text, written.ptr);
}

void appendPoint(std::string& out, Point p) {
  appendNumber(out, p.x);
  appendNumber(out, p.y);
}

}  // namespace

bool samePoint(Point a, Point b) {
  return a.x == b.x && a.y == b.y;
}

std::string pathDataOf(const Shape& shape) {
  std::string out;
  for (const Contour& contour : contoursOf(shape)) {
    Point subpathStart{};
    const int end = contour.firstSegment + contour.segmentCount;
    for (int i = contour.firstSegment; i < end; ++i) {
      const Cubic& c = shape.segments[i];
      // A contour put together by hand may hold segments that do not meet: each of those moves
      // to its start, so that the data reads back as the same segments.
      if (i == contour.firstSegment || !samePoint(shape.segments[i - 1].p[3], c.p[0])) {
        out += out.empty() ? "M" : " M";
        appendPoint(out, c.p[0]);
        subpathStart = c.p[0];
      }
      out += " C";
      for (int k = 1; k < 4; ++k) appendPoint(out, c.p[k]);
    }
    // Z draws nothing here: the last segment already ends where the subpath starts.
    if (contour.closed && samePoint(shape.segments[end - 1].p[3], subpathStart)) out += " Z";
  }
  return out;
}

int printOperandOutlines(const CliOptions& options) {
  const PairInput input =
      readPairOperands(options.operands, arcErrorFor(options), fillRuleOf(options));
  if (!input.ok) {
    printError(input.error);
    return kExitBadCommandLine;
  }
  if (!input.warning.empty()) printError(input.warning);
  for (const Shape* shape : {&input.a, &input.b}) {
    const std::string line = pathDataOf(*shape) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  return 0;
}
