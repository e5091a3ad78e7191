#include "cli/line_reader.h"

#include "cli/parse.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Up to a chunk of input: what the descriptor has (at least one byte, waiting for it if need
// be), or what fread gives. 0 at the end of input or on an error.
std::size_t readChunk(LineReader& reader) {
  if (reader.descriptor < 0) {
    const std::size_t got = std::fread(reader.chunk, 1, sizeof reader.chunk, reader.input);
    if (got == 0 && std::ferror(reader.input)) reader.readFailed = true;
    return got;
  }
  for (;;) {
    const ssize_t got = read(reader.descriptor, reader.chunk, sizeof reader.chunk);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno == EAGAIN || errno == EWOULDBLOCK) {  // a non-blocking input: wait for bytes
      pollfd waiting{reader.descriptor, POLLIN, 0};
      poll(&waiting, 1, -1);
    } else if (errno != EINTR) {
      reader.readFailed = true;
      return 0;
    }
  }
}

// Makes unread bytes available; false once the input is exhausted.
bool refill(LineReader& reader) {
  if (reader.chunkStart < reader.chunkEnd) return true;
  if (reader.inputEnded) return false;
  reader.chunkStart = 0;
  reader.chunkEnd = readChunk(reader);
  if (reader.chunkEnd == 0) reader.inputEnded = true;
  return reader.chunkEnd > 0;
}

}  // namespace

void startReading(LineReader& reader, std::FILE* input, std::size_t limit) {
  reader.input = input;
  reader.descriptor = fileno(input);
  reader.readFailed = false;
  reader.limit = limit < kMaxLineLength ? limit : kMaxLineLength;
  reader.linesRead = 0;
  reader.chunkStart = 0;
  reader.chunkEnd = 0;
  reader.inputEnded = false;
}

LineRead readLine(LineReader& reader) {
  std::size_t length = 0;
  bool tooLong = false;
  bool sawAnyByte = false;
  while (refill(reader)) {
    sawAnyByte = true;
    const char* begin = reader.chunk + reader.chunkStart;
    const std::size_t available = reader.chunkEnd - reader.chunkStart;
    const char* newline = static_cast<const char*>(std::memchr(begin, '\n', available));
    const std::size_t taken = newline ? static_cast<std::size_t>(newline - begin) : available;
    if (!tooLong && length + taken > reader.limit) tooLong = true;
    if (!tooLong) {
      std::memcpy(reader.line + length, begin, taken);
      length += taken;
    }
    reader.chunkStart += taken + (newline ? 1 : 0);
    if (newline) break;
  }
  if (!sawAnyByte) return {LineStatus::kEnd, {}};
  ++reader.linesRead;
  if (tooLong) return {LineStatus::kTooLong, {}};
  return {LineStatus::kLine, std::string_view(reader.line, length)};
}

bool lineReady(LineReader& reader) {
  if (reader.inputEnded || reader.descriptor < 0) return true;
  const char* begin = reader.chunk + reader.chunkStart;
  if (std::memchr(begin, '\n', reader.chunkEnd - reader.chunkStart) != nullptr) return true;
  pollfd waiting{reader.descriptor, POLLIN, 0};
  return poll(&waiting, 1, 0) != 0;  // an error too: let the read report it
}

InputLine readInputLine(LineReader& reader, bool wait) {
  for (;;) {
    if (!wait && !lineReady(reader)) return {LineStatus::kPaused, reader.linesRead, {}};
    const LineRead read = readLine(reader);
    if (read.status != LineStatus::kLine) return {read.status, reader.linesRead, {}};
    const std::string_view text =
        withoutComment(reader.linesRead == 1 ? withoutByteOrderMark(read.text) : read.text);
    if (!isSkippedLine(text)) return {LineStatus::kLine, reader.linesRead, text};
  }
}

std::string tooLongMessage(const LineReader& reader) {
  return "longer than " + std::to_string(reader.limit) + " bytes";
}
