// The real bezier-hausdorff on glyphs of Debian's FreeSerif, cubic (OTF) against quadratic
// (TTF): one glyph against the long double reference, a glyph against itself, the whole-font
// report, and what it refuses.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "../distance/shape_reference.h"
#include "../geometry/fixtures.h"
#include "run_program.h"
#include "shapes/glyph.h"

using fixtures::splitLines;

namespace {

const std::string kProgram = BEZIER_HAUSDORFF_PATH;
const std::string kSerifOtf = "/usr/share/fonts/opentype/freefont/FreeSerif.otf";
const std::string kSerifTtf = "/usr/share/fonts/truetype/freefont/FreeSerif.ttf";

ProgramRun run(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), kProgram);
  return runProgram(arguments, "");
}

struct GlyphJson {
  std::string name;
  double lower, upper;
};

bool readGlyphJson(const std::string& line, GlyphJson& result) {
  static const std::regex format(
      R"re(\{"glyph":\{"name":"([^"]*)","codePoint":\d+,"segments":\[\d+,\d+\]\},)re"
      R"re("method":"certified","lower":([^,]+),"upper":([^,]+),.*\})re");
  std::smatch m;
  if (!std::regex_match(line, m, format)) return false;
  result = {m[1], std::stod(m[2]), std::stod(m[3])};
  return true;
}

// A few glyphs of the cubic and the quadratic FreeSerif: each interval, asked 1e-3 wide in font
// units, holds the reference distance between the two outlines.
TEST(GlyphProgram, OneGlyphHoldsTheReference) {
  for (const char* glyph : {"a", "S", "U+00E9", "ampersand"}) {
    const ProgramRun result =
        run({"--json", "--tolerance", "1e-3", "--glyph", glyph, kSerifOtf, kSerifTtf});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    GlyphJson json;
    ASSERT_TRUE(readGlyphJson(splitLines(result.out).at(0), json)) << result.out;
    const GlyphRead a = readGlyph(kSerifOtf, glyph), b = readGlyph(kSerifTtf, glyph);
    ASSERT_TRUE(a.ok && b.ok);
    const long double reference = shape_reference::hausdorff(a.glyph.shape, b.glyph.shape, 32);
    EXPECT_LE(json.lower, reference + 1e-9) << glyph;
    EXPECT_GE(json.upper, reference - 1e-9) << glyph;
    EXPECT_LE(json.upper - json.lower, 1e-3) << glyph;
  }
}

TEST(GlyphProgram, GlyphAgainstItselfHoldsZero) {
  const ProgramRun result = run({"--glyph", "g", kSerifTtf, kSerifTtf});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out.rfind("glyph g U+0067: distance [0.000000,", 0), 0u) << result.out;
  const ProgramRun within = run({"--within", "1e-6", "--glyph", "g", kSerifOtf, kSerifOtf});
  EXPECT_EQ(within.exitStatus, 0) << within.out;
}

// Every glyph the two fonts share, one line each in the first font's order, then the summary
// on standard error: 10,537 glyphs matched by name, the one only in the TTF, the largest bound.
TEST(GlyphProgram, WholeFontReport) {
  const ProgramRun result = run({"--glyphs", "all", "--tolerance", "0.01", kSerifOtf, kSerifTtf});
  EXPECT_EQ(result.exitStatus, 0);
  const FontRead otf = readFontGlyphs(kSerifOtf);
  ASSERT_TRUE(otf.ok);
  const std::vector<std::string> lines = splitLines(result.out);
  ASSERT_EQ(lines.size(), otf.glyphs.size());
  const auto hasLine = [&](const std::string& start) {
    for (const std::string& line : lines) {
      if (line.rfind(start, 0) == 0) return true;
    }
    return false;
  };
  EXPECT_TRUE(hasLine("glyph space U+0020: empty in both fonts, distance 0"));
  EXPECT_TRUE(hasLine("glyph a U+0061: distance ["));
  const std::vector<std::string> summary = splitLines(result.err);
  ASSERT_EQ(summary.size(), 5u) << result.err;
  EXPECT_EQ(summary[0].rfind("bezier-hausdorff: 10537 glyphs compared (matched by name) in ", 0),
            0u);
  EXPECT_EQ(summary[1], "  only in " + kSerifOtf + ": 0");
  EXPECT_EQ(summary[2], "  only in " + kSerifTtf + ": 1: nonmarkingreturn");
  EXPECT_EQ(summary[3], "  empty in both: 48; empty in one only: 0");
  EXPECT_EQ(summary[4].rfind("  largest upper bound: 3.3", 0), 0u) << summary[4];
  EXPECT_NE(summary[4].find(" at glyph arktiko_ga U+1D0EB"), std::string::npos) << summary[4];
}

TEST(GlyphProgram, RefusesWhatItCannotRead) {
  const struct {
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {{"--glyph", "nope", kSerifOtf, kSerifTtf}, kSerifOtf + ": has no glyph named 'nope'"},
      {{"--glyph", "a", "/nonexistent.otf", kSerifTtf}, "/nonexistent.otf"},
      {{"--glyph", "a", "/usr/share", kSerifTtf}, "/usr/share"},
      {{"--glyphs", "all", kSerifOtf, "/etc/hostname"}, "/etc/hostname"},
      {{"--glyphs", "some", kSerifOtf, kSerifTtf}, "--glyphs"},
      {{"--glyph", "a", kSerifOtf}, "expected two fonts, FONT_A FONT_B, got one argument"},
      {{"--glyph", "a", "--glyphs", "all", kSerifOtf, kSerifTtf}, "--glyph compares one glyph"},
      {{"--method", "viewer", "--glyph", "a", kSerifOtf, kSerifTtf}, "--glyph and --glyphs need"},
  };
  for (const auto& c : cases) {
    const ProgramRun result = run(c.arguments);
    EXPECT_EQ(result.exitStatus, 2) << c.message;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("bezier-hausdorff: " + c.message, 0), 0u) << result.err;
  }
}

}  // namespace
