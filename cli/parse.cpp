#include "cli/parse.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

using namespace beziercurve;

namespace {

constexpr std::size_t kQuotedBytes = 40;

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

bool isSeparator(char c) {
  return isBlank(c) || c == ',';
}

bool isLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lowered(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (lowered(text[i]) != prefix[i]) return false;
  }
  return true;
}

std::size_t skipBlanks(std::string_view text, std::size_t position) {
  while (position < text.size() && isBlank(text[position])) ++position;
  return position;
}

// from_chars reports both overflow and underflow as out of range. A token of at most
// kMaxTokenLength characters whose exponent is negative cannot overflow (its mantissa has fewer
// than 100 digits before the point), so a negative exponent means underflow.
bool hasNegativeExponent(std::string_view token) {
  const std::size_t e = token.find_first_of("eE");
  return e != std::string_view::npos && e + 1 < token.size() && token[e + 1] == '-';
}

PairParse failure(std::string message) {
  PairParse result{};
  result.ok = false;
  result.error = std::move(message);
  return result;
}

std::string describeToken(const char* what, int index, std::string_view token,
                          const char* problem) {
  return std::string(what) + " " + std::to_string(index + 1) + " (" + coordinateName(index) + ") " +
         quotedToken(token) + ": " + problem;
}

void store(CurvePair& pair, int index, double value) {
  Cubic& curve = index < 8 ? pair.a : pair.b;
  Point& point = curve.p[(index % 8) / 2];
  (index % 2 == 0 ? point.x : point.y) = value;
}

}  // namespace

CoordinateParse parseCoordinate(std::string_view token) {
  if (token.empty()) return {false, 0.0, "not a number"};
  if (token.size() > kMaxTokenLength) return {false, 0.0, "longer than 100 characters"};
  std::string_view digits = token;
  // from_chars takes no plus sign; one is allowed in front of an unsigned number.
  if (digits[0] == '+' && digits.size() > 1 && digits[1] != '-') digits.remove_prefix(1);

  double value = 0.0;
  const char* end = digits.data() + digits.size();
  const std::from_chars_result read = std::from_chars(digits.data(), end, value);
  if (read.ptr != end || read.ec == std::errc::invalid_argument) {
    if (token.find("\xE2\x88\x92") != std::string_view::npos) {
      return {false, 0.0, "not a number: U+2212 MINUS SIGN is not '-' (write '-')"};
    }
    return {false, 0.0, "not a number"};
  }
  if (read.ec == std::errc::result_out_of_range) {
    if (!hasNegativeExponent(digits)) return {false, 0.0, "magnitude exceeds 1e150"};
    value = digits[0] == '-' ? -0.0 : 0.0;
  }
  if (std::isnan(value)) return {false, 0.0, "NaN is not a coordinate"};
  if (std::isinf(value)) return {false, 0.0, "infinity is not a coordinate"};
  if (std::fabs(value) > kMaxCoordinate) return {false, 0.0, "magnitude exceeds 1e150"};
  return {true, value, nullptr};
}

bool isSkippedLine(std::string_view line) {
  const std::size_t first = skipBlanks(line, 0);
  return first == line.size() || line[first] == '#';
}

std::string_view withoutComment(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
      return line.substr(0, i);
    }
  }
  return line;
}

std::string_view withoutByteOrderMark(std::string_view text) {
  constexpr std::string_view kMark = "\xEF\xBB\xBF";
  return text.substr(0, kMark.size()) == kMark ? text.substr(kMark.size()) : text;
}

PairParse parsePairLine(std::string_view line) {
  PairParse result{};
  int count = 0;
  std::size_t position = skipBlanks(line, 0);
  if (position < line.size() && line[position] == ',') {
    return failure("empty field before the first number");
  }
  while (position < line.size()) {
    std::size_t tokenEnd = position;
    while (tokenEnd < line.size() && !isSeparator(line[tokenEnd])) ++tokenEnd;
    const std::string_view token = line.substr(position, tokenEnd - position);
    if (count == kPairNumberCount) {
      return failure("more than 16 numbers, from token 17 " + quotedToken(token));
    }
    const CoordinateParse coordinate = parseCoordinate(token);
    if (!coordinate.ok) return failure(describeToken("token", count, token, coordinate.problem));
    store(result.pair, count, coordinate.value);
    ++count;

    position = skipBlanks(line, tokenEnd);
    if (position < line.size() && line[position] == ',') {
      position = skipBlanks(line, position + 1);
      if (position == line.size() || line[position] == ',') {
        return failure("empty field after token " + std::to_string(count));
      }
    }
  }
  if (count != kPairNumberCount) {
    return failure("expected 16 numbers, found " + std::to_string(count));
  }
  result.ok = true;
  return result;
}

PairParse parsePairArguments(const std::vector<std::string>& arguments) {
  if (arguments.size() != kPairNumberCount) {
    if (arguments.size() == 1) {
      return failure("expected 16 numbers, two shapes or '-', got one argument");
    }
    return failure("expected 16 numbers, got " + std::to_string(arguments.size()) + " arguments");
  }
  PairParse result{};
  for (int index = 0; index < kPairNumberCount; ++index) {
    const std::string& argument = arguments[index];
    const CoordinateParse coordinate = parseCoordinate(argument);
    if (!coordinate.ok) {
      return failure(describeToken("argument", index, argument, coordinate.problem));
    }
    store(result.pair, index, coordinate.value);
  }
  result.ok = true;
  return result;
}

PairParse parsePairOperands(const std::vector<std::string>& operands) {
  std::string joined;
  bool comma = false;
  for (const std::string& operand : operands) {
    joined += operand + ' ';
    comma = comma || operand.find(',') != std::string::npos;
  }
  return comma ? parsePairLine(joined) : parsePairArguments(operands);
}

const char* coordinateName(int index) {
  static const char* const kNames[kPairNumberCount] = {
      "AX0", "AY0", "AX1", "AY1", "AX2", "AY2", "AX3", "AY3",
      "BX0", "BY0", "BX1", "BY1", "BX2", "BY2", "BX3", "BY3",
  };
  return index >= 0 && index < kPairNumberCount ? kNames[index] : "?";
}

std::string quotedToken(std::string_view token) {
  std::string quoted = "'";
  const std::size_t shown = token.size() < kQuotedBytes ? token.size() : kQuotedBytes;
  for (std::size_t i = 0; i < shown; ++i) {
    const unsigned char c = static_cast<unsigned char>(token[i]);
    if (c >= 0x20 && c < 0x7f && c != '\'' && c != '\\') {
      quoted += static_cast<char>(c);
    } else {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02x", c);
      quoted += escape;
    }
  }
  if (shown < token.size()) quoted += "...";
  quoted += '\'';
  return quoted;
}

bool looksLikeOption(std::string_view argument) {
  if (argument.size() < 2 || argument[0] != '-') return false;
  if (argument[1] == '-') return true;
  const std::string_view rest = argument.substr(1);
  if (startsWithNoCase(rest, "inf") || startsWithNoCase(rest, "nan")) return false;
  return isLetter(argument[1]);
}
