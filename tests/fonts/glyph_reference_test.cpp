// Every glyph as fontTools reads it (tests/fonts/fonttools_cubics.py, run here): Debian's
// FreeFont faces, cubic and quadratic, point for point and contour for contour; small fonts built
// with fontTools for fractional, half-unit and composed coordinates; Inter's variable font within
// the bound its reading declares. Composites fontTools' pens cannot place are worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "font_files.h"
#include "fonts/glyph.h"

namespace {

using Cubic = std::array<double, 8>;

std::string runCommand(const std::string& command) {
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return "";
  std::string out;
  char buffer[65536];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    out.append(buffer, got);
  }
  pclose(pipe);
  return out;
}

struct Reference {
  std::string name;
  bool drawn;  // false: fontTools cannot draw it as the font means it
  std::vector<Cubic> cubics;
  std::vector<int> contourStarts;  // the first cubic of each contour that draws something
};

// fontTools' reading of every glyph, in glyph order.
std::vector<Reference> fontToolsReading(const std::string& font, const std::string& location) {
  std::istringstream in(runCommand(std::string(PYTHON_WITH_FONTTOOLS) + " " +
                                   FONTTOOLS_CUBICS_SCRIPT + " '" + font + "' '" + location + "'"));
  std::vector<Reference> glyphs;
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t tab = line.find('\t');
    const std::size_t secondTab = line.find('\t', tab + 1);
    if (tab == std::string::npos || secondTab == std::string::npos) break;
    const long count = std::stol(line.substr(tab + 1));
    Reference glyph{line.substr(0, tab), count >= 0, {}, {}};
    std::istringstream starts(line.substr(secondTab + 1));
    for (std::string start; std::getline(starts, start, ',');) {
      glyph.contourStarts.push_back(std::stoi(start));
    }
    for (long i = 0; i < count && std::getline(in, line); ++i) {
      std::istringstream numbers(line);
      Cubic c;
      for (double& v : c) numbers >> v;
      glyph.cubics.push_back(c);
    }
    glyphs.push_back(std::move(glyph));
  }
  return glyphs;
}

Cubic cubicOf(const CubicCurve& c) {
  return {c.p[0].x, c.p[0].y, c.p[1].x, c.p[1].y, c.p[2].x, c.p[2].y, c.p[3].x, c.p[3].y};
}

// The largest distance from a control point of one of `ours` to the same control point of the
// fontTools cubic nearest to it, and the same the other way: 0 when the two readings are the
// same cubics, whatever contour each starts at.
double controlPointGap(const std::vector<CubicCurve>& ours, const std::vector<Cubic>& theirs) {
  const auto gap = [](const Cubic& x, const Cubic& y) {
    double worst = 0;
    for (int k = 0; k < 8; k += 2)
      worst = std::max(worst, std::hypot(x[k] - y[k], x[k + 1] - y[k + 1]));
    return worst;
  };
  std::vector<Cubic> mine;
  for (const CubicCurve& c : ours) mine.push_back(cubicOf(c));
  const std::vector<Cubic>& own = mine;
  double worst = 0;
  for (const std::vector<Cubic>* from : {&own, &theirs}) {
    const std::vector<Cubic>* to = from == &own ? &theirs : &own;
    for (const Cubic& x : *from) {
      double nearest = INFINITY;
      for (const Cubic& y : *to) nearest = std::min(nearest, gap(x, y));
      worst = std::max(worst, nearest);
    }
  }
  return worst;
}

enum class ContourMatch { kSame, kRotated, kDifferent };

// How the reading's contours compare with fontTools': the same contours have as many cubics each,
// in the same order round, every control point within `bound`, and are closed. FreeType starts a
// TrueType contour whose first point is off the curve at its last point (or the midpoint before
// the first), fontTools at its first point on the curve: such a contour is the same cubics
// started elsewhere round (kRotated).
ContourMatch compareContours(const Shape& shape, const Reference& reference, double bound) {
  const std::size_t count = reference.contourStarts.size();
  if (shape.contours.size() != count || !structureProblem(shape).empty()) {
    return ContourMatch::kDifferent;
  }
  const auto near = [&](const CubicCurve& ours, const Cubic& theirs) {
    for (int k = 0; k < 4; ++k) {
      if (std::hypot(ours.p[k].x - theirs[2 * k], ours.p[k].y - theirs[2 * k + 1]) > bound) {
        return false;
      }
    }
    return true;
  };
  ContourMatch match = ContourMatch::kSame;
  for (std::size_t k = 0; k < count; ++k) {
    const Contour& contour = shape.contours[k];
    const int first = reference.contourStarts[k];
    const int end =
        k + 1 < count ? reference.contourStarts[k + 1] : static_cast<int>(reference.cubics.size());
    const int n = contour.segmentCount;
    if (contour.firstSegment != first || end - first != n || !contour.closed) {
      return ContourMatch::kDifferent;
    }
    bool found = false;
    for (int shift = 0; shift < n && !found; ++shift) {
      found = true;
      for (int i = 0; i < n && found; ++i) {
        found = near(shape.segments[first + i], reference.cubics[first + (i + shift) % n]);
      }
      if (found && shift != 0) match = ContourMatch::kRotated;
    }
    if (!found) return ContourMatch::kDifferent;
  }
  return match;
}

struct Comparison {
  std::size_t glyphs = 0, drawn = 0, beyondBound = 0;
  std::size_t rotatedGlyphs = 0;  // glyphs with a contour fontTools starts elsewhere round
  double worstGap = 0;
  std::string firstFault;
};

// Each glyph fontTools draws: the same number of cubics, every control point within the glyph's
// declared error bound (1e-9 for a static font) of fontTools' own, and the same contours.
Comparison compareWithFontTools(const std::string& fontArgument, const std::string& path,
                                const std::string& location) {
  Comparison result;
  const FontRead font = readFontGlyphs(fontArgument);
  const std::vector<Reference> reference = fontToolsReading(path, location);
  if (!font.ok || reference.size() != font.glyphs.size()) {
    result.firstFault = font.error + " glyphs: " + std::to_string(font.glyphs.size()) +
                        " against " + std::to_string(reference.size());
    return result;
  }
  result.glyphs = reference.size();
  for (std::size_t i = 0; i < reference.size(); ++i) {
    const GlyphOutline& glyph = font.glyphs[i];
    if (!reference[i].drawn) continue;
    ++result.drawn;
    const double bound = std::max(1e-9, glyph.shape.approximationError);
    const double gap = controlPointGap(glyph.shape.segments, reference[i].cubics);
    result.worstGap = std::max(result.worstGap, gap);
    // A static font's reading declares no error beyond the elevated control points' rounding.
    const bool declaredInexact = location.empty() && glyph.shape.approximationError > 1e-9;
    const bool fault = !glyph.problem.empty() || glyph.name != reference[i].name ||
                       glyph.shape.segments.size() != reference[i].cubics.size() || gap > bound ||
                       declaredInexact;
    const ContourMatch contours =
        fault ? ContourMatch::kDifferent : compareContours(glyph.shape, reference[i], bound);
    const bool contoursDiffer = !fault && contours == ContourMatch::kDifferent;
    if (contours == ContourMatch::kRotated) ++result.rotatedGlyphs;
    if ((fault || contoursDiffer) && result.beyondBound++ == 0) {
      result.firstFault =
          reference[i].name + ": " + std::to_string(glyph.shape.segments.size()) +
          " cubics against " + std::to_string(reference[i].cubics.size()) + ", gap " +
          std::to_string(gap) + " " + glyph.problem +
          (contoursDiffer
               ? "; " + std::to_string(glyph.shape.contours.size()) + " contours against " +
                     std::to_string(reference[i].contourStarts.size()) + " or other cubics in them"
               : "");
    }
  }
  return result;
}

TEST(FontToolsReading, EveryGlyphOfEightFreeFontFacesAndInter) {
  const char* faces[] = {
      "/usr/share/fonts/opentype/freefont/FreeSerif.otf",
      "/usr/share/fonts/truetype/freefont/FreeSerif.ttf",
      "/usr/share/fonts/opentype/freefont/FreeSans.otf",
      "/usr/share/fonts/truetype/freefont/FreeSans.ttf",
      "/usr/share/fonts/opentype/freefont/FreeSansBold.otf",
      "/usr/share/fonts/truetype/freefont/FreeSansBold.ttf",
      "/usr/share/fonts/opentype/freefont/FreeMono.otf",
      "/usr/share/fonts/truetype/freefont/FreeMono.ttf",
      // CFF at 2816 units per em, its FontMatrix written to five digits.
      "/usr/share/fonts/opentype/inter/Inter-Bold.otf",
  };
  for (const char* face : faces) {
    SCOPED_TRACE(face);
    const Comparison c = compareWithFontTools(face, face, "");
    EXPECT_GT(c.glyphs, 2000u);
    EXPECT_EQ(c.drawn, c.glyphs);
    EXPECT_EQ(c.beyondBound, 0u) << c.firstFault;
    EXPECT_EQ(c.worstGap, 0.0);  // static fonts: the very same doubles
    // CFF contours start at their moveto for both readers; TrueType's off-curve starts differ.
    if (std::string(face).find(".otf") != std::string::npos) {
      EXPECT_EQ(c.rotatedGlyphs, 0u);
    } else {
      EXPECT_GT(c.rotatedGlyphs, 0u);
    }
  }
}

class BuiltFonts : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    runCommand(std::string(PYTHON_WITH_FONTTOOLS) + " " + MAKE_TEST_FONTS_SCRIPT + " '" +
               std::string(GLYPH_TEST_OUTPUT_DIR) + "'");
  }
  static std::string path(const char* name) { return font_files::outputPath(name); }
};

TEST_F(BuiltFonts, HalfUnitsAndComposedComponentsAsFontToolsReadsThem) {
  for (const char* name : {"halves.ttf", "em2048.ttf"}) {
    SCOPED_TRACE(name);
    const Comparison c = compareWithFontTools(path(name), path(name), "");
    EXPECT_GE(c.drawn, 4u) << c.firstFault;
    EXPECT_EQ(c.beyondBound, 0u) << c.firstFault;
  }
  // The implied points between the curve's control points lie at half units.
  const GlyphRead curve = readGlyph(path("halves.ttf"), "curve");
  ASSERT_TRUE(curve.ok) << curve.error;
  EXPECT_EQ(curve.glyph.shape.segments.at(0).p[3].x, 202.5);
  EXPECT_EQ(curve.glyph.shape.segments.at(1).p[3].y, 303.0);
  EXPECT_EQ(curve.glyph.shape.segments.at(1).p[3].x, 405.5);
}

// CFF coordinates with fractions (FreeType's unhinted engine floors them to whole units): the
// charstrings run in double give fontTools' very points.
TEST_F(BuiltFonts, FractionalCffCoordinatesAsTheFontHasThem) {
  const Comparison c = compareWithFontTools(path("fractions.otf"), path("fractions.otf"), "");
  EXPECT_EQ(c.drawn, 3u) << c.firstFault;
  EXPECT_EQ(c.beyondBound, 0u) << c.firstFault;
  EXPECT_EQ(c.worstGap, 0.0);
  const GlyphRead frac = readGlyph(path("fractions.otf"), "A");
  ASSERT_TRUE(frac.ok) << frac.error;
  const CubicCurve& first = frac.glyph.shape.segments.at(0);
  EXPECT_EQ(first.p[0].x, 100.5);
  EXPECT_EQ(first.p[0].y, 0.25);
  EXPECT_EQ(first.p[3].y, -3.75);
  EXPECT_EQ(frac.glyph.shape.segments.at(1).p[2].x, 300.125);
}

// Components fontTools' pens cannot place: by anchor points, and with the offset through the
// matrix. Expected outlines are composed here from the component glyphs' own readings.
TEST_F(BuiltFonts, AnchoredAndScaledOffsetComponents) {
  const GlyphRead curve = readGlyph(path("halves.ttf"), "curve");
  const GlyphRead square = readGlyph(path("halves.ttf"), "square");
  ASSERT_TRUE(curve.ok && square.ok);
  const auto mapped = [&](double xx, double xy, double yx, double yy, double dx, double dy) {
    std::vector<CubicCurve> out;
    for (CubicCurve c : curve.glyph.shape.segments) {
      for (Point2& p : c.p) p = {xx * p.x + xy * p.y + dx, yx * p.x + yy * p.y + dy};
      out.push_back(c);
    }
    return out;
  };
  // The curve's point 3, (507, 101), halved, lands on the square's point 2, (500, 500).
  std::vector<CubicCurve> anchored = square.glyph.shape.segments;
  const std::vector<CubicCurve> half = mapped(0.5, 0, 0, 0.5, 500 - 253.5, 500 - 50.5);
  anchored.insert(anchored.end(), half.begin(), half.end());
  // Matrix [[0.5, 0.25], [0, 0.75]] (rows as fontTools writes them: x' = 0.5 x + 0 y, y' =
  // 0.25 x + 0.75 y), applied to the offset (101, 51) as well.
  const std::vector<CubicCurve> scaledOffset =
      mapped(0.5, 0, 0.25, 0.75, 0.5 * 101, 0.25 * 101 + 0.75 * 51);
  const struct {
    const char* glyph;
    std::vector<CubicCurve> expected;
  } cases[] = {{"anchored", anchored}, {"scaledoffset", scaledOffset}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.glyph);
    const GlyphRead read = readGlyph(path("halves.ttf"), c.glyph);
    ASSERT_TRUE(read.ok) << read.error;
    std::vector<Cubic> expected;
    for (const CubicCurve& e : c.expected) expected.push_back(cubicOf(e));
    EXPECT_EQ(read.glyph.shape.segments.size(), expected.size());
    EXPECT_LT(controlPointGap(read.glyph.shape.segments, expected), 1e-9);
  }
}

// Inter's variable font at a design location and at a named instance: every control point
// within the bound the reading declares (FreeType's fixed-point deltas, its whole-unit
// component offsets), so a certified interval widened by it holds fontTools' outlines.
TEST(FontToolsReading, VariableInterWithinItsDeclaredBound) {
  const std::string inter = "/usr/share/fonts/truetype/inter-vf/Inter-roman.var.ttf";
  for (const char* location : {"wght=700", "Semi Bold", "wght=250.5"}) {
    SCOPED_TRACE(location);
    const Comparison c = compareWithFontTools(inter + "@" + location, inter, location);
    EXPECT_GT(c.drawn, 2000u) << c.firstFault;
    EXPECT_EQ(c.beyondBound, 0u) << c.firstFault;
    EXPECT_GT(c.worstGap, 0.0);  // not the default: the deltas do show
  }
}

}  // namespace
