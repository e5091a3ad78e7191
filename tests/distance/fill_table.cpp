#include "fill_table.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <stdexcept>

namespace {

// Every draw is a statement or an initialiser of its own (never two among one call's arguments,
// whose order is unspecified), so that every compiler builds the same table.
using Random = std::mt19937;
using Segments = std::vector<CubicCurve>;

constexpr double kNotKnown = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.14159265358979323846;
// The handle length of a quarter circle drawn as one cubic: 4/3 (sqrt 2 - 1). The cubic lies
// outside the circle except at its ends and its middle, where it meets it.
constexpr double kQuarterHandle = 0.5522847498307936;

double uniform(Random& random, double lo, double hi) {
  return std::uniform_real_distribution<double>(lo, hi)(random);
}

int pick(Random& random, int lo, int hi) {
  return std::uniform_int_distribution<int>(lo, hi)(random);
}

Point2 at(Point2 centre, double radius, double angle) {
  return {centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)};
}

CubicCurve line(Point2 a, Point2 b) {
  return {{a,
           {(2 * a.x + b.x) / 3, (2 * a.y + b.y) / 3},
           {(a.x + 2 * b.x) / 3, (a.y + 2 * b.y) / 3},
           b}};
}

// The lines through `corners` in order, and back to the first when `closed`.
Segments polygon(const std::vector<Point2>& corners, bool closed = true) {
  Segments segments;
  const std::size_t n = corners.size();
  for (std::size_t i = 0; i + 1 < n; ++i) segments.push_back(line(corners[i], corners[i + 1]));
  if (closed) segments.push_back(line(corners[n - 1], corners[0]));
  return segments;
}

CubicCurve reversed(const CubicCurve& c) {
  return {{c.p[3], c.p[2], c.p[1], c.p[0]}};
}

Segments reversed(const Segments& segments) {
  Segments out;
  for (auto it = segments.rbegin(); it != segments.rend(); ++it) out.push_back(reversed(*it));
  return out;
}

// A closed contour started at its segment k.
Segments restarted(const Segments& segments, int k) {
  Segments out(segments.begin() + k, segments.end());
  out.insert(out.end(), segments.begin(), segments.begin() + k);
  return out;
}

// A circle of `arcs` cubic arcs, counter-clockwise from angle `start`. With four arcs from angle
// 0 the ends are exact: (x ± r, y) and (x, y ± r).
Segments circle(Point2 centre, double radius, int arcs = 4, double start = 0) {
  const double step = 2 * kPi / arcs;
  const double handle = arcs == 4 ? kQuarterHandle : 4.0 / 3 * std::tan(step / 4);
  const auto corner = [&](int i) -> Point2 {
    if (arcs == 4 && start == 0) {
      static const int cosines[4] = {1, 0, -1, 0};
      return {centre.x + radius * cosines[i % 4], centre.y + radius * cosines[(i + 3) % 4]};
    }
    return at(centre, radius, start + i * step);
  };
  Segments segments;
  for (int i = 0; i < arcs; ++i) {
    const Point2 p0 = corner(i), p3 = corner(i + 1);
    // The tangents at the ends, a quarter turn from the radii.
    const Point2 t0{-(p0.y - centre.y), p0.x - centre.x}, t3{-(p3.y - centre.y), p3.x - centre.x};
    segments.push_back({{p0,
                         {p0.x + handle * t0.x, p0.y + handle * t0.y},
                         {p3.x - handle * t3.x, p3.y - handle * t3.y},
                         p3}});
  }
  segments.back().p[3] = segments.front().p[0];
  return segments;
}

// The square of half-side h around `centre`, turned by `angle`, counter-clockwise.
Segments square(Point2 centre, double h, double angle = 0) {
  std::vector<Point2> corners;
  for (int i = 0; i < 4; ++i) {
    if (angle == 0) {
      corners.push_back({centre.x + (i == 0 || i == 3 ? h : -h), centre.y + (i < 2 ? h : -h)});
    } else {
      corners.push_back(at(centre, h * std::sqrt(2.0), angle + kPi / 4 + i * kPi / 2));
    }
  }
  // Counter-clockwise: (h, h), (-h, h), (-h, -h), (h, -h) before turning.
  return polygon(corners);
}

// A closed contour around `centre` through `corners` points at radii within `wobble` (relative)
// of `radius`, its sides cubics, quadratics (elevated) and lines in turn.
Segments blob(Random& random, Point2 centre, int corners, double radius, double wobble) {
  std::vector<Point2> points;
  const double step = 2 * kPi / corners;
  const double turn = uniform(random, 0, 2 * kPi);
  for (int i = 0; i < corners; ++i) {
    points.push_back(at(centre, radius * (1 + uniform(random, -wobble, wobble)), turn + i * step));
  }
  Segments segments;
  for (int i = 0; i < corners; ++i) {
    const Point2 p0 = points[i], p3 = points[(i + 1) % corners];
    const double a = turn + i * step;
    if (i % 3 == 0) {
      segments.push_back({{p0, at(centre, radius * uniform(random, 0.9, 1.3), a + step / 3),
                           at(centre, radius * uniform(random, 0.7, 1.1), a + 2 * step / 3), p3}});
    } else if (i % 3 == 1) {
      const Point2 q = at(centre, radius * uniform(random, 0.9, 1.2), a + step / 2);
      segments.push_back({{p0,
                           {p0.x + 2 * (q.x - p0.x) / 3, p0.y + 2 * (q.y - p0.y) / 3},
                           {p3.x + 2 * (q.x - p3.x) / 3, p3.y + 2 * (q.y - p3.y) / 3},
                           p3}});
    } else {
      segments.push_back(line(p0, p3));
    }
  }
  return segments;
}

// A convex polygon: corners on an ellipse at sorted random angles.
Segments convexPolygon(Random& random, Point2 centre, double rx, double ry, int corners) {
  std::vector<double> angles;
  for (int i = 0; i < corners; ++i) angles.push_back(uniform(random, 0, 2 * kPi));
  std::sort(angles.begin(), angles.end());
  std::vector<Point2> points;
  for (double a : angles)
    points.push_back({centre.x + rx * std::cos(a), centre.y + ry * std::sin(a)});
  return polygon(points);
}

// The star polygon {n/k} of outer radius r: n corners joined every k-th.
Segments star(Point2 centre, double r, int n, int k, double turn) {
  std::vector<Point2> points;
  for (int i = 0; i < n; ++i) points.push_back(at(centre, r, turn + 2 * kPi * k * i / n));
  return polygon(points);
}

// Builds a shape paint by paint, contour by contour, with its contours and paints explicit.
class Drawing {
 public:
  Drawing& paint(bool filled, FillRule rule = FillRule::kNonzero) {
    shape_.paints.push_back({static_cast<int>(shape_.contours.size()), 0, filled, rule});
    return *this;
  }
  Drawing& contour(const Segments& segments) {
    if (shape_.paints.empty()) paint(true);
    const bool closed = samePoint(segments.back().p[3], segments.front().p[0]);
    shape_.contours.push_back(
        {static_cast<int>(shape_.segments.size()), static_cast<int>(segments.size()), closed});
    shape_.segments.insert(shape_.segments.end(), segments.begin(), segments.end());
    ++shape_.paints.back().contourCount;
    return *this;
  }
  Shape shape() const { return shape_; }

 private:
  Shape shape_;
};

Shape filled(const Segments& segments, FillRule rule = FillRule::kNonzero) {
  return Drawing().paint(true, rule).contour(segments).shape();
}

Shape outlineOnly(const Segments& segments) {
  return Drawing().paint(false).contour(segments).shape();
}

double scaleOf(const Shape& a, const Shape& b) {
  double lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY};
  for (const Shape* s : {&a, &b}) {
    for (const CubicCurve& c : s->segments) {
      for (const Point2& p : c.p) {
        lo[0] = std::min(lo[0], p.x), hi[0] = std::max(hi[0], p.x);
        lo[1] = std::min(lo[1], p.y), hi[1] = std::max(hi[1], p.y);
      }
    }
  }
  return std::max(hi[0] - lo[0], hi[1] - lo[1]);
}

class Table {
 public:
  void add(const std::string& kind, const Shape& a, const Shape& b, double expected = kNotKnown,
           OutlineRelation outline = OutlineRelation::kNone) {
    pairs.push_back({kind, a, b, scaleOf(a, b), expected, outline});
  }
  std::vector<FillPair> pairs;
};

Point2 somewhere(Random& random) {
  return {uniform(random, -1, 1), uniform(random, -1, 1)};
}

void annuli(Table& table, Random& random) {
  for (int i = 0; i < 16; ++i) {
    const Point2 c = somewhere(random);
    const double outer = uniform(random, 0.5, 2);
    // Holes from a tenth of the disc to nine tenths, where the fill distance (the hole's radius,
    // at the centre) is far above the outline distance (the ring's width).
    const double hole = outer * (i < 4 ? 0.9 : uniform(random, 0.1, 0.9));
    const Shape disc = filled(circle(c, outer));
    const Shape ring =
        i % 2 ? Drawing().contour(circle(c, outer)).contour(reversed(circle(c, hole))).shape()
              : Drawing()
                    .paint(true, FillRule::kEvenOdd)
                    .contour(circle(c, outer))
                    .contour(circle(c, hole))
                    .shape();
    if (i % 4 < 2) {
      table.add("annulus against disc", ring, disc, hole);
    } else {
      table.add("annulus against disc", disc, ring, hole);
    }
  }
}

void concentricSquares(Table& table, Random& random) {
  for (int i = 0; i < 12; ++i) {
    const Point2 c = somewhere(random);
    const double angle = i % 3 == 0 ? 0 : uniform(random, 0, kPi);
    const double s = uniform(random, 0.5, 1.5);
    if (i % 2) {
      const double h = s * uniform(random, 0.2, 0.8);
      table.add(
          "concentric squares", filled(square(c, s, angle)),
          Drawing().contour(square(c, s, angle)).contour(reversed(square(c, h, angle))).shape(), h);
    } else {
      const double t = s * uniform(random, 0.3, 0.95);
      // The larger square's corner is farthest from the smaller: the corners are sqrt 2 (s - t)
      // apart.
      table.add("concentric squares", filled(square(c, s, angle)), filled(square(c, t, angle)),
                std::sqrt(2.0) * (s - t), OutlineRelation::kAtLeast);
    }
  }
}

void stars(Table& table, Random& random) {
  for (int i = 0; i < 10; ++i) {
    const Point2 c = somewhere(random);
    const double r = uniform(random, 0.5, 2);
    const Segments pentagram = star(c, r, 5, 2, uniform(random, 0, kPi));
    // Under nonzero the centre pentagon is filled (winding 2), under evenodd empty: the farthest
    // point is the pentagon's centre, r cos(72°) from the star's sides.
    const Shape nonzero = filled(pentagram), evenodd = filled(pentagram, FillRule::kEvenOdd);
    if (i % 2) {
      table.add("pentagram nonzero against evenodd", nonzero, evenodd, r * std::cos(2 * kPi / 5));
    } else {
      table.add("pentagram nonzero against evenodd", evenodd, nonzero, r * std::cos(2 * kPi / 5));
    }
  }
  for (int i = 0; i < 6; ++i) {
    const Point2 c = somewhere(random);
    const double r = uniform(random, 0.5, 2), turn = uniform(random, 0, kPi);
    const Segments heptagram = star(c, r, 7, 2 + i % 2, turn);
    table.add("heptagram nonzero against evenodd", filled(heptagram),
              filled(heptagram, FillRule::kEvenOdd));
  }
}

// A random shape with a hole, or two overlapping parts, or both, under a random rule.
Shape randomShape(Random& random, FillRule rule, double wobble) {
  const Point2 c = somewhere(random);
  const double r = uniform(random, 0.6, 1.2);
  Drawing drawing;
  drawing.paint(true, rule).contour(blob(random, c, pick(random, 5, 11), r, wobble));
  const int extra = pick(random, 0, 3);
  if (extra & 1) {
    Segments hole = blob(random, c, pick(random, 4, 7), r * 0.35, 0.05);
    drawing.contour(rule == FillRule::kNonzero ? reversed(hole) : hole);
  }
  if (extra & 2) {
    drawing.contour(blob(random, {c.x + r * 0.8, c.y}, pick(random, 4, 8), r * 0.5, wobble));
  }
  return drawing.shape();
}

// The same painted set drawn otherwise: every contour reversed and each closed one started at
// another segment (the fill 0 kinds).
Shape redrawn(Random& random, const Shape& shape, bool reverse) {
  Drawing drawing;
  for (const Paint& paint : shape.paints) {
    drawing.paint(paint.filled, paint.rule);
    for (int k = paint.firstContour; k < paint.firstContour + paint.contourCount; ++k) {
      const Contour& c = shape.contours[k];
      Segments segments(shape.segments.begin() + c.firstSegment,
                        shape.segments.begin() + c.firstSegment + c.segmentCount);
      if (reverse) segments = reversed(segments);
      if (c.closed) segments = restarted(segments, pick(random, 0, c.segmentCount - 1));
      drawing.contour(segments);
    }
  }
  return drawing.shape();
}

void redrawnContours(Table& table, Random& random) {
  for (int i = 0; i < 30; ++i) {
    const FillRule rule = i % 2 ? FillRule::kEvenOdd : FillRule::kNonzero;
    const Shape a = randomShape(random, rule, i % 5 == 4 ? 0.6 : 0.15);
    table.add(i % 3 ? "reversed and restarted" : "restarted", a, redrawn(random, a, i % 3 != 0), 0,
              OutlineRelation::kAtLeast);
  }
}

// A convex figure against two overlapping pieces of it whose union it is: a fan of a convex
// polygon split at a corner, and a circle of eight arcs cut by two chords into two caps that
// overlap, the chords drawn or left as the lines that close open contours.
void splitContours(Table& table, Random& random) {
  for (int i = 0; i < 8; ++i) {
    std::vector<Point2> corners;
    const int n = pick(random, 6, 10);
    const Point2 c = somewhere(random);
    const double rx = uniform(random, 0.5, 1.5), ry = uniform(random, 0.5, 1.5);
    for (int k = 0; k < n; ++k) {
      const double a = 2 * kPi * (k + uniform(random, -0.3, 0.3)) / n;
      corners.push_back({c.x + rx * std::cos(a), c.y + ry * std::sin(a)});
    }
    const int cut = pick(random, 2, n - 2);
    std::vector<Point2> first(corners.begin(), corners.begin() + cut + 1);
    std::vector<Point2> second(corners.begin() + cut - 1, corners.end());
    second.push_back(corners[0]);
    table.add("split into overlapping pieces", filled(polygon(corners)),
              Drawing().contour(polygon(first)).contour(polygon(second)).shape(), 0,
              OutlineRelation::kAtLeast);
  }
  for (int i = 0; i < 8; ++i) {
    const Point2 c = somewhere(random);
    const double r = uniform(random, 0.5, 1.5), turn = uniform(random, 0, kPi);
    const Segments round = circle(c, r, 8, turn);
    Segments first(round.begin(), round.begin() + 5), second(round.begin() + 3, round.end());
    if (i % 2) {
      first.push_back(line(first.back().p[3], first.front().p[0]));
      second.push_back(line(second.back().p[3], second.front().p[0]));
    }
    table.add(i % 2 ? "split into overlapping pieces" : "split into open pieces", filled(round),
              Drawing().contour(first).contour(second).shape(), 0, OutlineRelation::kAtLeast);
  }
}

// A ring against the same outlines with the hole filled: the inner contour turned to wind with
// the outer under nonzero (winding 2), or the rule changed from evenodd to nonzero.
void holesFilled(Table& table, Random& random) {
  for (int i = 0; i < 10; ++i) {
    const Point2 c = somewhere(random);
    const double outer = uniform(random, 0.6, 1.5), inner = outer * uniform(random, 0.2, 0.7);
    const bool round = i % 2 == 0;
    const Segments out = round ? circle(c, outer) : square(c, outer);
    const Segments in = round ? circle(c, inner) : square(c, inner);
    const Shape ring = Drawing().contour(out).contour(reversed(in)).shape();
    const Shape evenodd =
        Drawing().paint(true, FillRule::kEvenOdd).contour(out).contour(in).shape();
    const Shape full = Drawing().contour(out).contour(in).shape();
    table.add("hole filled", i % 4 < 2 ? ring : evenodd, full, inner);
  }
}

// A square with a square counter against the same with the counter moved by (vx, vy): the
// farthest points are on the moved counter's sides, max(|vx|, |vy|) inside the other's fill.
// Round counters moved the same way are about |v| apart.
void countersShifted(Table& table, Random& random) {
  for (int i = 0; i < 14; ++i) {
    const Point2 c = somewhere(random);
    const double s = uniform(random, 0.5, 1.5), h = 0.4 * s;
    const double vx = s * uniform(random, -0.1, 0.1), vy = s * uniform(random, -0.1, 0.1);
    const bool round = i >= 10;
    const auto counter = [&](Point2 at) { return round ? circle(at, h) : square(at, h); };
    const Shape a = Drawing().contour(square(c, s)).contour(reversed(counter(c))).shape();
    const Shape b =
        Drawing().contour(square(c, s)).contour(reversed(counter({c.x + vx, c.y + vy}))).shape();
    table.add("counter shifted", a, b, round ? kNotKnown : std::max(std::fabs(vx), std::fabs(vy)));
  }
}

// Contours that go out and come back, enclosing no area.
void slivers(Table& table, Random& random) {
  for (int i = 0; i < 4; ++i) {
    const Point2 a = somewhere(random), b = somewhere(random), c = somewhere(random);
    // A filled out-and-back path paints the path itself: the same set as the path unfilled.
    table.add("sliver", filled(polygon({a, b, c, b})), outlineOnly(polygon({a, b, c}, false)), 0,
              OutlineRelation::kAtLeast);
  }
  for (int i = 0; i < 6; ++i) {
    const Point2 c = somewhere(random);
    const double s = uniform(random, 0.5, 1.5), spike = s * uniform(random, 0.05, 0.8);
    // A spike from the middle of the right side, outwards (as far from the square as it is
    // long) or inwards (inside the fill: nothing).
    const double tip = i % 2 ? c.x + s + spike : c.x + s - spike;
    const Point2 corner[4] = {
        {c.x + s, c.y + s}, {c.x - s, c.y + s}, {c.x - s, c.y - s}, {c.x + s, c.y - s}};
    const Segments spiked = polygon(
        {corner[0], corner[1], corner[2], corner[3], {c.x + s, c.y}, {tip, c.y}, {c.x + s, c.y}});
    table.add(i % 2 ? "sliver outwards" : "sliver inwards", filled(spiked), filled(square(c, s)),
              i % 2 ? spike : 0, i % 2 ? OutlineRelation::kNone : OutlineRelation::kAtLeast);
  }
}

void touching(Table& table, Random& random) {
  for (int i = 0; i < 10; ++i) {
    const Point2 c = somewhere(random);
    const double s = uniform(random, 0.3, 0.8);
    if (i % 3 == 0) {
      // Two squares sharing a side against the rectangle they make.
      const Shape two =
          Drawing().contour(square({c.x - s, c.y}, s)).contour(square({c.x + s, c.y}, s)).shape();
      table.add("touching", two,
                filled(polygon({{c.x + 2 * s, c.y + s},
                                {c.x - 2 * s, c.y + s},
                                {c.x - 2 * s, c.y - s},
                                {c.x + 2 * s, c.y - s}})),
                0, OutlineRelation::kAtLeast);
    } else if (i % 3 == 1) {
      // A figure eight of two squares meeting at a corner, one contour, against two contours.
      const Point2 m = c;
      const Shape eight = filled(polygon({m,
                                          {m.x + s, m.y},
                                          {m.x + s, m.y + s},
                                          {m.x, m.y + s},
                                          m,
                                          {m.x - s, m.y},
                                          {m.x - s, m.y - s},
                                          {m.x, m.y - s}}));
      const Shape two = Drawing()
                            .contour(square({m.x + s / 2, m.y + s / 2}, s / 2))
                            .contour(square({m.x - s / 2, m.y - s / 2}, s / 2))
                            .shape();
      table.add("touching", eight, two, 0, OutlineRelation::kAtLeast);
    } else {
      // Two discs touching, in one paint against in two.
      const Segments left = circle({c.x - s, c.y}, s), right = circle({c.x + s, c.y}, s);
      table.add("touching", Drawing().contour(left).contour(right).shape(),
                Drawing().paint(true).contour(left).paint(true).contour(right).shape(), 0,
                OutlineRelation::kAtLeast);
    }
  }
}

void openContours(Table& table, Random& random) {
  for (int i = 0; i < 6; ++i) {
    // An open contour filled (closed by its line back to the start) against the same closed by a
    // drawn line; half of them curved (a cap of a circle).
    Segments open;
    const Point2 c = somewhere(random);
    const double r = uniform(random, 0.5, 1.5);
    if (i % 2) {
      open = blob(random, c, pick(random, 5, 9), r, 0.3);
      open.pop_back();
    } else {
      const Segments round = circle(c, r, 8);
      open.assign(round.begin(), round.begin() + pick(random, 2, 6));
    }
    Segments closed = open;
    closed.push_back(line(open.back().p[3], open.front().p[0]));
    table.add("open filled against closed", filled(open), filled(closed), 0,
              OutlineRelation::kAtLeast);
  }
  for (int i = 0; i < 6; ++i) {
    // Three sides of a square: unfilled, three lines; filled, the whole square, whose farthest
    // points (the centre, the middle of the missing side) are half a side from the three.
    const Point2 c = somewhere(random);
    const double s = uniform(random, 0.3, 1.2);
    const Segments u = polygon(
        {{c.x - s, c.y + s}, {c.x - s, c.y - s}, {c.x + s, c.y - s}, {c.x + s, c.y + s}}, false);
    table.add("open unfilled against filled", i % 2 ? outlineOnly(u) : filled(u),
              i % 2 ? filled(u) : outlineOnly(u), s);
  }
}

void noFill(Table& table, Random& random) {
  for (int i = 0; i < 6; ++i) {
    const Point2 c = somewhere(random);
    const double r = uniform(random, 0.3, 1.5);
    const Segments contour = i % 2 ? square(c, r, uniform(random, 0, kPi)) : circle(c, r);
    table.add("outline against fill", outlineOnly(contour), filled(contour), r);
  }
  for (int i = 0; i < 6; ++i) {
    const Shape a = randomShape(random, FillRule::kNonzero, 0.3);
    const Shape b = randomShape(random, FillRule::kNonzero, 0.3);
    const auto unfill = [](Shape s) {
      for (Paint& p : s.paints) p.filled = false;
      return s;
    };
    table.add("outlines only", unfill(a), unfill(b), kNotKnown, OutlineRelation::kEqual);
  }
  for (int i = 0; i < 4; ++i) {
    // A filled square beside a circle drawn with no fill, against both filled: the disc's
    // centre is its radius from its outline.
    const Point2 c = somewhere(random);
    const double r = uniform(random, 0.3, 0.8);
    const Segments box = square(c, 0.5), round = circle({c.x + 1.2 + r, c.y}, r);
    table.add("outline against fill", Drawing().contour(box).paint(false).contour(round).shape(),
              Drawing().contour(box).paint(true).contour(round).shape(), r);
  }
}

// Every point moved by a smooth field of size `size`: points shared by two segments move alike,
// so contours stay closed and continuous.
Shape nudged(const Shape& shape, double size, Random& random) {
  const double a = uniform(random, 1, 5), b = uniform(random, 0, 6), c = uniform(random, 1, 5),
               d = uniform(random, 0, 6);
  Shape out = shape;
  for (CubicCurve& curve : out.segments) {
    for (Point2& p : curve.p) {
      p = {p.x + size * std::sin(a * p.y + b), p.y + size * std::cos(c * p.x + d)};
    }
  }
  return out;
}

void randomPairs(Table& table, Random& random) {
  for (int i = 0; i < 12; ++i) {
    // Near-coincident fills, apart by 1e-3 to 3e-2 of their size.
    const Shape a = randomShape(random, i % 2 ? FillRule::kEvenOdd : FillRule::kNonzero, 0.2);
    table.add("nudged", a, nudged(a, std::pow(10.0, uniform(random, -3, -1.5)), random));
  }
  for (int i = 0; i < 16; ++i) {
    const FillRule ra = i % 2 ? FillRule::kEvenOdd : FillRule::kNonzero;
    const FillRule rb = i % 3 ? FillRule::kNonzero : FillRule::kEvenOdd;
    const double wobble = i % 4 == 3 ? 0.7 : 0.2;
    Shape a = randomShape(random, ra, wobble), b = randomShape(random, rb, wobble);
    if (i % 6 == 5) b.paints.back().filled = false;
    table.add("random", a, b);
  }
  for (int i = 0; i < 12; ++i) {
    const auto convex = [&random] {
      const Point2 c = somewhere(random);
      const double rx = uniform(random, 0.5, 1), ry = uniform(random, 0.5, 1);
      return convexPolygon(random, c, rx, ry, pick(random, 3, 9));
    };
    Segments a;
    if (i % 2) {
      a = convex();
    } else {
      const Point2 c = somewhere(random);
      a = circle(c, uniform(random, 0.3, 1));
    }
    const Segments b = convex();
    table.add("convex", filled(a), filled(b), kNotKnown, OutlineRelation::kAtLeast);
  }
}

// Overlapping contours at the scale of font units, all turning the same way, against the union
// booleanOperations makes of them.
std::vector<Shape> overlapping(Random& random) {
  std::vector<Shape> shapes;
  for (int i = 0; i < 30; ++i) {
    Drawing drawing;
    const bool clockwise = i % 2;
    const int parts = pick(random, 2, 4);
    for (int k = 0; k < parts; ++k) {
      const Point2 c{500 + uniform(random, -150, 150), 500 + uniform(random, -150, 150)};
      Segments part;
      switch (pick(random, 0, 2)) {
        case 0:
          part = circle(c, uniform(random, 80, 250));
          break;
        case 1: {
          const double h = uniform(random, 60, 200);
          part = square(c, h, i % 3 ? 0 : uniform(random, 0, kPi));
          break;
        }
        default: {
          const double r = uniform(random, 80, 220);
          part = blob(random, c, pick(random, 5, 8), r, 0.1);
        }
      }
      drawing.contour(clockwise ? reversed(part) : part);
    }
    shapes.push_back(drawing.shape());
  }
  return shapes;
}

bool isLine(const CubicCurve& c) {
  const CubicCurve l = line(c.p[0], c.p[3]);
  return samePoint(l.p[1], c.p[1]) && samePoint(l.p[2], c.p[2]);
}

std::string unions(const std::vector<Shape>& shapes, const std::string& directory,
                   std::vector<Shape>& out) {
  const std::string path = directory + "/fill_union_input_" + std::to_string(getpid()) + ".txt";
  {
    std::ofstream file(path);
    file.precision(17);
    for (const Shape& s : shapes) {
      file << "shape " << s.contours.size() << "\n";
      for (const Contour& c : s.contours) {
        file << "contour " << c.segmentCount << "\n";
        for (int i = c.firstSegment; i < c.firstSegment + c.segmentCount; ++i) {
          const CubicCurve& seg = s.segments[i];
          if (isLine(seg)) {
            file << "L " << seg.p[0].x << " " << seg.p[0].y << " " << seg.p[3].x << " "
                 << seg.p[3].y << "\n";
          } else {
            file << "C";
            for (const Point2& p : seg.p) file << " " << p.x << " " << p.y;
            file << "\n";
          }
        }
      }
    }
  }
  const std::string command = std::string(PYTHON_WITH_BOOLEAN_OPERATIONS) + " " +
                              FILL_UNION_SCRIPT + " '" + path + "' 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return "could not run " + command;
  std::string text;
  char buffer[65536];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    text.append(buffer, got);
  }
  const int status = pclose(pipe);
  std::remove(path.c_str());
  if (status != 0) return command + " failed: " + text;
  std::istringstream in(text);
  std::string word;
  int count;
  while (in >> word >> count) {
    if (word != "shape") return "unexpected output: " + text;
    Drawing drawing;
    for (int k = 0; k < count; ++k) {
      int segments;
      in >> word >> segments;
      Segments contour(segments);
      for (CubicCurve& c : contour) {
        for (Point2& p : c.p) in >> p.x >> p.y;
      }
      drawing.contour(contour);
    }
    out.push_back(drawing.shape());
  }
  if (out.size() != shapes.size())
    return "unions of " + std::to_string(out.size()) + " of " + std::to_string(shapes.size()) +
           " shapes: " + text;
  return "";
}

}  // namespace

Shape transformed(const Shape& shape, double factor, Point2 offset) {
  Shape out = shape;
  for (CubicCurve& c : out.segments) {
    for (Point2& p : c.p) p = {p.x * factor + offset.x, p.y * factor + offset.y};
  }
  return out;
}

namespace {

// The shape with explicit contours and paints, each contour's segments passed through `redraw`
// and the contours of each paint in the order `order` gives.
template <typename Redraw, typename Order>
Shape rebuilt(const Shape& shape, const Redraw& redraw, const Order& order) {
  const std::vector<Contour> contours = contoursOf(shape);
  Drawing drawing;
  for (const Paint& paint : paintsOf(shape)) {
    drawing.paint(paint.filled, paint.rule);
    for (int k = 0; k < paint.contourCount; ++k) {
      const Contour& c = contours[paint.firstContour + order(k, paint.contourCount)];
      const Segments segments(shape.segments.begin() + c.firstSegment,
                              shape.segments.begin() + c.firstSegment + c.segmentCount);
      drawing.contour(redraw(segments, c.closed));
    }
  }
  Shape out = drawing.shape();
  out.approximationError = shape.approximationError;
  return out;
}

int inOrder(int k, int) {
  return k;
}

}  // namespace

Shape reverseContours(const Shape& shape) {
  return rebuilt(
      shape, [](const Segments& s, bool) { return reversed(s); }, inOrder);
}

Shape restartContours(const Shape& shape) {
  return rebuilt(
      shape, [](const Segments& s, bool closed) { return closed ? restarted(s, 1 % s.size()) : s; },
      inOrder);
}

Shape reorderContours(const Shape& shape) {
  return rebuilt(
      shape, [](const Segments& s, bool) { return s; }, [](int k, int n) { return (k + 1) % n; });
}

std::vector<FillPair> seededFillTable(const std::string& directory) {
  Random random(20261208);
  Table table;
  annuli(table, random);
  concentricSquares(table, random);
  stars(table, random);
  redrawnContours(table, random);
  splitContours(table, random);
  holesFilled(table, random);
  countersShifted(table, random);
  slivers(table, random);
  touching(table, random);
  openContours(table, random);
  noFill(table, random);
  randomPairs(table, random);

  // Far from the origin, and at large and small scales: every fourth pair so far, moved.
  const std::size_t made = table.pairs.size();
  for (std::size_t i = 0; i < made; i += 4) {
    const FillPair& p = table.pairs[i];
    const int variant = static_cast<int>(i / 4) % 4;
    double factor = 1;
    Point2 offset{0, 0};
    std::string kind;
    if (variant == 0) {
      const double distance = std::pow(10.0, uniform(random, 4, 6)),
                   angle = uniform(random, 0, 6.28);
      offset = {distance * std::cos(angle), distance * std::sin(angle)};
      kind = "far: ";
    } else {
      factor = variant == 1 ? 1000.0 : (variant == 2 ? 1.0 / 1024 : 0.001);
      kind = variant == 1 ? "times 1000: " : "small: ";
    }
    table.add(kind + p.kind, transformed(p.a, factor, offset), transformed(p.b, factor, offset),
              p.expected * factor, p.outline);
  }

  const std::vector<Shape> parts = overlapping(random);
  std::vector<Shape> merged;
  const std::string problem = unions(parts, directory, merged);
  if (!problem.empty()) throw std::runtime_error(problem);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i % 2) {
      table.add("union by booleanOperations", merged[i], parts[i]);
    } else {
      table.add("union by booleanOperations", parts[i], merged[i]);
    }
  }
  return table.pairs;
}
