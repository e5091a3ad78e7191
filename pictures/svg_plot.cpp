#include "pictures/svg_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "shapes/message_text.h"

namespace {

constexpr double kSize = 800.0;
constexpr double kMargin = 48.0;
constexpr double kCentre = kSize / 2.0;
// Below this length in the picture the arrow has no visible direction and is drawn as a dot.
constexpr double kShortestArrow = 1.0;
// The shapes' coordinates are written on a grid of this step: a tenth of a pixel at the
// picture's own size, finer than any renderer shows, and short to write.
constexpr double kGrid = 0.1;
// Control polygons of shapes with more segments would cover the drawing (and the file).
constexpr std::size_t kMostPolygonSegments = 2000;
// The inset: its side and where it may stand (the corner farthest from the witness).
constexpr double kInsetSide = 256.0;
constexpr double kInsetPadding = 8.0;
constexpr double kInsetCorners[4][2] = {{16, 40}, {528, 40}, {16, 504}, {528, 504}};
// In the inset the arrow spans this many units; the window around it is 2.5 times as wide.
constexpr double kInsetArrow = 96.0;
// Pieces of a shape drawn in the inset, at most (each a part of a segment near the witness).
constexpr std::size_t kMostInsetPieces = 4000;

struct Box {
  double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
};

// A point (x, y) of a shape is drawn at (originX + scale (x - centreX), originY -+ scale (y -
// centreY)): the main view has its origin at the picture's centre, the inset at its own.
struct Mapping {
  double centreX, centreY, scale;
  bool yUp;
  double originX = kCentre;
  double originY = kCentre;
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

double extentOf(const Mapping& mapping) {
  return (kSize - 2.0 * kMargin) / mapping.scale;
}

Point2 toPicture(const Mapping& mapping, Point2 p) {
  const double dy = mapping.scale * (p.y - mapping.centreY);
  return {mapping.originX + mapping.scale * (p.x - mapping.centreX),
          mapping.yUp ? mapping.originY - dy : mapping.originY + dy};
}

// A picture coordinate on the grid, in grid steps.
long long onGrid(double value) {
  return std::llround(value / kGrid);
}

// Appends a number of grid steps as a decimal ("123" steps: "12.3"), with a separator before it
// unless its minus sign separates it.
void appendGridNumber(std::string& out, long long steps) {
  if (steps >= 0 && !out.empty() && out.back() != ' ' && !std::isalpha(out.back())) out += ' ';
  if (steps < 0) {
    out += '-';
    steps = -steps;
  }
  out += std::to_string(steps / 10);
  if (steps % 10 != 0) {
    out += '.';
    out += static_cast<char>('0' + steps % 10);
  }
}

// Path data written relative to the current point on the grid: the current point is kept in
// grid steps, so rounding never accumulates.
struct GridPen {
  std::string d;
  long long x = 0, y = 0;

  void command(char letter) {
    if (!d.empty()) d += ' ';
    d += letter;
  }
  void absolute(Point2 p) {
    x = onGrid(p.x);
    y = onGrid(p.y);
    appendGridNumber(d, x);
    appendGridNumber(d, y);
  }
  // A point relative to the current one, which moves only when `moves`.
  void relative(Point2 p, bool moves) {
    const long long px = onGrid(p.x), py = onGrid(p.y);
    appendGridNumber(d, px - x);
    appendGridNumber(d, py - y);
    if (moves) x = px, y = py;
  }
};

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

// Halves first, so that nothing overflows near the largest doubles.
Point2 halfway(Point2 a, Point2 b) {
  return {a.x * 0.5 + b.x * 0.5, a.y * 0.5 + b.y * 0.5};
}

// The segment as the picture draws it: a cubic that ends where it starts (a zero-area,
// out-and-back contour of one segment) is split at t = 1/2, since renderers take such a cubic
// for a point and draw nothing; any other cubic as it is.
std::vector<CubicCurve> drawablePieces(const CubicCurve& c) {
  const bool point = samePoint(c.p[0], c.p[1]) && samePoint(c.p[1], c.p[2]);
  if (!samePoint(c.p[0], c.p[3]) || point) return {c};
  const Point2 a = halfway(c.p[0], c.p[1]), b = halfway(c.p[1], c.p[2]),
               e = halfway(c.p[2], c.p[3]);
  const Point2 ab = halfway(a, b), be = halfway(b, e), middle = halfway(ab, be);
  return {{c.p[0], a, ab, middle}, {middle, be, e, c.p[3]}};
}

// The path data of a shape's cubics, relative on the grid. A segment that starts where the
// previous one ended continues its subpath; one that ends where its subpath began closes it.
std::string curvePath(const Mapping& mapping, const std::vector<CubicCurve>& segments) {
  GridPen pen;
  bool open = false;
  Point2 subpathStart{0, 0}, last{0, 0};
  long long startX = 0, startY = 0;
  for (const CubicCurve& segment : segments) {
    if (!isFinite(segment)) {
      open = false;
      continue;
    }
    if (!open || !samePoint(segment.p[0], last)) {
      pen.command('M');
      pen.absolute(toPicture(mapping, segment.p[0]));
      subpathStart = segment.p[0];
      startX = pen.x;
      startY = pen.y;
      open = true;
    }
    for (const CubicCurve& piece : drawablePieces(segment)) {
      pen.command('c');
      pen.relative(toPicture(mapping, piece.p[1]), false);
      pen.relative(toPicture(mapping, piece.p[2]), false);
      pen.relative(toPicture(mapping, piece.p[3]), true);
    }
    last = segment.p[3];
    if (samePoint(last, subpathStart)) {
      pen.command('Z');
      pen.x = startX;
      pen.y = startY;
      open = false;
    }
  }
  return pen.d;
}

std::string controlPolygonPath(const Mapping& mapping, const std::vector<CubicCurve>& segments) {
  GridPen pen;
  for (const CubicCurve& segment : segments) {
    if (!isFinite(segment)) continue;
    pen.command('M');
    pen.absolute(toPicture(mapping, segment.p[0]));
    pen.command('l');
    for (int i = 1; i < 4; ++i) pen.relative(toPicture(mapping, segment.p[i]), true);
  }
  return pen.d;
}

void appendControlPolygons(std::string& out, const Mapping& mapping, const Shape* shape,
                           const char* colour) {
  const std::vector<CubicCurve>& segments = segmentsOf(shape);
  if (segments.empty() || segments.size() > kMostPolygonSegments) return;
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

// Each filled paint of the shape as a lightly shaded path under its own fill rule (SVG closes
// an open subpath for filling as the fill distance does).
void appendFills(std::string& out, const Mapping& mapping, const Shape* shape, const char* colour) {
  if (shape == nullptr || shape->segments.empty()) return;
  const std::vector<Contour> contours = contoursOf(*shape);
  for (const Paint& paint : paintsOf(*shape)) {
    if (!paint.filled) continue;
    const Contour& first = contours[paint.firstContour];
    const Contour& last = contours[paint.firstContour + paint.contourCount - 1];
    const std::vector<CubicCurve> segments(
        shape->segments.begin() + first.firstSegment,
        shape->segments.begin() + last.firstSegment + last.segmentCount);
    out += "<path class=\"fill\" stroke=\"none\" fill=\"";
    out += colour;
    out += "\" fill-opacity=\"0.12\" fill-rule=\"";
    out += paint.rule == FillRule::kEvenOdd ? "evenodd" : "nonzero";
    out += "\" d=\"";
    out += curvePath(mapping, segments);
    out += "\"/>\n";
  }
}

// A line element from `from` to `to` (picture points); `open` is its start tag up to its
// coordinates ("<line stroke=...").
void appendLine(std::string& out, const std::string& open, Point2 from, Point2 to) {
  out += open;
  appendAttribute(out, "x1", from.x);
  appendAttribute(out, "y1", from.y);
  appendAttribute(out, "x2", to.x);
  appendAttribute(out, "y2", to.y);
  out += "/>\n";
}

// The arrow from `from` to `to` (picture points) with ids "<prefix>-arrow", "-arrowhead" and
// "-dot", over a white halo so that the strokes under it never hide it.
void appendArrowBetween(std::string& out, Point2 from, Point2 to, const char* prefix) {
  const std::string name(prefix);
  for (const bool halo : {true, false}) {
    appendLine(out,
               halo ? "<line stroke=\"white\" stroke-width=\"4\" stroke-opacity=\"0.8\""
                    : "<line id=\"" + name + "-arrow\" stroke=\"red\" stroke-width=\"1.5\"",
               from, to);
  }
  const double length = std::hypot(to.x - from.x, to.y - from.y);
  if (!(length >= kShortestArrow)) {
    out += "<circle id=\"" + name + "-dot\" fill=\"red\" r=\"3\"";
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
  out += "<polygon id=\"" + name + "-arrowhead\" fill=\"red\" points=\"";
  appendPoint(out, to);
  out += ' ';
  appendPoint(out, {base.x - halfWidth * along.y, base.y + halfWidth * along.x});
  out += ' ';
  appendPoint(out, {base.x + halfWidth * along.y, base.y - halfWidth * along.x});
  out += "\"/>\n";
}

// Fixed-size markers, whatever the scale: a ring round the witness, a cross on its nearest point.
void appendMarkers(std::string& out, Point2 witness, Point2 nearest, const char* prefix) {
  const std::string name(prefix);
  out += "<circle id=\"" + name +
         "witness-marker\" fill=\"none\" stroke=\"red\" "
         "stroke-width=\"1.5\" r=\"6\"";
  appendAttribute(out, "cx", witness.x);
  appendAttribute(out, "cy", witness.y);
  out += "/>\n<path id=\"" + name + "nearest-marker\" stroke=\"red\" stroke-width=\"1.5\" d=\"M";
  appendPoint(out, {nearest.x - 5, nearest.y - 5});
  out += " l10 10 m0 -10 l-10 10\"/>\n";
}

void appendArrow(std::string& out, const Mapping& mapping, const CertifiedDistance& result) {
  if (!isFinite(result.witness.point) || !isFinite(result.nearest.point)) return;
  const Point2 from = toPicture(mapping, result.witness.point);
  const Point2 to = toPicture(mapping, result.nearest.point);
  appendMarkers(out, from, to, "");
  appendArrowBetween(out, from, to, "witness");
}

// The parts of the segments whose control boxes come within the window (centre, half side
// `half`): segments are halved until each piece is no wider than the window, so that the inset
// writes only short pieces with coordinates near its own.
std::vector<CubicCurve> piecesNear(const std::vector<CubicCurve>& segments, Point2 centre,
                                   double half) {
  std::vector<CubicCurve> pieces;
  const auto box = [](const CubicCurve& c, Box& b) {
    for (const Point2& p : c.p) include(b, p);
  };
  std::vector<std::pair<CubicCurve, int>> stack;
  for (const CubicCurve& segment : segments) {
    if (!isFinite(segment)) continue;
    stack.push_back({segment, 0});
    while (!stack.empty() && pieces.size() < kMostInsetPieces) {
      const auto [piece, depth] = stack.back();
      stack.pop_back();
      Box b;
      box(piece, b);
      if (b.maxX < centre.x - 2 * half || b.minX > centre.x + 2 * half ||
          b.maxY < centre.y - 2 * half || b.minY > centre.y + 2 * half) {
        continue;
      }
      if (std::max(b.maxX - b.minX, b.maxY - b.minY) <= 2 * half || depth >= 60) {
        pieces.push_back(piece);
        continue;
      }
      CubicCurve left, right;
      splitCurveHalf(piece, left, right);
      stack.push_back({right, depth + 1});
      stack.push_back({left, depth + 1});
    }
    stack.clear();
  }
  return pieces;
}

// When the distance is under 1% of the drawing, an inset shows the witness's neighbourhood
// magnified so that the arrow spans kInsetArrow units, in the corner farthest from the witness,
// with the neighbourhood framed in the main view (ids "inset", "inset-region", "inset-arrow").
void appendInset(std::string& out, const Mapping& mapping, const PlotRequest& request) {
  const Point2 witness = request.result.witness.point;
  const Point2 nearest = request.result.nearest.point;
  if (!isFinite(witness) || !isFinite(nearest)) return;
  const double distance = std::hypot(witness.x - nearest.x, witness.y - nearest.y);
  const double extent = extentOf(mapping);
  if (!(distance < 0.01 * extent)) return;
  const Point2 centre{witness.x / 2 + nearest.x / 2, witness.y / 2 + nearest.y / 2};
  // Coinciding points: a window of a thousandth of the drawing (or of one unit).
  const double half = distance > 0 ? (kInsetSide / 2 - kInsetPadding) / kInsetArrow * distance
                                   : (extent > 0 ? 1e-3 * extent : 1.0);
  const double scale = (kInsetSide / 2 - kInsetPadding) / half;
  if (!std::isfinite(scale) || !std::isfinite(half)) return;
  // The corner farthest from the witness as drawn.
  const Point2 shown = toPicture(mapping, witness);
  int corner = 0;
  double farthest = -1;
  for (int i = 0; i < 4; ++i) {
    const double cx = kInsetCorners[i][0] + kInsetSide / 2,
                 cy = kInsetCorners[i][1] + kInsetSide / 2;
    const double away = std::hypot(cx - shown.x, cy - shown.y);
    if (away > farthest) farthest = away, corner = i;
  }
  const double x0 = kInsetCorners[corner][0], y0 = kInsetCorners[corner][1];
  Mapping inset = mapping;
  inset.centreX = centre.x;
  inset.centreY = centre.y;
  inset.scale = scale;
  inset.originX = x0 + kInsetSide / 2;
  inset.originY = y0 + kInsetSide / 2;

  // The neighbourhood in the main view, at least 10 units wide.
  const double region = std::max(10.0, 2 * half * mapping.scale);
  const Point2 middle = toPicture(mapping, centre);
  out +=
      "<rect id=\"inset-region\" fill=\"none\" stroke=\"red\" stroke-width=\"1\" "
      "stroke-dasharray=\"2 2\"";
  appendAttribute(out, "x", middle.x - region / 2);
  appendAttribute(out, "y", middle.y - region / 2);
  appendAttribute(out, "width", region);
  appendAttribute(out, "height", region);
  out += "/>\n<clipPath id=\"inset-clip\"><rect";
  appendAttribute(out, "x", x0);
  appendAttribute(out, "y", y0);
  appendAttribute(out, "width", kInsetSide);
  appendAttribute(out, "height", kInsetSide);
  out += "/></clipPath>\n<g id=\"inset\">\n<rect fill=\"white\" stroke=\"red\" stroke-width=\"1\"";
  appendAttribute(out, "x", x0);
  appendAttribute(out, "y", y0);
  appendAttribute(out, "width", kInsetSide);
  appendAttribute(out, "height", kInsetSide);
  out += "/>\n<g clip-path=\"url(#inset-clip)\">\n";
  const std::vector<CubicCurve> a = piecesNear(segmentsOf(request.a), centre, half);
  const std::vector<CubicCurve> b = piecesNear(segmentsOf(request.b), centre, half);
  const Shape nearA{a, 0.0}, nearB{b, 0.0};
  appendCurves(out, inset, &nearA, "black", "2.5");
  appendCurves(out, inset, &nearB, "blue", "1");
  out += "</g>\n";
  const Point2 from = toPicture(inset, witness), to = toPicture(inset, nearest);
  appendMarkers(out, from, to, "inset-");
  appendArrowBetween(out, from, to, "inset");
  out += "<text id=\"inset-scale\" font-family=\"sans-serif\" font-size=\"12\"";
  appendAttribute(out, "x", x0 + 6);
  appendAttribute(out, "y", y0 + kInsetSide - 8);
  char magnification[64];
  std::snprintf(magnification, sizeof magnification, ">magnified %.3g times</text>\n</g>\n",
                scale / mapping.scale);
  out += magnification;
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

// "A" alone, or "A: name" with the name cut after about 60 bytes (at a character's start).
std::string legendEntry(const char* letter, const std::string& name) {
  if (name.empty()) return letter;
  constexpr std::size_t kLongest = 60;
  std::string shown = name;
  if (shown.size() > kLongest) {
    std::size_t cut = kLongest;
    while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) --cut;
    shown = shown.substr(0, cut) + "\xE2\x80\xA6";
  }
  return std::string(letter) + ": " + xmlText(shown);
}

// The walk's leashes, lightly, then the bottleneck's in red.
void appendLeashes(std::string& out, const Mapping& mapping, const LeashList& leashes,
                   const CertifiedDistance& result) {
  out += "<g id=\"leashes\" stroke=\"gray\" stroke-width=\"0.75\" stroke-opacity=\"0.6\">\n";
  for (const auto& [onA, onB] : leashes) {
    if (!isFinite(onA) || !isFinite(onB)) continue;
    appendLine(out, "<line", toPicture(mapping, onA), toPicture(mapping, onB));
  }
  out += "</g>\n";
  if (!isFinite(result.witness.point) || !isFinite(result.nearest.point)) return;
  appendLine(out, "<line id=\"bottleneck-leash\" stroke=\"red\" stroke-width=\"1.5\"",
             toPicture(mapping, result.witness.point), toPicture(mapping, result.nearest.point));
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
  if (request.fill) {
    appendFills(out, mapping, request.a, "black");
    appendFills(out, mapping, request.b, "blue");
  }
  appendControlPolygons(out, mapping, request.a, "black");
  appendControlPolygons(out, mapping, request.b, "blue");
  appendCurves(out, mapping, request.a, "black", "2.5");
  appendCurves(out, mapping, request.b, "blue", "1");
  if (leashes == nullptr) {
    appendArrow(out, mapping, request.result);
    appendInset(out, mapping, request);
  } else {
    appendLeashes(out, mapping, *leashes, request.result);
  }
  out += "<text id=\"caption\" x=\"16\" y=\"28\" font-family=\"sans-serif\" font-size=\"16\">";
  out += xmlText(request.caption);
  out += "</text>\n";
  // Without names the legend is one line; with them, one line each, so that long names fit.
  const bool named = !request.nameA.empty() || !request.nameB.empty();
  out += named ? "<text id=\"legend\" x=\"16\" y=\"762\" font-family=\"sans-serif\" "
                 "font-size=\"12\">"
               : "<text id=\"legend\" x=\"16\" y=\"786\" font-family=\"sans-serif\" "
                 "font-size=\"12\">";
  const char* next = named ? "<tspan x=\"16\" dy=\"13\" " : " <tspan ";
  out += legendEntry("A", request.nameA);
  out += std::string(next) + "fill=\"blue\">" + legendEntry("B", request.nameB) + "</tspan>";
  out += std::string(next) + "fill=\"red\">";
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
