#include "cli/parse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace {

// 1 … 16 in order, so a misplaced coordinate shows.
std::string numbersJoinedBy(const std::string& separator) {
  std::string line;
  for (int i = 1; i <= 16; ++i) line += (i > 1 ? separator : "") + std::to_string(i);
  return line;
}

void expectOneToSixteen(const CurvePair& pair) {
  const beziercurve::Cubic* curves[2] = {&pair.a, &pair.b};
  double expected = 1;
  for (const beziercurve::Cubic* curve : curves) {
    for (const beziercurve::Point& point : curve->p) {
      EXPECT_EQ(point.x, expected++);
      EXPECT_EQ(point.y, expected++);
    }
  }
}

TEST(ParsePairLine, AcceptsBlanksAndCommasBetweenNumbers) {
  const std::string lines[] = {
      numbersJoinedBy(" "),        numbersJoinedBy("\t"),
      numbersJoinedBy(","),        numbersJoinedBy(", "),
      numbersJoinedBy(" ,\t"),     "  " + numbersJoinedBy("   ") + " \t",
      numbersJoinedBy(" ") + "\r", numbersJoinedBy(",") + " \r",
  };
  for (const std::string& line : lines) {
    const PairParse parsed = parsePairLine(line);
    ASSERT_TRUE(parsed.ok) << line << ": " << parsed.error;
    expectOneToSixteen(parsed.pair);
  }
}

TEST(ParsePairLine, NamesWhatIsWrong) {
  const std::string sixteen = numbersJoinedBy(" ");
  const struct {
    std::string line;
    std::string error;
  } cases[] = {
      {"", "expected 16 numbers, found 0"},
      {numbersJoinedBy(" ").substr(0, sixteen.rfind(' ')), "expected 16 numbers, found 15"},
      {sixteen + " 17 18", "more than 16 numbers, from token 17 '17'"},
      {"1 2 3 4 x 6 7 8 9 10 11 12 13 14 15 16", "token 5 (AX2) 'x': not a number"},
      {"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 nan", "token 16 (BY3) 'nan': NaN is not a coordinate"},
      {"-inf 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16",
       "token 1 (AX0) '-inf': infinity is not a coordinate"},
      {"1 2 3 4 5 6 7 8 1e151 10 11 12 13 14 15 16",
       "token 9 (BX0) '1e151': magnitude exceeds 1e150"},
      {"," + sixteen, "empty field before the first number"},
      {"1,,2", "empty field after token 1"},
      {"1 , , 2", "empty field after token 1"},
      {numbersJoinedBy(",") + ",", "empty field after token 16"},
      {numbersJoinedBy(",") + ", \r", "empty field after token 16"},
      {std::string("1 2\0 3", 6), "token 2 (AY0) '2\\x00': not a number"},
  };
  for (const auto& c : cases) {
    const PairParse parsed = parsePairLine(c.line);
    EXPECT_FALSE(parsed.ok) << c.line;
    EXPECT_EQ(parsed.error, c.error) << c.line;
  }
}

// The fuzzing contract: any bytes give 16 acceptable coordinates or one short line of error.
TEST(ParsePairLine, SurvivesArbitraryBytes) {
  std::mt19937 random(77);
  std::uniform_int_distribution<int> byte(0, 255);
  const std::string alphabet = "0123456789+-.eE, \t\r#naifNAIF";
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  for (int i = 0; i < 3000; ++i) {
    std::string line(static_cast<size_t>(i % 700), '\0');
    for (char& c : line) c = i % 2 ? static_cast<char>(byte(random)) : alphabet[pick(random)];
    const PairParse parsed = parsePairLine(line);
    if (parsed.ok) {
      for (const beziercurve::Cubic* curve : {&parsed.pair.a, &parsed.pair.b}) {
        for (const beziercurve::Point& point : curve->p) {
          EXPECT_LE(std::fabs(point.x), beziercurve::kMaxCoordinate);
          EXPECT_LE(std::fabs(point.y), beziercurve::kMaxCoordinate);
        }
      }
    } else {
      EXPECT_FALSE(parsed.error.empty());
      EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
      EXPECT_LE(parsed.error.size(), 240u);
    }
  }
  const std::string huge(1 << 20, '7');
  EXPECT_EQ(parsePairLine(huge).error,
            "token 1 (AX0) '7777777777777777777777777777777777777777...': longer than 100 "
            "characters");
}

TEST(ParseCoordinate, ReadsDecimalNumbers) {
  const struct {
    const char* token;
    double value;
  } cases[] = {
      {"1.5", 1.5},           {"-2", -2},      {"+2", 2},        {".5", 0.5},        {"5.", 5},
      {"-.25e1", -2.5},       {"1E-3", 0.001}, {"1e150", 1e150}, {"-1e150", -1e150}, {"0.1", 0.1},
      {"4.9e-324", 4.9e-324},
  };
  for (const auto& c : cases) {
    const CoordinateParse parsed = parseCoordinate(c.token);
    ASSERT_TRUE(parsed.ok) << c.token;
    EXPECT_EQ(parsed.value, c.value) << c.token;
  }
  // Too small for a double: zero, keeping the sign.
  EXPECT_TRUE(parseCoordinate("1e-400").ok);
  EXPECT_EQ(parseCoordinate("1e-400").value, 0.0);
  EXPECT_TRUE(std::signbit(parseCoordinate("-1e-400").value));
  EXPECT_TRUE(std::signbit(parseCoordinate("-0").value));
}

TEST(ParseCoordinate, RefusesWhatIsNotAFiniteBoundedNumber) {
  const struct {
    std::string token;
    std::string problem;
  } cases[] = {
      {"", "not a number"},
      {"abc", "not a number"},
      {"1.2.3", "not a number"},
      {"1e", "not a number"},
      {"0x10", "not a number"},
      {"+-1", "not a number"},
      {"++1", "not a number"},
      {" 1", "not a number"},
      {"1 ", "not a number"},
      {"1,5", "not a number"},
      {"+", "not a number"},
      {"-", "not a number"},
      {"nan", "NaN is not a coordinate"},
      {"-NaN", "NaN is not a coordinate"},
      {"nan(7)", "NaN is not a coordinate"},
      {"inf", "infinity is not a coordinate"},
      {"-Infinity", "infinity is not a coordinate"},
      {"+inf", "infinity is not a coordinate"},
      {"1e151", "magnitude exceeds 1e150"},
      {"-1.0000001e150", "magnitude exceeds 1e150"},
      {"1e400", "magnitude exceeds 1e150"},
      {"-1e400", "magnitude exceeds 1e150"},
      {"1" + std::string(99, '0') + "1", "longer than 100 characters"},
  };
  for (const auto& c : cases) {
    const CoordinateParse parsed = parseCoordinate(c.token);
    EXPECT_FALSE(parsed.ok) << c.token;
    if (!parsed.ok) {
      EXPECT_EQ(parsed.problem, c.problem) << c.token;
    }
  }
  EXPECT_TRUE(parseCoordinate(std::string(100, '1')).ok);  // exactly at the length limit
}

TEST(IsSkippedLine, SkipsBlankAndCommentLinesOnly) {
  for (const char* line : {"", " ", "\t \r", "#", "# 1 2 3", "   #x"}) {
    EXPECT_TRUE(isSkippedLine(line)) << line;
  }
  for (const char* line : {"1", " 1 # note", ",", "x#"}) EXPECT_FALSE(isSkippedLine(line)) << line;
}

TEST(ParsePairArguments, TakesOneNumberPerArgument) {
  std::vector<std::string> arguments;
  for (int i = 1; i <= 16; ++i) arguments.push_back(std::to_string(i));
  const PairParse parsed = parsePairArguments(arguments);
  ASSERT_TRUE(parsed.ok) << parsed.error;
  expectOneToSixteen(parsed.pair);

  arguments[15] = "1e999";
  EXPECT_EQ(parsePairArguments(arguments).error,
            "argument 16 (BY3) '1e999': magnitude exceeds 1e150");
  arguments[15] = "1 6";
  EXPECT_EQ(parsePairArguments(arguments).error, "argument 16 (BY3) '1 6': not a number");
  arguments.pop_back();
  EXPECT_EQ(parsePairArguments(arguments).error, "expected 16 numbers, got 15 arguments");
  EXPECT_EQ(parsePairArguments({"-"}).error,
            "expected 16 numbers, two shapes or '-', got one argument");
}

TEST(QuotedToken, EscapesAndShortens) {
  EXPECT_EQ(quotedToken("1.5"), "'1.5'");
  EXPECT_EQ(quotedToken(std::string("a'\\\n\x7f\xff\0", 7)), "'a\\x27\\x5c\\x0a\\x7f\\xff\\x00'");
  EXPECT_EQ(quotedToken(std::string(41, 'z')), "'" + std::string(40, 'z') + "...'");
}

TEST(LooksLikeOption, TellsOptionsFromNumbers) {
  for (const char* word : {"--json", "--", "--5", "-x", "-trace", "-E"}) {
    EXPECT_TRUE(looksLikeOption(word)) << word;
  }
  for (const char* word : {"-", "-0.5", "-.5", "-1e3", "-inf", "-Infinity", "-nan", "1", "x"}) {
    EXPECT_FALSE(looksLikeOption(word)) << word;
  }
}

TEST(CoordinateName, NamesCurvePointAndAxis) {
  EXPECT_STREQ(coordinateName(0), "AX0");
  EXPECT_STREQ(coordinateName(7), "AY3");
  EXPECT_STREQ(coordinateName(8), "BX0");
  EXPECT_STREQ(coordinateName(13), "BY2");
  EXPECT_STREQ(coordinateName(15), "BY3");
}

}  // namespace
