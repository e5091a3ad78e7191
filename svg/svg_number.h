// The lexical pieces that SVG's path data, point lists, transform lists and lengths share:
// numbers, white space, comma separators, and the wording of what was found where.
//
// Everything here reads forward from a position and never looks back, so every reader built on
// it is linear in its input.
#ifndef SVG_SVG_NUMBER_H
#define SVG_SVG_NUMBER_H

#include <cstddef>
#include <string>
#include <string_view>

#include "distance/shape.h"

// Coordinates, lengths and the numbers in SVG data are refused beyond kMaxCoordinate.
// A number written with more characters is refused before it is converted.
constexpr std::size_t kMaxNumberLength = 100;

enum class NumberStatus {
  kRead,        // value holds the number (a value too small for a double reads as 0)
  kMissing,     // no number starts here
  kOutOfRange,  // magnitude above kMaxCoordinate
  kTooLong,     // more than kMaxNumberLength characters
};

struct NumberScan {
  NumberStatus status;
  double value;
  std::size_t end;  // just after the number (also when it is refused)
};

// Reads SVG's number at `at`: an optional sign, digits with an optional point (at least one
// digit on either side of it: "1.", ".5"), an optional exponent ('e' or 'E', an optional sign,
// at least one digit). "1.5.5" reads as 1.5 and stops before ".5"; "1e" reads as 1 and stops
// before the 'e'.
NumberScan scanNumber(std::string_view text, std::size_t at);

// SVG's white space: space, tab, line feed, form feed, carriage return.
bool isSvgSpace(char c);
std::size_t skipSpaces(std::string_view text, std::size_t at);

// Skips white space, at most one comma, and white space after it. `comma` tells whether there
// was one.
std::size_t skipCommaSpaces(std::string_view text, std::size_t at, bool& comma);

// What stands at `at`, for a message: "'x'", "byte 0x07" for bytes that are not printable
// ASCII, or "the end".
std::string describeFound(std::string_view text, std::size_t at);

// Text in single quotes for a message: bytes outside printable ASCII, quotes and backslashes as
// \xHH, cut after `limit` bytes with "..." added.
std::string quoted(std::string_view text, std::size_t limit = 40);

// What is wrong with a refused number, e.g. "number '1e999' out of range (magnitude above
// 1e150)".
std::string describeRefusedNumber(std::string_view text, const NumberScan& scan, std::size_t start);

#endif  // SVG_SVG_NUMBER_H
