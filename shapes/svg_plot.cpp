#include "shapes/svg_plot.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "shapes/message_text.h"

namespace {

constexpr double kSize = 800.0;
constexpr double kMargin = 48.0;
constexpr double kCentre = kSize / 2.0;
// Below this length in the picture the arrow has no visible direction and is drawn as a dot.
constexpr double kShortestArrow = 1.0;

struct Box {
  double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
};

struct Mapping {
  double centreX, centreY, scale;
  bool yUp;
};

bool isFinite(Point2 p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

bool isFinite(const CubicCurve& curve) {
  return std::all_of(std::begin(curve.p), std::end(curve.p), [](Point2 p) { return isFinite(p); });
}

void include(Box& box, Point2 p) {
  if (!isFinite(p)) return;
  box.minX = std::min(box.minX, p.x);
  box.maxX = std::max(box.maxX, p.x);
  box.minY = std::min(box.minY, p.y);
  box.maxY = std::max(box.maxY, p.y);
}

const std::vector<CubicCurve>& segmentsOf(const Shape* shape) {
  static const std::vector<CubicCurve> kNone;
  return shape != nullptr ? shape->segments : kNone;
}

Mapping mappingFor(const PlotRequest& request) {
  Box box;
  for (const Shape* shape : {request.a, request.b}) {
    for (const CubicCurve& segment : segmentsOf(shape)) {
      for (const Point2& p : segment.p) include(box, p);
    }
  }
  include(box, request.result.witness.point);
  include(box, request.result.nearest.point);
  if (box.minX > box.maxX) box = Box{0.0, 0.0, 0.0, 0.0};
  // Halves first, so that the centre of a box near the largest doubles does not overflow.
  const double centreX = box.minX / 2.0 + box.maxX / 2.0;
  const double centreY = box.minY / 2.0 + box.maxY / 2.0;
  const double extent = std::max(box.maxX - box.minX, box.maxY - box.minY);
  const double scale = extent > 0.0 ? (kSize - 2.0 * kMargin) / extent : 1.0;
  return {centreX, centreY, scale, request.yUp};
}

Point2 toPicture(const Mapping& mapping, Point2 p) {
  const double dy = mapping.scale * (p.y - mapping.centreY);
  return {kCentre + mapping.scale * (p.x - mapping.centreX),
          mapping.yUp ? kCentre - dy : kCentre + dy};
}

void appendNumber(std::string& out, double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value == 0.0 ? 0.0 : value);  // never "-0"
  out += text;
}

void appendPoint(std::string& out, Point2 p) {
  appendNumber(out, p.x);
  out += ' ';
  appendNumber(out, p.y);
}

void appendAttribute(std::string& out, const char* name, double value) {
  out += ' ';
  out += name;
  out += "=\"";
  appendNumber(out, value);
  out += '"';
}

// The path data of a shape's cubics. A segment that starts where the previous one ended
// continues its subpath; one that ends where its subpath began closes it.
std::string curvePath(const Mapping& mapping, const std::vector<CubicCurve>& segments) {
  std::string d;
  bool open = false;
  Point2 subpathStart{0, 0}, last{0, 0};
  for (const CubicCurve& segment : segments) {
    if (!isFinite(segment)) {
      open = false;
      continue;
    }
    if (!open || !samePoint(segment.p[0], last)) {
      d += d.empty() ? "M" : " M";
      appendPoint(d, toPicture(mapping, segment.p[0]));
      subpathStart = segment.p[0];
      open = true;
    }
    d += " C";
    for (int i = 1; i < 4; ++i) {
      d += ' ';
      appendPoint(d, toPicture(mapping, segment.p[i]));
    }
    last = segment.p[3];
    if (samePoint(last, subpathStart)) {
      d += " Z";
      open = false;
    }
  }
  return d;
}

std::string controlPolygonPath(const Mapping& mapping, const std::vector<CubicCurve>& segments) {
  std::string d;
  for (const CubicCurve& segment : segments) {
    if (!isFinite(segment)) continue;
    for (int i = 0; i < 4; ++i) {
      d += d.empty() ? "M" : i == 0 ? " M" : " L";
      appendPoint(d, toPicture(mapping, segment.p[i]));
    }
  }
  return d;
}

void appendControlPolygons(std::string& out, const Mapping& mapping, const Shape* shape,
                           const char* colour) {
  const std::vector<CubicCurve>& segments = segmentsOf(shape);
  if (segments.empty()) return;
  out += "<path class=\"control-polygon\" fill=\"none\" stroke=\"";
  out += colour;
  out += "\" stroke-opacity=\"0.3\" stroke-width=\"0.5\" stroke-dasharray=\"3 2\" d=\"";
  out += controlPolygonPath(mapping, segments);
  out += "\"/>\n";
}

void appendCurves(std::string& out, const Mapping& mapping, const Shape* shape, const char* colour,
                  const char* width) {
  const std::vector<CubicCurve>& segments = segmentsOf(shape);
  if (segments.empty()) return;
  out += "<path class=\"curve\" fill=\"none\" stroke=\"";
  out += colour;
  out += "\" stroke-width=\"";
  out += width;
  out += "\" stroke-linejoin=\"round\" d=\"";
  out += curvePath(mapping, segments);
  out += "\"/>\n";
}

void appendArrow(std::string& out, const Mapping& mapping, const CertifiedDistance& result) {
  if (!isFinite(result.witness.point) || !isFinite(result.nearest.point)) return;
  const Point2 from = toPicture(mapping, result.witness.point);
  const Point2 to = toPicture(mapping, result.nearest.point);
  out += "<line id=\"witness-arrow\" stroke=\"red\" stroke-width=\"1.5\"";
  appendAttribute(out, "x1", from.x);
  appendAttribute(out, "y1", from.y);
  appendAttribute(out, "x2", to.x);
  appendAttribute(out, "y2", to.y);
  out += "/>\n";
  const double length = std::hypot(to.x - from.x, to.y - from.y);
  if (!(length >= kShortestArrow)) {
    out += "<circle id=\"witness-dot\" fill=\"red\" r=\"3\"";
    appendAttribute(out, "cx", from.x);
    appendAttribute(out, "cy", from.y);
    out += "/>\n";
    return;
  }
  // A head 12 units long (less on short arrows, at most 40% of the arrow), 2/5 as wide each
  // side.
  const double headLength = std::min(12.0, 0.4 * length);
  const Point2 along{(to.x - from.x) / length, (to.y - from.y) / length};
  const Point2 base{to.x - headLength * along.x, to.y - headLength * along.y};
  const double halfWidth = 0.4 * headLength;
  out += "<polygon id=\"witness-arrowhead\" fill=\"red\" points=\"";
  appendPoint(out, to);
  out += ' ';
  appendPoint(out, {base.x - halfWidth * along.y, base.y + halfWidth * along.x});
  out += ' ';
  appendPoint(out, {base.x + halfWidth * along.y, base.y - halfWidth * along.x});
  out += "\"/>\n";
}

// Appends the code point as UTF-8, with XML's five special characters as references.
void appendXmlCharacter(std::string& out, unsigned long c) {
  switch (c) {
    case '&':
      out += "&amp;";
      return;
    case '<':
      out += "&lt;";
      return;
    case '>':
      out += "&gt;";
      return;
    case '"':
      out += "&quot;";
      return;
    case '\'':
      out += "&apos;";
      return;
  }
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes the UTF-8 character at text[i], advancing i; U+FFFD for a malformed one (which then
// spans one byte).
unsigned long nextCharacter(const std::string& text, std::size_t& i) {
  std::size_t length;
  const long c = utf8CharacterAt(text, i, length);
  i += c >= 0 ? length : 1;
  return c >= 0 ? static_cast<unsigned long>(c) : 0xFFFD;
}

// The caption as XML character data: the special characters escaped, malformed UTF-8 and the
// characters XML forbids replaced by U+FFFD, line breaks and other controls by spaces.
std::string xmlText(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    unsigned long c = nextCharacter(text, i);
    if (c < 0x20 || c == 0x7F) c = ' ';
    if (c == 0xFFFE || c == 0xFFFF) c = 0xFFFD;
    appendXmlCharacter(out, c);
  }
  return out;
}

// The walk's leashes, lightly, then the bottleneck's in red.
void appendLeashes(std::string& out, const Mapping& mapping, const LeashList& leashes,
                   const CertifiedDistance& result) {
  out += "<g id=\"leashes\" stroke=\"gray\" stroke-width=\"0.75\" stroke-opacity=\"0.6\">\n";
  for (const auto& [onA, onB] : leashes) {
    if (!isFinite(onA) || !isFinite(onB)) continue;
    const Point2 from = toPicture(mapping, onA), to = toPicture(mapping, onB);
    out += "<line";
    appendAttribute(out, "x1", from.x);
    appendAttribute(out, "y1", from.y);
    appendAttribute(out, "x2", to.x);
    appendAttribute(out, "y2", to.y);
    out += "/>\n";
  }
  out += "</g>\n";
  if (!isFinite(result.witness.point) || !isFinite(result.nearest.point)) return;
  const Point2 from = toPicture(mapping, result.witness.point);
  const Point2 to = toPicture(mapping, result.nearest.point);
  out += "<line id=\"bottleneck-leash\" stroke=\"red\" stroke-width=\"1.5\"";
  appendAttribute(out, "x1", from.x);
  appendAttribute(out, "y1", from.y);
  appendAttribute(out, "x2", to.x);
  appendAttribute(out, "y2", to.y);
  out += "/>\n";
}

// The picture of plotSvg, with the Fréchet walk's leashes when `leashes` is not null.
std::string picture(const PlotRequest& request, const LeashList* leashes) {
  const Mapping mapping = mappingFor(request);
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"800\" height=\"800\" "
      "viewBox=\"0 0 800 800\">\n"
      "<rect width=\"800\" height=\"800\" fill=\"white\"/>\n";
  // Both control polygons under both shapes; A wider than B, so that where the two coincide
  // both still show.
  appendControlPolygons(out, mapping, request.a, "black");
  appendControlPolygons(out, mapping, request.b, "blue");
  appendCurves(out, mapping, request.a, "black", "2.5");
  appendCurves(out, mapping, request.b, "blue", "1");
  if (leashes == nullptr) {
    appendArrow(out, mapping, request.result);
  } else {
    appendLeashes(out, mapping, *leashes, request.result);
  }
  out += "<text id=\"caption\" x=\"16\" y=\"28\" font-family=\"sans-serif\" font-size=\"16\">";
  out += xmlText(request.caption);
  out += "</text>\n";
  out +=
      "<text x=\"16\" y=\"786\" font-family=\"sans-serif\" font-size=\"13\">"
      "A <tspan fill=\"blue\">B</tspan> <tspan fill=\"red\">";
  out += leashes == nullptr ? "witness \xE2\x86\x92 nearest" : "bottleneck leash";
  out += "</tspan></text>\n</svg>\n";
  return out;
}

}  // namespace

std::string plotSvg(const PlotRequest& request) {
  return picture(request, nullptr);
}

std::string plotFrechetSvg(const PlotRequest& request, const LeashList& leashes) {
  return picture(request, &leashes);
}

namespace {

bool writeSvg(const std::string& path, const std::string& svg, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
  const int writeErrno = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    error = "cannot write " + path + ": " + std::strerror(written ? errno : writeErrno);
    return false;
  }
  return true;
}

}  // namespace

bool writePlot(const std::string& path, const PlotRequest& request, std::string& error) {
  return writeSvg(path, plotSvg(request), error);
}

bool writeFrechetPlot(const std::string& path, const PlotRequest& request, const LeashList& leashes,
                      std::string& error) {
  return writeSvg(path, plotFrechetSvg(request, leashes), error);
}
