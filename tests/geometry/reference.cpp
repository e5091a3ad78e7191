#include "reference.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace reference {
namespace {

// Horner-free textbook Bernstein sum, deliberately not the library's evaluation.
Point2 pointAt(const CubicCurve& c, double t) {
  const double s = 1.0 - t;
  const double w0 = s * s * s, w1 = 3 * s * s * t, w2 = 3 * s * t * t, w3 = t * t * t;
  return {w0 * c.p[0].x + w1 * c.p[1].x + w2 * c.p[2].x + w3 * c.p[3].x,
          w0 * c.p[0].y + w1 * c.p[1].y + w2 * c.p[2].y + w3 * c.p[3].y};
}

double distance(Point2 a, Point2 b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}

// Golden-section search for the minimum of f on [lo, hi]; f is assumed unimodal there.
double minimiseOn(const std::function<double(double)>& f, double lo, double hi) {
  const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
  double x1 = hi - ratio * (hi - lo), x2 = lo + ratio * (hi - lo);
  double f1 = f(x1), f2 = f(x2);
  for (int i = 0; i < 80 && hi - lo > 1e-13; ++i) {
    if (f1 < f2) {
      hi = x2, x2 = x1, f2 = f1, x1 = hi - ratio * (hi - lo), f1 = f(x1);
    } else {
      lo = x1, x1 = x2, f1 = f2, x2 = lo + ratio * (hi - lo), f2 = f(x2);
    }
  }
  return std::min({f1, f2, f(lo), f(hi)});
}

// Samples f at n + 1 evenly spaced parameters and refines every sampled local minimum.
double globalMinimum(const std::function<double(double)>& f, int n) {
  std::vector<double> values(n + 1);
  for (int i = 0; i <= n; ++i) values[i] = f(double(i) / n);
  double best = std::min(values.front(), values.back());
  for (int i = 0; i <= n; ++i) {
    const bool belowLeft = i == 0 || values[i] <= values[i - 1];
    const bool belowRight = i == n || values[i] <= values[i + 1];
    if (!belowLeft || !belowRight) continue;
    const double lo = double(std::max(i - 1, 0)) / n;
    const double hi = double(std::min(i + 1, n)) / n;
    best = std::min(best, minimiseOn(f, lo, hi));
  }
  return best;
}

}  // namespace

double distanceToCurve(const CubicCurve& curve, Point2 query) {
  return globalMinimum([&](double t) { return distance(pointAt(curve, t), query); }, 64);
}

double directedHausdorff(const CubicCurve& from, const CubicCurve& to) {
  // The maximum of the distance is the minimum of its negation.
  return -globalMinimum([&](double t) { return -distanceToCurve(to, pointAt(from, t)); }, 512);
}

double hausdorff(const CubicCurve& a, const CubicCurve& b) {
  return std::max(directedHausdorff(a, b), directedHausdorff(b, a));
}

}  // namespace reference
