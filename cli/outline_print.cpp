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

bool startsSubpath(const Shape& shape, std::size_t i) {
  if (i == 0) return true;
  const Point end = shape.segments[i - 1].p[3];
  const Point start = shape.segments[i].p[0];
  return end.x != start.x || end.y != start.y;
}

std::string pathDataOf(const Shape& shape) {
  std::string out;
  for (std::size_t i = 0; i < shape.segments.size(); ++i) {
    const Cubic& c = shape.segments[i];
    if (startsSubpath(shape, i)) {
      out += out.empty() ? "M" : " M";
      appendPoint(out, c.p[0]);
    }
    out += " C";
    for (int k = 1; k < 4; ++k) appendPoint(out, c.p[k]);
  }
  return out;
}

int printOperandOutlines(const CliOptions& options) {
  const PairInput input = readPairOperands(options.operands, arcErrorFor(options));
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
