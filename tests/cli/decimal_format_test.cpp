// appendFixed against printf's "%.*f" in the matching rounding mode, which glibc honours.
#include "cli/decimal_format.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

std::string viaPrintf(double value, int decimals, Rounding rounding) {
  const int saved = std::fegetround();
  std::fesetround(rounding == Rounding::kNearest ? FE_TONEAREST
                  : rounding == Rounding::kDown  ? FE_DOWNWARD
                                                 : FE_UPWARD);
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  std::fesetround(saved);
  return text;
}

std::string viaAppendFixed(double value, int decimals, Rounding rounding) {
  std::string text;
  appendFixed(text, value, decimals, rounding);
  return text;
}

TEST(AppendFixed, PrintsWhatPrintfPrintsInEachRoundingMode) {
  std::mt19937_64 random(7);
  std::vector<double> values = {0.0,
                                -0.0,
                                0.5,
                                1.5,
                                2.5,
                                -2.5,
                                0.0000005,
                                1e-7,
                                -1e-7,
                                0.125,
                                1e-300,
                                -1e-300,
                                5e-324,
                                999999.9999995,
                                1e11,
                                -9.99e11,
                                0.1,
                                0.2,
                                0.48141977550830689};
  for (int i = 0; i < 3000; ++i) {
    const double magnitude =
        std::pow(10.0, std::uniform_real_distribution<double>(-20, 11.9)(random));
    values.push_back(random() % 2 ? magnitude : -magnitude);
    // Decimals that are exact halfway cases at some precision.
    values.push_back(std::ldexp(static_cast<double>(random() % 100000), -int(random() % 20)));
  }
  int failures = 0;
  for (double value : values) {
    for (int decimals : {0, 1, 6, 9, 12, 17, 20, 22}) {
      for (Rounding rounding : {Rounding::kNearest, Rounding::kDown, Rounding::kUp}) {
        const std::string expected = viaPrintf(value, decimals, rounding);
        const std::string actual = viaAppendFixed(value, decimals, rounding);
        if (expected != actual && ++failures <= 10) {
          ADD_FAILURE() << "%.17g " << value << " decimals " << decimals << " rounding "
                        << static_cast<int>(rounding) << ": " << actual << " instead of "
                        << expected;
        }
      }
    }
  }
  EXPECT_EQ(failures, 0);
}

}  // namespace
