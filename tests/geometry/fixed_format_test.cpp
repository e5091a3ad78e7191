// formatFixed6 must write exactly the bytes of printf's "%.6f": the trace is compared byte for
// byte.
#include "geometry/fixed_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

std::string formatted(double value) {
  char out[kFixedFormatCapacity];
  return std::string(out, formatFixed6(value, out));
}

std::string printed(double value) {
  char out[kFixedFormatCapacity + 1];
  std::snprintf(out, sizeof out, "%.6f", value);
  return out;
}

TEST(FormatFixed6, WorkedValues) {
  EXPECT_EQ(formatted(0.0), "0.000000");
  EXPECT_EQ(formatted(1.0), "1.000000");
  EXPECT_EQ(formatted(-1e9), "-1000000000.000000");
  EXPECT_EQ(formatted(std::sqrt(0.52)), "0.721110");
  // Halfway between two six-decimal values, exactly representable: rounded to even.
  EXPECT_EQ(formatted(0.0078125), "0.007812");   // 2^-7
  EXPECT_EQ(formatted(0.0234375), "0.023438");   // 3 * 2^-7
  EXPECT_EQ(formatted(2.5e-7 * 2), "0.000000");  // 5e-7 is not exactly a half: below it
  // Negative values keep their sign even when they round to zero, as printf does.
  EXPECT_EQ(formatted(-0.0), "-0.000000");
  EXPECT_EQ(formatted(-1e-9), "-0.000000");
}

// Every way a value can round, checked against printf itself.
TEST(FormatFixed6, AgreesWithPrintf) {
  std::mt19937_64 random(99);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-40, 60);
  std::vector<double> values = {
      0.5e-6,
      1.5e-6,
      0.9999995,
      9.9999995,
      999999.9999995,
      0x1p40 - 0x1p-12,
      0x1p40,
      0x1p53 - 1,
      1e300,
      -1e300,
      std::numeric_limits<double>::denorm_min(),
      std::numeric_limits<double>::max(),
      std::numeric_limits<double>::infinity(),
      -std::numeric_limits<double>::infinity(),
      std::numeric_limits<double>::quiet_NaN(),
  };
  // Dyadic values with up to 20 bits after the point: every halfway case of the trace's
  // parameters and more.
  for (int bits = 1; bits <= 20; ++bits) {
    for (int i = 0; i < 200; ++i) {
      const double numerator = static_cast<double>(random() % (std::uint64_t{1} << bits));
      values.push_back(std::ldexp(numerator, -bits));
      values.push_back(-std::ldexp(numerator, -bits) * 3);
    }
  }
  for (int i = 0; i < 20000; ++i) values.push_back(std::ldexp(unit(random), exponent(random)));
  for (int i = 0; i < 2000; ++i) {
    // Values next to a halfway point of the sixth decimal.
    const double halfway = (std::floor(unit(random) * 1e6) + 0.5) / 1e6;
    values.push_back(std::nextafter(halfway, 1.0));
    values.push_back(std::nextafter(halfway, -1.0));
    values.push_back(halfway);
  }
  for (const double value : values) {
    ASSERT_EQ(formatted(value), printed(value)) << "value " << value;
  }
}

}  // namespace
