#include "cli/decimal_format.h"

#include <cmath>
#include <cstdint>

namespace {

__extension__ typedef unsigned __int128 Wide;

// 10^0 to 10^kMaxFixedDecimals; 10^22 times a 53-bit mantissa stays below 2^127.
constexpr Wide powerOfTen(int n) {
  Wide power = 1;
  for (int i = 0; i < n; ++i) power *= 10;
  return power;
}

// |value| * 10^decimals rounded to an integer (below 1e34, within 127 bits): |value| = m * 2^e
// exactly with m below 2^53, so m * 10^decimals (below 2^127) shifted right by -e is the exact
// quotient, and its remainder decides the rounding.
Wide scaledMagnitude(double magnitude, int decimals, Rounding rounding, bool negative) {
  if (magnitude == 0.0) return 0;
  int exponent;
  const double fraction = std::frexp(magnitude, &exponent);  // magnitude = fraction * 2^exponent
  const std::uint64_t mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  const int shift = 53 - exponent;  // magnitude = mantissa * 2^-shift; shift > 13 below 1e12
  const Wide scaled = static_cast<Wide>(mantissa) * powerOfTen(decimals);
  // From a shift of 128 on, the quotient is 0 and the remainder below half of 2^shift.
  const bool shiftable = shift < 128;
  Wide quotient = 0, remainder = scaled, half = 0;
  if (shiftable) {
    quotient = scaled >> shift;
    remainder = scaled - (quotient << shift);
    half = static_cast<Wide>(1) << (shift - 1);
  }
  const bool awayFromZero =
      (rounding == Rounding::kUp && !negative) || (rounding == Rounding::kDown && negative);
  if (rounding == Rounding::kNearest) {
    if (shiftable && (remainder > half || (remainder == half && (quotient & 1) != 0))) {
      ++quotient;
    }
  } else if (awayFromZero && remainder != 0) {
    ++quotient;
  }
  return quotient;
}

void appendDigits(std::string& out, Wide value, int width) {
  char digits[40];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int i = count; i < width; ++i) out += '0';
  while (count > 0) out += digits[--count];
}

}  // namespace

void appendFixed(std::string& out, double value, int decimals, Rounding rounding) {
  const bool negative = std::signbit(value);
  const Wide scaled = scaledMagnitude(std::fabs(value), decimals, rounding, negative);
  if (negative) out += '-';
  appendDigits(out, scaled / powerOfTen(decimals), 1);
  if (decimals == 0) return;
  out += '.';
  appendDigits(out, scaled % powerOfTen(decimals), decimals);
}

bool fixedWidthAtMost(double lower, double upper, int decimals, double width) {
  __extension__ typedef __int128 Signed;
  const auto scaled = [&](double value, Rounding rounding) {
    const bool negative = std::signbit(value);
    const Signed magnitude =
        static_cast<Signed>(scaledMagnitude(std::fabs(value), decimals, rounding, negative));
    return negative ? -magnitude : magnitude;
  };
  // The printed width is (U - L) / 10^decimals, U and L integers: it is at most `width` exactly
  // when U - L is at most floor(width * 10^decimals).
  const Signed printed = scaled(upper, Rounding::kUp) - scaled(lower, Rounding::kDown);
  return printed <= static_cast<Signed>(scaledMagnitude(width, decimals, Rounding::kDown, false));
}
