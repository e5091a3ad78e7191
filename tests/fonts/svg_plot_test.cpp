// The SVG plot parsed back: the arrow where the documented mapping puts the result's points,
// everything inside the picture, the caption escaped; and one rendering with rsvg-convert.
#include "pictures/svg_plot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "font_files.h"
#include "fonts/glyph.h"
#include "svg/path_data.h"

namespace {

CertifiedDistance resultWith(Point2 witness, Point2 nearest) {
  CertifiedDistance result{};
  result.lower = result.upper = std::hypot(witness.x - nearest.x, witness.y - nearest.y);
  result.witnessShape = 1;
  result.witness = {0, 0.5, witness};
  result.nearest = {0, 0.5, nearest};
  result.toleranceMet = true;
  return result;
}

struct Parsed {
  pugi::xml_document document;
  bool ok;
};

void parse(const std::string& svg, Parsed& parsed) {
  parsed.ok = static_cast<bool>(parsed.document.load_string(svg.c_str()));
}

pugi::xml_node byId(const Parsed& parsed, const char* id) {
  return parsed.document.find_node(
      [&](pugi::xml_node node) { return std::string(node.attribute("id").value()) == id; });
}

// Every control point's coordinates (x, y, x, y, ...) in the path data of the element's kind
// ("curve" or "control-polygon"), read back as path data (written relative, on a grid).
std::vector<double> pathNumbers(const Parsed& parsed, const char* pathClass) {
  std::vector<double> numbers;
  for (const pugi::xpath_node& path :
       parsed.document.select_nodes((std::string("//path[@class='") + pathClass + "']").c_str())) {
    const ShapeRead read = parsePathData(path.node().attribute("d").value());
    EXPECT_TRUE(read.ok) << read.error;
    for (const CubicCurve& segment : read.shape.segments) {
      for (const Point2& p : segment.p) {
        numbers.push_back(p.x);
        numbers.push_back(p.y);
      }
    }
  }
  return numbers;
}

// One cubic arch over [0, 10] x [0, 7.5] (A), a line at y = -10 (B): the box is [0, 10] x
// [-10, 10], so s = 704 / 20 = 35.2 about the centre (5, 0).
const Shape kArch{{{0, 0, 0, 10, 10, 10, 10, 0}}, 0.0};
const Shape kFloor{{{0, -10, 10.0 / 3, -10, 20.0 / 3, -10, 10, -10}}, 0.0};

TEST(SvgPlot, ArrowEndsWhereTheMappingPutsTheResultsPoints) {
  const struct {
    bool yUp;
    Point2 from, to;  // in the picture, worked by hand from the documented mapping
  } cases[] = {{true, {400, 752}, {400, 136}}, {false, {400, 48}, {400, 664}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.yUp ? "y up" : "y down");
    Parsed parsed;
    parse(plotSvg({&kArch, &kFloor, resultWith({5, -10}, {5, 7.5}), "H", c.yUp}), parsed);
    ASSERT_TRUE(parsed.ok);
    const pugi::xml_node arrow = byId(parsed, "witness-arrow");
    ASSERT_TRUE(arrow);
    EXPECT_NEAR(arrow.attribute("x1").as_double(), c.from.x, 1e-3);
    EXPECT_NEAR(arrow.attribute("y1").as_double(), c.from.y, 1e-3);
    EXPECT_NEAR(arrow.attribute("x2").as_double(), c.to.x, 1e-3);
    EXPECT_NEAR(arrow.attribute("y2").as_double(), c.to.y, 1e-3);
    // The head's first point is its tip, at the arrow's end; its base lies towards the start.
    const pugi::xml_node head = byId(parsed, "witness-arrowhead");
    ASSERT_TRUE(head);
    std::istringstream points(head.attribute("points").value());
    double tipX, tipY, leftX, leftY;
    points >> tipX >> tipY >> leftX >> leftY;
    EXPECT_NEAR(tipX, c.to.x, 1e-3);
    EXPECT_NEAR(tipY, c.to.y, 1e-3);
    EXPECT_LT(std::abs(leftY - c.from.y), std::abs(tipY - c.from.y));
    EXPECT_FALSE(byId(parsed, "witness-dot"));
    // The arch's first control points: (0, 0) maps to (224, 400), (0, 10) to y = 48 or 752.
    const std::vector<double> curve = pathNumbers(parsed, "curve");
    ASSERT_GE(curve.size(), 4u);
    EXPECT_NEAR(curve[0], 224, 1e-3);
    EXPECT_NEAR(curve[1], 400, 1e-3);
    EXPECT_NEAR(curve[2], 224, 1e-3);
    EXPECT_NEAR(curve[3], c.yUp ? 48 : 752, 1e-3);
  }
}

TEST(SvgPlot, CoincidingEndsAndZeroSizeBoxesGiveADot) {
  const Shape point{{{3, 3, 3, 3, 3, 3, 3, 3}}, 0.0};
  const Shape empty;
  // Near the largest doubles, where minX + maxX overflows.
  const Shape farLeft{{{1e308, 0, 1e308, 0, 1e308, 0, 1e308, 0}}, 0.0};
  const Shape farRight{{{1.5e308, 0, 1.5e308, 0, 1.5e308, 0, 1.5e308, 0}}, 0.0};
  const struct {
    const char* name;
    const Shape *a, *b;
    Point2 witness, nearest;
    Point2 dot;
  } cases[] = {
      {"one point everywhere", &point, &point, {3, 3}, {3, 3}, {400, 400}},
      {"no segments at all", &empty, nullptr, {-2, 7}, {-2, 7}, {400, 400}},
      {"near the largest doubles", &farLeft, &farRight, {1.25e308, 0}, {1.25e308, 0}, {400, 400}},
      {"ends a thousandth of a unit apart in a box of 20",
       &kArch,
       &kFloor,
       {5, 0},
       {5, 1e-3},
       {400, 400}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string svg = plotSvg({c.a, c.b, resultWith(c.witness, c.nearest), "", true});
    EXPECT_EQ(svg.find("nan"), std::string::npos);
    EXPECT_EQ(svg.find("inf"), std::string::npos);
    Parsed parsed;
    parse(svg, parsed);
    ASSERT_TRUE(parsed.ok);
    EXPECT_FALSE(byId(parsed, "witness-arrowhead"));
    const pugi::xml_node dot = byId(parsed, "witness-dot");
    ASSERT_TRUE(dot);
    EXPECT_NEAR(dot.attribute("cx").as_double(), c.dot.x, 1e-3);
    EXPECT_NEAR(dot.attribute("cy").as_double(), c.dot.y, 1e-3);
  }
}

TEST(SvgPlot, NoArrowWithoutFinitePoints) {
  Parsed parsed;
  parse(plotSvg({&kArch, &kFloor, resultWith({NAN, 100}, {100, INFINITY}), "", true}), parsed);
  ASSERT_TRUE(parsed.ok);
  EXPECT_FALSE(byId(parsed, "witness-arrow"));
  EXPECT_FALSE(byId(parsed, "witness-dot"));
  // The box is the shapes' alone, the finite halves of the points left out: (0, 0) of the arch
  // is still at (224, 400).
  const std::vector<double> curve = pathNumbers(parsed, "curve");
  ASSERT_GE(curve.size(), 2u);
  EXPECT_NEAR(curve[0], 224, 1e-3);
  EXPECT_NEAR(curve[1], 400, 1e-3);
}

TEST(SvgPlot, CaptionIsEscapedText) {
  const std::string caption =
      "H \xE2\x88\x88 [1 < 2] & \"q\" 'x'\n\x01 bad:\xFF\xC0\xAF end \xEF\xBF\xBF";
  Parsed parsed;
  parse(plotSvg({&kArch, &kFloor, resultWith({5, -10}, {5, 7.5}), caption, true}), parsed);
  ASSERT_TRUE(parsed.ok);
  const pugi::xml_node text = byId(parsed, "caption");
  ASSERT_TRUE(text);
  // Controls become spaces; malformed bytes and non-characters U+FFFD.
  EXPECT_STREQ(text.child_value(),
               "H \xE2\x88\x88 [1 < 2] & \"q\" 'x'   bad:\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD end "
               "\xEF\xBF\xBD");
}

// Every cubic the picture draws has distinct ends: renderers draw a cubic that ends where it
// starts as a point, which would hide a zero-area out-and-back contour (FreeSans.ttf's
// aimatra_gur has one). Such a segment is drawn as its two halves, which trace the same curve.
TEST(SvgPlot, OutAndBackContoursAreDrawnAsTwoHalves) {
  const Shape outAndBack{{{0, 0, 10, 5, 10, 5, 0, 0}}, 0.0};
  const PlotRequest request{&kArch, &outAndBack, resultWith({0, 0}, {0, 0}), "c", true};
  Parsed parsed;
  parse(plotSvg(request), parsed);
  ASSERT_TRUE(parsed.ok);
  const pugi::xpath_node blue =
      parsed.document.select_node("//path[@class='curve'][@stroke='blue']");
  ASSERT_TRUE(blue);
  const ShapeRead drawn = parsePathData(blue.node().attribute("d").value());
  ASSERT_TRUE(drawn.ok) << drawn.error;
  ASSERT_EQ(drawn.shape.segments.size(), 2u);
  const CubicCurve& out = drawn.shape.segments[0];
  const CubicCurve& back = drawn.shape.segments[1];
  EXPECT_FALSE(samePoint(out.p[0], out.p[3]));
  EXPECT_TRUE(samePoint(out.p[3], back.p[0]));
  EXPECT_TRUE(samePoint(back.p[3], out.p[0]));
}

// A whole glyph against its quadratic twin, written to build/tests/fonts/plot-g.svg and
// rendered to plot-g.png to look at: the larger side of the control points' box spans exactly
// 704 units, nothing leaves the 48-unit margin, and rsvg-convert renders the file.
TEST(SvgPlot, GlyphPlotFillsThePictureAndRenders) {
  const GlyphRead cubic = readGlyph(font_files::kSerifOtf, "g");
  const GlyphRead quadratic = readGlyph(font_files::kSerifTtf, "g");
  ASSERT_TRUE(cubic.ok && quadratic.ok);
  const Point2 witness = cubic.glyph.shape.segments[5].p[0];
  const Point2 nearest = quadratic.glyph.shape.segments[9].p[0];
  const std::string svgPath = font_files::outputPath("plot-g.svg");
  font_files::writeBytes(
      svgPath,
      plotSvg({&cubic.glyph.shape, &quadratic.glyph.shape, resultWith(witness, nearest),
               "FreeSerif g: OTF (A) & TTF (B), H \xE2\x88\x88 [1.0, 1.2] <units>", true}));
  Parsed parsed;
  parse(font_files::readBytes(svgPath), parsed);
  ASSERT_TRUE(parsed.ok);
  double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
  for (const char* kind : {"curve", "control-polygon"}) {
    const std::vector<double> numbers = pathNumbers(parsed, kind);
    ASSERT_EQ(numbers.size() % 2, 0u);
    for (std::size_t i = 0; i < numbers.size(); i += 2) {
      minX = std::min(minX, numbers[i]);
      maxX = std::max(maxX, numbers[i]);
      minY = std::min(minY, numbers[i + 1]);
      maxY = std::max(maxY, numbers[i + 1]);
    }
  }
  // Coordinates are written on a grid of a tenth of a unit.
  EXPECT_GE(minX, 48 - 0.05);
  EXPECT_GE(minY, 48 - 0.05);
  EXPECT_LE(maxX, 752 + 0.05);
  EXPECT_LE(maxY, 752 + 0.05);
  EXPECT_NEAR(std::max(maxX - minX, maxY - minY), 704, 0.1);
  const font_files::Box box = font_files::controlBox(cubic.glyph.shape);
  const double scale = 704 / std::max(box.maxX - box.minX, box.maxY - box.minY);
  EXPECT_NEAR(maxY - minY, scale * (box.maxY - box.minY), 0.1);

  const std::string pngPath = font_files::outputPath("plot-g.png");
  std::remove(pngPath.c_str());
  const std::string command =
      std::string(RSVG_CONVERT_PATH) + " -o '" + pngPath + "' '" + svgPath + "' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  // A PNG of the picture's size: the signature, then IHDR's width and height (big-endian).
  const std::string png = font_files::readBytes(pngPath);
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(png[i]); };
  EXPECT_EQ((at(16) << 24 | at(17) << 16 | at(18) << 8 | at(19)), 800);
  EXPECT_EQ((at(20) << 24 | at(21) << 16 | at(22) << 8 | at(23)), 800);
}

}  // namespace
