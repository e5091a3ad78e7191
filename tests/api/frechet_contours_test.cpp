// The Fréchet distance of real contours through the public API: which way round and where a walk
// starts (a table of reversed and restarted contours), contours paired by shape on fonts built with
// fontTools, real glyph contour pairs against the independent Alt–Godau reference, and a ceiling on
// the steps the search takes on glyphs that once stalled.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include <beziercurve/beziercurve.h>

#include "distance/frechet_reference.h"

namespace {

using beziercurve::compareGlyph;
using beziercurve::Contour;
using beziercurve::contoursOf;
using beziercurve::Cubic;
using beziercurve::Font;
using beziercurve::FontComparisonOptions;
using beziercurve::FrechetDistance;
using beziercurve::FrechetOptions;
using beziercurve::Glyph;
using beziercurve::GlyphDistance;
using beziercurve::GlyphOutcome;
using beziercurve::GlyphRecord;
using beziercurve::readFont;
using beziercurve::scaledShape;
using Path = beziercurve::Shape;  // the reference takes the search's own Shape

const std::string kSerifOtf = "/usr/share/fonts/opentype/freefont/FreeSerif.otf";
const std::string kSerifTtf = "/usr/share/fonts/truetype/freefont/FreeSerif.ttf";
const std::string kInterRegular = "/usr/share/fonts/opentype/inter/Inter-Regular.otf";
const std::string kInterMedium = "/usr/share/fonts/opentype/inter/Inter-Medium.otf";

const Font& fontAt(const std::string& path) {
  static std::deque<std::pair<std::string, Font>> read;  // references stay valid
  for (const auto& [name, font] : read) {
    if (name == path) return font;
  }
  read.emplace_back(path, readFont(path, 2));
  return read.back().second;
}

const Glyph& glyphNamed(const Font& font, const std::string& name) {
  for (const Glyph& g : font.glyphs) {
    if (g.name == name) return g;
  }
  ADD_FAILURE() << "no glyph " << name;
  return font.glyphs.front();
}

const Glyph& glyphOf(const Font& font, char character) {
  for (const Glyph& g : font.glyphs) {
    if (g.codePoint == static_cast<std::uint32_t>(character)) return g;
  }
  ADD_FAILURE() << "no glyph for " << character;
  return font.glyphs.front();
}

Path contourOf(const Path& shape, int k) {
  const Contour c = contoursOf(shape)[k];
  const auto first = shape.segments.begin() + c.firstSegment;
  return Path{{first, first + c.segmentCount}, shape.approximationError};
}

Path reversedOf(Path s) {
  std::reverse(s.segments.begin(), s.segments.end());
  for (Cubic& c : s.segments) std::swap(c.p[0], c.p[3]), std::swap(c.p[1], c.p[2]);
  return s;
}

Path restartedOf(Path s, int at) {
  std::rotate(s.segments.begin(), s.segments.begin() + at, s.segments.end());
  return s;
}

::Shape internalOf(const Path& s) {
  ::Shape shape;
  for (const Cubic& c : s.segments) {
    CubicCurve cubic;
    for (int k = 0; k < 4; ++k) cubic.p[k] = {c.p[k].x, c.p[k].y};
    shape.segments.push_back(cubic);
  }
  shape.approximationError = s.approximationError;
  return shape;
}

// A path and the same path walked backwards, restarted, or both: with the options that allow
// the change the distance is 0; without them it is at least `apart`.
TEST(FrechetContours, ReversedAndRestartedPathsAreZeroApartOnlyWithTheOptionsThatAllowIt) {
  const Font& serif = fontAt(kSerifOtf);
  struct Case {
    std::string what;
    Path path;
    bool closed;
  };
  const std::vector<Case> paths = {
      {"o outer", contourOf(glyphNamed(serif, "o").shape, 0), true},
      {"B outer", contourOf(glyphNamed(serif, "B").shape, 0), true},
      {"g inner", contourOf(glyphNamed(serif, "g").shape, 1), true},
      {"i dot", contourOf(glyphNamed(serif, "i").shape, 1), true},
      {"open S",
       Path{{glyphNamed(serif, "S").shape.segments.begin(),
             glyphNamed(serif, "S").shape.segments.begin() + 9},
            0.0},
       false},
  };
  constexpr double kTolerance = 0.01, kApart = 1.0;
  for (const Case& c : paths) {
    const int segments = static_cast<int>(c.path.segments.size());
    struct Change {
      const char* name;
      Path b;
      bool reversed, restarted;
    };
    std::vector<Change> changes = {{"as drawn", c.path, false, false},
                                   {"reversed", reversedOf(c.path), true, false}};
    if (c.closed) {
      changes.push_back({"restarted", restartedOf(c.path, segments / 3), false, true});
      changes.push_back(
          {"reversed and restarted", restartedOf(reversedOf(c.path), segments / 2), true, true});
    }
    for (const Change& change : changes) {
      for (int mask = 0; mask < 4; ++mask) {
        FrechetOptions options;
        options.anyStart = mask & 1;
        options.eitherDirection = mask & 2;
        const FrechetDistance f = frechet(c.path, change.b, kTolerance, options);
        const bool allowed = (!change.reversed || options.eitherDirection) &&
                             (!change.restarted || options.anyStart);
        const std::string label = c.what + ", " + change.name + ", any start " +
                                  std::to_string(options.anyStart) + ", either direction " +
                                  std::to_string(options.eitherDirection);
        EXPECT_TRUE(f.toleranceMet) << label;
        if (allowed) {
          EXPECT_LE(f.upper, kTolerance) << label;
          if (options.eitherDirection) {
            EXPECT_EQ(f.reversed, change.reversed) << label;
          }
        } else {
          EXPECT_GT(f.lower, kApart) << label;
        }
      }
    }
  }
}

// Fonts whose glyphs hold the same three circles in another order, each the other way round and
// starting elsewhere; one glyph has a fourth circle in A only.
std::string testFontsDir() {
  static const std::string dir = [] {
    const std::string out = std::string(API_TEST_OUTPUT_DIR) + "/rings";
    const std::string command = "mkdir -p '" + out + "' && '" PYTHON_WITH_FONTTOOLS "' '" +
                                std::string(MAKE_TEST_FONTS_SCRIPT) + "' '" + out + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return out;
  }();
  return dir;
}

TEST(FrechetContours, PairsContoursStoredInAnotherOrderAndNamesTheUnmatched) {
  const Font a = readFont(testFontsDir() + "/rings.otf");
  const Font b = readFont(testFontsDir() + "/rings.ttf");
  ASSERT_TRUE(a.ok && b.ok) << a.error << b.error;
  FontComparisonOptions options;
  options.distance = GlyphDistance::kFrechet;
  options.tolerance = 0.01;
  options.anyStart = true;
  options.eitherDirection = true;
  const GlyphRecord stored = compareGlyph(glyphNamed(a, "rings"), glyphNamed(b, "rings"),
                                          a.unitsPerEm, b.unitsPerEm, options);
  ASSERT_EQ(stored.outcome, GlyphOutcome::kMeasured);
  EXPECT_GT(stored.distance.lower, 100.0);  // the middle circle walked against the small one
  options.pairContours = true;
  for (const char* name : {"rings", "extra"}) {
    const GlyphRecord r =
        compareGlyph(glyphNamed(a, name), glyphNamed(b, name), a.unitsPerEm, b.unitsPerEm, options);
    ASSERT_EQ(r.outcome, GlyphOutcome::kMeasured) << name;
    ASSERT_EQ(r.contourPairs.size(), 3u) << name;
    const int partner[3] = {0, 2, 1};  // B stores large, middle, small
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(r.contourPairs[k].contourA, k) << name;
      EXPECT_EQ(r.contourPairs[k].contourB, partner[k]) << name;
      EXPECT_TRUE(r.contourPairs[k].reversed) << name;
    }
    // Quadratics through the circle's points: within about 0.5 unit of the cubics.
    EXPECT_LT(r.distance.upper, 1.0) << name;
    EXPECT_TRUE(r.distance.toleranceMet) << name;
    EXPECT_EQ(r.unmatchedA,
              std::string(name) == "extra" ? std::vector<int>{3} : std::vector<int>{});
    EXPECT_TRUE(r.unmatchedB.empty()) << name;
    EXPECT_EQ(r.changed, std::string(name) == "extra") << name;
  }
}

// Contour pairs of real glyphs, cubic against quadratic (FreeSerif) and one weight against the
// next (Inter), each pair measured either way round and checked against the reference's lesser
// direction.
TEST(FrechetContours, RealGlyphContoursOverlapTheAltGodauReference) {
  const std::vector<std::pair<std::string, std::string>> fonts = {{kSerifOtf, kSerifTtf},
                                                                  {kInterRegular, kInterMedium}};
  const std::string glyphs = "abcdefghkmnopqrstuABCDOPQRS8069&@$";
  constexpr double kTolerance = 0.01;
  int checked = 0;
  for (const auto& [pathA, pathB] : fonts) {
    const Font& fa = fontAt(pathA);
    const Font& fb = fontAt(pathB);
    ASSERT_TRUE(fa.ok && fb.ok);
    for (const char character : glyphs) {
      const std::string name(1, character);
      const Path& sa = glyphOf(fa, character).shape;
      const Path sb = scaledShape(glyphOf(fb, character).shape, fa.unitsPerEm, fb.unitsPerEm);
      const std::size_t count = contoursOf(sa).size();
      if (count != contoursOf(sb).size()) continue;
      for (std::size_t k = 0; k < count; ++k) {
        const Path a = contourOf(sa, static_cast<int>(k)), b = contourOf(sb, static_cast<int>(k));
        FrechetOptions options;
        options.eitherDirection = true;
        const FrechetDistance f = frechet(a, b, kTolerance, options);
        const auto forward = frechet_reference::frechet(internalOf(a), internalOf(b), 8);
        const auto backward =
            frechet_reference::frechet(internalOf(a), internalOf(reversedOf(b)), 8);
        const long double lower = std::min(forward.lower, backward.lower);
        const long double upper = std::min(forward.upper, backward.upper);
        const long double slack = 1e-9L * 1000;
        EXPECT_TRUE(f.lower <= upper + slack && lower <= f.upper + slack)
            << pathA << " " << name << " contour " << k << ": [" << f.lower << ", " << f.upper
            << "] against the reference [" << double(lower) << ", " << double(upper) << "]";
        ++checked;
      }
    }
  }
  EXPECT_GE(checked, 60);
}

// The glyphs whose contours stalled the search (six and asterisk ended at a work limit while the
// upper bound walked from grid corner to grid corner; Upsilon and at filled the grid to its cap
// while the corner walk's obstacles were split after a free-space walk had overtaken it;
// uni269c and sinh_jnya_uu2 filled it while it held every pair of pieces, not only those near
// the walk): each takes fewer steps than its ceiling (one and a third to six times what it takes
// now), and meets the tolerance. Steps, never time.
TEST(FrechetContours, NamedGlyphsConvergeWithinTheirStepCeilings) {
  const Font& otf = fontAt(kSerifOtf);
  const Font& ttf = fontAt(kSerifTtf);
  FontComparisonOptions options;
  options.distance = GlyphDistance::kFrechet;
  options.tolerance = 0.01;
  options.anyStart = true;
  options.eitherDirection = true;
  options.pairContours = true;
  const std::vector<std::pair<std::string, std::int64_t>> ceilings = {
      {".notdef", 950},   {"exclam", 650},
      {"dollar", 850},    {"i", 750},
      {"j", 850},         {"o", 450},
      {"B", 1300},        {"zero", 420},
      {"six", 3400},      {"asterisk", 4700},
      {"Upsilon", 1400},  {"at", 4400},
      {"uni269c", 16000}, {"sinh_jnya_uu2", 13500}};
  for (const auto& [name, ceiling] : ceilings) {
    const GlyphRecord r = compareGlyph(glyphNamed(otf, name), glyphNamed(ttf, name), otf.unitsPerEm,
                                       ttf.unitsPerEm, options);
    ASSERT_EQ(r.outcome, GlyphOutcome::kMeasured) << name;
    EXPECT_LE(r.distance.steps, ceiling) << name;
    EXPECT_TRUE(r.distance.toleranceMet) << name;
    EXPECT_LT(r.distance.upper, 3.0) << name;  // the conversion's own few units
    EXPECT_EQ(r.problem, "") << name;          // a measured record says why only when unmet
  }
}

}  // namespace
