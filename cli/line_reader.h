// Reads standard input line by line in fixed memory, however long its lines or whatever bytes
// they hold.
#ifndef CLI_LINE_READER_H
#define CLI_LINE_READER_H

#include <cstddef>
#include <cstdio>
#include <string_view>

// Longer lines are reported as too long and skipped whole; 16 numbers at full precision with
// their separators take about 400 characters.
constexpr std::size_t kMaxLineLength = 4096;

struct LineReader {
  std::FILE* input;
  char chunk[1 << 16];  // input read ahead; chunk[chunkStart, chunkEnd) is not yet consumed
  std::size_t chunkStart;
  std::size_t chunkEnd;
  bool inputEnded;            // fread has returned 0: end of input or a read error
  char line[kMaxLineLength];  // the line being returned
};

enum class LineStatus {
  kLine,     // text holds the line, without its '\n'; it may contain any byte, NUL included
  kTooLong,  // the line had more than kMaxLineLength bytes; all of it has been consumed
  kEnd,      // no more input; check ferror(input) to tell a read error from the end
};

struct LineRead {
  LineStatus status;
  std::string_view text;  // valid until the next readLine
};

// Starts reading `input`; the reader holds about 70 KB, so keep it off small stacks.
void startReading(LineReader& reader, std::FILE* input);

// The next line. A last line without a final newline counts as a line.
LineRead readLine(LineReader& reader);

#endif  // CLI_LINE_READER_H
