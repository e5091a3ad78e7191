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
  // Its file descriptor, read with read(2) so that a pipe's bytes are returned as they arrive;
  // -1 for a stream without one (then fread, which may wait to fill the chunk).
  int descriptor;
  char chunk[1 << 16];  // input read ahead; chunk[chunkStart, chunkEnd) is not yet consumed
  std::size_t chunkStart;
  std::size_t chunkEnd;
  bool inputEnded;            // no more bytes: end of input or a read error
  bool readFailed;            // a read error ended the input
  std::size_t limit;          // the longest line returned, at most kMaxLineLength
  long linesRead;             // lines returned so far, the one being returned included
  char line[kMaxLineLength];  // the line being returned
};

enum class LineStatus {
  kLine,     // text holds the line, without its '\n'; it may contain any byte, NUL included
  kTooLong,  // the line had more than `limit` bytes; all of it has been consumed
  kEnd,      // no more input; check readFailed to tell a read error from the end
  kPaused,   // only from readInputLine without waiting: no whole line has arrived yet
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

// Whether readLine would return at once: a whole line is read ahead, the input has ended, or
// the descriptor has bytes waiting (checked with poll, without waiting). A stream without a
// descriptor is always ready. A writer that sends a line and waits for its answer leaves the
// input not ready: the time to deliver every answer computed so far.
bool lineReady(LineReader& reader);

// The next line with something to read, as '-' mode reads standard input: the byte-order mark
// before the first line and each line's comment removed, blank and comment lines skipped. With
// `wait` false it returns kPaused instead of waiting for a line that has not arrived.
struct InputLine {
  LineStatus status;      // kLine, kTooLong, kEnd or kPaused
  long number;            // counting every line of the input from 1
  std::string_view text;  // when kLine; valid until the next read
};
InputLine readInputLine(LineReader& reader, bool wait = true);

// What to say of a kTooLong line: "longer than N bytes", N the reader's limit.
std::string tooLongMessage(const LineReader& reader);

#endif  // CLI_LINE_READER_H
