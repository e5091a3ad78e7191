// frechet-bench: the certified Fréchet search's speed, printed as a markdown section for
// bench/RESULTS.md (./bench.sh appends it). Plain timing loops: each figure is the median over
// repetitions of the mean time per call.
//
//  - random pairs of cubics (control points uniform in [-0.5, 0.5]^2) at tolerances 1e-3 and 1e-6;
//  - closed paths of 100 cubics (a wavy ring), against a nudged copy of themselves (as drawn, and
//    with any start against the copy started 37 segments later) and against another ring;
//  - the discrete Fréchet distance of samples fine enough to guarantee the same 1e-3 on the
//    random pairs: the distance between consecutive samples of either curve at most 5e-4, so that
//    the discrete distance of the samples is within 1e-3 of the curves' Fréchet distance.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "distance/certified_frechet.h"
#include "geometry/cubic.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRepetitions = 5;

std::mt19937 random(20261207);

double uniform(double lo, double hi) {
  return std::uniform_real_distribution<double>(lo, hi)(random);
}

Shape randomCubic() {
  CubicCurve c;
  for (Point2& p : c.p) p = {uniform(-0.5, 0.5), uniform(-0.5, 0.5)};
  return Shape{{c}, 0.0};
}

// A closed ring of `count` cubics, radius wavering around 1, with smooth joints.
Shape ring(int count, double phase) {
  std::vector<Point2> points, tangents;
  for (int k = 0; k < count; ++k) {
    const double angle = 2 * M_PI * k / count;
    const double radius = 1 + 0.1 * std::sin(7 * angle + phase) + 0.05 * uniform(-1, 1);
    points.push_back({radius * std::cos(angle), radius * std::sin(angle)});
  }
  Shape shape;
  for (int k = 0; k < count; ++k) {
    const Point2 before = points[(k + count - 1) % count], from = points[k],
                 to = points[(k + 1) % count], after = points[(k + 2) % count];
    shape.segments.push_back(
        CubicCurve{{from,
                    {from.x + (to.x - before.x) / 6, from.y + (to.y - before.y) / 6},
                    {to.x - (after.x - from.x) / 6, to.y - (after.y - from.y) / 6},
                    to}});
  }
  return shape;
}

// Inner control points moved by up to `size`; the joints stay.
Shape nudged(Shape shape, double size) {
  for (CubicCurve& c : shape.segments) {
    for (int i = 1; i < 3; ++i)
      c.p[i] = {c.p[i].x + uniform(-size, size), c.p[i].y + uniform(-size, size)};
  }
  return shape;
}

Shape startedAt(const Shape& shape, int first) {
  Shape turned;
  for (std::size_t k = 0; k < shape.segments.size(); ++k) {
    turned.segments.push_back(shape.segments[(first + k) % shape.segments.size()]);
  }
  return turned;
}

// Median over repetitions of the mean seconds per call of `body` over `count` calls.
template <typename Body>
double medianSeconds(int count, Body body) {
  std::vector<double> means;
  for (int r = 0; r < kRepetitions; ++r) {
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i) body(i);
    means.push_back(std::chrono::duration<double>(Clock::now() - start).count() / count);
  }
  std::sort(means.begin(), means.end());
  return means[kRepetitions / 2];
}

// Samples at evenly spaced parameters, close enough that consecutive ones are at most `gap` apart:
// the curve's speed is at most 3 times its longest control leg.
std::vector<Point2> samples(const CubicCurve& c, double gap) {
  double leg = 0;
  for (int i = 0; i < 3; ++i)
    leg = std::max(leg, std::hypot(c.p[i + 1].x - c.p[i].x, c.p[i + 1].y - c.p[i].y));
  const int n = std::max(1, static_cast<int>(std::ceil(3 * leg / gap)));
  std::vector<Point2> points;
  for (int k = 0; k <= n; ++k) points.push_back(evaluateCurve(c, static_cast<double>(k) / n));
  return points;
}

// The discrete Fréchet distance (Eiter and Mannila), by rows.
double discreteFrechet(const std::vector<Point2>& p, const std::vector<Point2>& q) {
  std::vector<double> row(q.size()), previous(q.size());
  for (std::size_t i = 0; i < p.size(); ++i) {
    for (std::size_t j = 0; j < q.size(); ++j) {
      const double d = std::hypot(p[i].x - q[j].x, p[i].y - q[j].y);
      double reach;
      if (i == 0 && j == 0) {
        reach = d;
      } else if (i == 0) {
        reach = row[j - 1];
      } else if (j == 0) {
        reach = previous[0];
      } else {
        reach = std::min({previous[j], previous[j - 1], row[j - 1]});
      }
      row[j] = std::max(reach, d);
    }
    std::swap(row, previous);
  }
  return previous.back();
}

}  // namespace

int main() {
  const int pairCount = 200;
  std::vector<Shape> as, bs;
  for (int i = 0; i < pairCount; ++i) as.push_back(randomCubic()), bs.push_back(randomCubic());
  double sink = 0;
  const double at1e3 =
      medianSeconds(pairCount, [&](int i) { sink += certifiedFrechet(as[i], bs[i], 1e-3).upper; });
  const double at1e6 =
      medianSeconds(pairCount, [&](int i) { sink += certifiedFrechet(as[i], bs[i], 1e-6).upper; });
  int met = 0;
  std::int64_t steps3 = 0, steps6 = 0;
  for (int i = 0; i < pairCount; ++i) {
    const CertifiedFrechet r3 = certifiedFrechet(as[i], bs[i], 1e-3);
    const CertifiedFrechet r6 = certifiedFrechet(as[i], bs[i], 1e-6);
    met += r3.toleranceMet && r6.toleranceMet;
    steps3 += r3.steps, steps6 += r6.steps;
  }
  // The discrete distance on a tenth of the pairs: it is slow.
  const int discreteCount = pairCount / 10;
  std::size_t sampleCount = 0;
  const double discrete = medianSeconds(discreteCount, [&](int i) {
    const std::vector<Point2> p = samples(as[i].segments[0], 5e-4);
    const std::vector<Point2> q = samples(bs[i].segments[0], 5e-4);
    sampleCount += p.size() + q.size();
    sink += discreteFrechet(p, q);
  });
  sampleCount /= kRepetitions * discreteCount * 2;

  const Shape ringA = ring(100, 0.0);
  const Shape ringCopy = nudged(ringA, 0.01);
  const Shape ringOther = ring(100, 1.0);
  const Shape ringTurned = startedAt(ringCopy, 37);
  struct PathCase {
    const char* name;
    const Shape* b;
    bool anyStart;
  } pathCases[] = {
      {"against a nudged copy, as drawn", &ringCopy, false},
      {"against the nudged copy started 37 segments later, any start", &ringTurned, true},
      {"against another ring, as drawn", &ringOther, false}};

  std::printf("## Fréchet distance (frechet-bench)\n\n");
  std::printf(
      "Plain timing loops in bench/frechet_bench.cpp; each figure is the median over %d "
      "repetitions of the mean time per call.\n\n",
      kRepetitions);
  std::printf("| case | tolerance | time per call | mean steps |\n|---|---:|---:|---:|\n");
  std::printf("| %d random pairs of cubics | 1e-3 | %.1f µs | %.1f |\n", pairCount, at1e3 * 1e6,
              static_cast<double>(steps3) / pairCount);
  std::printf("| %d random pairs of cubics | 1e-6 | %.1f µs (%.2f× the 1e-3 time) | %.1f |\n",
              pairCount, at1e6 * 1e6, at1e6 / at1e3, static_cast<double>(steps6) / pairCount);
  std::printf(
      "| discrete Fréchet distance of samples 5e-4 apart (%zu per curve on average), "
      "first %d pairs | 1e-3 | %.1f µs (%.0f× the certified 1e-3 time) | |\n",
      sampleCount, discreteCount, discrete * 1e6, discrete / at1e3);
  for (const PathCase& c : pathCases) {
    CertifiedFrechet last{};
    const double seconds = medianSeconds(
        1, [&](int) { last = certifiedFrechet(ringA, *c.b, 1e-3, FrechetOptions{c.anyStart}); });
    std::printf("| 100-cubic closed ring %s: [%.6f, %.6f]%s | 1e-3 | %.1f ms | %lld |\n", c.name,
                last.lower, last.upper, last.toleranceMet ? "" : ", tolerance not met",
                seconds * 1e3, static_cast<long long>(last.steps));
  }
  std::printf("\nBoth tolerances met on %d of the %d random pairs.\n", met, pairCount);
  std::fprintf(stderr, "(checksum %g)\n", sink);
  return 0;
}
