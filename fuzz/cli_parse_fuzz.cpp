// libFuzzer target: arbitrary bytes through bezier-hausdorff's input handling.
//
// The bytes are read three ways, as the program can meet them:
//   - as standard input: through the line reader with a 4,096-byte limit, each line that is not
//     skipped, its comment removed, through the pair parser and through the line reader of
//     '-' mode, which also takes two TAB-separated shapes (not SVG files: no file is opened);
//   - as one line, newlines and all, straight to the pair parser;
//   - as a command line: split at NUL bytes into words, each through the option test and, when
//     there are 16, through the argument parser.
//
// Every input must: split into the same lines as a plain reading of the bytes does, long lines
// reported as too long; give, for every pair accepted, 16 finite coordinates within 1e150 that
// each token reads as on its own and that read back bit for bit from their shortest exact
// decimals; accept only tokens of the documented number syntax, with strtod's value; and refuse
// everything else with one line of printable text. Any breach prints the input and aborts, which
// libFuzzer reports as a crash.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cli/line_reader.h"
#include "cli/pair_input.h"
#include "cli/parse.h"

namespace {

// The longest message: "token 16 (BY3) " plus a token quoted at 40 bytes of 4-character escapes,
// plus the longest problem; or a shape's name, its argument quoted likewise and the path data
// reader's message.
constexpr std::size_t kLongestError = 400;
constexpr std::size_t kReaderLimit = 4096;

std::string_view currentInput;

[[noreturn]] void failInput(const std::string& what) {
  std::fprintf(stderr, "cli_parse_fuzz: %s\n  input (%zu bytes): ", what.c_str(),
               currentInput.size());
  for (const char c : currentInput) std::fprintf(stderr, "%02x", static_cast<unsigned char>(c));
  std::fprintf(stderr, "\n");
  std::abort();
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// The number syntax the parser documents, read independently of it: an optional sign, digits
// with an optional point (at least one digit on either side of it), an optional exponent of an
// optional sign and at least one digit.
bool isDecimalNumber(std::string_view token) {
  std::size_t at = 0;
  if (at < token.size() && (token[at] == '+' || token[at] == '-')) ++at;
  std::size_t digits = 0;
  while (at < token.size() && isDigit(token[at])) ++at, ++digits;
  if (at < token.size() && token[at] == '.') {
    ++at;
    while (at < token.size() && isDigit(token[at])) ++at, ++digits;
  }
  if (digits == 0) return false;
  if (at < token.size() && (token[at] == 'e' || token[at] == 'E')) {
    ++at;
    if (at < token.size() && (token[at] == '+' || token[at] == '-')) ++at;
    std::size_t exponentDigits = 0;
    while (at < token.size() && isDigit(token[at])) ++at, ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  return at == token.size();
}

bool sameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

void checkErrorLine(const std::string& error) {
  if (error.empty()) failInput("refused without a message");
  if (error.size() > kLongestError) failInput("message longer than one line: " + error);
  for (const char c : error) {
    if (c < 0x20 || c > 0x7e) failInput("message with a byte that is not printable: " + error);
  }
}

void checkCoordinate(std::string_view token) {
  const CoordinateParse parsed = parseCoordinate(token);
  if (!parsed.ok) {
    if (parsed.problem == nullptr || *parsed.problem == '\0') failInput("refused without reason");
    return;
  }
  const std::string text(token);
  if (!isDecimalNumber(token)) failInput("accepted a token that is not a decimal: " + text);
  if (!std::isfinite(parsed.value) || std::fabs(parsed.value) > beziercurve::kMaxCoordinate) {
    failInput("accepted a coordinate out of range: " + text);
  }
  // A value too small for a double may read as zero; any other must be the correctly rounded
  // value that strtod reads.
  const double expected = std::strtod(text.c_str(), nullptr);
  const bool underflow = parsed.value == 0.0 && std::fabs(expected) < 2.3e-308;
  if (!sameBits(parsed.value, expected) && !underflow) {
    failInput("token read as another value than strtod's: " + text);
  }
}

// The words of a line as the parser documents them: runs of anything but blanks and commas.
std::vector<std::string> wordsOf(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : line) {
    if (c == ' ' || c == '\t' || c == '\r' || c == ',') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

std::vector<double> coordinatesOf(const CurvePair& pair) {
  std::vector<double> values;
  for (const beziercurve::Cubic* curve : {&pair.a, &pair.b}) {
    for (const beziercurve::Point& p : curve->p) {
      values.push_back(p.x);
      values.push_back(p.y);
    }
  }
  return values;
}

void checkSameCoordinates(const CurvePair& got, const CurvePair& expected, const char* what) {
  const std::vector<double> a = coordinatesOf(got);
  const std::vector<double> b = coordinatesOf(expected);
  for (int i = 0; i < kPairNumberCount; ++i) {
    if (!sameBits(a[i], b[i])) {
      failInput(std::string(what) + ": coordinate " + coordinateName(i) + " differs");
    }
  }
}

void checkPairLine(std::string_view line) {
  const PairParse parsed = parsePairLine(line);
  if (!parsed.ok) {
    checkErrorLine(parsed.error);
    return;
  }
  const std::vector<std::string> words = wordsOf(line);
  if (words.size() != kPairNumberCount) failInput("accepted a line without 16 numbers");
  for (const std::string& word : words) checkCoordinate(word);

  // The same words as arguments give the same pair.
  const PairParse asArguments = parsePairArguments(words);
  if (!asArguments.ok) failInput("line accepted, its words as arguments refused");
  checkSameCoordinates(asArguments.pair, parsed.pair, "words as arguments");

  // The pair written with its shortest exact decimals reads back bit for bit.
  std::string written;
  for (const double value : coordinatesOf(parsed.pair)) {
    char number[32];
    std::snprintf(number, sizeof number, "%.17g ", value);
    written += number;
  }
  const PairParse reread = parsePairLine(written);
  if (!reread.ok) failInput("a pair written back is refused: " + reread.error);
  checkSameCoordinates(reread.pair, parsed.pair, "written back");
}

// A line as '-' mode reads it: two shapes or 16 numbers. Lines naming SVG files are left out
// (the fuzzer must not read the file system); path data is parsed for real.
void checkLineDispatch(std::string_view line) {
  for (std::size_t i = 0; i + 4 <= line.size(); ++i) {
    const auto lower = [&](std::size_t k) { return static_cast<char>(line[i + k] | 0x20); };
    if (line[i] == '.' && lower(1) == 's' && lower(2) == 'v' && lower(3) == 'g') return;
  }
  const PairInput input = readPairLine(line, beziercurve::kDefaultArcError);
  if (!input.ok) {
    checkErrorLine(input.error);
    return;
  }
  for (const beziercurve::Shape* shape : {&input.a, &input.b}) {
    if (shape->segments.empty()) failInput("accepted a shape without segments");
  }
}

// --- Standard input --------------------------------------------------------------------------

struct ByteSource {
  std::string_view bytes;
  std::size_t at;
};

ssize_t readBytes(void* cookie, char* buffer, size_t size) {
  ByteSource& source = *static_cast<ByteSource*>(cookie);
  const std::size_t left = source.bytes.size() - source.at;
  const std::size_t taken = size < left ? size : left;
  std::memcpy(buffer, source.bytes.data() + source.at, taken);
  source.at += taken;
  return static_cast<ssize_t>(taken);
}

// The lines of `bytes` read plainly: split at every '\n'; a last line without one counts.
std::vector<std::string_view> plainLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t newline = bytes.find('\n', start);
    const std::size_t end = newline == std::string_view::npos ? bytes.size() : newline;
    lines.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

void checkStandardInput(std::string_view bytes) {
  static LineReader reader;  // about 1.1 MB
  ByteSource source{bytes, 0};
  cookie_io_functions_t functions{readBytes, nullptr, nullptr, nullptr};
  std::FILE* input = fopencookie(&source, "r", functions);
  if (input == nullptr) failInput("fopencookie failed");
  // A small limit, so that inputs of a few kilobytes reach the too-long path.
  startReading(reader, input, kReaderLimit);

  const std::vector<std::string_view> expected = plainLines(bytes);
  std::size_t index = 0;
  for (LineRead read = readLine(reader); read.status != LineStatus::kEnd;
       read = readLine(reader), ++index) {
    if (index == expected.size()) failInput("more lines than the input holds");
    const std::string_view line = expected[index];
    if (read.status == LineStatus::kTooLong) {
      if (line.size() <= kReaderLimit) failInput("a line within the limit reported too long");
      continue;
    }
    if (line.size() > kReaderLimit) failInput("a line over the limit returned");
    if (read.text != line) failInput("line " + std::to_string(index + 1) + " read differently");
    const std::string_view text =
        withoutComment(index == 0 ? withoutByteOrderMark(read.text) : read.text);
    if (isSkippedLine(text)) continue;
    checkPairLine(text);
    checkLineDispatch(text);
  }
  if (index != expected.size()) failInput("fewer lines than the input holds");
  if (std::ferror(input)) failInput("read error on a memory stream");
  std::fclose(input);
}

// --- The command line ------------------------------------------------------------------------

void checkArguments(std::string_view bytes) {
  std::vector<std::string> words;
  std::size_t start = 0;
  while (start <= bytes.size()) {
    const std::size_t nul = bytes.find('\0', start);
    const std::size_t end = nul == std::string_view::npos ? bytes.size() : nul;
    words.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  for (const std::string& word : words) {
    looksLikeOption(word);  // only its safety is checked: it is a judgement on spelling
    checkCoordinate(word);
  }
  const PairParse parsed = parsePairArguments(words);
  if (!parsed.ok) {
    checkErrorLine(parsed.error);
    return;
  }
  for (const double value : coordinatesOf(parsed.pair)) {
    if (!std::isfinite(value) || std::fabs(value) > beziercurve::kMaxCoordinate) {
      failInput("accepted an argument out of range");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  currentInput = bytes;
  checkStandardInput(bytes);
  checkPairLine(bytes);
  checkArguments(bytes);
  return 0;
}
