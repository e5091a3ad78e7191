// bezier-hausdorff in '-' mode as a pipeline stage: one record per input line, in order, each
// delivered before the writer sends the next line.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "../geometry/fixtures.h"
#include "run_program.h"

using fixtures::splitLines;

namespace {

const std::string kProgram = BEZIER_HAUSDORFF_PATH;

const std::string kGoodPair = "0 0 1 2 3 2 4 0  0 0 1.1 1.9 2.9 2.1 4 0";
const std::string kShapes = "M 0 0 C 1 2 3 2 4 0\tM 0 0 Q 2 2.7 4 0";

// What the program prints for one pair given on its own, as the record of line `number`.
std::string resultOf(const std::string& line, const std::vector<std::string>& options) {
  std::vector<std::string> arguments{kProgram};
  arguments.insert(arguments.end(), options.begin(), options.end());
  arguments.push_back("-");
  return splitLines(runProgram(arguments, line + "\n").out).at(0);
}

// A writer that sends one line and waits for its answer before the next: every answer arrives
// while standard input is still open, in text and JSON, results and refusals alike, with the
// certified search and the viewer's.
TEST(StreamingProgram, AnswersEachLineBeforeTheNextIsSent) {
  const struct {
    std::vector<std::string> options;
    std::vector<std::pair<std::string, std::string>> exchanges;  // line sent, answer's start
  } cases[] = {
      {{},
       {{kGoodPair, "distance [0.040386,0.041153] witness B"},
        {"1 2 3", "line 2: error: expected 16 numbers, found 3"},
        {kShapes, "distance [0.152007,0.152521] witness A segment 0"},
        {"# a comment, then the same pair again", ""},
        {kGoodPair, "distance [0.040386,0.041153] witness B"}}},
      {{"--json", "-j", "2"},
       {{kGoodPair, "{\"line\":1,\"method\":\"certified\",\"lower\":0.0403"},
        {"M 0 0 L 1 1\tx", "{\"line\":2,\"error\":\"shape B 'x': not a shape"},
        {kShapes, "{\"line\":3,\"method\":\"certified\""}}},
      {{"--method", "viewer"},
       {{kGoodPair, "distance [0.040"},
        {"1 2", "line 2: error: expected 16 numbers, found 2"},
        {kGoodPair, "distance [0.040"}}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> arguments{kProgram};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    arguments.push_back("-");
    Coprocess child = startCoprocess(arguments);
    for (const auto& [line, answer] : c.exchanges) {
      sendTo(child, line + "\n");
      if (answer.empty()) continue;  // a comment has no answer
      const std::string received = receiveLine(child);
      EXPECT_EQ(received.rfind(answer, 0), 0u) << "sent: " << line << "\ngot: " << received;
    }
    const ProgramRun finished = finishCoprocess(child);
    EXPECT_EQ(finished.out, "");  // nothing was held back
    EXPECT_EQ(finished.signal, 0);
  }
}

// Over more lines than one batch, with refused lines among them and two workers: the output has
// one record per pair line, in input order, so that line k of a comment-free input lines up with
// record k; JSON records carry the line number; the errors also go to standard error.
TEST(StreamingProgram, RecordsLineUpWithTheirInputLines) {
  std::string input;
  std::vector<bool> refused;
  const std::string goodText = resultOf(kGoodPair, {});
  const std::string shapesText = resultOf(kShapes, {});
  for (int i = 0; i < 10000; ++i) {
    const bool bad = i % 7 == 3 || i == 9999;
    refused.push_back(bad);
    input += (bad ? std::string(i % 2 ? "1 2 3" : "M 0 0 L 1 1\tM 0 0 L nan 1")
                  : (i % 5 == 0 ? kShapes : kGoodPair)) +
             "\n";
  }
  const ProgramRun text = runProgram({kProgram, "-j", "2", "-"}, input);
  const ProgramRun json = runProgram({kProgram, "-j", "2", "--json", "-"}, input);
  EXPECT_EQ(text.exitStatus, 1);
  EXPECT_EQ(json.exitStatus, 1);
  const std::vector<std::string> textLines = splitLines(text.out);
  const std::vector<std::string> jsonLines = splitLines(json.out);
  const std::vector<std::string> errors = splitLines(text.err);
  ASSERT_EQ(textLines.size(), refused.size());
  ASSERT_EQ(jsonLines.size(), refused.size());
  std::size_t errorCount = 0;
  static const std::regex jsonLine(R"re(\{"line":(\d+),("error"|"method"):.*\})re");
  for (std::size_t i = 0; i < refused.size(); ++i) {
    const std::string number = std::to_string(i + 1);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(jsonLines[i], m, jsonLine)) << jsonLines[i];
    EXPECT_EQ(m[1], number);
    EXPECT_EQ(m[2] == "\"error\"", refused[i]) << jsonLines[i];
    if (refused[i]) {
      EXPECT_EQ(textLines[i].rfind("line " + number + ": error: ", 0), 0u) << textLines[i];
      ASSERT_LT(errorCount, errors.size());
      EXPECT_EQ("bezier-hausdorff: " + textLines[i].substr(0, textLines[i].find(": error")) +
                    textLines[i].substr(textLines[i].find(": error") + 7),
                errors[errorCount++]);
    } else {
      EXPECT_EQ(textLines[i], i % 5 == 0 ? shapesText : goodText) << "line " << number;
    }
  }
  EXPECT_EQ(errorCount, errors.size());
}

}  // namespace
