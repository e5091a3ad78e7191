// The picture of a small difference: fixed-size markers, the inset that magnifies the witness's
// neighbourhood, the legend's operand names, and the size of a dense drawing's picture.
#include <gtest/gtest.h>

#include <cmath>
#include <pugixml.hpp>
#include <sstream>
#include <string>

#include "pictures/svg_plot.h"
#include "svg/path_data.h"

namespace {

CertifiedDistance resultWith(Point2 witness, Point2 nearest) {
  CertifiedDistance result{};
  result.lower = result.upper = std::hypot(witness.x - nearest.x, witness.y - nearest.y);
  result.witness = {0, 0.5, witness};
  result.nearest = {0, 0.5, nearest};
  result.toleranceMet = true;
  return result;
}

pugi::xml_node byId(const pugi::xml_document& document, const char* id) {
  return document.find_node(
      [&](pugi::xml_node node) { return std::string(node.attribute("id").value()) == id; });
}

double lineLength(pugi::xml_node line) {
  return std::hypot(line.attribute("x2").as_double() - line.attribute("x1").as_double(),
                    line.attribute("y2").as_double() - line.attribute("y1").as_double());
}

// An arch over [0, 10] x [0, 7.5] and the same arch lifted by `lift`: the box's larger side is
// 10, and the witness (5, 7.5 + lift) lies at the top, drawn at (400, 48 + ...) with y up.
struct Arches {
  Shape a{{{0, 0, 0, 10, 10, 10, 10, 0}}, 0.0};
  Shape b;
  explicit Arches(double lift) : b{{{0, lift, 0, 10 + lift, 10, 10 + lift, 10, lift}}, 0.0} {}
};

TEST(SvgPlotInset, SmallDistancesAreMagnifiedLargeOnesAreNot) {
  const struct {
    double lift;
    bool inset;
  } cases[] = {{1e-6, true}, {0.05, true}, {0.2, false}, {2, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lift);
    const Arches arches(c.lift);
    const std::string svg = plotSvg({&arches.a, &arches.b, resultWith({5, 7.5 + c.lift}, {5, 7.5}),
                                     "H", true, "simplified.svg", "original.svg#outline"});
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(svg.c_str()));
    // The markers keep their size at any scale.
    EXPECT_EQ(byId(document, "witness-marker").attribute("r").as_double(), 6);
    ASSERT_TRUE(byId(document, "nearest-marker"));
    const pugi::xml_node inset = byId(document, "inset");
    EXPECT_EQ(static_cast<bool>(inset), c.inset);
    if (!c.inset) continue;
    // The arrow spans 96 units in the inset, whatever the distance.
    const pugi::xml_node arrow = byId(document, "inset-arrow");
    ASSERT_TRUE(arrow);
    EXPECT_NEAR(lineLength(arrow), 96, 1e-3);
    ASSERT_TRUE(byId(document, "inset-arrowhead"));
    // The witness is drawn near the top centre: the inset takes a bottom corner.
    const pugi::xml_node frame = inset.child("rect");
    EXPECT_EQ(frame.attribute("y").as_double(), 504);
    // The inset draws both arches' pieces near the witness, within its clip.
    EXPECT_EQ(inset.select_nodes(".//path[@class='curve']").size(), 2u);
    // Its magnification: 96 units for the lift, against 704 for the box's side of 10 + lift.
    const std::string said = byId(document, "inset-scale").child_value();
    ASSERT_EQ(said.rfind("magnified ", 0), 0u) << said;
    const double expected = (96 / c.lift) / (704 / (10 + c.lift));
    EXPECT_NEAR(std::stod(said.substr(10)), expected, expected * 5e-3) << said;
  }
}

TEST(SvgPlotInset, LegendNamesTheOperands) {
  const Arches arches(2);
  pugi::xml_document document;
  const std::string longName(100, 'x');
  ASSERT_TRUE(document.load_string(plotSvg({&arches.a, &arches.b, resultWith({5, 9.5}, {5, 7.5}),
                                            "", true, "a & b.svg", longName})
                                       .c_str()));
  const pugi::xml_node legend = byId(document, "legend");
  EXPECT_STREQ(legend.first_child().value(), "A: a & b.svg");
  const std::string second = legend.child("tspan").child_value();
  EXPECT_EQ(second, "B: " + std::string(60, 'x') + "\xE2\x80\xA6");
  ASSERT_TRUE(document.load_string(
      plotSvg({&arches.a, &arches.b, resultWith({5, 9.5}, {5, 7.5}), "", true}).c_str()));
  EXPECT_STREQ(byId(document, "legend").first_child().value(), "A ");
}

// A generated drawing of 26,000 small cubics a side (a spiral), against itself moved by a
// hundredth: its picture stays under 2 MB, and the curves read back lie on the documented grid
// within half a step of the mapped control points.
TEST(SvgPlotInset, DenseDrawingsStaySmallAndExact) {
  Shape spiral;
  Point2 previous{0, 0};
  for (int i = 1; i <= 26000; ++i) {
    const double angle = i * 0.01, radius = 10 + i * 0.01;
    const Point2 next{radius * std::cos(angle), radius * std::sin(angle)};
    spiral.segments.push_back({{previous,
                                {previous.x * 2 / 3 + next.x / 3, previous.y * 2 / 3 + next.y / 3},
                                {previous.x / 3 + next.x * 2 / 3, previous.y / 3 + next.y * 2 / 3},
                                next}});
    previous = next;
  }
  Shape moved = spiral;
  for (CubicCurve& segment : moved.segments) {
    for (Point2& p : segment.p) p.x += 0.01;
  }
  const Point2 witness = spiral.segments[20000].p[3];
  const std::string svg =
      plotSvg({&spiral, &moved, resultWith(witness, {witness.x + 0.01, witness.y}), "", false,
               "spiral", "moved"});
  EXPECT_LT(svg.size(), 2000000u);
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(svg.c_str()));
  EXPECT_TRUE(byId(document, "inset"));
  const pugi::xml_node curve = document.select_node("//path[@class='curve']").node();
  const ShapeRead read = parsePathData(curve.attribute("d").value());
  ASSERT_TRUE(read.ok) << read.error;
  ASSERT_EQ(read.shape.segments.size(), spiral.segments.size());
  // The box: x and y within [-270, 270] or so; recompute the documented mapping from it.
  double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
  for (const Shape* shape : {&spiral, &moved}) {
    for (const CubicCurve& segment : shape->segments) {
      for (const Point2& p : segment.p) {
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
      }
    }
  }
  const double scale = 704 / std::max(maxX - minX, maxY - minY);
  const double cx = minX / 2 + maxX / 2, cy = minY / 2 + maxY / 2;
  double worst = 0;
  for (std::size_t i = 0; i < spiral.segments.size(); i += 97) {
    for (int k = 0; k < 4; ++k) {
      const Point2 p = spiral.segments[i].p[k];
      const Point2 drawn = read.shape.segments[i].p[k];
      worst = std::max({worst, std::fabs(drawn.x - (400 + scale * (p.x - cx))),
                        std::fabs(drawn.y - (400 + scale * (p.y - cy)))});
    }
  }
  EXPECT_LE(worst, 0.05 + 1e-9);
}

}  // namespace
