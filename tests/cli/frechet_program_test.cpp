// The real bezier-hausdorff with --metric frechet: printed intervals that overlap the independent
// Fréchet reference, distances known by hand, the decision's exit statuses, --any-start, and the
// refusals of what cannot be walked.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "../distance/frechet_reference.h"
#include "../distance/pair_table.h"
#include "../geometry/fixtures.h"
#include "run_program.h"

using fixtures::splitLines;

namespace {

const std::string kProgram = BEZIER_HAUSDORFF_PATH;

ProgramRun run(std::vector<std::string> arguments, const std::string& input = "") {
  arguments.insert(arguments.begin(), kProgram);
  return runProgram(arguments, input);
}

std::string lineOf(const CubicCurve& a, const CubicCurve& b) {
  std::string line;
  for (const CubicCurve* curve : {&a, &b}) {
    for (const Point2& point : curve->p) {
      for (double value : {point.x, point.y}) {
        char text[32];
        std::snprintf(text, sizeof text, "%s%.17g", line.empty() ? "" : " ", value);
        line += text;
      }
    }
  }
  return line;
}

struct Interval {
  double lower, upper;
};

bool readInterval(const std::string& line, Interval& interval) {
  static const std::regex text(
      R"re(frechet distance \[([-0-9.e+]+),([-0-9.e+]+)\] bottleneck A t=\S+ \(\S+,\S+\) )re"
      R"re(B t=\S+ \(\S+,\S+\) steps \d+( within \S+: (yes|no|undecided))?)re");
  static const std::regex json(
      R"re(\{(?:"line":\d+,)?"metric":"frechet","method":"certified","lower":([^,]+),)re"
      R"re("upper":([^,]+),)re"
      R"re("bottleneck":\{"a":\{"segment":0,"t":[^,]+,"x":[^,]+,"y":[^}]+\},)re"
      R"re("b":\{"segment":0,"t":[^,]+,"x":[^,]+,"y":[^}]+\}\},"steps":\d+,)re"
      R"re("toleranceMet":true\})re");
  std::smatch m;
  if (!std::regex_match(line, m, text) && !std::regex_match(line, m, json)) return false;
  interval = {std::stod(m[1]), std::stod(m[2])};
  return true;
}

// Seeded pairs through '-' on two workers: every printed interval, text (rounded outward) or
// JSON, overlaps the reference interval (polylines, Alt and Godau), in input order.
TEST(FrechetProgram, PrintedIntervalsOverlapTheReference) {
  const std::vector<TablePair> table = seededPairTable();
  std::string input;
  std::vector<frechet_reference::Interval> references;
  for (std::size_t i = 0; i < table.size(); i += 21) {
    input += lineOf(table[i].a.segments[0], table[i].b.segments[0]) + "\n";
    references.push_back(frechet_reference::frechet(table[i].a, table[i].b, 64));
  }
  for (const char* format : {"--json", "--tolerance=1e-4"}) {
    const ProgramRun result = run({"--metric", "frechet", format, "-j", "2", "-"}, input);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.err, "");
    const std::vector<std::string> lines = splitLines(result.out);
    ASSERT_EQ(lines.size(), references.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      Interval interval;
      ASSERT_TRUE(readInterval(lines[i], interval)) << lines[i];
      EXPECT_LE(interval.lower, references[i].upper + 1e-12) << lines[i];
      EXPECT_GE(interval.upper, references[i].lower - 1e-12) << lines[i];
    }
  }
}

TEST(FrechetProgram, HandWorkedDistancesAndDecisions) {
  const std::vector<std::string> reversed = {"0", "0", "1", "0", "2", "0", "3", "0",
                                             "3", "0", "2", "0", "1", "0", "0", "0"};
  const auto withOptions = [&](std::vector<std::string> options) {
    options.insert(options.end(), reversed.begin(), reversed.end());
    return run(options);
  };
  // A segment against itself reversed: the walkers start 3 apart; as sets they are equal.
  ProgramRun result = withOptions({"--metric", "frechet"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out.rfind("frechet distance [2.999999,3.000001] bottleneck A t=0.000000 "
                             "(0.000000,0.000000) B t=0.000000 (3.000000,0.000000) steps ",
                             0),
            0u)
      << result.out;
  EXPECT_EQ(withOptions({}).out.rfind("distance [0.000000,", 0), 0u);
  EXPECT_EQ(withOptions({"--metric", "frechet", "--within", "3.01"}).exitStatus, 0);
  result = withOptions({"--metric", "frechet", "--within", "2.99"});
  EXPECT_EQ(result.exitStatus, 3);
  EXPECT_NE(result.out.find(" within 2.99: no"), std::string::npos) << result.out;
  // A square against itself from its next corner: 1 as drawn (the starts are a side apart), 0
  // when the walks may start anywhere.
  const std::string square = "M 0 0 L 1 0 L 1 1 L 0 1 Z";
  const std::string later = "M 1 0 L 1 1 L 0 1 L 0 0 Z";
  result = run({"--metric", "frechet", square, later});
  EXPECT_EQ(result.out.rfind("frechet distance [0.999999,1.000001]", 0), 0u) << result.out;
  result = run({"--metric", "frechet", "--any-start", "--json", square, later});
  EXPECT_EQ(result.out.rfind(R"({"metric":"frechet","method":"certified","lower":0,"upper":)", 0),
            0u)
      << result.out;
}

// The picture draws the walk: every leash drawn, the bottleneck's included, is no longer than the
// upper bound, at the picture's scale (704 units for the larger side of the control points' box).
TEST(FrechetProgram, PlotDrawsLeashesWithinTheUpperBound) {
  const std::string path = std::string(CLI_TEST_OUTPUT_DIR) + "/frechet-plot.svg";
  std::remove(path.c_str());
  const ProgramRun result =
      run({"--metric", "frechet", "--json", "--plot", path, "M 0 0 C 1 2 3 2 4 0 C 5 -2 6 -1 7 0",
           "M 0.2 0 C 1.5 2.5 2 1 4 0.3 C 5 -1 6 -2 7 0.2"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const double upper = std::stod(result.out.substr(result.out.find("\"upper\":") + 8));
  std::FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  std::string svg;
  for (int c; (c = std::fgetc(file)) != EOF;) svg += static_cast<char>(c);
  std::fclose(file);
  const double scale = 704.0 / 7.0;  // x from 0 to 7, y from -2 to 2.5
  static const std::regex line(
      R"re(<line (id="bottleneck-leash" [^x]*)?x1="([-0-9.e]+)" y1="([-0-9.e]+)" )re"
      R"re(x2="([-0-9.e]+)" y2="([-0-9.e]+)"/>)re");
  int leashes = 0, bottlenecks = 0;
  for (std::sregex_iterator m(svg.begin(), svg.end(), line), end; m != end; ++m) {
    const double length = std::hypot(std::stod((*m)[4]) - std::stod((*m)[2]),
                                     std::stod((*m)[5]) - std::stod((*m)[3]));
    EXPECT_LE(length, upper * scale + 0.01) << m->str();
    ++((*m)[1].matched ? bottlenecks : leashes);
  }
  EXPECT_EQ(bottlenecks, 1);
  EXPECT_EQ(leashes, 25);
  EXPECT_NE(svg.find("Frechet distance in ["), std::string::npos);
}

TEST(FrechetProgram, RefusesWhatCannotBeWalked) {
  const std::string twoSubpaths = "M 0 0 L 1 0 M 2 2 L 3 3";
  ProgramRun result = run({"--metric", "frechet", twoSubpaths, "M 0 0 L 1 1"});
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.err.find("A is not one continuous path: it has 2 contours (contour 1 starts "
                            "at segment 1, away from where segment 0 ends)"),
            std::string::npos)
      << result.err;
  // Subpaths that meet end to start are still one path to walk.
  result = run({"--metric", "frechet", "M 0 0 L 1 0 M 1 0 L 2 0", "M 0 0 L 2 0"});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  // In '-' mode the line is refused and the others still measured.
  result = run({"--metric", "frechet", "-"},
               "M 0 0 L 1 1\t" + twoSubpaths + "\nM 0 0 L 1 0\tM 0 1 L 1 1\n");
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.err.find("line 1: B is not one continuous path"), std::string::npos)
      << result.err;
  // One record a line: the refused line's error record, then the measured one.
  const std::vector<std::string> records = splitLines(result.out);
  ASSERT_EQ(records.size(), 2u) << result.out;
  EXPECT_EQ(records[0].rfind("line 1: error: B is not one continuous path", 0), 0u) << records[0];
  EXPECT_EQ(records[1].rfind("frechet distance [", 0), 0u) << records[1];
  for (const std::vector<std::string>& options : {std::vector<std::string>{"--any-start"},
                                                  {"--metric", "frechet", "--method", "viewer"},
                                                  {"--metric", "manhattan"}}) {
    std::vector<std::string> arguments = options;
    for (const char* number : {"0", "0", "1", "0", "2", "0", "3", "0"}) arguments.push_back(number);
    for (const char* number : {"0", "1", "1", "1", "2", "1", "3", "1"}) arguments.push_back(number);
    EXPECT_EQ(run(arguments).exitStatus, 2) << options.front();
  }
}

}  // namespace
