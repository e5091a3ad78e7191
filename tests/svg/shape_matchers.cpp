#include "shape_matchers.h"

#include <cmath>
#include <sstream>

namespace {

std::string describe(const CubicCurve& c) {
  std::ostringstream out;
  out.precision(17);
  for (const Point2& p : c.p) out << "(" << p.x << ", " << p.y << ") ";
  return out.str();
}

}  // namespace

::testing::AssertionResult sameSegments(const std::vector<CubicCurve>& actual,
                                        const std::vector<CubicCurve>& expected, double tolerance) {
  if (actual.size() != expected.size()) {
    auto failure = ::testing::AssertionFailure()
                   << actual.size() << " segments, expected " << expected.size() << ":\n";
    for (const CubicCurve& c : actual) failure << "  " << describe(c) << "\n";
    return failure;
  }
  for (std::size_t i = 0; i < actual.size(); ++i) {
    for (int k = 0; k < 4; ++k) {
      const Point2 a = actual[i].p[k];
      const Point2 e = expected[i].p[k];
      if (!(std::fabs(a.x - e.x) <= tolerance && std::fabs(a.y - e.y) <= tolerance)) {
        return ::testing::AssertionFailure() << "segment " << i << ": " << describe(actual[i])
                                             << "\n  expected " << describe(expected[i]);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

CubicCurve straight(Point2 a, Point2 b) {
  return CubicCurve{{a,
                     {a.x + (b.x - a.x) / 3, a.y + (b.y - a.y) / 3},
                     {a.x + 2 * (b.x - a.x) / 3, a.y + 2 * (b.y - a.y) / 3},
                     b}};
}
