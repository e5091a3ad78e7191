// The real bezier-hausdorff with its default, certified method: intervals that hold an
// independent reference as printed, the decision form's exit statuses, and refused options.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "../distance/pair_table.h"
#include "../distance/shape_reference.h"
#include "../geometry/fixtures.h"
#include "run_program.h"

using fixtures::kLower;
using fixtures::kUpper;
using fixtures::splitLines;

namespace {

const std::string kProgram = BEZIER_HAUSDORFF_PATH;

ProgramRun run(std::vector<std::string> arguments, const std::string& input = "") {
  arguments.insert(arguments.begin(), kProgram);
  return runProgram(arguments, input);
}

std::vector<std::string> numbersOf(const CubicCurve& a, const CubicCurve& b) {
  std::vector<std::string> numbers;
  for (const CubicCurve* curve : {&a, &b}) {
    for (const Point2& point : curve->p) {
      for (double value : {point.x, point.y}) {
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", value);
        numbers.push_back(text);
      }
    }
  }
  return numbers;
}

std::string lineOf(const CubicCurve& a, const CubicCurve& b) {
  std::string line;
  for (const std::string& number : numbersOf(a, b)) line += (line.empty() ? "" : " ") + number;
  return line;
}

std::vector<std::string> with(std::vector<std::string> options, const CubicCurve& a,
                              const CubicCurve& b) {
  const std::vector<std::string> numbers = numbersOf(a, b);
  options.insert(options.end(), numbers.begin(), numbers.end());
  return options;
}

struct Interval {
  double lower, upper;
};

// The bounds of a text or JSON result line; false when the line has neither form.
bool readInterval(const std::string& line, Interval& interval) {
  static const std::regex text(
      R"re(distance \[([-0-9.e+]+),([-0-9.e+]+)\] witness [AB] t=\S+ \(\S+,\S+\) )re"
      R"re(nearest t=\S+ \(\S+,\S+\) steps \d+( within \S+: (yes|no|undecided))?)re"
      R"re(( tolerance not met)?)re");
  static const std::regex json(
      R"re(\{(?:"line":\d+,)?"method":"certified","lower":([^,]+),"upper":([^,]+),)re"
      R"re("witness":\{"curve":"[AB]",)re"
      R"re("segment":0,"t":[^,]+,"x":[^,]+,"y":[^}]+\},"nearest":\{"segment":0,"t":[^,]+,)re"
      R"re("x":[^,]+,"y":[^}]+\},"steps":\d+,"toleranceMet":(true|false))re"
      R"re((,"within":\{"threshold":[^,]+,"verdict":"(yes|no|undecided)"\})?\})re");
  std::smatch m;
  if (!std::regex_match(line, m, text) && !std::regex_match(line, m, json)) return false;
  interval = {std::stod(m[1]), std::stod(m[2])};
  return true;
}

// Seeded pairs of every kind, one per line, through '-' with two workers: each printed
// interval, text (rounded outward) or JSON, holds the reference, and the output is the same as
// with one worker, in input order.
TEST(CertifiedProgram, PrintedIntervalsHoldTheReference) {
  const std::vector<TablePair> table = seededPairTable();
  std::string input;
  std::vector<long double> references;
  for (std::size_t i = 0; i < table.size(); i += 9) {
    input += lineOf(table[i].a.segments[0], table[i].b.segments[0]) + "\n";
    references.push_back(shape_reference::hausdorff(table[i].a, table[i].b));
  }
  for (const char* format : {"--json", "--tolerance=1e-3"}) {
    const ProgramRun two = run({format, "-j", "2", "-"}, input);
    EXPECT_EQ(two.exitStatus, 0);
    EXPECT_EQ(two.err, "");
    EXPECT_EQ(run({format, "--jobs=1", "-"}, input).out, two.out);
    const std::vector<std::string> lines = splitLines(two.out);
    ASSERT_EQ(lines.size(), references.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      Interval interval;
      ASSERT_TRUE(readInterval(lines[i], interval)) << lines[i];
      EXPECT_LE(interval.lower, references[i] + 1e-12) << lines[i];
      EXPECT_GE(interval.upper, references[i] - 1e-12) << lines[i];
    }
  }
}

// A finer tolerance prints more decimals, so that the printed interval is as narrow as asked.
TEST(CertifiedProgram, TextShowsTheDecimalsTheToleranceNeeds) {
  const ProgramRun fine = run(with({"--tolerance", "1e-9"}, kLower, kUpper));
  EXPECT_EQ(fine.exitStatus, 0);
  EXPECT_EQ(fine.out.rfind("distance [0.4814197755,0.4814197757] witness ", 0), 0u) << fine.out;
  const ProgramRun coarse = run(with({}, kLower, kUpper));
  EXPECT_EQ(coarse.out.rfind("distance [0.481419,", 0), 0u) << coarse.out;
}

// The digits of a text bound without its point, as an integer: "0.0407304092" -> 407304092.
__extension__ typedef __int128 Digits;
Digits digitsOf(const std::string& decimal) {
  Digits value = 0;
  for (const char c : decimal) {
    if (c >= '0' && c <= '9') value = value * 10 + (c - '0');
  }
  return value;
}

// toleranceMet says one thing in text and JSON, with and without --within, for either metric:
// the interval is at most the tolerance wide. And whenever the computed interval is, so is the
// printed one: at tolerance 10^-k the text's decimals d give a printed width of (U - L) / 10^d,
// compared exactly with 10^(d-k).
TEST(CertifiedProgram, ToleranceMetMeansTheSameInTextAndJson) {
  const std::vector<TablePair> table = seededPairTable();
  std::string input;
  for (std::size_t i = 0; i < table.size(); i += 13) {
    input += lineOf(table[i].a.segments[0], table[i].b.segments[0]) + "\n";
  }
  static const std::regex textBounds(R"re(^(?:frechet )?distance \[([0-9.]+),([0-9.]+)\] )re");
  static const std::regex jsonBounds(R"re("lower":([^,]+),"upper":([^,]+),)re");
  int printedChecks = 0;
  const struct {
    const char* metric;
    std::vector<int> exponents;
  } metrics[] = {{"hausdorff", {3, 6, 9, 12}}, {"frechet", {3, 6}}};
  for (const auto& [metric, exponents] : metrics) {
    for (int k : exponents) {
      const std::string tolerance = "1e-" + std::to_string(k);
      for (const std::vector<std::string>& within :
           {std::vector<std::string>{}, std::vector<std::string>{"--within", "0.3"}}) {
        std::vector<std::string> options = within;
        options.insert(options.end(), {"--metric", metric});
        options.insert(options.end(), {"--tolerance", tolerance, "-"});
        const std::vector<std::string> text = splitLines(run(options, input).out);
        options.insert(options.begin(), "--json");
        const std::vector<std::string> json = splitLines(run(options, input).out);
        ASSERT_EQ(text.size(), json.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
          std::smatch t, j;
          ASSERT_TRUE(std::regex_search(text[i], t, textBounds)) << text[i];
          ASSERT_TRUE(std::regex_search(json[i], j, jsonBounds)) << json[i];
          const bool met = json[i].find("\"toleranceMet\":true") != std::string::npos;
          EXPECT_EQ(met, std::stod(j[2]) - std::stod(j[1]) <= std::stod(tolerance)) << json[i];
          EXPECT_EQ(met, text[i].find(" tolerance not met") == std::string::npos) << text[i] << "\n"
                                                                                  << json[i];
          if (!met) continue;
          const std::string lower = t[1], upper = t[2];
          const int decimals = static_cast<int>(lower.size() - lower.find('.') - 1);
          Digits allowed = decimals >= k ? 1 : 0;  // below k decimals only equal bounds fit
          for (int d = k; d < decimals; ++d) allowed *= 10;
          EXPECT_LE(digitsOf(upper) - digitsOf(lower), allowed) << tolerance << ": " << text[i];
          ++printedChecks;
        }
      }
    }
  }
  EXPECT_GT(printedChecks, 50);
}

// Coordinates near the largest accepted magnitude print in scientific notation, and a
// tolerance finer than rounding allows there is reported as not met.
TEST(CertifiedProgram, HugeCoordinatesPrintShortAndSayWhatRoundingAllows) {
  CubicCurve a = kLower, b = kUpper;
  for (CubicCurve* curve : {&a, &b}) {
    for (Point2& point : curve->p) point = {point.x * 1e149, point.y * 1e149};
  }
  const ProgramRun result = run(with({"--tolerance", "1"}, a, b));
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_LT(result.out.size(), 250u) << result.out;
  EXPECT_NE(result.out.find("e+148,"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find(" tolerance not met\n"), std::string::npos) << result.out;

  // In scientific notation too, the printed interval keeps a tolerance the computed one meets.
  for (CubicCurve* curve : {&a, &b}) {
    for (Point2& point : curve->p) point = {point.x * 1e-135, point.y * 1e-135};
  }
  const ProgramRun met = run(with({"--tolerance", "1000"}, a, b));
  std::smatch m;
  ASSERT_TRUE(
      std::regex_search(met.out, m, std::regex(R"re(^distance \[(\S+e\+13),(\S+e\+13)\])re")))
      << met.out;
  EXPECT_EQ(met.out.find("tolerance not met"), std::string::npos) << met.out;
  EXPECT_LE(std::stold(m[2]) - std::stold(m[1]), 1000.0L) << met.out;
}

// --within prints the interval with a verdict and exits 0 (within), 3 (beyond) or 4
// (undecided); over several lines the most serious outcome decides.
TEST(CertifiedProgram, WithinExitsWithTheVerdict) {
  const struct {
    const char* threshold;
    CubicCurve a, b;
    int status;
    const char* verdict;
  } cases[] = {
      {"0.5", kLower, kUpper, 0, " within 0.5: yes\n"},
      {"0.48", kLower, kUpper, 3, " within 0.48: no\n"},
      {"0", kLower, kLower, 4, " within 0: undecided\n"},
      {"1e-9", kLower, kLower, 0, " within 1e-09: yes\n"},
  };
  for (const auto& c : cases) {
    const ProgramRun result = run(with({"--within", c.threshold}, c.a, c.b));
    EXPECT_EQ(result.exitStatus, c.status) << c.threshold;
    EXPECT_NE(result.out.find(c.verdict), std::string::npos) << result.out;
    Interval interval;
    ASSERT_TRUE(readInterval(result.out.substr(0, result.out.size() - 1), interval));
    const ProgramRun json = run(with({"--json", "--within", c.threshold}, c.a, c.b));
    EXPECT_EQ(json.exitStatus, c.status);
  }
  const std::string yes = lineOf(kLower, kUpper);
  const std::string no = lineOf(kLower, fixtures::kStraight);
  const std::string undecided = lineOf(kLower, kLower);
  EXPECT_EQ(run({"--within", "0.5", "-"}, yes + "\n" + yes + "\n").exitStatus, 0);
  EXPECT_EQ(run({"--within", "0.5", "-"}, yes + "\n" + undecided + "\n").exitStatus, 0);
  EXPECT_EQ(run({"--within", "0", "-"}, undecided + "\n" + undecided + "\n").exitStatus, 4);
  EXPECT_EQ(run({"--within", "0", "-"}, undecided + "\n" + no + "\n").exitStatus, 3);
  EXPECT_EQ(run({"--within", "0", "-"}, "1 2\n" + no + "\n").exitStatus, 1);
}

// Each misuse of an option, empty and malformed values included: exit status 2, nothing on
// standard output, a first line that names the option and says what it takes.
TEST(CertifiedProgram, RefusesOptionsThatMakeNoSense) {
  const std::string kTolerance = "the tolerance must be a positive, finite number (such as 1e-6)";
  const std::string kThreshold =
      "the threshold D must be a finite distance, 0 or more (such as 0.5)";
  const struct {
    std::vector<std::string> options;
    std::string message;
  } cases[] = {
      {{"--tolerance", "0"}, "--tolerance '0': " + kTolerance},
      {{"--tolerance", "-1"}, "--tolerance '-1': " + kTolerance},
      {{"--tolerance", "nan"}, "--tolerance 'nan': " + kTolerance},
      {{"--tolerance", "abc"}, "--tolerance 'abc': " + kTolerance},
      {{"--tolerance", "1e999"}, "--tolerance '1e999': " + kTolerance},
      {{"--tolerance", "inf"}, "--tolerance 'inf': " + kTolerance},
      {{"--tolerance", ""}, "--tolerance needs a value: " + kTolerance},
      {{"--tolerance="}, "--tolerance needs a value: " + kTolerance},
      {{"--within", ""}, "--within needs a value: " + kThreshold},
      {{"--within="}, "--within needs a value: " + kThreshold},
      {{"--within", "nan"}, "--within 'nan': " + kThreshold},
      {{"--within", "1e400"}, "--within '1e400': " + kThreshold},
      {{"--within", "-0.5"}, "--within '-0.5': a distance is never negative"},
      {{"--trace"}, "--trace prints the viewer search's trace: use it with --method viewer"},
      {{"--trace=maybe"}, "--trace takes no value"},
      {{"--method", "viewer", "--within", "1"}, "--within needs the certified method"},
      {{"--method", "viewer", "--tolerance", "1"}, "--tolerance applies to the certified method"},
      {{"-j", "0"}, "--jobs '0': the worker threads must be a whole number from 1 to 1024"},
      {{"--jobs", "1025"}, "--jobs '1025': the worker threads must be a whole number from 1"},
      {{"-j", "2x"}, "--jobs '2x': the worker threads must be a whole number from 1"},
      {{"--method", "fast"}, "--method 'fast': the method is certified or viewer"},
      {{"--glyphs", "some"}, "--glyphs 'some': the one value is all (for one glyph: --glyph G)"},
      {{"--glyph", ""}, "--glyph needs a value: the glyph is a character, U+XXXX or a glyph name"},
      {{"--plot", ""}, "--plot needs a value: give the picture's file name, or - for standard"},
  };
  for (const auto& c : cases) {
    const ProgramRun result = run(with(c.options, kLower, kUpper));
    EXPECT_EQ(result.exitStatus, 2) << c.message;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("bezier-hausdorff: " + c.message, 0), 0u) << result.err;
  }
  // The tolerance has no coordinate limit: any positive, finite width is a tolerance.
  const ProgramRun wide = run(with({"--tolerance", "1e308"}, kLower, kUpper));
  EXPECT_EQ(wide.exitStatus, 0) << wide.err;
  EXPECT_EQ(run(with({"--tolerance", "1", "--tolerance", "1e-9"}, kLower, kUpper)).out,
            run(with({"--tolerance", "1e-9"}, kLower, kUpper)).out);  // the last one counts
  const ProgramRun dash = run({"-", "0", "0", "1"});
  EXPECT_EQ(dash.exitStatus, 2);
  EXPECT_EQ(dash.err.rfind("bezier-hausdorff: '-' takes no other arguments", 0), 0u) << dash.err;
}

}  // namespace
