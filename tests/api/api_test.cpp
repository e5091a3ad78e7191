// The public API as an outside program sees it: its distances hold the long double reference on
// a seeded table, its decisions agree with the reference around the distance, its refusals are
// exceptions that name the fault, and its readers say whether a file or its content failed.
#include <gtest/gtest.h>

#include <beziercurve/beziercurve.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "distance/pair_table.h"
#include "distance/shape_reference.h"

namespace {

namespace bc = beziercurve;

// The reference works on the searches' own types; the copy is field by field.
::Shape internalCopy(const bc::Shape& shape) {
  ::Shape copy;
  for (const bc::Cubic& c : shape.segments) {
    copy.segments.push_back(
        {{{c.p[0].x, c.p[0].y}, {c.p[1].x, c.p[1].y}, {c.p[2].x, c.p[2].y}, {c.p[3].x, c.p[3].y}}});
  }
  return copy;
}

bc::Shape publicCopy(const ::Shape& shape) {
  bc::Shape copy;
  for (const CubicCurve& c : shape.segments) {
    copy.segments.push_back(
        {{{c.p[0].x, c.p[0].y}, {c.p[1].x, c.p[1].y}, {c.p[2].x, c.p[2].y}, {c.p[3].x, c.p[3].y}}});
  }
  return copy;
}

// Reported points come back from the search's own frame rounded to the input's doubles: within
// a few units in the last place of the coordinates' magnitude.
bool nearPoint(bc::Point a, bc::Point b, double magnitude) {
  const double rounding = 4 * std::max(magnitude, 1e-300) * 0x1p-52;
  return std::fabs(a.x - b.x) <= rounding && std::fabs(a.y - b.y) <= rounding;
}

// Every 7th pair of the seeded table (random, coincident, reversed, loops, cusps, points,
// collinear, tiny, huge and far away), each with a path-data shape of several segments.
TEST(Api, DistancesHoldTheReferenceAndDecisionsAgreeAroundIt) {
  const std::vector<TablePair> table = seededPairTable();
  int checked = 0;
  for (std::size_t i = 0; i < table.size(); i += 7) {
    const TablePair& pair = table[i];
    SCOPED_TRACE(pair.kind + " #" + std::to_string(i));
    const bc::Shape a = publicCopy(pair.a), b = publicCopy(pair.b);
    const long double reference = shape_reference::hausdorff(internalCopy(a), internalCopy(b));
    const double tolerance = 1e-6 * std::max(pair.extent, 1e-300);
    const double slack = 1e-12 * std::max(pair.magnitude, 1.0);
    const bc::Distance d = bc::hausdorff(a, b, tolerance);
    EXPECT_LE(d.lower, reference + slack);
    EXPECT_GE(d.upper, reference - slack);
    // The reported points are the named segments' points at the reported parameters.
    const double m = pair.magnitude;
    const bc::Shape& own = d.witnessShape == 0 ? a : b;
    const bc::Shape& other = d.witnessShape == 0 ? b : a;
    ASSERT_LT(d.witness.segment, static_cast<int>(own.segments.size()));
    ASSERT_LT(d.nearest.segment, static_cast<int>(other.segments.size()));
    EXPECT_TRUE(
        nearPoint(d.witness.point, bc::pointAt(own.segments[d.witness.segment], d.witness.t), m));
    EXPECT_TRUE(
        nearPoint(d.nearest.point, bc::pointAt(other.segments[d.nearest.segment], d.nearest.t), m));
    // Thresholds clearly either side of the distance are decided the reference's way.
    const double margin = 1e-3 * std::max(static_cast<double>(reference), pair.extent) + 4 * slack;
    EXPECT_NE(bc::within(a, b, static_cast<double>(reference) + margin).verdict,
              bc::Verdict::kBeyond);
    if (reference > margin) {
      EXPECT_NE(bc::within(a, b, static_cast<double>(reference) - margin).verdict,
                bc::Verdict::kWithin);
    }
    // One curve is one path: the Fréchet distance is never below the Hausdorff distance.
    const bc::FrechetDistance f = bc::frechet(a, b, tolerance);
    EXPECT_GE(f.upper, reference - slack);
    ++checked;
  }
  EXPECT_GT(checked, 100);
}

TEST(Api, RefusalsAreExceptionsThatNameTheFault) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const bc::Shape line{{{{{0, 0}, {1, 0}, {2, 0}, {3, 0}}}}};
  const auto shapeWith = [](double x, double error = 0.0) {
    return bc::Shape{{{{{0, 0}, {1, 1}, {x, 2}, {3, 3}}}}, error};
  };
  const bc::Shape twoPieces{
      {{{{0, 0}, {1, 0}, {2, 0}, {3, 0}}}, {{{5, 0}, {6, 0}, {7, 0}, {8, 0}}}}};
  // The same segments as one contour whose second segment starts away from the first's end.
  bc::Shape oneBrokenContour = twoPieces;
  oneBrokenContour.contours = {{0, 2, false}};
  const auto structured = [&](std::vector<bc::Contour> contours, std::vector<bc::Paint> paints) {
    bc::Shape shape = twoPieces;
    shape.contours = std::move(contours);
    shape.paints = std::move(paints);
    return shape;
  };
  const bc::Paint fill{0, 2, true, bc::FillRule::kNonzero};
  const struct {
    const char* what;
    std::function<void()> call;
    const char* words;
  } cases[] = {
      {"empty A", [&] { bc::hausdorff({}, line); }, "shape A: it draws no segment"},
      {"NaN in B", [&] { bc::hausdorff(line, shapeWith(nan)); },
       "shape B: segment 0, point 2: x is not finite"},
      {"beyond 1e150", [&] { bc::within(shapeWith(2e150), line, 1); },
       "shape A: segment 0, point 2: x 2e+150 is beyond 1e150"},
      {"negative error", [&] { bc::hausdorff(line, shapeWith(1, -1)); }, "approximation error"},
      {"zero tolerance", [&] { bc::hausdorff(line, line, 0); },
       "the tolerance must be a positive, finite number"},
      {"infinite tolerance", [&] { bc::frechet(line, line, inf); },
       "the tolerance must be a positive, finite number"},
      {"NaN threshold", [&] { bc::within(line, line, nan); },
       "the threshold D must be a finite distance"},
      {"negative threshold", [&] { bc::frechetWithin(line, line, -1); },
       "the threshold D must be a finite distance"},
      {"broken path", [&] { bc::frechet(line, twoPieces); },
       "shape B: it has 2 contours (contour 1 starts at segment 1, away from where segment 0 "
       "ends): a Fréchet walk needs one continuous path"},
      {"broken contour", [&] { bc::frechetWithin(oneBrokenContour, line, 1); },
       "shape A: contour 0: segment 1 does not start where segment 0 ends"},
      {"contours past the segments",
       [&] {
         bc::hausdorff(line, structured({{0, 1, false}, {1, 2, false}}, {}));
       },
       "shape B: contour 1 has 2 segments, where 1 remain"},
      {"closed contour that is open",
       [&] {
         bc::within(structured({{0, 1, true}, {1, 1, false}}, {}), line, 1);
       },
       "shape A: contour 0 is marked closed but does not end where it starts"},
      {"paints of contours not there",
       [&] {
         bc::frechet(line, structured({{0, 1, false}, {1, 1, false}}, {fill, fill}));
       },
       "shape B: paint 1 starts at contour 0, not at 2"},
      {"paints without contours cover the derived ones",
       [&] {
         bc::hausdorff(structured({}, {{0, 1, false, bc::FillRule::kEvenOdd}}), line);
       },
       "shape A: paints end at contour 1 of 2"},
  };
  for (const auto& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << c.what << ": no exception";
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find(c.words), std::string::npos)
          << c.what << ": " << e.what();
    }
  }
  // The same shapes measure when nothing is wrong with them.
  EXPECT_EQ(bc::hausdorff(twoPieces, twoPieces).lower, 0.0);
  const bc::Shape valid = structured({{0, 1, false}, {1, 1, false}}, {fill});
  EXPECT_EQ(bc::shapeProblem(valid), "");
  EXPECT_EQ(bc::hausdorff(valid, twoPieces).lower, 0.0);
}

// Readers' structure comes through the API as the readers record it, and a shape's structure
// goes to the searches and back unchanged; without one, contoursOf and paintsOf derive it.
TEST(Api, ContoursAndPaintsCrossTheApi) {
  const bc::ShapeRead path = bc::readPathData("M0 0 L1 0 L0 0 M0 0 L0 1");
  ASSERT_TRUE(path.ok) << path.error;
  ASSERT_EQ(path.shape.contours.size(), 2u);
  EXPECT_EQ(path.shape.contours[0].segmentCount, 2);
  EXPECT_TRUE(path.shape.contours[0].closed);
  EXPECT_EQ(path.shape.contours[1].firstSegment, 2);
  EXPECT_FALSE(path.shape.contours[1].closed);
  ASSERT_EQ(path.shape.paints.size(), 1u);
  EXPECT_EQ(path.shape.paints[0].contourCount, 2);
  // Derived from the segments alone, the two contours meet and are one.
  const bc::Shape bare{path.shape.segments};
  ASSERT_EQ(bc::contoursOf(bare).size(), 1u);
  EXPECT_EQ(bc::paintsOf(bare, bc::FillRule::kEvenOdd)[0].rule, bc::FillRule::kEvenOdd);
  EXPECT_EQ(bc::paintsOf(path.shape, bc::FillRule::kEvenOdd)[0].rule, bc::FillRule::kNonzero);

  const bc::ShapeRead file = bc::readSvgText(
      "<svg xmlns='http://www.w3.org/2000/svg'><path d='M0 0H1V1Z' fill-rule='evenodd'/>"
      "<rect width='1' height='1' fill='none'/></svg>");
  ASSERT_TRUE(file.ok) << file.error;
  ASSERT_EQ(file.shape.paints.size(), 2u);
  EXPECT_EQ(file.shape.paints[0].rule, bc::FillRule::kEvenOdd);
  EXPECT_TRUE(file.shape.paints[0].filled);
  EXPECT_EQ(file.shape.paints[1].firstContour, 1);
  EXPECT_FALSE(file.shape.paints[1].filled);
  EXPECT_EQ(bc::shapeProblem(file.shape), "");
}

// The fill measure through the API: a square with a square hole against the square filled is
// the hole's half side apart, at the hole's centre, a point of the fill on no segment; the
// outlines are as far apart as the hole's corner from the outer square.
TEST(Api, TheFillMeasureCrossesTheApi) {
  const bc::Shape filled = bc::readPathData("M0 0 H8 V8 H0 Z").shape;
  const bc::Shape holed = bc::readPathData("M0 0 H8 V8 H0 Z M2 2 V6 H6 V2 Z").shape;
  const bc::Distance fill = bc::hausdorff(filled, holed, 1e-6, bc::Measure::kFill);
  EXPECT_LE(fill.lower, 2.0);
  EXPECT_GE(fill.upper, 2.0);
  EXPECT_LE(fill.upper - fill.lower, 1e-6);
  EXPECT_EQ(fill.witnessShape, 0);
  EXPECT_EQ(fill.witness.segment, bc::kFillPoint);
  EXPECT_NEAR(fill.witness.point.x, 4.0, 1e-5);
  const bc::Distance outline = bc::hausdorff(filled, holed, 1e-6);
  EXPECT_GT(outline.lower, 1.99);  // the hole's sides are 2 from the outer square's
  EXPECT_EQ(bc::within(filled, holed, 1.9, bc::Measure::kFill).verdict, bc::Verdict::kBeyond);
  EXPECT_EQ(bc::within(filled, holed, 2.1, bc::Measure::kFill).verdict, bc::Verdict::kWithin);
  // The same refusals as the outline measure's.
  EXPECT_THROW(bc::hausdorff(filled, {}, 1e-3, bc::Measure::kFill), std::invalid_argument);
  EXPECT_THROW(bc::within(filled, holed, -1, bc::Measure::kFill), std::invalid_argument);
}

TEST(Api, ReadersSayWhetherTheFileOrItsContentFailed) {
  const std::string folder = API_TEST_OUTPUT_DIR;
  const std::string notXml = folder + "/not-xml.svg";
  std::ofstream(notXml) << "this is not XML";
  const std::string notFont = folder + "/not-a-font.otf";
  std::ofstream(notFont) << "neither is this a font";
  const struct {
    const char* what;
    bc::ReadFailure failure;
    std::string error;
    bool ok;
  } reads[] = {
      {"missing SVG", bc::readSvgFile(folder + "/missing.svg").failure,
       bc::readSvgFile(folder + "/missing.svg").error, false},
      {"folder as SVG", bc::readSvgFile(folder).failure, "", false},
      {"text that is not XML", bc::readSvgFile(notXml).failure, "", false},
      {"bad path data", bc::readPathData("M 0 0 L 1").failure, bc::readPathData("M 0 0 L 1").error,
       false},
      {"missing font", bc::readGlyph(folder + "/missing.otf", "a").failure, "", false},
      {"file that is not a font", bc::readGlyph(notFont, "a").failure, "", false},
      {"good path data", bc::readPathData("M 0 0 L 1 1").failure, "", true},
  };
  const bc::ReadFailure expected[] = {bc::ReadFailure::kFile,    bc::ReadFailure::kFile,
                                      bc::ReadFailure::kContent, bc::ReadFailure::kContent,
                                      bc::ReadFailure::kFile,    bc::ReadFailure::kContent,
                                      bc::ReadFailure::kNone};
  for (std::size_t i = 0; i < std::size(reads); ++i) {
    EXPECT_EQ(reads[i].failure, expected[i]) << reads[i].what;
  }
  EXPECT_NE(reads[0].error.find("missing.svg: cannot read"), std::string::npos) << reads[0].error;
  EXPECT_NE(reads[3].error.find("path data, character"), std::string::npos) << reads[3].error;
  // What bad path data drew before the fault is kept, as SVG draws it.
  EXPECT_EQ(bc::readPathData("M 0 0 L 1 1 L 2").shape.segments.size(), 1u);
}

// A search asked to go on measures exactly what it measures unasked, and is asked as it works;
// told to stop at the n-th question, it throws Interrupted and is asked no more.
TEST(Api, KeepGoingIsAskedAsTheSearchWorksAndStopsIt) {
  // Waves of 200 cubics against a zigzag of 150 lines: a few thousand refinements.
  std::string wave = "M0 0", zigzag = "M0 0.25";
  for (int i = 0; i < 200; ++i) {
    wave += " S" + std::to_string(i + 0.5) + " " + std::to_string(i % 2 ? 3 : -3) + " " +
            std::to_string(i + 1) + " 0";
  }
  for (int i = 0; i < 150; ++i) {
    zigzag += " L" + std::to_string((i + 1) * 200.0 / 150) + " " + (i % 2 ? "0.25" : "0.75");
  }
  const bc::Shape wavy = bc::readPathData(wave).shape;
  const bc::Shape line = bc::readPathData(zigzag).shape;
  struct Case {
    const char* name;
    std::function<std::int64_t(const bc::KeepGoing&)> run;  // its steps
  };
  const std::vector<Case> cases = {
      {"hausdorff",
       [&](const bc::KeepGoing& k) {
         return bc::hausdorff(wavy, line, 1e-12, bc::Measure::kOutline, k).steps;
       }},
      {"fill",
       [&](const bc::KeepGoing& k) {
         return bc::hausdorff(wavy, line, 1e-9, bc::Measure::kFill, k).steps;
       }},
      {"within",
       [&](const bc::KeepGoing& k) {
         const double d = bc::hausdorff(wavy, line, 1e-12).upper;
         return bc::within(wavy, line, d, bc::Measure::kOutline, k).distance.steps;
       }},
      {"frechet",
       [&](const bc::KeepGoing& k) {
         return bc::frechet(wavy, line, 1e-9, {false, k}).steps;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int asked = 0;
    const std::int64_t unasked = c.run({});
    EXPECT_EQ(c.run([&] { return ++asked > 0; }), unasked);
    ASSERT_GE(asked, 2);
    const int stopAt = asked / 2;
    int askedAgain = 0;
    EXPECT_THROW(c.run([&] { return ++askedAgain < stopAt; }), bc::Interrupted);
    EXPECT_EQ(askedAgain, stopAt);
  }
}

}  // namespace
