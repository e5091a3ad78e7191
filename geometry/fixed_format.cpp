#include "geometry/fixed_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

__extension__ typedef unsigned __int128 Wide;

constexpr std::uint64_t kScale = 1000000;  // six decimals

// Below this magnitude the scaled value, under 2^40 * 10^6 < 2^60, fits 64 bits.
constexpr double kFastLimit = 0x1p40;

// round(magnitude * 10^6), halfway cases to even, for 0 <= magnitude < kFastLimit. With
// magnitude = M * 2^-shift (M < 2^53 an integer, shift >= 13), M * 10^6 < 2^73 is exact in 128
// bits, and the shift is exact up to the bits it drops, which decide the rounding.
std::uint64_t scaledAndRounded(double magnitude) {
  std::uint64_t bits;
  std::memcpy(&bits, &magnitude, sizeof bits);
  const int biasedExponent = static_cast<int>(bits >> 52);  // the sign bit is clear
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  // magnitude = mantissa * 2^-shift; subnormals have no implicit leading bit.
  int shift = 1074;
  if (biasedExponent != 0) {
    mantissa |= std::uint64_t{1} << 52;
    shift = 1075 - biasedExponent;  // >= 13 below kFastLimit
  }
  const Wide product = static_cast<Wide>(mantissa) * kScale;
  if (shift >= 75) return 0;  // product / 2^shift < 2^73 / 2^75: below one half
  const Wide kept = product >> shift;
  const Wide dropped = product - (kept << shift);
  const Wide half = static_cast<Wide>(1) << (shift - 1);
  const bool roundUp = dropped > half || (dropped == half && (kept & 1) != 0);
  return static_cast<std::uint64_t>(kept) + (roundUp ? 1 : 0);
}

// "00", "01", ... "99", for writing two digits at a time.
struct DigitPairs {
  char text[200];
};

constexpr DigitPairs makeDigitPairs() {
  DigitPairs pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs.text[2 * i] = static_cast<char>('0' + i / 10);
    pairs.text[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}

constexpr DigitPairs kDigitPairs = makeDigitPairs();

void putPair(char* out, std::uint32_t twoDigits) {
  std::memcpy(out, kDigitPairs.text + 2 * twoDigits, 2);
}

// The six digits of decimals < 10^6, leading zeros included.
char* putSixDigits(char* out, std::uint32_t decimals) {
  const std::uint32_t lastFour = decimals % 10000;
  putPair(out, decimals / 10000);
  putPair(out + 2, lastFour / 100);
  putPair(out + 4, lastFour % 100);
  return out + 6;
}

}  // namespace

char* formatFixed6(double value, char* out) {
  const double magnitude = std::fabs(value);
  if (!(magnitude < kFastLimit)) {  // large, infinite or NaN
    const int written = std::snprintf(out, kFixedFormatCapacity, "%.6f", value);
    return out + (written > 0 ? written : 0);
  }
  const std::uint64_t scaled = scaledAndRounded(magnitude);
  // printf keeps the sign of every negative value, -0.0 and those that round to zero included.
  if (std::signbit(value)) *out++ = '-';
  const std::uint64_t whole = scaled / kScale;
  if (whole < 10) {
    *out++ = static_cast<char>('0' + whole);
  } else {
    out = std::to_chars(out, out + 20, whole).ptr;
  }
  *out++ = '.';
  return putSixDigits(out, static_cast<std::uint32_t>(scaled % kScale));
}
