#include "cli/line_reader.h"

#include "cli/parse.h"

#include <cstring>

namespace {

// Makes unread bytes available; false once the input is exhausted.
bool refill(LineReader& reader) {
  if (reader.chunkStart < reader.chunkEnd) return true;
  if (reader.inputEnded) return false;
  reader.chunkStart = 0;
  reader.chunkEnd = std::fread(reader.chunk, 1, sizeof reader.chunk, reader.input);
  if (reader.chunkEnd == 0) reader.inputEnded = true;
  return reader.chunkEnd > 0;
}

}  // namespace

void startReading(LineReader& reader, std::FILE* input, std::size_t limit) {
  reader.input = input;
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

InputLine readInputLine(LineReader& reader) {
  for (;;) {
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
