// The real bezier-hausdorff with --fill: what two shapes paint, on path data, SVG files whose
// elements carry their own fill rules, glyphs of two real fonts that paint the same ink with
// different contours, and the command lines that cannot be asked.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "run_program.h"

namespace {

const std::string kProgram = BEZIER_HAUSDORFF_PATH;
const std::string kOutputDir = CLI_TEST_OUTPUT_DIR;

ProgramRun run(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), kProgram);
  return runProgram(arguments, "");
}

// The interval of a text result: "[L,U]" after "distance ".
std::pair<double, double> intervalOf(const std::string& line) {
  std::smatch match;
  EXPECT_TRUE(
      std::regex_search(line, match, std::regex(R"(distance \[([-0-9.e+]+),([-0-9.e+]+)\])")))
      << line;
  return {std::stod(match[1]), std::stod(match[2])};
}

const char kDisc[] = "M 10 0 A 10 10 0 1 1 -10 0 A 10 10 0 1 1 10 0 Z";
const char kRing[] =
    "M 10 0 A 10 10 0 1 1 -10 0 A 10 10 0 1 1 10 0 Z M 4 0 A 4 4 0 1 0 -4 0 A 4 4 0 1 0 4 0 Z";
// A pentagram: its centre pentagon, wound twice, is filled under nonzero and empty under
// evenodd; the pentagon's inradius is 10 cos 72° = 3.0902.
const char kStar[] = "M 0 -10 L 5.878 8.09 L -9.511 -3.09 L 9.511 -3.09 L -5.878 8.09 Z";
const char kDot[] = "M 0 0 L 0.1 0 L 0 0.1 Z";

TEST(FillProgram, TextAndJsonSayTheMeasureAndWhereInTheFill) {
  const ProgramRun text = run({"--fill", kDisc, kRing});
  ASSERT_EQ(text.exitStatus, 0) << text.err;
  // The ring's hole radius, found at the disc's centre, a point of its fill on no segment.
  EXPECT_EQ(text.out.rfind("fill distance [3.99", 0), 0u) << text.out;
  EXPECT_NE(text.out.find(" witness A fill ("), std::string::npos) << text.out;
  const auto [lower, upper] = intervalOf(text.out);
  EXPECT_LE(lower, 4.0);
  EXPECT_GE(upper, 4.0);

  const ProgramRun json = run({"--fill", "--json", kDisc, kRing});
  ASSERT_EQ(json.exitStatus, 0) << json.err;
  EXPECT_NE(json.out.find("\"measure\":\"fill\",\"fillRule\":\"nonzero\""), std::string::npos);
  EXPECT_NE(json.out.find("\"witness\":{\"curve\":\"A\",\"fill\":true,"), std::string::npos)
      << json.out;

  // The outline distance of the same pair is the ring's width, 6.
  const auto outline = intervalOf(run({kDisc, kRing}).out);
  EXPECT_GT(outline.first, 5.99);
}

TEST(FillProgram, FillRulesOfPathDataAndOfSvgElements) {
  // Under nonzero the dot lies in the star's fill; under evenodd in its empty centre, the
  // pentagon's inradius from the star's painted set.
  const auto nonzero = intervalOf(run({"--fill", kStar, std::string(kStar) + " " + kDot}).out);
  EXPECT_LT(nonzero.second, 0.002);
  const auto evenodd = intervalOf(
      run({"--fill", "--fill-rule", "evenodd", kStar, std::string(kStar) + " " + kDot}).out);
  EXPECT_LT(std::abs(evenodd.first - 3.0902), 0.01);

  // An SVG element fills by its own fill-rule (here set by a style sheet) whatever --fill-rule
  // says of path data, and fill="none" paints the outline alone.
  const std::string file = kOutputDir + "/fill-rules.svg";
  std::ofstream(file) << "<svg xmlns=\"http://www.w3.org/2000/svg\"><style>.eo{fill-rule:evenodd}"
                      << "</style><path class=\"eo\" d=\"" << kStar << "\"/><path d=\"" << kDot
                      << "\"/></svg>";
  // Its two elements paint what the one path of both contours paints under evenodd (the dot,
  // wound once more, fills its spot), and not what it paints under nonzero.
  const std::string both = std::string(kStar) + " " + kDot;
  EXPECT_LT(intervalOf(run({"--fill", "--fill-rule", "evenodd", file, both}).out).second, 0.002);
  EXPECT_GT(intervalOf(run({"--fill", file, both}).out).first, 1.0);
  const std::string outlineOnly = kOutputDir + "/outline-only.svg";
  std::ofstream(outlineOnly) << "<svg xmlns=\"http://www.w3.org/2000/svg\"><path fill=\"none\" d=\""
                             << kDisc << "\"/></svg>";
  // The disc's centre is its radius from a circle that paints no fill.
  const auto unfilled = intervalOf(run({"--fill", outlineOnly, kDisc}).out);
  EXPECT_LT(std::abs(unfilled.first - 10.0), 0.01);
}

TEST(FillProgram, OverlappingContoursOfAVariableFontPaintItsStaticInstance) {
  // Inter's variable font keeps A's crossbar as a contour of its own, overlapping the legs; the
  // static instance has the overlaps removed. The outlines are hundreds of units apart, the ink
  // is not.
  const std::string variable = "/usr/share/fonts/truetype/inter-vf/Inter-roman.var.ttf@Bold";
  const std::string fixed = "/usr/share/fonts/opentype/inter/Inter-Bold.otf";
  const ProgramRun outline = run({"--glyph", "A", variable, fixed});
  const ProgramRun fill = run({"--fill", "--glyph", "A", variable, fixed});
  ASSERT_EQ(fill.exitStatus, 0) << fill.err;
  EXPECT_GT(intervalOf(outline.out).first, 100.0) << outline.out;
  EXPECT_LT(intervalOf(fill.out).second, 2.0) << fill.out;
}

TEST(FillProgram, CommandLinesThatCannotBeAsked) {
  const struct {
    std::vector<std::string> arguments;
    const char* words;
  } cases[] = {
      {{"--fill", "--metric", "frechet", kDisc, kRing}, "--metric frechet walks along outlines"},
      {{"--fill", "--method", "viewer", "0", "0", "1", "2", "3", "2", "4", "0", "0", "0", "1", "1",
        "2", "2", "4", "0"},
       "--fill needs the certified method"},
      {{"--fill-rule", "evenodd", kDisc, kRing}, "use it with --fill"},
      {{"--fill", "--fill-rule", "odd", kDisc, kRing}, "the fill rule is nonzero or evenodd"},
      {{"--fill", "--fill-rule", "evenodd", "--glyph", "A", "a.otf", "b.otf"},
       "glyphs fill under the nonzero rule"},
  };
  for (const auto& c : cases) {
    const ProgramRun refused = run(c.arguments);
    EXPECT_EQ(refused.exitStatus, 2) << c.words;
    EXPECT_NE(refused.err.find(c.words), std::string::npos) << refused.err;
  }
}

}  // namespace
