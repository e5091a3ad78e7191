#include "svg/svg_transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "svg/affine.h"

namespace {

::testing::AssertionResult sameMap(const Affine& actual, const Affine& expected) {
  const double a[6] = {actual.a, actual.b, actual.c, actual.d, actual.e, actual.f};
  const double e[6] = {expected.a, expected.b, expected.c, expected.d, expected.e, expected.f};
  for (int i = 0; i < 6; ++i) {
    if (!(std::fabs(a[i] - e[i]) <= 1e-12 * (1 + std::fabs(e[i])))) {
      return ::testing::AssertionFailure()
             << "entry " << i << " is " << a[i] << ", expected " << e[i];
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(TransformList, ComposesAsWritten) {
  const struct {
    const char* text;
    Affine map;
  } cases[] = {
      {"", kIdentity},
      {" \n ", kIdentity},
      {"translate(10)", {1, 0, 0, 1, 10, 0}},
      {"translate(10,20)", {1, 0, 0, 1, 10, 20}},
      {"translate(1-2)", {1, 0, 0, 1, 1, -2}},
      {"scale(2)", {2, 0, 0, 2, 0, 0}},
      {"scale( 2 , 3 )", {2, 0, 0, 3, 0, 0}},
      {"rotate(90)", {0, 1, -1, 0, 0, 0}},
      {"rotate(-270)", {0, 1, -1, 0, 0, 0}},
      {"rotate(180)", {-1, 0, 0, -1, 0, 0}},
      // About (10, 20): p -> R(p - c) + c = (30 - y, x + 10).
      {"rotate(90 10 20)", {0, 1, -1, 0, 30, 10}},
      {"rotate(30)", {std::sqrt(3.0) / 2, 0.5, -0.5, std::sqrt(3.0) / 2, 0, 0}},
      {"skewX(45)", {1, 0, 1, 1, 0, 0}},
      {"skewY(-45)", {1, -1, 0, 1, 0, 0}},
      {"matrix(1 2 3 4 5 6)", {1, 2, 3, 4, 5, 6}},
      // The first transform is the outermost.
      {"translate(10) scale(2)", {2, 0, 0, 2, 10, 0}},
      {"scale(2),translate(10)", {2, 0, 0, 2, 20, 0}},
      {"scale(2) , rotate(90)translate(1 0)", {0, 2, -2, 0, 0, 2}},
  };
  for (const auto& c : cases) {
    const TransformParse parsed = parseTransformList(c.text);
    ASSERT_TRUE(parsed.ok) << c.text << ": " << parsed.error;
    EXPECT_TRUE(sameMap(parsed.map, c.map)) << c.text;
  }
}

TEST(TransformList, RefusalsNameThePlace) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"translate(", "character 11: expected ')' to close 'translate', found the end"},
      {"rotate(1 2)", "character 1: 'rotate' takes 1 or 3 numbers, found 2"},
      {"scale()", "character 1: 'scale' takes 1 or 2 numbers, found 0"},
      {"matrix(1 2 3 4 5 6 7)", "character 20: 'matrix' takes 6 numbers, found more"},
      {"foo(1)",
       "character 1: unknown transform 'foo' (expected matrix, translate, scale, rotate, skewX or "
       "skewY)"},
      {"(1)", "character 1: expected matrix, translate, scale, rotate, skewX or skewY, found '('"},
      {"scale 2", "character 7: expected '(' after 'scale', found '2'"},
      {"translate(1,)", "character 13: expected a number after ',', found ')'"},
      {"translate(x)", "character 11: expected a number or ')' in 'translate', found 'x'"},
      {"scale(1),,scale(2)",
       "character 10: expected matrix, translate, scale, rotate, skewX or skewY, found ','"},
      {"translate(1),", "character 14: expected a transform after ',', found the end"},
      {"skewX(90)", "character 1: 'skewX' by 90 degrees (or 270) has no finite matrix"},
      {"skewY(-90)", "character 1: 'skewY' by 90 degrees (or 270) has no finite matrix"},
      {"translate(1e999)", "character 11: number '1e999' out of range (magnitude above 1e150)"},
  };
  for (const auto& c : cases) {
    const TransformParse parsed = parseTransformList(c.text);
    EXPECT_FALSE(parsed.ok) << c.text;
    EXPECT_EQ(parsed.error, std::string("transform, ") + c.error);
  }
}

// No unit vector is stretched by more than largestStretch, and some nearly as much.
TEST(Affine, LargestStretchIsTheLargestSingularValue) {
  const Affine maps[] = {{1, 2, 3, 4, 5, 6},
                         {3, 0, 0, 1, 0, 0},
                         {0, 0, 0, 0, 1, 1},
                         {1e-200, 0, 0, 2e-200, 0, 0},
                         {1e140, -3e140, 2e139, 5e140, 0, 0},
                         {0.5, 0.5, -0.5, 0.5, 0, 0}};
  for (const Affine& map : maps) {
    const double stretch = largestStretch(map);
    double largest = 0;
    for (int i = 0; i < 100000; ++i) {
      const double angle = i * 2 * M_PI / 100000;
      const double x = std::cos(angle), y = std::sin(angle);
      largest = std::max(largest, std::hypot(map.a * x + map.c * y, map.b * x + map.d * y));
    }
    EXPECT_GE(stretch, largest) << map.a;
    EXPECT_LE(stretch, largest * (1 + 1e-8)) << map.a;
  }
  EXPECT_NEAR(largestStretch({1, 2, 3, 4, 0, 0}), 5.4649857042190426, 1e-12);
}

// Exact figures stay exact under a map; an approximation's bound grows with the stretch.
TEST(Affine, MappedShapesCarryTheirBound) {
  const Shape exact{{CubicCurve{0, 0, 1, 0, 2, 0, 3, 0}}, 0.0};
  const Shape approximate{{CubicCurve{0, 0, 1, 0, 2, 0, 3, 0}}, 1e-3};
  const Affine map{0, 3, -3, 0, 7, 1};  // a quarter turn, scaled by 3 and moved
  const Shape mappedExact = mapShape(map, exact);
  EXPECT_EQ(mappedExact.approximationError, 0);
  const CubicCurve expected{7, 1, 7, 4, 7, 7, 7, 10};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(mappedExact.segments[0].p[i].x, expected.p[i].x);
    EXPECT_EQ(mappedExact.segments[0].p[i].y, expected.p[i].y);
  }
  const double bound = mapShape(map, approximate).approximationError;
  EXPECT_GE(bound, 3e-3);
  EXPECT_LE(bound, 3e-3 + 1e-12);
}

}  // namespace
