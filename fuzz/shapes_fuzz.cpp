// libFuzzer target: arbitrary bytes as SVG path data and as an SVG document.
//
// Every input must be read without a crash or a hang, and give either a refusal of exactly one
// line of printable ASCII, or a shape whose coordinates are all finite and within 1e150 and whose
// approximationError is finite and not negative (0 for path data without arcs), whose contours
// and paints describe its segments (and are there whenever segments are), with a warning that is
// empty or one printable line. Any breach prints the input and aborts, which libFuzzer
// reports as a crash.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "svg/path_data.h"
#include "svg/svg_file.h"

namespace {

// Messages quote at most 40 bytes of the input (escaped, 4 characters a byte) and a few names
// of 30: anything longer is not one line of a message.
constexpr std::size_t kLongestMessage = 600;

std::string_view currentInput;

[[noreturn]] void failInput(const std::string& what) {
  std::fprintf(stderr, "shapes_fuzz: %s\n  input (%zu bytes): ", what.c_str(), currentInput.size());
  for (const char c : currentInput) std::fprintf(stderr, "%02x", static_cast<unsigned char>(c));
  std::fprintf(stderr, "\n");
  std::abort();
}

void checkLine(const std::string& line, const char* what) {
  if (line.size() > kLongestMessage) failInput(std::string(what) + " longer than a line: " + line);
  for (const char c : line) {
    if (c < 0x20 || c > 0x7e) failInput(std::string(what) + " with an unprintable byte: " + line);
  }
}

void checkRead(const ShapeRead& read, const char* reader) {
  const std::string name(reader);
  if (!read.ok) {
    if (read.error.empty()) failInput(name + " refused without a message");
    checkLine(read.error, (name + " error").c_str());
  } else {
    checkLine(read.warning, (name + " warning").c_str());
  }
  // A refused read may keep what it drew before the fault: that must be sound too.
  const double error = read.shape.approximationError;
  if (!std::isfinite(error) || error < 0) failInput(name + ": approximation error out of range");
  for (const CubicCurve& segment : read.shape.segments) {
    for (const Point2& p : segment.p) {
      if (!(std::fabs(p.x) <= 1e150 && std::fabs(p.y) <= 1e150)) {
        failInput(name + ": a coordinate beyond 1e150 or not finite");
      }
    }
  }
  const std::string structure = structureProblem(read.shape);
  if (!structure.empty()) failInput(name + ": " + structure);
  if (!read.shape.segments.empty() && (read.shape.contours.empty() || read.shape.paints.empty())) {
    failInput(name + ": segments without their contours and paints");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  currentInput = bytes;

  const ShapeRead path = parsePathData(bytes);
  checkRead(path, "parsePathData");
  if (path.ok && !path.warning.empty()) failInput("path data with a warning");
  const bool mayHaveArcs = bytes.find_first_of("Aa") != std::string_view::npos;
  if (path.ok && !mayHaveArcs && path.shape.approximationError != 0) {
    failInput("path data without arcs has an approximation error");
  }
  // Each command takes at least one byte and draws at most 256 cubics (a whole turn of arc).
  if (path.shape.segments.size() > 256 * size) failInput("more segments than commands");

  checkRead(readSvgText(bytes, ""), "readSvgText");
  checkRead(readSvgText(bytes, "a"), "readSvgText with id 'a'");
  return 0;
}
