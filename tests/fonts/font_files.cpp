#include "font_files.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace font_files {

const char* const kSerifOtf = "/usr/share/fonts/opentype/freefont/FreeSerif.otf";
const char* const kSerifTtf = "/usr/share/fonts/truetype/freefont/FreeSerif.ttf";
const char* const kSansTtf = "/usr/share/fonts/truetype/freefont/FreeSans.ttf";

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string outputPath(const std::string& name) {
  return std::string(GLYPH_TEST_OUTPUT_DIR) + "/" + name;
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path);
}

namespace {

std::uint32_t get32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i)
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

void put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

}  // namespace

std::string makeCollection(const std::vector<std::string>& fonts) {
  std::string header(12 + 4 * fonts.size(), '\0');
  header.replace(0, 4, "ttcf");
  put32(header, 4, 0x00010000);
  put32(header, 8, static_cast<std::uint32_t>(fonts.size()));
  std::string body;
  for (std::size_t f = 0; f < fonts.size(); ++f) {
    const std::size_t start = (header.size() + body.size() + 3) / 4 * 4;
    body.resize(start - header.size(), '\0');
    put32(header, 12 + 4 * f, static_cast<std::uint32_t>(start));
    // A collection's table offsets count from the start of the collection file.
    std::string font = fonts[f];
    const std::size_t tables =
        static_cast<unsigned char>(font[4]) << 8 | static_cast<unsigned char>(font[5]);
    for (std::size_t t = 0; t < tables; ++t) {
      const std::size_t record = 12 + 16 * t + 8;
      put32(font, record, get32(font, record) + static_cast<std::uint32_t>(start));
    }
    body += font;
  }
  return header + body;
}

Box controlBox(const Shape& shape) {
  Box box{INFINITY, INFINITY, -INFINITY, -INFINITY};
  for (const CubicCurve& segment : shape.segments) {
    for (const Point2& p : segment.p) {
      box = {std::min(box.minX, p.x), std::min(box.minY, p.y), std::max(box.maxX, p.x),
             std::max(box.maxY, p.y)};
    }
  }
  return box;
}

namespace {

// The point of the cubic at t by its Bernstein form, independent of the geometry library.
Point2 bernstein(const CubicCurve& c, double t) {
  const double s = 1 - t;
  const double w[4] = {s * s * s, 3 * s * s * t, 3 * s * t * t, t * t * t};
  Point2 p{0, 0};
  for (int i = 0; i < 4; ++i) p = {p.x + w[i] * c.p[i].x, p.y + w[i] * c.p[i].y};
  return p;
}

double distanceToChord(Point2 p, Point2 a, Point2 b) {
  const double dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

constexpr int kSamples = 32;

double oneSided(const Shape& from, const Shape& to) {
  std::vector<Point2> polyline;  // kSamples + 1 points per segment
  for (const CubicCurve& segment : to.segments) {
    for (int k = 0; k <= kSamples; ++k)
      polyline.push_back(bernstein(segment, double(k) / kSamples));
  }
  double worst = 0;
  for (const CubicCurve& segment : from.segments) {
    for (int k = 0; k <= kSamples; ++k) {
      const Point2 p = bernstein(segment, double(k) / kSamples);
      double best = INFINITY;
      for (std::size_t i = 0; i < polyline.size(); ++i) {
        if (i % (kSamples + 1) == kSamples) continue;  // no chord between two segments
        best = std::min(best, distanceToChord(p, polyline[i], polyline[i + 1]));
      }
      worst = std::max(worst, best);
    }
  }
  return worst;
}

}  // namespace

double sampledDistance(const Shape& a, const Shape& b) {
  return std::max(oneSided(a, b), oneSided(b, a));
}

}  // namespace font_files
