#include "svg/svg_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "geometry/cubic.h"
#include "shape_matchers.h"
#include "svg/elliptic_arc.h"

namespace {

std::string svg(const std::string& body) {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\">" + body + "</svg>";
}

ShapeRead readBody(const std::string& body, const std::string& id = "") {
  return readSvgText(svg(body), id);
}

struct Drawn {
  std::string body;
  std::vector<CubicCurve> segments;
};

void expectDrawn(const std::vector<Drawn>& cases) {
  for (const Drawn& c : cases) {
    const ShapeRead read = readBody(c.body);
    ASSERT_TRUE(read.ok) << c.body << ": " << read.error;
    EXPECT_TRUE(sameSegments(read.shape.segments, c.segments)) << c.body;
    EXPECT_EQ(read.warning, "") << c.body;
  }
}

TEST(SvgFile, LinesPolygonsAndRectangles) {
  expectDrawn({
      {"<line x1='1' y1='2' x2='4' y2='6'/>", {straight({1, 2}, {4, 6})}},
      {"<line x2='3'/>", {straight({0, 0}, {3, 0})}},
      {"<polyline points='0,0 1,0 1,1'/>", {straight({0, 0}, {1, 0}), straight({1, 0}, {1, 1})}},
      {"<polygon points='0 0 1 0 1 1'/>",
       {straight({0, 0}, {1, 0}), straight({1, 0}, {1, 1}), straight({1, 1}, {0, 0})}},
      {"<polygon points='0 0 1 0 0 0'/>", {straight({0, 0}, {1, 0}), straight({1, 0}, {0, 0})}},
      {"<rect x='1' y='2' width='3' height='4'/>",
       {straight({1, 2}, {4, 2}), straight({4, 2}, {4, 6}), straight({4, 6}, {1, 6}),
        straight({1, 6}, {1, 2})}},
      {"<path d='M0 0L1 1'/><line x1='2' x2='3'/><rect width='1' height='1' rx='0'/>",
       {straight({0, 0}, {1, 1}), straight({2, 0}, {3, 0}), straight({0, 0}, {1, 0}),
        straight({1, 0}, {1, 1}), straight({1, 1}, {0, 1}), straight({0, 1}, {0, 0})}},
      // Absolute units at 96 px to the inch.
      {"<line x1='1in' x2='2.54cm' y2='72pt'/>", {straight({96, 0}, {96, 96})}},
      {"<line x1=' 10px ' x2='6pc' y2='25.4MM'/>", {straight({10, 0}, {96, 96})}},
      // Nothing to draw.
      {"<rect width='0' height='5'/><circle r='0'/><ellipse rx='1' ry='0'/><path/><path d=''/>"
       "<path d='none'/><polyline points='1 2'/><polygon/>",
       {}},
  });
}

// The corner quarters of a rounded rectangle join the sides exactly.
TEST(SvgFile, RoundedRectanglesFollowSvgsRadiusRules) {
  const struct {
    const char* body;
    double rx, ry;
  } cases[] = {
      {"<rect width='10' height='4' rx='1'/>", 1, 1},                  // ry takes rx
      {"<rect width='10' height='4' ry='1.5' rx='auto'/>", 1.5, 1.5},  // rx takes ry
      {"<rect width='10' height='4' rx='3' ry='5'/>", 3, 2},           // ry clamped to h/2
      {"<rect width='10' height='4' rx='8' ry='1'/>", 5, 1},           // rx clamped to w/2
  };
  for (const auto& c : cases) {
    const ShapeRead read = readBody(c.body);
    ASSERT_TRUE(read.ok) << read.error;
    const std::vector<CubicCurve>& s = read.shape.segments;
    // The corners' ends, clockwise from the top side's start.
    const Point2 ends[8] = {{c.rx, 0},      {10 - c.rx, 0}, {10, c.ry},    {10, 4 - c.ry},
                            {10 - c.rx, 4}, {c.rx, 4},      {0, 4 - c.ry}, {0, c.ry}};
    std::vector<Point2> visited{s.front().p[0]};
    for (const CubicCurve& segment : s) {
      EXPECT_TRUE(segment.p[0].x == visited.back().x && segment.p[0].y == visited.back().y);
      visited.push_back(segment.p[3]);
    }
    for (const Point2& end : ends) {
      bool found = false;
      for (const Point2& p : visited) found = found || (p.x == end.x && p.y == end.y);
      EXPECT_TRUE(found) << c.body << ": no segment ends at (" << end.x << ", " << end.y << ")";
    }
    const int sides = (c.rx < 5 ? 2 : 0) + (c.ry < 2 ? 2 : 0);
    EXPECT_EQ(s.size(), static_cast<std::size_t>(sides + 8)) << c.body;
    EXPECT_GE(read.shape.approximationError,
              std::max(c.rx, c.ry) * unitArcCubicDeviation(kWidestPiece) * 0.999);
    EXPECT_LE(read.shape.approximationError, 1e-5 * std::max(c.rx, c.ry));
  }
}

// Circles and ellipses: eight cubics from (cx + rx, cy) through (cx, cy + ry), every point
// within the stated bound of the ellipse.
TEST(SvgFile, CirclesAndEllipses) {
  const struct {
    const char* body;
    double cx, cy, rx, ry;
  } cases[] = {
      {"<circle cx='1' cy='2' r='3'/>", 1, 2, 3, 3},
      {"<ellipse cx='-1' cy='0.5' rx='2' ry='0.25'/>", -1, 0.5, 2, 0.25},
      {"<ellipse rx='2'/>", 0, 0, 2, 2},
      {"<g transform='translate(5 6) scale(2 1)'><circle r='1'/></g>", 5, 6, 2, 1},
  };
  for (const auto& c : cases) {
    const ShapeRead read = readBody(c.body);
    ASSERT_TRUE(read.ok) << read.error;
    const std::vector<CubicCurve>& s = read.shape.segments;
    ASSERT_EQ(s.size(), 8u) << c.body;
    EXPECT_TRUE(s[0].p[0].x == c.cx + c.rx && s[0].p[0].y == c.cy) << c.body;
    EXPECT_TRUE(s[1].p[3].x == c.cx && s[1].p[3].y == c.cy + c.ry) << c.body;
    EXPECT_TRUE(s[7].p[3].x == s[0].p[0].x && s[7].p[3].y == s[0].p[0].y) << c.body;
    const double bound = read.shape.approximationError;
    EXPECT_GT(bound, 0);
    for (const CubicCurve& segment : s) {
      for (int i = 0; i <= 50; ++i) {
        const Point2 p = evaluateCurve(segment, i / 50.0);
        // (x/rx)² + (y/ry)² = 1 on the ellipse; off it by d, the left side moves by at most
        // about 2d/min(rx, ry).
        const double u = (p.x - c.cx) / c.rx, v = (p.y - c.cy) / c.ry;
        EXPECT_LE(std::fabs(std::hypot(u, v) - 1), bound / std::min(c.rx, c.ry) + 1e-15);
      }
    }
  }
}

TEST(SvgFile, TransformsOfTheElementAndItsAncestors) {
  expectDrawn({
      // rotate(90): (1,1)-(2,1) -> (-1,1)-(-1,2); scale(2); translate(10 20).
      {"<g transform='translate(10 20)'><g transform='scale(2)'>"
       "<line x1='1' y1='1' x2='2' y2='1' transform='rotate(90)'/></g></g>",
       {straight({8, 22}, {8, 24})}},
      {"<a transform='translate(1 1)'><path d='M0 0h1' transform='scale(3)'/></a>",
       {straight({1, 1}, {4, 1})}},
  });
  const ShapeRead rooted = readSvgText(
      "<svg xmlns='http://www.w3.org/2000/svg' transform='translate(1 0)' width='50' "
      "viewBox='0 0 5 5'><line x2='1'/></svg>",
      "");
  ASSERT_TRUE(rooted.ok) << rooted.error;
  EXPECT_TRUE(sameSegments(rooted.shape.segments, {straight({1, 0}, {2, 0})}));
  // A circle scaled by 3 has the bound of a circle of radius 3.
  const double scaled = readBody("<circle r='1' transform='scale(3)'/>").shape.approximationError;
  const double large = readBody("<circle r='3'/>").shape.approximationError;
  EXPECT_NEAR(scaled, large, 1e-6 * large);
}

// A nested <svg> maps its viewBox into its viewport (x 10, y 20, 100 by 50) as
// preserveAspectRatio says; the line runs across its 10 by 10 viewBox.
TEST(SvgFile, NestedViewports) {
  const struct {
    const char* aspect;
    Point2 from, to;
  } cases[] = {
      {"", {35, 20}, {85, 70}},  // xMidYMid meet: scale 5, centred across
      {"preserveAspectRatio='xMinYMin meet'", {10, 20}, {60, 70}},
      {"preserveAspectRatio='none'", {10, 20}, {110, 70}},
      {"preserveAspectRatio='xMinYMax slice'", {10, -30}, {110, 70}},
  };
  for (const auto& c : cases) {
    const std::string body = std::string("<svg x='10' y='20' width='100' height='50' ") + c.aspect +
                             " viewBox='0 0 10 10'><line x1='0' y1='0' x2='10' y2='10'/></svg>";
    const ShapeRead read = readBody(body);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_TRUE(sameSegments(read.shape.segments, {straight(c.from, c.to)})) << c.aspect;
  }
  EXPECT_TRUE(readBody("<svg x='3'><line x2='1'/></svg>").ok);
}

TEST(SvgFile, SkippedElementsAreNamedAndCountedInOneLine) {
  const ShapeRead read = readBody(
      "<title>t</title><desc/><metadata/><style>path{fill:red}</style>"
      "<text>hi</text><text/><symbol><path d='M0 0L4 4'/></symbol><clipPath><rect width='1' "
      "height='1'/></clipPath>"
      "<defs><path d='M0 0L5 5'/><linearGradient/></defs>"
      "<path d='M0 0L1 0'/>"
      "<foo:bar xmlns:foo='urn:x'><path d='M0 0L3 3'/></foo:bar>"
      "<g display='none'><path d='M9 9L8 8'/><text/></g>"
      "<path style='fill:red; display : none' d='M7 7L6 6'/>"
      "<g visibility='hidden'><path d='M0 0L2 2'/><path visibility='visible' d='M0 0L0 2'/></g>");
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.warning, "skipped 2 text, 1 clipPath");
  EXPECT_TRUE(
      sameSegments(read.shape.segments, {straight({0, 0}, {1, 0}), straight({0, 0}, {0, 2})}));

  std::string many;
  for (const char* kind : {"text", "image", "video", "mask", "pattern", "marker", "audio", "switch",
                           "filter", "foreignObject", "image"}) {
    many += std::string("<") + kind + "/>";
  }
  EXPECT_EQ(readBody(many).warning,
            "skipped 1 text, 2 image, 1 video, 1 mask, 1 pattern, 1 marker, 1 audio, 1 switch, "
            "and 2 elements of 2 other kinds");
}

TEST(SvgFile, NamespacesDecideWhatIsSvg) {
  const ShapeRead prefixed = readSvgText(
      "<s:svg xmlns:s='http://www.w3.org/2000/svg'><s:path d='M0 0L1 0'/>"
      "<path d='M0 0L2 0'/></s:svg>",
      "");
  ASSERT_TRUE(prefixed.ok) << prefixed.error;
  EXPECT_EQ(prefixed.shape.segments.size(), 2u);  // unprefixed, no default namespace: SVG too
  const ShapeRead foreign = readSvgText(
      "<svg xmlns='http://www.w3.org/2000/svg'><g xmlns='urn:other'><path d='M0 0L1 0'/></g>"
      "<line x2='1'/></svg>",
      "");
  ASSERT_TRUE(foreign.ok) << foreign.error;
  EXPECT_EQ(foreign.shape.segments.size(), 1u);
  EXPECT_EQ(foreign.warning, "");
}

TEST(SvgFile, ElementByIdUnderItsAncestorsTransforms) {
  const std::string body =
      "<g transform='translate(5 0)'><g id='pick' transform='scale(2)'>"
      "<line x2='1'/><text/><g><line y2='1'/></g></g><text/></g><line id='other' x2='9'/>"
      "<defs><path id='inDefs' d='M0 0L1 1'/></defs>"
      "<g display='none'><path id='hidden' d='M0 0L2 2'/></g>";
  const struct {
    const char* id;
    std::vector<CubicCurve> segments;
    const char* warning;
  } cases[] = {
      {"pick", {straight({5, 0}, {7, 0}), straight({5, 0}, {5, 2})}, "skipped 1 text"},
      {"other", {straight({0, 0}, {9, 0})}, ""},
      {"inDefs", {straight({0, 0}, {1, 1})}, ""},
      {"hidden", {straight({0, 0}, {2, 2})}, ""},
  };
  for (const auto& c : cases) {
    const ShapeRead read = readBody(body, c.id);
    ASSERT_TRUE(read.ok) << c.id << ": " << read.error;
    EXPECT_TRUE(sameSegments(read.shape.segments, c.segments)) << c.id;
    EXPECT_EQ(read.warning, c.warning) << c.id;
  }
  const ShapeRead unknown = readBody(body, "nope");
  EXPECT_FALSE(unknown.ok);
  EXPECT_EQ(unknown.error, "SVG text: no element with id 'nope'");
}

TEST(SvgFile, RefusalsNameTheElementItsLineAndTheFault) {
  const std::string open = "<svg xmlns='http://www.w3.org/2000/svg'>\n";
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {open + "<g transform='rotate(1 2)'/></svg>",
       "SVG text, line 2, <g>: transform, character 1: 'rotate' takes 1 or 3 numbers, found 2"},
      {open + "\n<polygon points='1 2 3'/></svg>",
       "SVG text, line 3, <polygon>: points: odd number of coordinates (3)"},
      {open + "<polyline points='1 2 x'/></svg>",
       "SVG text, line 2, <polyline>: points, character 5: expected a number, found 'x'"},
      {open + "<line x1='3furlongs'/></svg>",
       "SVG text, line 2, <line>: attribute x1 '3furlongs': unknown unit 'furlongs'"},
      {open + "<circle r='-1'/></svg>", "SVG text, line 2, <circle>: attribute r '-1': negative"},
      {open + "<line x2='1e150' transform='scale(10)'/></svg>",
       "SVG text, line 2, <line>: reaches a coordinate beyond 1e150 (transforms applied)"},
      {open + "<svg width='1' height='1' viewBox='0 0 1'/></svg>",
       "SVG text, line 2, <svg>: viewBox: expected 4 numbers, found 3"},
      {open + "<svg width='1' height='1' viewBox='0 0 1 1' preserveAspectRatio='xMidYMad'/></svg>",
       "SVG text, line 2, <svg>: attribute preserveAspectRatio 'xMidYMad': not valid"},
      {"<html>\n</html>", "SVG text, line 1, <html>: the root element is not <svg>"},
      {"<svg xmlns='urn:other'/>", "SVG text, line 1, <svg>: the root element is not <svg>"},
      {"<svg>\n<path></svg>", "SVG text, line 2: not XML: Start-end tags mismatch"},
      {"", "SVG text: not XML: No document element found"},
  };
  for (const auto& c : cases) {
    const ShapeRead read = readSvgText(c.text, "");
    EXPECT_FALSE(read.ok) << c.text;
    EXPECT_EQ(read.error, c.error);
  }
}

// Nesting is walked with a stack of its own, not by recursion.
TEST(SvgFile, DeepNestingIsRead) {
  const int depth = 200000;
  std::string body;
  for (int i = 0; i < depth; ++i) body += "<g transform='translate(1)'>";
  body += "<line x2='1'/>";
  for (int i = 0; i < depth; ++i) body += "</g>";
  const ShapeRead read = readBody(body);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_TRUE(sameSegments(read.shape.segments, {straight({depth, 0}, {depth + 1, 0})}));
}

class SvgFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = ::testing::TempDir() + "shapes_svg_test_" + std::to_string(getpid());
    mkdir(directory_.c_str(), 0700);
  }
  void TearDown() override { std::system(("rm -rf '" + directory_ + "'").c_str()); }
  std::string write(const std::string& name, const std::string& text) {
    const std::string path = directory_ + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  std::string directory_;
};

TEST_F(SvgFiles, ReadsFilesAndRefusesWhatIsNotOne) {
  const std::string good = write("good.svg", svg("<path d='M0 0L1 0'/><text/>"));
  const ShapeRead read = readSvgFile(good, "");
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.shape.segments.size(), 1u);
  EXPECT_EQ(read.warning, "skipped 1 text");

  // Path data with an error draws up to it, with one warning naming the element and position.
  const std::string bad = write("bad.svg", "<svg>\n\n<path d='M0 0 L1 0 Q'/></svg>");
  const ShapeRead upToTheError = readSvgFile(bad, "");
  ASSERT_TRUE(upToTheError.ok) << upToTheError.error;
  EXPECT_EQ(upToTheError.shape.segments.size(), 1u);
  EXPECT_EQ(upToTheError.warning,
            "line 3, <path> drawn up to the error in its path data, character 12: expected a "
            "number after 'Q', found the end");
  EXPECT_EQ(readSvgFile(directory_, "").error, directory_ + ": is a directory");
  EXPECT_EQ(readSvgFile(directory_ + "/missing.svg", "").error,
            directory_ + "/missing.svg: cannot read: No such file or directory");
  const std::string fifo = directory_ + "/fifo.svg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(readSvgFile(fifo, "").error, fifo + ": not a regular file");
  const std::string binary = write("binary.svg", std::string("\0\x01\xff<svg", 7));
  const ShapeRead garbage = readSvgFile(binary, "");
  EXPECT_FALSE(garbage.ok);
  EXPECT_EQ(garbage.error.rfind(binary + ", line 1: not XML: ", 0), 0u) << garbage.error;
  const std::string oddName = write("new\nline.svg", "x");
  EXPECT_EQ(readSvgFile(oddName, "").error.find('\n'), std::string::npos);
}

}  // namespace
