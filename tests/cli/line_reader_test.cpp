#include "cli/line_reader.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Read {
  LineStatus status;
  std::string text;
  bool operator==(const Read& other) const { return status == other.status && text == other.text; }
};

void PrintTo(const Read& read, std::ostream* out) {
  *out << static_cast<int>(read.status) << " '" << read.text << "'";
}

// Every read up to and including the first kEnd, from a file holding `input`.
std::vector<Read> readAll(const std::string& input) {
  std::FILE* file = std::tmpfile();
  std::fwrite(input.data(), 1, input.size(), file);
  std::rewind(file);
  auto reader = std::make_unique<LineReader>();
  startReading(*reader, file);
  std::vector<Read> reads;
  for (;;) {
    const LineRead read = readLine(*reader);
    reads.push_back({read.status, std::string(read.text)});
    if (read.status == LineStatus::kEnd) break;
  }
  EXPECT_EQ(readLine(*reader).status, LineStatus::kEnd);  // and stays there
  std::fclose(file);
  return reads;
}

Read line(const std::string& text) {
  return {LineStatus::kLine, text};
}

const Read kTooLong{LineStatus::kTooLong, ""};
const Read kEnd{LineStatus::kEnd, ""};

TEST(LineReader, SplitsAtNewlinesAndKeepsEveryByte) {
  EXPECT_EQ(readAll(""), (std::vector<Read>{kEnd}));
  EXPECT_EQ(readAll("\n"), (std::vector<Read>{line(""), kEnd}));
  EXPECT_EQ(readAll("a\n\nb c\r\n"), (std::vector<Read>{line("a"), line(""), line("b c\r"), kEnd}));
  // A last line without its newline still counts.
  EXPECT_EQ(readAll("a\nlast"), (std::vector<Read>{line("a"), line("last"), kEnd}));
  const std::string binary("x\0\xff y", 5);
  EXPECT_EQ(readAll(binary + "\n"), (std::vector<Read>{line(binary), kEnd}));
}

TEST(LineReader, RefusesOverlongLinesWholeAndGoesOn) {
  const std::string longest(kMaxLineLength, 'a');
  const std::string over(kMaxLineLength + 1, 'b');
  EXPECT_EQ(readAll(longest + "\n" + over + "\nnext\n" + over),
            (std::vector<Read>{line(longest), kTooLong, line("next"), kTooLong, kEnd}));
  // Far longer than the read-ahead chunk, without a single newline until the end.
  const std::string huge(3 << 20, '9');
  EXPECT_EQ(readAll(huge + "\nafter"), (std::vector<Read>{kTooLong, line("after"), kEnd}));
}

// Lines that straddle the boundaries of the read-ahead chunks come back whole.
TEST(LineReader, JoinsLinesAcrossReadAheadChunks) {
  std::string input;
  std::vector<Read> expected;
  for (int i = 0; input.size() < 300000; ++i) {
    const std::string text = std::to_string(i) + std::string(static_cast<size_t>(i % 997), '.');
    input += text + "\n";
    expected.push_back(line(text));
  }
  expected.push_back(kEnd);
  EXPECT_EQ(readAll(input), expected);
}

}  // namespace

namespace {

// On a pipe, a line is ready once its newline has arrived (or the input has ended); until then
// readInputLine without waiting says kPaused, and the line comes whole afterwards.
TEST(LineReader, TellsWhenTheNextLineHasNotArrived) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  std::FILE* input = fdopen(ends[0], "r");
  auto reader = std::make_unique<LineReader>();
  startReading(*reader, input);
  const auto send = [&](const std::string& text) {
    ASSERT_EQ(write(ends[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  };
  EXPECT_FALSE(lineReady(*reader));
  EXPECT_EQ(readInputLine(*reader, false).status, LineStatus::kPaused);
  send("1 2");
  EXPECT_TRUE(lineReady(*reader));  // bytes wait; reading them may still wait for the rest
  send(" 3\n# comment\n4\n");
  InputLine line = readInputLine(*reader, false);
  EXPECT_EQ(line.status, LineStatus::kLine);
  EXPECT_EQ(line.text, "1 2 3");
  line = readInputLine(*reader, false);  // the comment is skipped, "4" is read ahead already
  EXPECT_EQ(line.status, LineStatus::kLine);
  EXPECT_EQ(line.number, 3);
  EXPECT_FALSE(lineReady(*reader));
  EXPECT_EQ(readInputLine(*reader, false).status, LineStatus::kPaused);
  close(ends[1]);
  EXPECT_TRUE(lineReady(*reader));
  EXPECT_EQ(readInputLine(*reader, false).status, LineStatus::kEnd);
  EXPECT_FALSE(reader->readFailed);
  std::fclose(input);
}

}  // namespace
