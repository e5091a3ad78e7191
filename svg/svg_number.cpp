#include "svg/svg_number.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

std::size_t skipDigits(std::string_view text, std::size_t at) {
  while (at < text.size() && isDigit(text[at])) ++at;
  return at;
}

// The end of the exponent that starts at `at` ('e' or 'E'), or `at` when none does.
std::size_t exponentEnd(std::string_view text, std::size_t at) {
  if (at >= text.size() || (text[at] != 'e' && text[at] != 'E')) return at;
  std::size_t digits = at + 1;
  if (digits < text.size() && (text[digits] == '+' || text[digits] == '-')) ++digits;
  if (digits >= text.size() || !isDigit(text[digits])) return at;
  return skipDigits(text, digits);
}

std::string hexByte(unsigned char c) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
  return buffer;
}

}  // namespace

bool isSvgSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

std::size_t skipSpaces(std::string_view text, std::size_t at) {
  while (at < text.size() && isSvgSpace(text[at])) ++at;
  return at;
}

std::size_t skipCommaSpaces(std::string_view text, std::size_t at, bool& comma) {
  at = skipSpaces(text, at);
  comma = at < text.size() && text[at] == ',';
  if (comma) at = skipSpaces(text, at + 1);
  return at;
}

NumberScan scanNumber(std::string_view text, std::size_t at) {
  const std::size_t start = at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  const std::size_t unsignedStart = at;
  at = skipDigits(text, at);
  std::size_t digitCount = at - unsignedStart;
  if (at < text.size() && text[at] == '.') {
    const std::size_t fraction = at + 1;
    const std::size_t fractionEnd = skipDigits(text, fraction);
    // A point with no digit on either side ("." or "-.") is no number; "1." is.
    if (digitCount > 0 || fractionEnd > fraction) {
      digitCount += fractionEnd - fraction;
      at = fractionEnd;
    }
  }
  if (digitCount == 0) return {NumberStatus::kMissing, 0.0, start};
  at = exponentEnd(text, at);
  if (at - start > kMaxNumberLength) return {NumberStatus::kTooLong, 0.0, at};

  // from_chars takes no plus sign, so the sign is read here and the digits there.
  double value = 0.0;
  const std::from_chars_result read =
      std::from_chars(text.data() + unsignedStart, text.data() + at, value);
  if (read.ec == std::errc::result_out_of_range) {
    // With at most 100 characters, a negative exponent cannot overflow (the digits before the
    // point are fewer than 100) and any other cannot underflow: out of range with a negative
    // exponent is a value too small for a double.
    const std::string_view number = text.substr(unsignedStart, at - unsignedStart);
    const std::size_t e = number.find_first_of("eE");
    const bool underflow = e != std::string_view::npos && number[e + 1] == '-';
    if (!underflow) return {NumberStatus::kOutOfRange, 0.0, at};
    value = 0.0;
  }
  if (negative) value = -value;
  if (!(std::fabs(value) <= kMaxCoordinate)) return {NumberStatus::kOutOfRange, 0.0, at};
  return {NumberStatus::kRead, value, at};
}

std::string describeFound(std::string_view text, std::size_t at) {
  if (at >= text.size()) return "the end";
  const unsigned char c = static_cast<unsigned char>(text[at]);
  if (c < 0x20 || c > 0x7e) return "byte 0" + hexByte(c).substr(1);
  return quoted(text.substr(at, 1));
}

std::string quoted(std::string_view text, std::size_t limit) {
  std::string result = "'";
  for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c > 0x7e || c == '\'' || c == '\\') {
      result += hexByte(c);
    } else {
      result += static_cast<char>(c);
    }
  }
  if (text.size() > limit) result += "...";
  return result + "'";
}

std::string describeRefusedNumber(std::string_view text, const NumberScan& scan,
                                  std::size_t start) {
  if (scan.status == NumberStatus::kTooLong) {
    return "number longer than " + std::to_string(kMaxNumberLength) + " characters";
  }
  return "number " + quoted(text.substr(start, scan.end - start)) +
         " out of range (magnitude above 1e150)";
}
