#include "cli/decimal_format.h"

#include <cmath>
#include <cstdint>

namespace {

__extension__ typedef unsigned __int128 Wide;

constexpr std::uint64_t kPowersOfTen[18] = {1,
                                            10,
                                            100,
                                            1000,
                                            10000,
                                            100000,
                                            1000000,
                                            10000000,
                                            100000000,
                                            1000000000,
                                            10000000000,
                                            100000000000,
                                            1000000000000,
                                            10000000000000,
                                            100000000000000,
                                            1000000000000000,
                                            10000000000000000,
                                            100000000000000000};

// |value| * 10^decimals rounded to an integer (below 1e29, within 128 bits): |value| = m * 2^e
// exactly with m below 2^53, so m * 10^decimals (below 2^110) shifted right by -e is the exact
// quotient, and its remainder decides the rounding.
Wide scaledMagnitude(double magnitude, int decimals, Rounding rounding, bool negative) {
  if (magnitude == 0.0) return 0;
  int exponent;
  const double fraction = std::frexp(magnitude, &exponent);  // magnitude = fraction * 2^exponent
  const std::uint64_t mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  const int shift = 53 - exponent;  // magnitude = mantissa * 2^-shift; shift > 13 below 1e12
  const Wide scaled = static_cast<Wide>(mantissa) * kPowersOfTen[decimals];
  Wide quotient = 0, remainder = scaled, half = 0;
  if (shift < 120) {
    quotient = scaled >> shift;
    remainder = scaled - (quotient << shift);
    half = static_cast<Wide>(1) << (shift - 1);
  }
  const bool awayFromZero =
      (rounding == Rounding::kUp && !negative) || (rounding == Rounding::kDown && negative);
  if (rounding == Rounding::kNearest) {
    if (shift < 120 && (remainder > half || (remainder == half && (quotient & 1) != 0))) {
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
  appendDigits(out, scaled / kPowersOfTen[decimals], 1);
  if (decimals == 0) return;
  out += '.';
  appendDigits(out, scaled % kPowersOfTen[decimals], decimals);
}
