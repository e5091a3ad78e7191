// The certified search on shapes of many segments, read from SVG path data, against the long
// double reference: seeded closed paths, touching and overlapping shapes, a shape against
// itself moved by a known vector, arcs whose approximation widens the interval.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "distance/certified_hausdorff.h"
#include "shape_reference.h"
#include "svg/path_data.h"

namespace {

Shape pathShape(const std::string& data) {
  const ShapeRead read = parsePathData(data);
  EXPECT_TRUE(read.ok) << read.error << " in " << data;
  return read.shape;
}

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// A closed path around the origin through `corners` points at radii near `radius`, its sides
// cubics, quadratics and lines in turn, absolute and relative; `wobble` moves every point.
std::string closedPath(std::mt19937& random, int corners, double radius, double wobble,
                       double dx = 0, double dy = 0) {
  std::uniform_real_distribution<double> jitter(-wobble, wobble);
  const auto point = [&](double angle, double r) {
    return number(r * std::cos(angle) + dx + jitter(random)) + " " +
           number(r * std::sin(angle) + dy + jitter(random));
  };
  const double step = 2 * M_PI / corners;
  std::string data = "M " + point(0, radius);
  for (int i = 1; i <= corners; ++i) {
    const double a = i * step;
    if (i == corners) {
      data += " Z";
    } else if (i % 3 == 0) {
      data += " C " + point(a - 0.66 * step, radius * 1.2) + " " +
              point(a - 0.33 * step, 0.9 * radius) + " " + point(a, radius);
    } else if (i % 3 == 1) {
      data += " Q " + point(a - 0.5 * step, radius * 1.1) + " " + point(a, radius);
    } else {
      data += " L " + point(a, radius);
    }
  }
  return data;
}

struct ShapeCase {
  std::string name;
  std::string a, b;
};

std::vector<ShapeCase> seededShapes() {
  std::mt19937 random(20261207);
  std::vector<ShapeCase> cases;
  for (int i = 0; i < 6; ++i) {
    std::mt19937 copy = random;
    const std::string a = closedPath(random, 7 + i, 1.0, 0.02);
    const std::string near = closedPath(copy, 7 + i, 1.0, 0.025);
    cases.push_back({"closed paths within 0.05 #" + std::to_string(i), a, near});
    cases.push_back(
        {"closed path and another #" + std::to_string(i), a, closedPath(random, 5 + i, 0.8, 0.2)});
  }
  // Touching at a corner, overlapping in part, and apart.
  cases.push_back({"touching squares", "M0 0 H1 V1 H0 Z", "M1 1 h1 v1 h-1 z"});
  cases.push_back({"overlapping", "M0 0 C 1 2 3 2 4 0 S 7 -2 8 0", "M2 0 C 3 2 5 2 6 0 L 9 0"});
  cases.push_back({"crossing", "M0 0 L 4 4 M 0 4 L 4 0", "M 2 -1 Q 6 2 2 5"});
  return cases;
}

void expectHolds(const std::string& name, const Shape& a, const Shape& b, long double reference,
                 double tolerance) {
  const CertifiedDistance r = certifiedHausdorff(a, b, tolerance);
  EXPECT_LE(r.lower, reference + 1e-12) << name << " at " << tolerance;
  EXPECT_GE(r.upper, reference - 1e-12) << name << " at " << tolerance;
  EXPECT_LE(r.upper - r.lower, tolerance) << name;
  EXPECT_TRUE(r.toleranceMet) << name;
  // The witness and its nearest point name segments of the right shapes.
  const Shape& own = r.witnessShape == 0 ? a : b;
  const Shape& other = r.witnessShape == 0 ? b : a;
  EXPECT_LT(r.witness.segment, static_cast<int>(own.segments.size())) << name;
  EXPECT_LT(r.nearest.segment, static_cast<int>(other.segments.size())) << name;
  // lower is the witness's own distance, and the arrow to its nearest point lies within the
  // interval.
  const long double witnessDistance =
      shape_reference::distanceToShape(other, r.witness.point.x, r.witness.point.y);
  const double arrow =
      std::hypot(r.witness.point.x - r.nearest.point.x, r.witness.point.y - r.nearest.point.y);
  EXPECT_LE(r.lower, witnessDistance + 1e-12) << name << " at " << tolerance;
  EXPECT_GE(arrow, witnessDistance - 1e-12) << name << " at " << tolerance;
  EXPECT_LE(arrow, r.upper + 1e-12) << name << " at " << tolerance;
}

TEST(ShapeCertified, SeededPathsHoldTheReference) {
  for (const ShapeCase& c : seededShapes()) {
    const Shape a = pathShape(c.a), b = pathShape(c.b);
    const long double reference = shape_reference::hausdorff(a, b, 64);
    for (double tolerance : {1e-3, 1e-6}) expectHolds(c.name, a, b, reference, tolerance);
  }
}

// A shape against itself moved by v: the distance is at most |v|, and the reference says what
// it is; against itself unmoved it is 0, and the lower end says so exactly.
TEST(ShapeCertified, ShapeAgainstItselfMovedByAKnownVector) {
  std::mt19937 random(7);
  for (const auto& [dx, dy] : {std::pair{0.0, 0.0}, {0.01, 0.0}, {0.003, -0.004}, {0.3, 0.4}}) {
    std::mt19937 copy = random;
    const Shape a = pathShape(closedPath(random, 9, 1.0, 0.05));
    const Shape moved = pathShape(closedPath(copy, 9, 1.0, 0.05, dx, dy));
    const long double reference = shape_reference::hausdorff(a, moved, 64);
    EXPECT_LE(reference, std::hypot(dx, dy) + 1e-12);
    expectHolds("moved", a, moved, reference, 1e-6);
    if (dx == 0 && dy == 0) {
      EXPECT_EQ(certifiedHausdorff(a, moved, 1e-6).lower, 0.0);
    }
  }
}

// A circle drawn with arcs against the same circle as a 64-gon: the arcs' cubics lie within
// their stated bound of the true circle, and the interval, widened by it, holds the distance
// between the true circle and the polygon, which is known in closed form: 1 - cos(pi / 64).
TEST(ShapeCertified, ArcApproximationWidensTheInterval) {
  const Shape circle = pathShape("M 1 0 A 1 1 0 0 1 -1 0 A 1 1 0 0 1 1 0 Z");
  EXPECT_GT(circle.approximationError, 0.0);
  std::string polygon = "M 1 0";
  for (int i = 1; i < 64; ++i) {
    polygon += " L " + number(std::cos(i * M_PI / 32)) + " " + number(std::sin(i * M_PI / 32));
  }
  const Shape gon = pathShape(polygon + " Z");
  const double exact = 1 - std::cos(M_PI / 64);
  const CertifiedDistance r = certifiedHausdorff(circle, gon, 1e-6);
  EXPECT_LE(r.lower, exact);
  EXPECT_GE(r.upper, exact);
  EXPECT_LE(r.upper - r.lower, 1e-6 + 2 * circle.approximationError);
}

// Straight figures whose parametrisations are not: edges drawn as cubics with their handles on
// their ends (stationary at both ends), a line folded back on itself, collinear folded pieces in
// shuffled order. Each family is seeded and turned by a random angle, so that nothing is exactly
// axis-aligned, and must meet the tolerance like the same figures drawn with lines, in a number of
// steps of the order of their segment count. The guards are two to five times what the search
// takes today; bounds that follow the parametrisation took 15 to 300 times as many steps, and
// the step cap is far above either.
struct DegenerateCase {
  std::string name;
  std::string a, b;
  std::int64_t maxSteps;
};

std::vector<DegenerateCase> degenerateCases() {
  std::mt19937 random(16);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<DegenerateCase> cases;
  for (int round = 0; round < 2; ++round) {
    const double angle = unit(random) * 2 * M_PI;
    const auto at = [&](double along, double across = 0.0) {
      return number(along * std::cos(angle) - across * std::sin(angle)) + " " +
             number(along * std::sin(angle) + across * std::cos(angle));
    };
    // A polygon of 40 corners at random radii: cubic edges with their handles on their ends
    // against the same edges as lines.
    std::vector<std::string> corners;
    for (int i = 0; i < 40; ++i) {
      const double r = 0.7 + 0.3 * unit(random), t = 2 * M_PI * i / 40;
      corners.push_back(at(r * std::cos(t), r * std::sin(t)));
    }
    std::string handles = "M" + corners[0], lines = "M" + corners[0];
    for (int i = 1; i <= 40; ++i) {
      const std::string& from = corners[i - 1];
      const std::string& to = corners[i % 40];
      handles += " C" + from + " " + to + " " + to;
      lines += " L" + to;
    }
    cases.push_back({"handles on the ends", handles, lines, 100});
    // One cubic along the line through 0 and 1 whose handles reach beyond both ends, against the
    // unit segment: it goes out, folds back, and passes again.
    const double before = -unit(random), beyond = 1 + unit(random);
    cases.push_back({"folded line", "M" + at(0) + " L" + at(1),
                     "M" + at(0) + " C" + at(beyond) + " " + at(before) + " " + at(1), 60});
    // 200 folded pieces covering the unit segment, in shuffled order.
    std::vector<std::string> pieces;
    for (int i = 0; i < 200; ++i) {
      const double from = i / 200.0, to = (i + 1) / 200.0, reach = unit(random) / 200;
      pieces.push_back("M" + at(from) + " C" + at(to + reach) + " " + at(from - reach) + " " +
                       at(to));
    }
    std::shuffle(pieces.begin(), pieces.end(), random);
    std::string shuffled;
    for (const std::string& piece : pieces) shuffled += piece + " ";
    cases.push_back({"shuffled folded pieces", "M" + at(0) + " L" + at(1), shuffled, 5000});
  }
  return cases;
}

TEST(ShapeCertified, DegenerateParametrisationsConvergeLikeLines) {
  for (const DegenerateCase& c : degenerateCases()) {
    const Shape a = pathShape(c.a), b = pathShape(c.b);
    const long double reference = shape_reference::hausdorff(a, b, 32);
    for (double tolerance : {1e-3, 1e-6}) {
      expectHolds(c.name, a, b, reference, tolerance);
      const CertifiedDistance r = certifiedHausdorff(a, b, tolerance);
      EXPECT_LE(r.steps, c.maxSteps) << c.name << " at " << tolerance;
    }
  }
}

}  // namespace
