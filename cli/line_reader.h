// Reads standard input line by line in fixed memory, however long its lines or whatever bytes
// they hold.
#ifndef CLI_LINE_READER_H
#define CLI_LINE_READER_H

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

// Longer lines are reported as too long and skipped whole. 16 numbers at full precision with
// their separators take about 400 characters; two shapes' path data may take far more.
constexpr std::size_t kMaxLineLength = std::size_t{1} << 20;

struct LineReader {
  std::FILE* input;
  char chunk[1 << 16];  // input read ahead; chunk[chunkStart, chunkEnd) is not yet consumed
  std::size_t chunkStart;
  std::size_t chunkEnd;
  bool inputEnded;            // fread has returned 0: end of input or a read error
  std::size_t limit;          // the longest line returned, at most kMaxLineLength
  long linesRead;             // lines returned so far, the one being returned included
  char line[kMaxLineLength];  // the line being returned
};

enum class LineStatus {
  kLine,     // text holds the line, without its '\n'; it may contain any byte, NUL included
  kTooLong,  // the line had more than `limit` bytes; all of it has been consumed
  kEnd,      // no more input; check ferror(input) to tell a read error from the end
};

struct LineRead {
  LineStatus status;
  std::string_view text;  // valid until the next readLine
};

// Starts reading `input`, returning lines of at most `limit` bytes (at most kMaxLineLength); the
// reader holds about 1.1 MB, so keep it off the stack.
void startReading(LineReader& reader, std::FILE* input, std::size_t limit = kMaxLineLength);

// The next line. A last line without a final newline counts as a line.
LineRead readLine(LineReader& reader);

// The next line with something to read, as '-' mode reads standard input: the byte-order mark
// before the first line and each line's comment removed, blank and comment lines skipped.
struct InputLine {
  LineStatus status;      // kLine, kTooLong or kEnd
  long number;            // counting every line of the input from 1
  std::string_view text;  // when kLine; valid until the next read
};
InputLine readInputLine(LineReader& reader);

// What to say of a kTooLong line: "longer than N bytes", N the reader's limit.
std::string tooLongMessage(const LineReader& reader);

#endif  // CLI_LINE_READER_H
