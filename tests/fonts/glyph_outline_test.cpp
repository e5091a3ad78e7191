// FreeType outlines built by hand, against cubic segments worked out by hand.
#include "fonts/glyph_outline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

enum Kind : char {
  kOn = FT_CURVE_TAG_ON,
  kConic = FT_CURVE_TAG_CONIC,
  kCubic = FT_CURVE_TAG_CUBIC
};

struct HandPoint {
  long x, y;
  Kind kind;
};

using Contour = std::vector<HandPoint>;

// The arrays an FT_Outline points into.
struct HandOutline {
  std::vector<FT_Vector> points;
  std::vector<char> tags;
  std::vector<short> ends;
  FT_Outline outline;
};

void build(const std::vector<Contour>& contours, HandOutline& hand) {
  for (const Contour& contour : contours) {
    for (const HandPoint& p : contour) {
      hand.points.push_back({p.x, p.y});
      hand.tags.push_back(p.kind);
    }
    hand.ends.push_back(static_cast<short>(hand.points.size() - 1));
  }
  hand.outline = {};
  hand.outline.n_contours = static_cast<short>(hand.ends.size());
  hand.outline.n_points = static_cast<short>(hand.points.size());
  hand.outline.points = hand.points.data();
  hand.outline.tags = hand.tags.data();
  hand.outline.contours = hand.ends.data();
}

std::string show(const CubicCurve& c) {
  std::string text;
  for (const Point2& p : c.p) text += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
  return text;
}

struct Case {
  const char* name;
  std::vector<Contour> contours;
  std::vector<CubicCurve> expected;
};

// Coordinates are multiples of 3 where a third is taken, so that every expected control point
// is exact.
const Case kCases[] = {
    {"triangle of lines, closed by a line",
     {{{0, 0, kOn}, {6, 0, kOn}, {0, 6, kOn}}},
     {{0, 0, 2, 0, 4, 0, 6, 0}, {6, 0, 4, 2, 2, 4, 0, 6}, {0, 6, 0, 4, 0, 2, 0, 0}}},
    {"last point repeats the first: no zero-length closing line",
     {{{0, 0, kOn}, {6, 0, kOn}, {0, 6, kOn}, {0, 0, kOn}}},
     {{0, 0, 2, 0, 4, 0, 6, 0}, {6, 0, 4, 2, 2, 4, 0, 6}, {0, 6, 0, 4, 0, 2, 0, 0}}},
    {"conic arc elevated, then the closing line",
     {{{0, 0, kOn}, {3, 3, kConic}, {6, 0, kOn}}},
     {{0, 0, 2, 2, 4, 2, 6, 0}, {6, 0, 4, 0, 2, 0, 0, 0}}},
    {"two conics with the implied on-point between them",
     {{{0, 0, kOn}, {0, 6, kConic}, {6, 6, kConic}, {6, 0, kOn}}},
     {{0, 0, 0, 4, 1, 6, 3, 6}, {3, 6, 5, 6, 6, 4, 6, 0}, {6, 0, 4, 0, 2, 0, 0, 0}}},
    {"contour starting with an off point starts at its last point",
     {{{3, 3, kConic}, {6, 0, kOn}, {0, 0, kOn}}},
     {{0, 0, 2, 2, 4, 2, 6, 0}, {6, 0, 4, 0, 2, 0, 0, 0}}},
    {"off points only: starts midway between the last and the first",
     {{{0, 0, kConic}, {6, 0, kConic}, {6, 6, kConic}, {0, 6, kConic}}},
     {{0, 3, 0, 1, 1, 0, 3, 0},
      {3, 0, 5, 0, 6, 1, 6, 3},
      {6, 3, 6, 5, 5, 6, 3, 6},
      {3, 6, 1, 6, 0, 5, 0, 3}}},
    {"cubic kept as it is, closed by a line",
     {{{0, 0, kOn}, {1, 2, kCubic}, {5, 2, kCubic}, {6, 0, kOn}}},
     {{0, 0, 1, 2, 5, 2, 6, 0}, {6, 0, 4, 0, 2, 0, 0, 0}}},
    {"cubic ending on the first point: nothing to close",
     {{{0, 0, kOn}, {1, 2, kCubic}, {5, 2, kCubic}, {6, 0, kOn}, {4, -1, kCubic}, {2, -1, kCubic}}},
     {{0, 0, 1, 2, 5, 2, 6, 0}, {6, 0, 4, -1, 2, -1, 0, 0}}},
    {"two contours; a one-point contour draws nothing",
     {{{0, 0, kOn}, {6, 0, kOn}, {0, 6, kOn}}, {{9, 9, kOn}}, {{12, 0, kOn}, {15, 0, kOn}}},
     {{0, 0, 2, 0, 4, 0, 6, 0},
      {6, 0, 4, 2, 2, 4, 0, 6},
      {0, 6, 0, 4, 0, 2, 0, 0},
      {12, 0, 13, 0, 14, 0, 15, 0},
      {15, 0, 14, 0, 13, 0, 12, 0}}},
    {"no contours", {}, {}},
};

TEST(OutlineToSegments, HandWorkedOutlines) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    HandOutline hand;
    build(c.contours, hand);
    std::vector<CubicCurve> segments{{9, 9, 9, 9, 9, 9, 9, 9}};  // replaced, not appended to
    std::vector<::Contour> contours{{0, 1, false}};
    ASSERT_TRUE(outlineToSegments(hand.outline, segments, contours));
    ASSERT_EQ(segments.size(), c.expected.size());
    for (std::size_t i = 0; i < segments.size(); ++i) {
      EXPECT_EQ(show(segments[i]), show(c.expected[i])) << "segment " << i;
    }
  }
}

// One contour per font contour that draws something, each starting at its first segment and
// closed, also where a contour starts at the point where the one before it ends (telling them
// apart by where segments meet would join them).
TEST(OutlineToSegments, ContoursAreTheFontsContours) {
  const struct {
    const char* name;
    std::vector<Contour> contours;
    std::vector<int> starts;  // the first segment of each contour
  } cases[] = {
      {"one triangle", {{{0, 0, kOn}, {6, 0, kOn}, {0, 6, kOn}}}, {0}},
      {"a one-point contour between two draws nothing",
       {{{0, 0, kOn}, {6, 0, kOn}, {0, 6, kOn}}, {{9, 9, kOn}}, {{12, 0, kOn}, {15, 0, kOn}}},
       {0, 3}},
      {"two triangles sharing a corner, the second starting where the first ends",
       {{{0, 0, kOn}, {6, 0, kOn}, {0, 6, kOn}}, {{0, 0, kOn}, {-6, 0, kOn}, {0, -6, kOn}}},
       {0, 3}},
      {"an off-point start, then a cubic contour",
       {{{3, 3, kConic}, {6, 0, kOn}, {0, 0, kOn}},
        {{0, 0, kOn},
         {1, 2, kCubic},
         {5, 2, kCubic},
         {6, 0, kOn},
         {4, -1, kCubic},
         {2, -1, kCubic}}},
       {0, 2}},
      {"no contours", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HandOutline hand;
    build(c.contours, hand);
    std::vector<CubicCurve> segments;
    std::vector<::Contour> contours;
    ASSERT_TRUE(outlineToSegments(hand.outline, segments, contours));
    std::vector<int> starts;
    for (const ::Contour& contour : contours) {
      starts.push_back(contour.firstSegment);
      EXPECT_TRUE(contour.closed) << "contour from segment " << contour.firstSegment;
    }
    EXPECT_EQ(starts, c.starts);
    Shape shape{segments, 0.0, contours};
    EXPECT_EQ(structureProblem(shape), "");
  }
}

// Where a third is not exact, each control point is the double nearest to the exact one: from
// both ends, so (2 Q1 + Q2) / 3 is 4/3 rounded once, not 2 - 2/3 rounded twice.
TEST(OutlineToSegments, ControlPointsAreTheNearestDoubles) {
  HandOutline conic;
  build({{{0, 0, kOn}, {1, 1, kConic}, {2, 0, kOn}}}, conic);
  std::vector<CubicCurve> segments;
  std::vector<::Contour> contours;
  ASSERT_TRUE(outlineToSegments(conic.outline, segments, contours));
  ASSERT_EQ(segments.size(), 2u);
  EXPECT_EQ(segments[0].p[1].x, 2.0 / 3.0);
  EXPECT_EQ(segments[0].p[1].y, 2.0 / 3.0);
  EXPECT_EQ(segments[0].p[2].x, 4.0 / 3.0);
  EXPECT_EQ(segments[0].p[2].y, 2.0 / 3.0);
  // The closing line from (2, 0) to (0, 0).
  EXPECT_EQ(segments[1].p[1].x, 4.0 / 3.0);
  EXPECT_EQ(segments[1].p[2].x, 2.0 / 3.0);
}

// The elevated cubic is the quadratic: checked on awkward coordinates against the quadratic's
// own Bernstein form.
TEST(OutlineToSegments, ElevatedConicTracesTheQuadratic) {
  const long q[3][2] = {{-1234, 577}, {8191, -4097}, {33, 2049}};
  HandOutline conic;
  build({{{q[0][0], q[0][1], kOn}, {q[1][0], q[1][1], kConic}, {q[2][0], q[2][1], kOn}}}, conic);
  std::vector<CubicCurve> segments;
  std::vector<::Contour> contours;
  ASSERT_TRUE(outlineToSegments(conic.outline, segments, contours));
  ASSERT_EQ(segments.size(), 2u);
  const CubicCurve& c = segments[0];
  for (int k = 0; k <= 16; ++k) {
    const double t = k / 16.0, s = 1 - t;
    const double cubic[4] = {s * s * s, 3 * s * s * t, 3 * s * t * t, t * t * t};
    const double quadratic[3] = {s * s, 2 * s * t, t * t};
    for (int axis = 0; axis < 2; ++axis) {
      double onCubic = 0, onQuadratic = 0;
      for (int i = 0; i < 4; ++i) onCubic += cubic[i] * (axis == 0 ? c.p[i].x : c.p[i].y);
      for (int i = 0; i < 3; ++i) onQuadratic += quadratic[i] * q[i][axis];
      EXPECT_NEAR(onCubic, onQuadratic, 1e-9) << "t=" << t << " axis " << axis;
    }
  }
}

TEST(OutlineToSegments, MalformedOutlinesAreRefused) {
  // A contour may not start with a cubic off point, nor have one without its partner.
  const std::vector<Contour> malformed[] = {
      {{{1, 2, kCubic}, {5, 2, kCubic}, {6, 0, kOn}}},
      {{{0, 0, kOn}, {1, 2, kCubic}, {6, 0, kOn}}},
  };
  for (const auto& points : malformed) {
    HandOutline hand;
    build(points, hand);
    std::vector<CubicCurve> segments;
    std::vector<::Contour> contours;
    EXPECT_FALSE(outlineToSegments(hand.outline, segments, contours));
  }
}

}  // namespace
