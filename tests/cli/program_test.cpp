// Runs the real bezier-hausdorff and checks what it prints and how it exits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "../geometry/fixtures.h"
#include "../geometry/reference.h"
#include "cli/options.h"
#include "geometry/hausdorff.h"
#include "geometry/nearest.h"
#include "run_program.h"

using fixtures::kLower;
using fixtures::kUpper;
using fixtures::splitLines;

namespace {

const std::string kProgram = BEZIER_HAUSDORFF_PATH;

std::string curveNumbers(const CubicCurve& curve, const char* separator) {
  std::string text;
  char number[32];
  for (const Point2& point : curve.p) {
    for (double value : {point.x, point.y}) {
      std::snprintf(number, sizeof number, "%.17g", value);
      text += (text.empty() ? "" : separator) + std::string(number);
    }
  }
  return text;
}

std::string pairLine(const CubicCurve& a, const CubicCurve& b, const char* separator = " ") {
  return curveNumbers(a, separator) + separator + curveNumbers(b, separator);
}

std::vector<std::string> pairArguments(const CubicCurve& a, const CubicCurve& b) {
  std::vector<std::string> arguments;
  for (const CubicCurve* curve : {&a, &b}) {
    for (const Point2& point : curve->p) {
      for (double value : {point.x, point.y}) {
        char number[32];
        std::snprintf(number, sizeof number, "%.17g", value);
        arguments.push_back(number);
      }
    }
  }
  return arguments;
}

ProgramRun run(std::vector<std::string> options, const std::vector<std::string>& operands = {},
               const std::string& input = "") {
  options.insert(options.begin(), kProgram);
  options.insert(options.end(), operands.begin(), operands.end());
  return runProgram(options, input);
}

// The same with the viewer's own search, whose output stays what it always was.
ProgramRun runViewer(std::vector<std::string> options,
                     const std::vector<std::string>& operands = {}, const std::string& input = "") {
  options.insert(options.begin(), {"--method", "viewer"});
  return run(options, operands, input);
}

// One JSON result line, read back field by field; %.17g makes the numbers exact.
struct JsonResult {
  double lower, upper, witnessT, witnessX, witnessY, nearestT, nearestX, nearestY;
  char curve;
  int steps;
};

bool parseJson(const std::string& line, JsonResult& r) {
  static const std::regex format(
      R"re(\{"lower":(\S+),"upper":(\S+),"witness":\{"curve":"([AB])","t":(\S+),"x":(\S+),)re"
      R"re("y":(\S+)\},"nearest":\{"t":(\S+),"x":(\S+),"y":(\S+)\},"steps":(\d+)\})re");
  std::smatch m;
  if (!std::regex_match(line, m, format)) return false;
  double* numbers[] = {&r.lower, &r.upper, &r.witnessT, &r.witnessX, &r.witnessY};
  for (int i = 0; i < 2; ++i) *numbers[i] = std::stod(m[i + 1]);
  r.curve = m[3].str()[0];
  for (int i = 2; i < 5; ++i) *numbers[i] = std::stod(m[i + 2]);
  r.nearestT = std::stod(m[7]);
  r.nearestX = std::stod(m[8]);
  r.nearestY = std::stod(m[9]);
  r.steps = std::stoi(m[10]);
  return true;
}

class Program : public ::testing::Test {
 protected:
  void SetUp() override { fixtures::resetScene(); }
};

// The default pair: the same interval, witness and step count as the library's search, and the
// nearest point where the viewer's marker search puts it.
TEST_F(Program, DefaultPairReportsTheViewersComputation) {
  const HausdorffResult search = hausdorffSearch(kLower, kUpper, nullptr);
  const Point2 witness = evaluateCurve(kUpper, -search.witness);
  nearestPointOnCurve(kLower, witness, 3);
  const double nearestT = geometryScene.lastNearestParameter;
  const Point2 nearest = evaluateCurve(kLower, nearestT);

  const ProgramRun json = runViewer({"--json"}, pairArguments(kLower, kUpper));
  EXPECT_EQ(json.exitStatus, 0);
  EXPECT_EQ(json.err, "");
  JsonResult r;
  ASSERT_TRUE(parseJson(splitLines(json.out).at(0), r)) << json.out;
  EXPECT_EQ(splitLines(json.out).size(), 1u);
  EXPECT_EQ(r.lower, search.lowerBound);
  EXPECT_EQ(r.upper, search.upperBound);
  EXPECT_EQ(r.steps, search.steps);
  EXPECT_EQ(r.curve, 'B');
  EXPECT_EQ(r.witnessT, 1e-9);
  EXPECT_EQ(r.witnessX, witness.x);
  EXPECT_EQ(r.witnessY, witness.y);
  EXPECT_EQ(r.nearestT, nearestT);
  EXPECT_EQ(r.nearestX, nearest.x);
  EXPECT_EQ(r.nearestY, nearest.y);

  char expected[300];
  std::snprintf(expected, sizeof expected,
                "distance [%.6f,%.6f] witness B t=0.000000 (-0.200000,0.300000) nearest t=%.6f "
                "(%.6f,%.6f) steps %d\n",
                search.lowerBound, search.upperBound, nearestT, nearest.x, nearest.y, search.steps);
  const ProgramRun text = runViewer({}, pairArguments(kLower, kUpper));
  EXPECT_EQ(text.exitStatus, 0);
  EXPECT_EQ(text.out, expected);
}

TEST_F(Program, TracePrecedesEachResult) {
  const std::string traceOne =
      fixtures::captureTrace([](std::FILE* file) { hausdorffSearch(kLower, kUpper, file); });
  const std::string traceTwo = fixtures::captureTrace(
      [](std::FILE* file) { hausdorffSearch(fixtures::kLoop, kLower, file); });
  const ProgramRun single = runViewer({"--trace"}, pairArguments(kLower, kUpper));
  const ProgramRun plain = runViewer({}, pairArguments(kLower, kUpper));
  EXPECT_EQ(single.out, traceOne + plain.out);

  const ProgramRun many =
      runViewer({"--trace", "--json"}, {"-"},
                pairLine(kLower, kUpper) + "\n" + pairLine(fixtures::kLoop, kLower));
  const std::vector<std::string> lines = splitLines(many.out);
  const size_t firstLength = splitLines(traceOne).size();
  ASSERT_EQ(lines.size(), firstLength + 1 + splitLines(traceTwo).size() + 1);
  std::string rebuilt;
  for (size_t i = 0; i < lines.size(); ++i) {
    const bool isResult = i == firstLength || i + 1 == lines.size();
    JsonResult r;
    EXPECT_EQ(parseJson(lines[i], r), isResult) << lines[i];
    if (!isResult) rebuilt += lines[i] + "\n";
  }
  EXPECT_EQ(rebuilt, traceOne + traceTwo);
}

// Seeded random pairs, half of them comma-separated: one result per pair, in order, each
// interval holding the densely sampled Hausdorff distance to within 0.001.
TEST_F(Program, RandomPairsBracketTheSampledDistance) {
  std::mt19937 random(31337);
  std::uniform_real_distribution<double> coordinate(-0.5, 0.5);
  std::vector<std::pair<CubicCurve, CubicCurve>> pairs(60);
  std::string input = "# seeded pairs\n";
  for (size_t i = 0; i < pairs.size(); ++i) {
    for (CubicCurve* curve : {&pairs[i].first, &pairs[i].second}) {
      for (Point2& point : curve->p) point = {coordinate(random), coordinate(random)};
    }
    input += pairLine(pairs[i].first, pairs[i].second, i % 2 ? ", " : " ") + "\n";
  }
  const ProgramRun result = runViewer({"--json"}, {"-"}, input);
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.err, "");
  const std::vector<std::string> lines = splitLines(result.out);
  ASSERT_EQ(lines.size(), pairs.size());
  for (size_t i = 0; i < pairs.size(); ++i) {
    JsonResult r;
    ASSERT_TRUE(parseJson(lines[i], r)) << lines[i];
    const auto& [a, b] = pairs[i];
    EXPECT_EQ(r.lower, hausdorffSearch(a, b, nullptr).lowerBound) << "pair " << i;
    const double sampled = reference::hausdorff(a, b);
    EXPECT_GE(sampled, r.lower - 0.001) << "pair " << i;
    EXPECT_LE(sampled, r.upper + 0.001) << "pair " << i;
  }
}

// Every refused command line: exit status 2, nothing on standard output, one line on standard
// error that names the argument.
TEST_F(Program, RefusesBadArgumentsWithOneLine) {
  const std::vector<std::string> good = pairArguments(kLower, kUpper);
  const auto replaced = [&](size_t index, const std::string& word) {
    std::vector<std::string> arguments = good;
    arguments[index] = word;
    return arguments;
  };
  std::vector<std::string> fifteen = good;
  fifteen.pop_back();
  std::vector<std::string> seventeen = good;
  seventeen.push_back("1");
  const struct {
    std::vector<std::string> arguments;
    std::string error;
  } cases[] = {
      {fifteen, "expected 16 numbers, got 15 arguments"},
      {seventeen, "expected 16 numbers, got 17 arguments"},
      {replaced(2, "abc"), "argument 3 (AX1) 'abc': not a number"},
      {replaced(4, "0.1x"), "argument 5 (AX2) '0.1x': not a number"},
      {replaced(0, "nan"), "argument 1 (AX0) 'nan': NaN is not a coordinate"},
      {replaced(9, "inf"), "argument 10 (BY0) 'inf': infinity is not a coordinate"},
      {replaced(15, "-inf"), "argument 16 (BY3) '-inf': infinity is not a coordinate"},
      {replaced(7, "1e151"), "argument 8 (AY3) '1e151': magnitude exceeds 1e150"},
      {replaced(8, "-2e150"), "argument 9 (BX0) '-2e150': magnitude exceeds 1e150"},
      {replaced(1, "1e400"), "argument 2 (AY0) '1e400': magnitude exceeds 1e150"},
      {replaced(3, "-"), "argument 4 (AY1) '-': not a number"},
  };
  for (const auto& c : cases) {
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{}, std::vector<std::string>{"--json"}}) {
      const ProgramRun result = run(options, c.arguments);
      EXPECT_EQ(result.exitStatus, 2) << c.error;
      EXPECT_EQ(result.out, "");
      EXPECT_EQ(result.err, "bezier-hausdorff: " + c.error + "\n");
    }
  }
}

TEST_F(Program, UnknownOptionsGetTheUsage) {
  const std::vector<std::string> good = pairArguments(kLower, kUpper);
  for (const char* option : {"--frobnicate", "-x", "--trace=maybe"}) {
    const ProgramRun result = run({option}, good);
    EXPECT_EQ(result.exitStatus, 2) << option;
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("Usage: bezier-hausdorff [OPTIONS]"), std::string::npos)
        << result.err;
  }
  EXPECT_NE(run({"--frobnicate"}, good).err.find("unknown option '--frobnicate'"),
            std::string::npos);
  const ProgramRun bare = run({});
  EXPECT_EQ(bare.exitStatus, 2);
  EXPECT_NE(bare.err.find("Usage:"), std::string::npos);
}

// --help reads on an 80-column terminal: the five forms of the command, the options in their
// groups, examples, and nothing of the option library's notation. A failed write is exit 1.
TEST_F(Program, HelpFitsEightyColumnsAndShowsEveryForm) {
  const ProgramRun help = run({"--help"});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_EQ(help.err, "");
  EXPECT_EQ(help.out.rfind("Usage: bezier-hausdorff [OPTIONS] AX0 AY0", 0), 0u) << help.out;
  for (const std::string& line : splitLines(help.out)) {
    EXPECT_LE(line.size(), 80u) << line;
    EXPECT_EQ(line.find('\t'), std::string::npos) << line;
  }
  for (const char* expected :
       {"[OPTIONS] SHAPE_A SHAPE_B\n", "[OPTIONS] -\n", "[OPTIONS] --glyph G FONT_A FONT_B\n",
        "[OPTIONS] --glyphs all FONT_A FONT_B\n", "\nInputs:\n", "\nMeasuring:\n", "\nOutput:\n",
        "\nExamples:\n", "\n  --tolerance T ", "\n  -j, --jobs N ", "'-' and --glyphs",
        "\n  -h, --help ", "\nExit status: "}) {
    EXPECT_NE(help.out.find(expected), std::string::npos) << expected;
  }
  for (const char* notation : {"INT", "TEXT", "{", "[1 - 1024]", "REQUIRED", ":FLOAT"}) {
    EXPECT_EQ(help.out.find(notation), std::string::npos) << notation;
  }
  EXPECT_EQ(run({"-h"}).out, help.out);
  // Every option the parser takes is described (an option added to one and not the other).
  for (const std::string& option : knownOptions()) {
    EXPECT_TRUE(help.out.find("\n  " + option + " ") != std::string::npos ||
                help.out.find("\n  " + option + ",") != std::string::npos ||
                help.out.find(", " + option + " ") != std::string::npos ||
                help.out.find("\n  " + option + "\n") != std::string::npos)
        << option << " is not described in --help";
  }
  EXPECT_GE(knownOptions().size(), 13u);

  const ProgramRun version = run({"--version"});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_EQ(version.out, "bezier-hausdorff 2.0.0\n");
  for (const char* option : {"--help", "--version"}) {
    const ProgramRun full = runProgram({kProgram, option}, "", "/dev/full");
    EXPECT_EQ(full.exitStatus, 1) << option;
    EXPECT_EQ(full.err, "bezier-hausdorff: cannot write standard output\n") << option;
  }
}

// A misspelt option is named with the nearest known one; a word far from every option is not.
TEST_F(Program, UnknownOptionsNameTheNearestKnownOne) {
  const std::vector<std::string> good = pairArguments(kLower, kUpper);
  const struct {
    const char* word;
    const char* message;
  } cases[] = {
      {"--tolerence", "unknown option '--tolerence' (did you mean --tolerance?)"},
      {"--jsn", "unknown option '--jsn' (did you mean --json?)"},
      {"--glyps", "unknown option '--glyps' (did you mean --glyph?)"},
      {"--verison", "unknown option '--verison' (did you mean --version?)"},
      {"--within-d=2", "unknown option '--within-d=2' (did you mean --within?)"},
      {"-x", "unknown option '-x'"},
      {"--frobnicate", "unknown option '--frobnicate'"},
  };
  for (const auto& c : cases) {
    const ProgramRun result = run({c.word}, good);
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(splitLines(result.err).at(0), std::string("bezier-hausdorff: ") + c.message);
  }
}

// Numbers that start with a minus sign are numbers, not options; "--" ends the options.
TEST_F(Program, NegativeNumbersAreNotOptions) {
  const std::string expected = run({}, pairArguments(kLower, kUpper)).out;
  std::vector<std::string> arguments = pairArguments(kLower, kUpper);
  arguments[0] = "-.2";  // AX0 of the lower curve is -0.2
  EXPECT_EQ(run({}, arguments).out, expected);
  arguments.insert(arguments.begin(), "--");
  EXPECT_EQ(run({"--json"}, arguments).exitStatus, 0);
}

// In '-' mode a refused line costs only its own result.
TEST_F(Program, StandardInputKeepsGoingPastBadLines) {
  const std::string good = pairLine(kLower, kUpper);
  const std::string loop = pairLine(fixtures::kLoop, kLower, ",");
  std::string garbage =
      "\x7f"
      "ELF\x02\x01";
  garbage += std::string("\0\0\xff\xfe 1 2,,", 10);
  const std::string input = "# header\n" + good + "\n\n" + "1 2 3\n" + loop + "\r\n" +
                            std::string(2 << 20, '5') + "\n" + garbage + "\n" +
                            good.substr(0, good.rfind(' ') + 1) + "nan\n   \t\n" + loop;
  const ProgramRun result = run({}, {"-"}, input);
  EXPECT_EQ(result.exitStatus, 1);
  const std::string goodResult = run({}, pairArguments(kLower, kUpper)).out;
  const std::string loopResult = run({}, pairArguments(fixtures::kLoop, kLower)).out;
  const std::vector<std::string> errors = splitLines(result.err);
  // Each refused line also has an error record on standard output, in its place:
  // "bezier-hausdorff: line N: MESSAGE" there, "line N: error: MESSAGE" here.
  const auto record = [&](std::size_t i) {
    const std::string& error = errors.at(i);
    const std::size_t line = error.find("line "), colon = error.find(": ", line);
    return error.substr(line, colon - line) + ": error" + error.substr(colon) + "\n";
  };
  EXPECT_EQ(result.out,
            goodResult + record(0) + loopResult + record(1) + record(2) + record(3) + loopResult);
  EXPECT_EQ(record(0), "line 4: error: expected 16 numbers, found 3\n");
  ASSERT_EQ(errors.size(), 4u) << result.err;
  EXPECT_EQ(errors[0], "bezier-hausdorff: line 4: expected 16 numbers, found 3");
  EXPECT_EQ(errors[1], "bezier-hausdorff: line 6: longer than 1048576 bytes");
  EXPECT_EQ(errors[2].rfind("bezier-hausdorff: line 7: token 1 (AX0) '\\x7fELF\\x02\\x01\\x00", 0),
            0u)
      << errors[2];
  EXPECT_EQ(errors[3].rfind("bezier-hausdorff: line 8: token 16 (BY3) '", 0), 0u) << errors[3];
  EXPECT_NE(errors[3].find("NaN is not a coordinate"), std::string::npos);

  const ProgramRun allGood = run({}, {"-"}, good + "\n# done\n");
  EXPECT_EQ(allGood.exitStatus, 0);
  EXPECT_EQ(allGood.out, goodResult);
  EXPECT_EQ(allGood.err, "");
  const ProgramRun empty = run({}, {"-"}, "");
  EXPECT_EQ(empty.exitStatus, 0);
  EXPECT_EQ(empty.out, "");
}

// Far from the origin the viewer searches' fixed 0.001 tolerances need ever more memory; a pair
// that exhausts it is refused alone. prlimit imposes a small cap so this happens quickly.
TEST_F(Program, PairThatExhaustsMemoryIsRefusedAlone) {
#ifdef BEZIER_SANITIZED
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the cap allows";
#endif
  CubicCurve vast{1, -1, 0.3, 0.2, -1, 1, 0, 0};
  CubicCurve other{-1, 1, 1, 1, 0.5, -1, 1, 0};
  for (CubicCurve* curve : {&vast, &other}) {
    for (Point2& point : curve->p) point = {point.x * 1e8, point.y * 1e8};
  }
  const std::string good = pairLine(kLower, kUpper);
  const ProgramRun result =
      runProgram({"prlimit", "--as=50000000", kProgram, "--method", "viewer", "-"},
                 good + "\n" + pairLine(vast, other) + "\n" + good + "\n");
  EXPECT_EQ(result.signal, 0);
  EXPECT_EQ(result.exitStatus, 1);
  const std::string goodResult = runViewer({}, pairArguments(kLower, kUpper)).out;
  const std::string message =
      "the search ran out of memory (its tolerance is 0.001 in the curves' units: scale very "
      "large curves down)";
  EXPECT_EQ(result.out, goodResult + "line 2: error: " + message + "\n" + goodResult);
  EXPECT_EQ(result.err, "bezier-hausdorff: line 2: " + message + "\n");
}

// A full disk is a failure, not a success.
TEST_F(Program, FailedWritesAreReported) {
  const ProgramRun result =
      runProgram({kProgram, "-"}, pairLine(kLower, kUpper) + "\n", "/dev/full");
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.err, "bezier-hausdorff: cannot write standard output\n");
}

}  // namespace
