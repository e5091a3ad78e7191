#include "svg/path_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "geometry/cubic.h"
#include "shape_matchers.h"
#include "svg/elliptic_arc.h"

namespace {

struct Accepted {
  std::string data;
  std::vector<CubicCurve> segments;
};

void expectAll(const std::vector<Accepted>& cases) {
  for (const Accepted& c : cases) {
    const ShapeRead read = parsePathData(c.data);
    ASSERT_TRUE(read.ok) << c.data << ": " << read.error;
    EXPECT_TRUE(sameSegments(read.shape.segments, c.segments)) << c.data;
    EXPECT_EQ(read.shape.approximationError, 0.0) << c.data;
    EXPECT_EQ(read.warning, "");
  }
}

TEST(PathData, LinesAbsoluteRelativeAndRepeated) {
  expectAll({
      {"M 1 2 L 4 6", {straight({1, 2}, {4, 6})}},
      {"m 1 2 l 3 4", {straight({1, 2}, {4, 6})}},
      {"M1 2H4V6h-3v-4",
       {straight({1, 2}, {4, 2}), straight({4, 2}, {4, 6}), straight({4, 6}, {1, 6}),
        straight({1, 6}, {1, 2})}},
      // Numbers after M are line-tos; after m, relative ones.
      {"M0 0 1 1 2 0", {straight({0, 0}, {1, 1}), straight({1, 1}, {2, 0})}},
      {"m1 1 1 1 1 -1", {straight({1, 1}, {2, 2}), straight({2, 2}, {3, 1})}},
      {"M0 0L1 1 2 0", {straight({0, 0}, {1, 1}), straight({1, 1}, {2, 0})}},
      {"M0 0h1 1v2",
       {straight({0, 0}, {1, 0}), straight({1, 0}, {2, 0}), straight({2, 0}, {2, 2})}},
      // Data that draws nothing.
      {"", {}},
      {" \t\r\n\f", {}},
      {"M 1 2", {}},
      {"M1 2 3 4 z", {straight({1, 2}, {3, 4}), straight({3, 4}, {1, 2})}},
  });
}

TEST(PathData, CompactNumbersAndSeparators) {
  expectAll({
      {"M.5.5L-1-2", {straight({0.5, 0.5}, {-1, -2})}},
      {"M1e1,2E-1l.5-.5", {straight({10, 0.2}, {10.5, -0.3})}},
      {"M0,0L1.5.5", {straight({0, 0}, {1.5, 0.5})}},
      {"M1.,+2.e0L3e+0 4", {straight({1, 2}, {3, 4})}},
      {"M1,2 , 3,4", {straight({1, 2}, {3, 4})}},
      {"M1 2\n\tL\r\n3\f4", {straight({1, 2}, {3, 4})}},
      {"M1e-400 0L1 0", {straight({0, 0}, {1, 0})}},  // too small for a double: 0
  });
}

TEST(PathData, CurvesAndTheirReflections) {
  expectAll({
      {"M0 0C1 2 3 4 5 6", {CubicCurve{0, 0, 1, 2, 3, 4, 5, 6}}},
      {"M1 1c1 2 3 4 5 6", {CubicCurve{1, 1, 2, 3, 4, 5, 6, 7}}},
      // S reflects the previous C's second control point about the current point...
      {"M0 0C1 1 2 1 3 0S5 -1 6 0",
       {CubicCurve{0, 0, 1, 1, 2, 1, 3, 0}, CubicCurve{3, 0, 4, -1, 5, -1, 6, 0}}},
      {"M0 0C1 1 2 1 3 0s2 -1 3 0s2 1 3 0",
       {CubicCurve{0, 0, 1, 1, 2, 1, 3, 0}, CubicCurve{3, 0, 4, -1, 5, -1, 6, 0},
        CubicCurve{6, 0, 7, 1, 8, 1, 9, 0}}},
      // ... and after anything else starts at the current point.
      {"M0 0s2 1 3 0", {CubicCurve{0, 0, 0, 0, 2, 1, 3, 0}}},
      {"M0 0L1 0S2 1 3 0", {straight({0, 0}, {1, 0}), CubicCurve{1, 0, 1, 0, 2, 1, 3, 0}}},
      {"M0 0Q3 3 4 4S5 5 6 6",
       {CubicCurve{0, 0, 2, 2, 10.0 / 3, 10.0 / 3, 4, 4}, CubicCurve{4, 4, 4, 4, 5, 5, 6, 6}}},
      // Quadratics by degree elevation; T reflects the previous Q's or T's control point.
      {"M0 0Q3 3 6 0", {CubicCurve{0, 0, 2, 2, 4, 2, 6, 0}}},
      {"M0 0q3 3 6 0t6 0",
       {CubicCurve{0, 0, 2, 2, 4, 2, 6, 0}, CubicCurve{6, 0, 8, -2, 10, -2, 12, 0}}},
      {"M0 0Q3 3 6 0T12 0T18 0",
       {CubicCurve{0, 0, 2, 2, 4, 2, 6, 0}, CubicCurve{6, 0, 8, -2, 10, -2, 12, 0},
        CubicCurve{12, 0, 14, 2, 16, 2, 18, 0}}},
      {"M0 0T3 0", {CubicCurve{0, 0, 0, 0, 1, 0, 3, 0}}},
      {"M0 0C1 1 2 1 3 0T6 0",
       {CubicCurve{0, 0, 1, 1, 2, 1, 3, 0}, CubicCurve{3, 0, 3, 0, 4, 0, 6, 0}}},
  });
}

TEST(PathData, ClosingAndSubpaths) {
  expectAll({
      {"M0 0L1 0L1 1Z",
       {straight({0, 0}, {1, 0}), straight({1, 0}, {1, 1}), straight({1, 1}, {0, 0})}},
      // Already at the start: Z adds no segment.
      {"M0 0L1 0L0 0z", {straight({0, 0}, {1, 0}), straight({1, 0}, {0, 0})}},
      // After Z the next command starts at the subpath's start.
      {"M0 0L1 0ZL0 1",
       {straight({0, 0}, {1, 0}), straight({1, 0}, {0, 0}), straight({0, 0}, {0, 1})}},
      {"M0 0L1 0M5 5L6 5z m1 1 l1 0",
       {straight({0, 0}, {1, 0}), straight({5, 5}, {6, 5}), straight({6, 5}, {5, 5}),
        straight({6, 6}, {7, 6})}},
      {"M0 0l1 0z l0 1",
       {straight({0, 0}, {1, 0}), straight({1, 0}, {0, 0}), straight({0, 0}, {0, 1})}},
  });
}

TEST(PathData, ArcFlagsMayBeWrittenWithoutSeparators) {
  const ShapeRead spaced = parsePathData("M0 0a1 1 0 0 0 1 1");
  for (const char* compact : {"M0 0a1 1 0 00 1 1", "M0 0a1,1,0,0,0,1,1", "M0 0a1 1 0 001 1"}) {
    const ShapeRead read = parsePathData(compact);
    ASSERT_TRUE(read.ok) << compact << ": " << read.error;
    EXPECT_TRUE(sameSegments(read.shape.segments, spaced.shape.segments, 0)) << compact;
    EXPECT_EQ(read.shape.approximationError, spaced.shape.approximationError);
  }
  EXPECT_GT(spaced.shape.approximationError, 0);
  // SVG's out-of-range rules: a zero radius is a line, the same end points draw nothing.
  EXPECT_TRUE(
      sameSegments(parsePathData("M0 0A0 5 0 1 1 3 4").shape.segments, {straight({0, 0}, {3, 4})}));
  EXPECT_TRUE(sameSegments(parsePathData("M0 0A5 5 0 1 1 0 0").shape.segments, {}));
  EXPECT_EQ(parsePathData("M0 0A0 5 0 1 1 3 4").shape.approximationError, 0);
}

TEST(PathData, RefusalsNameThePlaceAndTheFault) {
  const std::string longNumber = "1" + std::string(100, '0');
  const struct {
    std::string data;
    std::string error;
  } cases[] = {
      {"L1 2", "character 1: expected 'M' or 'm' at the start, found 'L'"},
      {"  5", "character 3: expected 'M' or 'm' at the start, found '5'"},
      {"M1", "character 3: expected a number after 'M', found the end"},
      {"M1 2 L", "character 7: expected a number after 'L', found the end"},
      {"M 1 2 C 1 2 x", "character 13: expected a number after 'C', found 'x'"},
      {"M1 2 X3 4", "character 6: expected a path command, found 'X'"},
      {"M1 2e", "character 5: expected a path command, found 'e'"},
      {"M1 2z 3", "character 7: expected a path command after 'z', found '3'"},
      {"M1 2 L,3 4", "character 7: expected a number after 'L', found ','"},
      {"M1 2 L3,,4", "character 9: expected a number after 'L', found ','"},
      {"M1 2 L3 4,", "character 11: expected a number after ',', found the end"},
      {"M1 2L3 4,M0 0", "character 10: expected a number after ',', found 'M'"},
      {"M1 2 .", "character 6: expected a number after 'M', found '.'"},
      {"M1 2\x01", "character 5: expected a path command, found byte 0x01"},
      {"M0 0A1 1 0 2 0 1 1", "character 12: expected a flag (0 or 1) after 'A', found '2'"},
      {"M0 0a1 1 0 0", "character 13: expected a flag (0 or 1) after 'a', found the end"},
      {"M1e999 0", "character 2: number '1e999' out of range (magnitude above 1e150)"},
      {"M0 0L-1.5e151 0", "character 6: number '-1.5e151' out of range (magnitude above 1e150)"},
      {"M0 " + longNumber, "character 4: number longer than 100 characters"},
      {"M1e150 0l1e150 0", "character 10: 'l' reaches a coordinate beyond 1e150"},
      {"M0 0C1 1 1e150 0 -1e150 0S0 0 1 1", "character 27: 'S' reaches a coordinate beyond 1e150"},
      {"M0 0A1e150 1e150 0 1 1 1 0", "character 6: 'A' reaches a coordinate beyond 1e150"},
  };
  for (const auto& c : cases) {
    const ShapeRead read = parsePathData(c.data);
    EXPECT_FALSE(read.ok) << c.data;
    EXPECT_EQ(read.error, "path data, " + c.error) << c.data;
  }
}

// Lines and quadratics become cubics with the same points at the same parameters.
TEST(PathData, DegreeElevationIsExact) {
  const Point2 a{-3.25, 7.5}, b{1e3, -0.125}, c{12.5, 1e-3};
  const CubicCurve line = lineCubic(a, b);
  const CubicCurve quadratic = quadraticCubic(a, b, c);
  for (const double t : {0.0, 0.1, 0.25, 0.5, 0.7, 0.9, 1.0}) {
    const double s = 1 - t;
    const Point2 onLine{s * a.x + t * b.x, s * a.y + t * b.y};
    const Point2 onQuadratic{s * s * a.x + 2 * s * t * b.x + t * t * c.x,
                             s * s * a.y + 2 * s * t * b.y + t * t * c.y};
    const Point2 l = evaluateCurve(line, t);
    const Point2 q = evaluateCurve(quadratic, t);
    EXPECT_NEAR(l.x, onLine.x, 1e-12) << t;
    EXPECT_NEAR(l.y, onLine.y, 1e-12) << t;
    EXPECT_NEAR(q.x, onQuadratic.x, 1e-12) << t;
    EXPECT_NEAR(q.y, onQuadratic.y, 1e-12) << t;
  }
}

}  // namespace

// Long data crosses the blocks segments are collected in (64 segments doubling up to 524,288,
// then 524,296 each): every segment must come out in its place, also when a refusal at the end
// drops the command at fault and keeps the rest.
TEST(PathData, LongDataKeepsEverySegmentInPlace) {
  for (const int count : {63, 64, 65, 1'048'600}) {
    for (const bool refused : {false, true}) {
      std::string data = "M0 0";
      for (int i = 0; i < count; ++i) data += "h1";
      if (refused) data += "h1e999";
      const ShapeRead read = parsePathData(data);
      ASSERT_EQ(read.ok, !refused) << count;
      ASSERT_EQ(read.shape.segments.size(), static_cast<std::size_t>(count));
      int misplaced = 0;
      for (int i = 0; i < count; ++i) {
        const CubicCurve& segment = read.shape.segments[i];
        if (segment.p[0].x != i || segment.p[3].x != i + 1 || segment.p[3].y != 0) ++misplaced;
      }
      EXPECT_EQ(misplaced, 0) << count;
      ASSERT_EQ(read.shape.contours.size(), 1u);
      EXPECT_EQ(read.shape.contours[0].segmentCount, count);
    }
  }
}
