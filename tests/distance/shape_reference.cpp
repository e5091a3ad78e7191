#include "shape_reference.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace shape_reference {
namespace {

using Real = long double;

struct RealPoint {
  Real x, y;
};

// Power-basis coefficients, so that evaluation shares nothing with the search's de Casteljau.
struct PowerCubic {
  RealPoint c0, c1, c2, c3;  // c(t) = c0 + c1 t + c2 t^2 + c3 t^3
};

PowerCubic powerForm(const CubicCurve& curve) {
  const auto coordinate = [&](int i, bool y) -> Real { return y ? curve.p[i].y : curve.p[i].x; };
  PowerCubic form;
  RealPoint* out[4] = {&form.c0, &form.c1, &form.c2, &form.c3};
  for (bool y : {false, true}) {
    const Real p0 = coordinate(0, y), p1 = coordinate(1, y), p2 = coordinate(2, y),
               p3 = coordinate(3, y);
    const Real values[4] = {p0, 3 * (p1 - p0), 3 * (p2 - 2 * p1 + p0), p3 - 3 * p2 + 3 * p1 - p0};
    for (int k = 0; k < 4; ++k) (y ? out[k]->y : out[k]->x) = values[k];
  }
  return form;
}

RealPoint at(const PowerCubic& f, Real t) {
  return {((f.c3.x * t + f.c2.x) * t + f.c1.x) * t + f.c0.x,
          ((f.c3.y * t + f.c2.y) * t + f.c1.y) * t + f.c0.y};
}

Real squaredDistance(RealPoint a, Real x, Real y) {
  return (a.x - x) * (a.x - x) + (a.y - y) * (a.y - y);
}

// Golden-section search for a minimum of f on [lo, hi], then returns the best value seen.
template <typename F>
Real goldenMinimum(const F& f, Real lo, Real hi, Real& where) {
  const Real ratio = (std::sqrt(Real(5)) - 1) / 2;
  Real x1 = hi - ratio * (hi - lo), x2 = lo + ratio * (hi - lo);
  Real f1 = f(x1), f2 = f(x2);
  for (int i = 0; i < 90 && hi - lo > 1e-14L; ++i) {
    if (f1 < f2) {
      hi = x2, x2 = x1, f2 = f1, x1 = hi - ratio * (hi - lo), f1 = f(x1);
    } else {
      lo = x1, x1 = x2, f1 = f2, x2 = lo + ratio * (hi - lo), f2 = f(x2);
    }
  }
  where = f1 < f2 ? x1 : x2;
  return std::min(f1, f2);
}

// The real roots in [lo, hi] of the polynomial sum c[k] x^k of degree n, in ascending order.
// Between consecutive roots of the derivative (found the same way) the polynomial is monotone,
// so each stretch holds at most one root, found by Newton steps kept inside a shrinking bracket.
struct Roots {
  Real values[8];
  int count = 0;
  void add(Real x) { values[count++] = x; }
};

void rootsIn(const Real* c, int n, Real lo, Real hi, Roots& roots) {
  while (n > 0 && c[n] == 0) --n;
  if (n == 0) return;
  const auto value = [&](Real x) {
    Real v = c[n];
    for (int k = n - 1; k >= 0; --k) v = v * x + c[k];
    return v;
  };
  Real derivative[5];
  for (int k = 1; k <= n; ++k) derivative[k - 1] = k * c[k];
  const auto slope = [&](Real x) {
    Real v = derivative[n - 1];
    for (int k = n - 2; k >= 0; --k) v = v * x + derivative[k];
    return v;
  };
  Roots breaks;
  if (n > 1) rootsIn(derivative, n - 1, lo, hi, breaks);
  breaks.add(hi);
  Real a = lo, va = value(lo);
  if (va == 0) roots.add(lo);
  for (int k = 0; k < breaks.count; ++k) {
    const Real b = breaks.values[k];
    const Real vb = value(b);
    if (vb == 0) {
      roots.add(b);
    } else if ((va < 0) != (vb < 0) && va != 0) {
      Real left = a, right = b, x = (a + b) / 2;
      for (int step = 0; step < 200 && right - left > 1e-19L * (1 + std::fabs(x)); ++step) {
        const Real v = value(x);
        if (v == 0) break;
        ((v < 0) == (va < 0) ? left : right) = x;
        const Real d = slope(x);
        const Real newton = d != 0 ? x - v / d : left;
        x = newton > left && newton < right ? newton : (left + right) / 2;
      }
      roots.add(x);
    }
    a = b, va = vb;
  }
}

// The squared distance from (x, y) to one segment: the smallest over its ends and the roots of
// the derivative of |c(t) - q|^2 = 2 c'(t).(c(t) - q), a quintic.
Real squaredDistanceToSegment(const PowerCubic& f, Real x, Real y) {
  const RealPoint offset[4] = {{f.c0.x - x, f.c0.y - y}, f.c1, f.c2, f.c3};
  const RealPoint speed[3] = {f.c1, {2 * f.c2.x, 2 * f.c2.y}, {3 * f.c3.x, 3 * f.c3.y}};
  Real quintic[6] = {0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 3; ++j) {
      quintic[i + j] += offset[i].x * speed[j].x + offset[i].y * speed[j].y;
    }
  }
  Roots candidates;
  rootsIn(quintic, 5, 0, 1, candidates);
  Real best = std::min(squaredDistance(at(f, 0), x, y), squaredDistance(at(f, 1), x, y));
  for (int k = 0; k < candidates.count; ++k) {
    best = std::min(best, squaredDistance(at(f, candidates.values[k]), x, y));
  }
  return best;
}

std::vector<PowerCubic> powerForms(const Shape& shape) {
  std::vector<PowerCubic> forms;
  for (const CubicCurve& segment : shape.segments) forms.push_back(powerForm(segment));
  return forms;
}

Real distanceToForms(const std::vector<PowerCubic>& forms, Real x, Real y) {
  Real best = std::numeric_limits<Real>::infinity();
  for (const PowerCubic& f : forms) best = std::min(best, squaredDistanceToSegment(f, x, y));
  return std::sqrt(best);
}

}  // namespace

long double distanceToShape(const Shape& shape, long double x, long double y) {
  return distanceToForms(powerForms(shape), x, y);
}

// The distance to `to` along each segment of `from` is continuous: every sampled local maximum
// is bracketed and narrowed by golden section (which needs no derivative, as the distance has
// kinks where the nearest point jumps).
Farthest directedHausdorff(const Shape& from, const Shape& to, int samples) {
  const std::vector<PowerCubic> targets = powerForms(to);
  Farthest farthest{-1, 0, 0};
  for (int s = 0; s < static_cast<int>(from.segments.size()); ++s) {
    const PowerCubic f = powerForm(from.segments[s]);
    const auto negated = [&](Real t) {
      const RealPoint p = at(f, t);
      return -distanceToForms(targets, p.x, p.y);
    };
    std::vector<Real> values(samples + 1);
    for (int i = 0; i <= samples; ++i) values[i] = negated(Real(i) / samples);
    for (int i = 0; i <= samples; ++i) {
      if ((i > 0 && values[i] > values[i - 1]) || (i < samples && values[i] > values[i + 1])) {
        continue;
      }
      Real t = Real(i) / samples;
      Real best = values[i];
      for (int side : {-1, 1}) {
        const int neighbour = i + side;
        if (neighbour < 0 || neighbour > samples) continue;
        Real refinedT;
        const Real refined = goldenMinimum(negated, Real(std::min(i, neighbour)) / samples,
                                           Real(std::max(i, neighbour)) / samples, refinedT);
        if (refined < best) best = refined, t = refinedT;
      }
      if (-best > farthest.distance) farthest = {-best, s, t};
    }
  }
  return farthest;
}

long double hausdorff(const Shape& a, const Shape& b, int samples) {
  return std::max(directedHausdorff(a, b, samples).distance,
                  directedHausdorff(b, a, samples).distance);
}

Shape scribble(int n, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> coordinate(0, 100);
  Shape shape;
  Point2 start{coordinate(random), coordinate(random)};
  for (int i = 0; i < n; ++i) {
    CubicCurve c{};
    c.p[0] = start;
    for (int k = 1; k < 4; ++k) c.p[k] = {coordinate(random), coordinate(random)};
    shape.segments.push_back(c);
    start = c.p[3];
  }
  return shape;
}

}  // namespace shape_reference
