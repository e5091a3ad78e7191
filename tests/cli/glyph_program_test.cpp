// The real bezier-hausdorff on glyphs of Debian's FreeSerif, cubic (OTF) against quadratic
// (TTF): one glyph against the long double reference, a glyph against itself, the whole-font
// report, and what it refuses.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "../distance/shape_reference.h"
#include "../geometry/fixtures.h"
#include "fonts/glyph.h"
#include "run_program.h"

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
  ASSERT_GE(summary.size(), 6u) << result.err;
  EXPECT_EQ(summary[0].rfind("bezier-hausdorff: 10537 glyphs compared (matched by name) in ", 0),
            0u);
  EXPECT_EQ(summary[1], "  only in " + kSerifOtf + ": 0");
  EXPECT_EQ(summary[2], "  only in " + kSerifTtf + ": 1: nonmarkingreturn");
  EXPECT_EQ(summary[3], "  empty in both: 48; empty in one only: 0");
  // The counts agree with the records: every glyph whose lower bound passes 1 and 5.
  std::size_t beyondOne = 0, beyondFive = 0;
  for (const std::string& line : lines) {
    const std::size_t open = line.find(": distance [");
    if (open == std::string::npos) continue;
    const double lower = std::stod(line.substr(open + 12));
    beyondOne += lower > 1;
    beyondFive += lower > 5;
  }
  EXPECT_EQ(summary[4], "  certainly farther apart than 1: " + std::to_string(beyondOne) +
                            ", 5: " + std::to_string(beyondFive) + ", 10: 0");
  EXPECT_EQ(summary[5].rfind("  largest upper bound: 3.3", 0), 0u) << summary[5];
  EXPECT_NE(summary[5].find(" at glyph arktiko_ga U+1D0EB"), std::string::npos) << summary[5];
  EXPECT_EQ(summary.back(), "  advance widths differ: 0 (largest difference 0)");
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

// The small fonts tests/fonts/make_test_fonts.py builds, written next to this test's output.
std::string builtFont(const char* name) {
  static const bool built = [] {
    const std::string command = std::string(PYTHON_WITH_FONTTOOLS) + " " + MAKE_TEST_FONTS_SCRIPT +
                                " '" + CLI_TEST_OUTPUT_DIR + "'";
    return std::system(command.c_str()) == 0;
  }();
  EXPECT_TRUE(built);
  return std::string(CLI_TEST_OUTPUT_DIR) + "/" + name;
}

// The same design at 1000 and 2048 units per em: scaled to A's em the curves agree within the
// rounding of the 2048-unit font's whole units (under 0.5 / 2.048 units); compared raw they do
// not. One line on standard error says what was done; JSON carries both ems and the scale.
TEST(GlyphProgram, FontsOfDifferentEmsAreScaledToA) {
  const std::string small = builtFont("halves.ttf"), large = builtFont("em2048.ttf");
  const ProgramRun scaled = run({"--json", "--glyph", "curve", small, large});
  EXPECT_EQ(scaled.exitStatus, 0) << scaled.err;
  GlyphJson json;
  ASSERT_TRUE(std::regex_search(scaled.out,
                                std::regex(R"("unitsPerEm":\[1000,2048\],"scaleB":0.48828125)")))
      << scaled.out;
  EXPECT_EQ(scaled.err, "bezier-hausdorff: " + large + " has 2048 units per em, " + small +
                            " 1000: its glyphs are scaled by 0.48828125 to 1000 units per em\n");
  const std::regex upper(R"("upper":([^,]+),)");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(scaled.out, m, upper));
  EXPECT_LT(std::stod(m[1]), 0.5 / 2.048 + 1e-3);
  const ProgramRun raw = run({"--json", "--units", "font", "--glyph", "curve", small, large});
  ASSERT_TRUE(std::regex_search(raw.out, m, upper));
  EXPECT_GT(std::stod(m[1]), 100.0);
}

// micro (U+00B5) and mu (U+03BC): by code point, every code point both fonts map is compared,
// whatever the glyphs are called.
TEST(GlyphProgram, MatchingByCodePoint) {
  const std::string sans = "/usr/share/fonts/truetype/freefont/FreeSans.ttf";
  const std::string dejavu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  const ProgramRun byName = run({"--glyphs", "all", "--tolerance", "1", sans, dejavu});
  const ProgramRun byCode =
      run({"--glyphs", "all", "--match", "codepoint", "--tolerance", "1", sans, dejavu});
  EXPECT_NE(byCode.err.find("(matched by code point)"), std::string::npos) << byCode.err;
  EXPECT_GT(splitLines(byCode.out).size(), splitLines(byName.out).size());
  EXPECT_NE(byCode.out.find(" U+00B5: distance ["), std::string::npos);
  EXPECT_NE(byCode.out.find(" U+03BC: distance ["), std::string::npos);
}

// A glyph whose data is damaged is one error record; the others are measured; exit status 1.
// The glyph 'curve' of halves.ttf is made unreadable by claiming 32767 contours.
TEST(GlyphProgram, DamagedGlyphIsOneRecordAndTheOthersAreMeasured) {
  std::string bytes;
  {
    std::FILE* in = std::fopen(builtFont("halves.ttf").c_str(), "rb");
    ASSERT_NE(in, nullptr);
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
      bytes.append(buffer, got);
    std::fclose(in);
  }
  // The glyf table's offset from the table directory; 'curve' is glyph 2, after .notdef and
  // square, whose offsets the loca table gives (short format: offset / 2).
  const auto u32 = [&](std::size_t at) {
    return (std::uint32_t(std::uint8_t(bytes[at])) << 24) |
           (std::uint32_t(std::uint8_t(bytes[at + 1])) << 16) |
           (std::uint32_t(std::uint8_t(bytes[at + 2])) << 8) | std::uint8_t(bytes[at + 3]);
  };
  std::size_t glyf = 0, loca = 0, head = 0;
  for (std::size_t t = 0; t < (std::size_t(std::uint8_t(bytes[4])) << 8 | std::uint8_t(bytes[5]));
       ++t) {
    const std::string tag = bytes.substr(12 + 16 * t, 4);
    if (tag == "glyf") glyf = u32(12 + 16 * t + 8);
    if (tag == "loca") loca = u32(12 + 16 * t + 8);
    if (tag == "head") head = u32(12 + 16 * t + 8);
  }
  ASSERT_TRUE(glyf && loca && head);
  const bool longLoca = bytes[head + 51] != 0;
  const std::size_t offset =
      longLoca
          ? u32(loca + 8)
          : 2 * (std::size_t(std::uint8_t(bytes[loca + 4])) << 8 | std::uint8_t(bytes[loca + 5]));
  bytes[glyf + offset] = 0x7F;
  bytes[glyf + offset + 1] = static_cast<char>(0xFF);
  const std::string damaged = std::string(CLI_TEST_OUTPUT_DIR) + "/damaged.ttf";
  std::FILE* out = std::fopen(damaged.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);

  const std::string intact = builtFont("halves.ttf");
  const ProgramRun text = run({"--glyphs", "all", intact, damaged});
  EXPECT_EQ(text.exitStatus, 1) << text.err;
  EXPECT_NE(text.out.find("glyph curve U+0042: cannot be read in " + damaged), std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("glyph square U+0041: distance [0.000000,"), std::string::npos);
  EXPECT_NE(text.err.find("unreadable: "), std::string::npos) << text.err;
  const ProgramRun json = run({"--json", "--glyphs", "all", intact, damaged});
  EXPECT_EQ(json.exitStatus, 1);
  const std::vector<std::string> lines = splitLines(json.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(json.out.find(R"({"glyph":{"name":"curve","codePoint":66,"segments":[4,0]},"error":)"),
            std::string::npos)
      << json.out;
  EXPECT_EQ(lines.back().rfind(R"({"summary":{"fonts":[)", 0), 0u) << lines.back();
  EXPECT_NE(lines.back().find(R"("unreadable":)"), std::string::npos);
}

// A glyph name that is not UTF-8 is printed with its bytes escaped, in text as in JSON, so that
// both stay valid UTF-8 (the name "shifted" of halves.ttf becomes "shi\xFFted" in the file).
TEST(GlyphProgram, GlyphNamesThatAreNotUtf8AreEscaped) {
  std::string bytes;
  {
    std::FILE* in = std::fopen(builtFont("halves.ttf").c_str(), "rb");
    ASSERT_NE(in, nullptr);
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) {
      bytes.append(buffer, got);
    }
    std::fclose(in);
  }
  const std::size_t at = bytes.find("shifted");
  ASSERT_NE(at, std::string::npos);
  bytes[at + 3] = static_cast<char>(0xFF);
  const std::string odd = std::string(CLI_TEST_OUTPUT_DIR) + "/odd-name.ttf";
  std::FILE* out = std::fopen(odd.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
  const ProgramRun text = run({"--glyphs", "all", odd, odd});
  EXPECT_EQ(text.exitStatus, 0) << text.err;
  EXPECT_NE(text.out.find("glyph shi\\xFFted U+0061: distance [0.000000,"), std::string::npos)
      << text.out;
  EXPECT_EQ(text.out.find('\xFF'), std::string::npos);
  const ProgramRun json = run({"--json", "--glyphs", "all", odd, odd});
  EXPECT_NE(json.out.find(R"("name":"shi\\xFFted")"), std::string::npos) << json.out;
  EXPECT_EQ(json.out.find('\xFF'), std::string::npos);
}

// --print-outlines shows what is measured: path data read back by the shape reader gives the
// same doubles, for numbers and for glyphs.
TEST(GlyphProgram, PrintOutlinesReadsBack) {
  const ProgramRun curves = run({"--print-outlines", "0", "0.1", "1", "2", "3", "2", "4", "0", "0",
                                 "0", "1.1", "1.9", "2.9", "2.1", "4", "1e-7"});
  EXPECT_EQ(curves.exitStatus, 0);
  EXPECT_EQ(curves.out, "M 0 0.1 C 1 2 3 2 4 0\nM 0 0 C 1.1 1.9 2.9 2.1 4 1e-07\n");
  // Path data: a quadratic elevated, each control point the double nearest to the exact one.
  const ProgramRun path = run({"--print-outlines", "M 0 0 Q 2 2.7 4 0", "M 1 1 L 4 1"});
  EXPECT_EQ(path.exitStatus, 0);
  EXPECT_EQ(path.out,
            "M 0 0 C 1.3333333333333333 1.8 2.666666666666667 1.8 4 0\nM 1 1 C 2 1 3 1 4 1\n");
  // Subpaths as the data draws them, each closed one ended by Z, also where a subpath starts at
  // the point where the one before it ended; read back, the same contours.
  const std::string subpaths = "M 0 0 L 3 0 L 0 0 M 0 0 L 0 3 M 0 3 L 3 3 L 3 6 Z";
  const ProgramRun printed = run({"--print-outlines", subpaths, "M 0 0 L 3 0"});
  EXPECT_EQ(printed.exitStatus, 0);
  const std::string expected =
      "M 0 0 C 1 0 2 0 3 0 C 2 0 1 0 0 0 Z M 0 0 C 0 1 0 2 0 3 M 0 3 C 1 3 2 3 3 3 C 3 4 3 5 3 6 C "
      "2 5 1 4 0 3 Z";
  EXPECT_EQ(splitLines(printed.out).at(0), expected);
  EXPECT_EQ(splitLines(run({"--print-outlines", expected, "M 0 0 L 3 0"}).out).at(0), expected);
  const std::string halves = builtFont("halves.ttf");
  const ProgramRun glyph = run({"--print-outlines", "--glyph", "curve", halves, halves});
  EXPECT_EQ(glyph.exitStatus, 0);
  const std::vector<std::string> lines = splitLines(glyph.out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(
      lines[0].rfind(
          "M 0 0 C 67.33333333333333 202 134.83333333333334 336.6666666666667 202.5 404 C", 0),
      0u)
      << lines[0];
  // A glyph's contours are closed.
  EXPECT_EQ(lines[0].substr(lines[0].size() - 2), " Z") << lines[0];
  // Read back as path data, the outline is at distance 0 from itself as the glyph.
  const ProgramRun back = run({"--json", lines[0], lines[1]});
  std::smatch m;
  ASSERT_TRUE(std::regex_search(back.out, m, std::regex(R"("upper":([^,]+),)"))) << back.out;
  EXPECT_LT(std::stod(m[1]), 1e-9);
}

}  // namespace
