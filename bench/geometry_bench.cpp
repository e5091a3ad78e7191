// Benchmarks of the curve geometry against two peers, with the error of every method measured
// against dense sampling.
//
// Methods on each pair of curves:
//   certified       certifiedHausdorff at tolerance 1e-3 (the distance taken as the interval's
//                   middle; the interval's holding the reference is checked outside the timing);
//   certified-1e-9  the same at tolerance 1e-9;
//   library  the viewer's hausdorffSearch, trace written to /dev/null, markers sent to a canvas
//            that draws nothing (a frame pays for both);
//   plain    the straightforward reading kept in the tests, under the same conditions: the cost
//            before tuning;
//   2geom    Geom::hausdorf with precision 1e-3 on CubicBezier(...).toSBasis() conversions;
//   boost    boost::geometry::discrete_hausdorff_distance both ways round, on polylines sampled
//            uniformly in the parameter with ceil(control polygon length / 0.002) segments, which
//            keeps the sampling error within 0.001.
// Converting and sampling happen inside the timed loop, as each method needs them per frame.
//
// Errors are measured against the long double reference of the tests (quintic roots and golden
// sections), computed once outside the timed loops.
//
// Besides Google Benchmark's own flags, `--results_md=PATH` writes a Markdown table of the
// medians (or of the single runs) and of the targets to PATH.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#ifdef BENCH_HAVE_2GEOM
#include <2geom/basic-intersection.h>
#include <2geom/bezier-curve.h>
#endif

#include <boost/geometry.hpp>
#include <boost/geometry/algorithms/discrete_hausdorff_distance.hpp>
#include <boost/geometry/geometries/linestring.hpp>
#include <boost/geometry/geometries/point_xy.hpp>

#include "distance/certified_hausdorff.h"
#include "geometry/cubic.h"
#include "geometry/geometry_scene.h"
#include "geometry/hausdorff.h"
#include "geometry/marker_canvas.h"
#include "geometry/nearest.h"
#include "tests/distance/shape_reference.h"
#include "tests/geometry/plain_search.h"
#include "tests/geometry/reference.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Pairs.

const CubicCurve kLower{-0.2, -0.3, -0.1, -0.1, 0.1, -0.1, 0.2, -0.3};
const CubicCurve kUpper{-0.2, 0.3, -0.1, 0.1, 0.1, 0.1, 0.2, 0.3};

CubicCurve reversed(const CubicCurve& c) {
  return CubicCurve{{c.p[3], c.p[2], c.p[1], c.p[0]}};
}

// The first curve after `presses` presses of the right arrow key: 0.1 added each time.
CubicCurve movedRight(CubicCurve curve, int presses) {
  for (int i = 0; i < presses; ++i) {
    for (Point2& point : curve.p) point.x += 0.1;
  }
  return curve;
}

struct CurvePair {
  CubicCurve a;
  CubicCurve b;
};

std::vector<CurvePair> randomPairs(int count) {
  std::mt19937 random(20261207);
  std::uniform_real_distribution<double> coordinate(-0.5, 0.5);
  std::vector<CurvePair> pairs(count);
  for (CurvePair& pair : pairs) {
    for (Point2& point : pair.a.p) point = {coordinate(random), coordinate(random)};
    for (Point2& point : pair.b.p) point = {coordinate(random), coordinate(random)};
  }
  return pairs;
}

struct Case {
  std::string name;
  std::vector<CurvePair> pairs;
  std::vector<double> exact;  // reference distance of each pair
  int steps = 0;              // search steps of the library over all pairs
  bool held = true;           // every certified interval, at both tolerances, held the reference
};

// ---------------------------------------------------------------------------------------------
// Methods. Each returns the Hausdorff distance it finds.

std::FILE* discardedTrace = nullptr;

void drawNothing(float) {}
void drawNothing(float, float) {}
void drawNothing(float, float, float) {}
void drawNothing(unsigned int) {}
void drawNothing() {}
const MarkerCanvas kSilentCanvas{drawNothing, drawNothing, drawNothing,
                                 drawNothing, drawNothing, drawNothing};

Shape curveShape(const CubicCurve& curve) {
  Shape shape;
  shape.segments.push_back(curve);
  return shape;
}

// The conversion to shapes is part of each call, as the command line pays for it.
CertifiedDistance certified(const CurvePair& pair, double tolerance) {
  return certifiedHausdorff(curveShape(pair.a), curveShape(pair.b), tolerance);
}

double certifiedMiddle(const CurvePair& pair, double tolerance) {
  const CertifiedDistance d = certified(pair, tolerance);
  return d.lower * 0.5 + d.upper * 0.5;
}

double certifiedCoarse(const CurvePair& pair) {
  return certifiedMiddle(pair, 1e-3);
}

double certifiedFine(const CurvePair& pair) {
  return certifiedMiddle(pair, 1e-9);
}

double libraryDistance(const CurvePair& pair) {
  return hausdorffSearch(pair.a, pair.b, discardedTrace).lowerBound;
}

double plainDistance(const CurvePair& pair) {
  return plain::hausdorffSearch(pair.a, pair.b, discardedTrace).lowerBound;
}

#ifdef BENCH_HAVE_2GEOM
Geom::D2<Geom::SBasis> toSBasis(const CubicCurve& c) {
  const Geom::CubicBezier bezier(Geom::Point(c.p[0].x, c.p[0].y), Geom::Point(c.p[1].x, c.p[1].y),
                                 Geom::Point(c.p[2].x, c.p[2].y), Geom::Point(c.p[3].x, c.p[3].y));
  return bezier.toSBasis();
}

double twoGeomDistance(const CurvePair& pair) {
  Geom::D2<Geom::SBasis> a = toSBasis(pair.a);
  const Geom::D2<Geom::SBasis> b = toSBasis(pair.b);
  return Geom::hausdorf(a, b, 1e-3);
}
#endif

namespace bg = boost::geometry;
using BoostPoint = bg::model::d2::point_xy<double>;
using BoostLine = bg::model::linestring<BoostPoint>;

double polygonLength(const CubicCurve& c) {
  double length = 0.0;
  for (int i = 0; i < 3; ++i) {
    length += std::hypot(c.p[i + 1].x - c.p[i].x, c.p[i + 1].y - c.p[i].y);
  }
  return length;
}

// A curve point within 0.002 / 2 of every curve point between two samples: the curve is no
// longer than its control polygon, so a segment of parameter 1/N covers at most length/N.
BoostLine sampled(const CubicCurve& c) {
  const int segments = std::max(1, static_cast<int>(std::ceil(polygonLength(c) / 0.002)));
  BoostLine line;
  line.reserve(segments + 1);
  for (int i = 0; i <= segments; ++i) {
    const double t = static_cast<double>(i) / segments;
    const double s = 1.0 - t;
    const double w0 = s * s * s, w1 = 3 * s * s * t, w2 = 3 * s * t * t, w3 = t * t * t;
    line.emplace_back(w0 * c.p[0].x + w1 * c.p[1].x + w2 * c.p[2].x + w3 * c.p[3].x,
                      w0 * c.p[0].y + w1 * c.p[1].y + w2 * c.p[2].y + w3 * c.p[3].y);
  }
  return line;
}

double boostDistance(const CurvePair& pair) {
  const BoostLine a = sampled(pair.a);
  const BoostLine b = sampled(pair.b);
  return std::max(bg::discrete_hausdorff_distance(a, b), bg::discrete_hausdorff_distance(b, a));
}

struct Method {
  const char* name;
  double (*distance)(const CurvePair&);
};

const Method kMethods[] = {
    {"certified", certifiedCoarse}, {"certified-1e-9", certifiedFine},
    {"library", libraryDistance},   {"plain", plainDistance},
#ifdef BENCH_HAVE_2GEOM
    {"2geom", twoGeomDistance},
#endif
    {"boost", boostDistance},
};

void runHausdorff(benchmark::State& state, const Case& pairs, const Method& method) {
  std::vector<double> found(pairs.pairs.size());
  for (auto _ : state) {
    for (size_t i = 0; i < pairs.pairs.size(); ++i) found[i] = method.distance(pairs.pairs[i]);
    benchmark::DoNotOptimize(found.data());
    benchmark::ClobberMemory();
  }
  double largest = 0.0, total = 0.0;
  for (size_t i = 0; i < found.size(); ++i) {
    const double error = std::fabs(found[i] - pairs.exact[i]);
    largest = std::max(largest, error);
    total += error;
  }
  state.counters["max_error"] = largest;
  state.counters["mean_error"] = total / found.size();
}

// ---------------------------------------------------------------------------------------------
// Shapes: closed paths of n cubics that stay within 0.01 of each other. The figure is the wavy
// closed curve r(a) = 1 + 0.2 sin 5a; A is its Hermite interpolation by n cubics, B the same at
// sample angles moved by half a step and radii 0.4% larger, so the two never coincide piece
// for piece. "shapes-1" is one cubic of each over an eighth of a turn, for comparison.

Point2 wavy(double angle, double scale) {
  const double r = scale * (1 + 0.2 * std::sin(5 * angle));
  return {r * std::cos(angle), r * std::sin(angle)};
}

Point2 wavyDerivative(double angle, double scale) {
  const double r = scale * (1 + 0.2 * std::sin(5 * angle)), dr = scale * std::cos(5 * angle);
  return {dr * std::cos(angle) - r * std::sin(angle), dr * std::sin(angle) + r * std::cos(angle)};
}

CubicCurve hermite(double from, double to, double scale) {
  const double third = (to - from) / 3;
  const Point2 p0 = wavy(from, scale), p3 = wavy(to, scale);
  const Point2 d0 = wavyDerivative(from, scale), d3 = wavyDerivative(to, scale);
  return CubicCurve{{p0,
                     {p0.x + third * d0.x, p0.y + third * d0.y},
                     {p3.x - third * d3.x, p3.y - third * d3.y},
                     p3}};
}

Shape wavyShape(int segments, double phase, double scale, double turn) {
  Shape shape;
  const double step = turn / segments;
  for (int i = 0; i < segments; ++i) {
    shape.segments.push_back(hermite(phase + i * step, phase + (i + 1) * step, scale));
  }
  return shape;
}

struct ShapeCase {
  std::string name;
  Shape a, b;
  double exact = 0;  // reference distance
  bool held = true;
  double tolerance = 1e-3;
  bool exactByConstruction = false;  // the two figures coincide: exact stays 0
  bool referenced = true;            // false: too large for the reference, no error measured
  bool once = false;                 // one run of one call: too slow to repeat
};

std::vector<ShapeCase> shapeCases() {
  std::vector<ShapeCase> cases;
  const double turn = 2 * M_PI;
  cases.push_back({"shapes-1", wavyShape(1, 0, 1, turn / 8), wavyShape(1, 0.01, 1.004, turn / 8)});
  for (int n : {50, 100}) {
    cases.push_back({"shapes-" + std::to_string(n), wavyShape(n, 0, 1, turn),
                     wavyShape(n, turn / n / 2, 1.004, turn)});
  }
  // At scale: 10^5 segments against the shifted copy, and one cubic against 10^5 over its
  // eighth of a turn.
  const int many = 100000;
  ShapeCase large{"shapes-100000", wavyShape(many, 0, 1, turn),
                  wavyShape(many, turn / many / 2, 1.004, turn)};
  large.referenced = false;
  cases.push_back(large);
  ShapeCase one{"shapes-1-vs-100000", wavyShape(1, 0, 1, turn / 8),
                wavyShape(many, 0.01, 1.004, turn / 8)};
  one.referenced = false;
  cases.push_back(one);
  return cases;
}

// ---------------------------------------------------------------------------------------------
// Tangled shapes: two independent "scribbles", each a path of n cubics whose control points are
// uniform in a 100 x 100 square (each segment starts where the one before ends), at the default
// tolerance. Every segment's box holds much of the square, so a tree over whole segments prunes
// nothing; the search's index over their pieces has to.

using shape_reference::scribble;

const int kScribbleSizes[] = {200, 400, 800, 1600, 3200, 6400};
const unsigned kScribbleSeeds[] = {1, 2};

std::string scribbleName(int n, unsigned seed) {
  return "scribbles-" + std::to_string(n) + "-seed" + std::to_string(seed);
}

std::vector<ShapeCase> scribbleCases() {
  std::vector<ShapeCase> cases;
  for (unsigned seed : kScribbleSeeds) {
    for (int n : kScribbleSizes) {
      ShapeCase c{scribbleName(n, seed), scribble(n, seed), scribble(n, seed + 1000)};
      c.referenced = false;
      c.once = n >= 1600;
      cases.push_back(c);
    }
  }
  return cases;
}

// ---------------------------------------------------------------------------------------------
// Straight figures drawn with degenerate parametrisations, each against the same figure (so the
// distance is 0): a regular polygon of radius 100 whose edges are cubics with their handles on
// their ends, against its edges as lines; a segment against a cubic along it that folds back
// twice (handles at 1.5 and -0.5 of its length, so it stays within the segment); 15,000 such
// folded pieces covering a segment, in shuffled order, against the segment.

Shape straightEdges(int corners, bool handlesOnEnds) {
  Shape shape;
  const auto corner = [&](int i) {
    const double angle = 2 * M_PI * (i % corners) / corners;
    return Point2{100 * std::cos(angle), 100 * std::sin(angle)};
  };
  for (int i = 0; i < corners; ++i) {
    const Point2 p = corner(i), q = corner(i + 1);
    shape.segments.push_back(handlesOnEnds
                                 ? CubicCurve{{p, p, q, q}}
                                 : CubicCurve{{p,
                                               {p.x + (q.x - p.x) / 3, p.y + (q.y - p.y) / 3},
                                               {q.x - (q.x - p.x) / 3, q.y - (q.y - p.y) / 3},
                                               q}});
  }
  return shape;
}

CubicCurve foldedAlong(double from, double to) {
  const double length = to - from;
  return CubicCurve{from, 0, from + 1.5 * length, 0, from - 0.5 * length, 0, to, 0};
}

Shape foldedPieces(int count) {
  std::vector<int> order(count);
  for (int i = 0; i < count; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(15000));
  Shape shape;
  for (int i : order)
    shape.segments.push_back(foldedAlong(double(i) / count, double(i + 1) / count));
  return shape;
}

std::vector<ShapeCase> degenerateCases() {
  const auto polygon = [](int corners, double tolerance) {
    ShapeCase c{"polygon-" + std::to_string(corners) + "-" + (tolerance < 1e-4 ? "1e-6" : "1e-3"),
                straightEdges(corners, true), straightEdges(corners, false)};
    c.tolerance = tolerance;
    c.exactByConstruction = true;
    return c;
  };
  std::vector<ShapeCase> cases = {polygon(50, 1e-6), polygon(2000, 1e-3), polygon(2000, 1e-6)};
  ShapeCase folded{"folded-line-1e-9", Shape{{CubicCurve{0, 0, 1, 0, 2, 0, 3, 0}}},
                   Shape{{foldedAlong(0, 3)}}};
  folded.tolerance = 1e-9;
  folded.exactByConstruction = true;
  cases.push_back(folded);
  ShapeCase pieces{"folded-15000-1e-3", Shape{{CubicCurve{0, 0, 1.0 / 3, 0, 2.0 / 3, 0, 1, 0}}},
                   foldedPieces(15000)};
  pieces.exactByConstruction = true;
  cases.push_back(pieces);
  return cases;
}

void runShapes(benchmark::State& state, const ShapeCase& c) {
  CertifiedDistance d{};
  for (auto _ : state) {
    d = certifiedHausdorff(c.a, c.b, c.tolerance);
    benchmark::DoNotOptimize(d);
  }
  state.counters["max_error"] =
      c.referenced ? std::max(std::fabs(d.lower - c.exact), std::fabs(d.upper - c.exact)) : 0.0;
  state.counters["steps"] = static_cast<double>(d.steps);
  state.counters["met"] = d.toleranceMet ? 1 : 0;
  // Time per step (the rate of steps, inverted) and the pieces the point queries bounded a step.
  const double steps = static_cast<double>(std::max<std::int64_t>(d.steps, 1));
  state.counters["s_per_step"] = benchmark::Counter(
      steps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["visits_per_step"] = static_cast<double>(d.visits) / steps;
  // In all: where a map settles most segments unmeasured, steps are few and the work is the
  // map's and the queries' visits.
  state.counters["visits"] = static_cast<double>(d.visits);
}

// ---------------------------------------------------------------------------------------------
// Nearest point: the worked query points of the default curves and the straight line.

struct NearestQuery {
  std::string name;
  CubicCurve curve;
  Point2 query;
};

std::vector<NearestQuery> nearestQueries() {
  const CubicCurve straight{0, 0, 1, 0, 2, 0, 3, 0};
  return {
      {"lower(0,-1)", kLower, {0, -1}},         {"lower(-0.5,-0.5)", kLower, {-0.5, -0.5}},
      {"lower(0.5,-0.5)", kLower, {0.5, -0.5}}, {"lower(0,0)", kLower, {0, 0}},
      {"lower(0,-0.15)", kLower, {0, -0.15}},   {"lower(0,-0.2)", kLower, {0, -0.2}},
      {"lower(0.3,0)", kLower, {0.3, 0}},       {"upper(0,0)", kUpper, {0, 0}},
      {"straight(1.5,1)", straight, {1.5, 1}},
  };
}

void runNearest(benchmark::State& state, const NearestQuery& q,
                double (*nearest)(const CubicCurve&, Point2, int)) {
  double found = 0.0;
  for (auto _ : state) {
    found = nearest(q.curve, q.query, 1);
    benchmark::DoNotOptimize(found);
  }
  state.counters["max_error"] = std::fabs(found - reference::distanceToCurve(q.curve, q.query));
}

// ---------------------------------------------------------------------------------------------
// Markdown results.

struct Row {
  std::string name;
  double microseconds;
  double maxError;
  double meanError;
  double steps;
  double toleranceMet;
  double visitsPerStep;
  double visits;
};

double toMicroseconds(double time, benchmark::TimeUnit unit) {
  switch (unit) {
    case benchmark::kNanosecond:
      return time / 1e3;
    case benchmark::kMicrosecond:
      return time;
    case benchmark::kMillisecond:
      return time * 1e3;
    case benchmark::kSecond:
      return time * 1e6;
  }
  return time;
}

// Prints as the console reporter does and keeps, per benchmark, the median over repetitions
// (or the single run when there is no repetition).
class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.error_occurred || !(single || median)) continue;
      const auto counter = [&](const char* name) {
        const auto found = run.counters.find(name);
        return found == run.counters.end() ? 0.0 : found->second.value;
      };
      rows.push_back({run.run_name.function_name,
                      toMicroseconds(run.GetAdjustedCPUTime(), run.time_unit), counter("max_error"),
                      counter("mean_error"), counter("steps"), counter("met"),
                      counter("visits_per_step"), counter("visits")});
    }
  }
  std::vector<Row> rows;
};

const Row* findRow(const std::vector<Row>& rows, const std::string& name) {
  for (const Row& row : rows) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

// "a / b" of two timed rows, or a note when either did not run.
std::string ratioText(const std::vector<Row>& rows, const std::string& a, const std::string& b,
                      double* ratio) {
  const Row* top = findRow(rows, a);
  const Row* bottom = findRow(rows, b);
  if (top == nullptr || bottom == nullptr) return "not measured";
  *ratio = top->microseconds / bottom->microseconds;
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", *ratio);
  return text;
}

void writeTarget(std::FILE* out, const std::vector<Row>& rows, const char* what,
                 const std::string& a, const std::string& b, bool atLeast, double goal) {
  double ratio = 0.0;
  const std::string text = ratioText(rows, a, b, &ratio);
  const char* verdict = "not measured";
  if (text != "not measured")
    verdict = (atLeast ? ratio >= goal : ratio <= goal) ? "met" : "NOT met";
  std::fprintf(out, "| %s | %s %g | %s | %s |\n", what, atLeast ? "≥" : "≤", goal, text.c_str(),
               verdict);
}

// A time limit on one case, which must also meet its tolerance.
void writeTimeTarget(std::FILE* out, const std::vector<Row>& rows, const std::string& name,
                     double seconds) {
  const Row* row = findRow(rows, "shapes/" + name);
  if (row == nullptr) {
    std::fprintf(out, "| %s | ≤ %g s, tolerance met | not measured | not measured |\n",
                 name.c_str(), seconds);
    return;
  }
  const bool met = row->toleranceMet != 0 && row->microseconds <= seconds * 1e6;
  std::fprintf(out, "| %s | ≤ %g s, tolerance met | %.3f ms, %s | %s |\n", name.c_str(), seconds,
               row->microseconds / 1e3, row->toleranceMet != 0 ? "met" : "not met",
               met ? "met" : "NOT met");
}

// The tangled rows: time, steps and visits, and how time grows from 400 to 6,400.
void writeScribbles(std::FILE* out, const std::vector<Row>& rows) {
  std::fprintf(out,
               "\n## Tangled shapes\n\n"
               "Two independent scribbles of n cubics each (control points uniform in a 100 x 100 "
               "square, seeded), at tolerance 1e-3; rows from n = 1,600 are one run of one call. "
               "Growth: the exponent k of time ~ n^k from 400 to 6,400.\n\n"
               "| n | seed | steps | time (s) | µs/step | visits (thousands) | tolerance met |\n"
               "|---:|---:|---:|---:|---:|---:|---|\n");
  for (unsigned seed : kScribbleSeeds) {
    for (int n : kScribbleSizes) {
      const Row* row = findRow(rows, "shapes/" + scribbleName(n, seed));
      if (row == nullptr) continue;
      std::fprintf(out, "| %d | %u | %.0f | %.3f | %.2f | %.1f | %s |\n", n, seed, row->steps,
                   row->microseconds / 1e6, row->microseconds / std::max(row->steps, 1.0),
                   row->visits / 1e3, row->toleranceMet != 0 ? "yes" : "NO");
    }
  }
  for (unsigned seed : kScribbleSeeds) {
    const Row* from = findRow(rows, "shapes/" + scribbleName(400, seed));
    const Row* to = findRow(rows, "shapes/" + scribbleName(6400, seed));
    const Row* at3200 = findRow(rows, "shapes/" + scribbleName(3200, seed));
    if (from != nullptr && to != nullptr) {
      const double k = std::log(to->microseconds / from->microseconds) / std::log(16.0);
      std::fprintf(out, "\nSeed %u: growth n^%.2f (target at most n^1.3: %s)", seed, k,
                   k <= 1.3 ? "met" : "NOT met");
    }
    if (at3200 != nullptr) {
      std::fprintf(out, "; 3,200 against 3,200 in %.2f s (target 3 s: %s)",
                   at3200->microseconds / 1e6, at3200->microseconds <= 3e6 ? "met" : "NOT met");
    }
    std::fprintf(out, ".\n");
  }
}

void writeMarkdown(const char* path, const std::vector<Row>& rows, const std::vector<Case>& cases,
                   const std::vector<ShapeCase>& shapes) {
  std::FILE* out = std::fopen(path, "w");
  if (out == nullptr) {
    std::perror(path);
    return;
  }
  std::fprintf(out,
               "## Hausdorff distance\n\n"
               "CPU time per call (the random row: per 100 pairs, one call each), median over the "
               "repetitions; error against the reference (the random row: largest and mean over "
               "the pairs). The last column divides each method's time by the certified search's "
               "at tolerance 1e-3 on the same case. Certified intervals held the reference on "
               "every pair of a case where the certified rows say \"held\".\n\n"
               "| case | viewer steps | method | time (µs) | abs error | mean error | ÷ certified "
               "|\n|---|---:|---|---:|---:|---:|---:|\n");
  for (const Case& c : cases) {
    const Row* certified = findRow(rows, "hausdorff/" + c.name + "/certified");
    for (const Method& method : kMethods) {
      const Row* row = findRow(rows, "hausdorff/" + c.name + "/" + method.name);
      if (row == nullptr) continue;
      const bool isCertified = std::strncmp(method.name, "certified", 9) == 0;
      std::fprintf(out, "| %s | %d | %s%s | %.3f | %.2e | %.2e | ", c.name.c_str(), c.steps,
                   method.name, isCertified ? (c.held ? " (held)" : " (MISSED)") : "",
                   row->microseconds, row->maxError, row->meanError);
      if (certified != nullptr) {
        std::fprintf(out, "%.2f", row->microseconds / certified->microseconds);
      }
      std::fprintf(out, " |\n");
    }
  }

  std::fprintf(out,
               "\n## Shapes\n\n"
               "certifiedHausdorff on closed paths of n cubics within 0.01 of each other at "
               "tolerance 1e-3 (shapes-1: one cubic each), and on straight figures drawn with "
               "degenerate parametrisations against the same figures (distance 0) at the "
               "tolerance their name ends in: polygons of radius 100 whose edges have their "
               "handles on their ends, a segment against a cubic folded along it, and 15,000 "
               "folded pieces in shuffled order against their segment. Error: the larger distance "
               "from either bound to the reference (n/a: too large for the reference; "
               "shapes-100000 is the closed path of 10^5 cubics against its shifted copy, "
               "shapes-1-vs-100000 one cubic against 10^5 over the same eighth of a turn). "
               "Visits: pieces of the other shape whose distance bounds the point queries "
               "computed, per step.\n\n"
               "| case | steps | time (µs) | µs/step | visits/step | error | held | tolerance met "
               "| ÷ shapes-1 |\n"
               "|---|---:|---:|---:|---:|---:|---|---|---:|\n");
  const Row* single = findRow(rows, "shapes/shapes-1");
  const auto perStep = [](const Row& row) { return row.microseconds / std::max(row.steps, 1.0); };
  for (const ShapeCase& c : shapes) {
    const Row* row = findRow(rows, "shapes/" + c.name);
    if (row == nullptr) continue;
    char error[32] = "n/a";
    if (c.referenced) std::snprintf(error, sizeof error, "%.2e", row->maxError);
    std::fprintf(out, "| %s | %.0f | %.2f | %.2f | %.1f | %s | %s | %s | %.1f |\n", c.name.c_str(),
                 row->steps, row->microseconds, perStep(*row), row->visitsPerStep, error,
                 c.referenced ? (c.held ? "yes" : "NO") : "n/a",
                 row->toleranceMet != 0 ? "yes" : "NO",
                 single ? row->microseconds / single->microseconds : 0.0);
  }
  writeScribbles(out, rows);

  std::fprintf(out,
               "\n## Nearest point\n\n"
               "nearestPointOnCurve with markMode 1 (a marker to the silent canvas); error "
               "against dense sampling.\n\n"
               "| query | library (µs) | plain (µs) | plain ÷ library | abs error |\n"
               "|---|---:|---:|---:|---:|\n");
  for (const NearestQuery& q : nearestQueries()) {
    const Row* library = findRow(rows, "nearest/" + q.name + "/library");
    const Row* before = findRow(rows, "nearest/" + q.name + "/plain");
    if (library == nullptr || before == nullptr) continue;
    std::fprintf(out, "| %s | %.3f | %.3f | %.2f | %.6f |\n", q.name.c_str(), library->microseconds,
                 before->microseconds, before->microseconds / library->microseconds,
                 library->maxError);
  }

  std::fprintf(out,
               "\n## Targets\n\n| target | goal | measured | verdict |\n|---|---:|---:|---|\n");
  writeTarget(out, rows, "default pair: 2geom ÷ certified", "hausdorff/default/2geom",
              "hausdorff/default/certified", true, 5);
  writeTarget(out, rows, "100 random pairs: 2geom ÷ certified", "hausdorff/random-100/2geom",
              "hausdorff/random-100/certified", true, 5);
  for (const char* pair : {"identical", "reversed"}) {
    for (const char* peer : {"2geom", "boost"}) {
      const std::string base = std::string("hausdorff/") + pair + "/";
      writeTarget(out, rows, (std::string(pair) + " pair: " + peer + " ÷ certified").c_str(),
                  base + peer, base + "certified", true, 100);
    }
  }
  writeTarget(out, rows, "100-segment shapes ÷ 50-segment shapes", "shapes/shapes-100",
              "shapes/shapes-50", false, 2.5);
  writeTarget(out, rows, "50-segment shapes ÷ one pair of cubics", "shapes/shapes-50",
              "shapes/shapes-1", false, 100);
  writeTimeTarget(out, rows, "polygon-50-1e-6", 0.05);
  writeTimeTarget(out, rows, "polygon-2000-1e-3", 0.1);
  writeTimeTarget(out, rows, "polygon-2000-1e-6", 1.0);
  writeTimeTarget(out, rows, "folded-line-1e-9", 0.05);
  writeTimeTarget(out, rows, "folded-15000-1e-3", 1.0);
  writeTarget(out, rows, "100 random pairs: certified 1e-9 ÷ 1e-3",
              "hausdorff/random-100/certified-1e-9", "hausdorff/random-100/certified", false, 3);
  writeTarget(out, rows, "default pair: boost ÷ viewer's search", "hausdorff/default/boost",
              "hausdorff/default/library", true, 10);
  writeTarget(out, rows, "default pair: viewer's search ÷ 2geom", "hausdorff/default/library",
              "hausdorff/default/2geom", false, 4);
  writeTarget(out, rows, "reversed pair: viewer's search ÷ boost", "hausdorff/reversed/library",
              "hausdorff/reversed/boost", false, 4);
  std::fclose(out);
}

// Removes `--results_md=PATH` from the arguments and returns PATH, or null.
const char* takeResultsPath(int* argc, char** argv) {
  const char* prefix = "--results_md=";
  const char* path = nullptr;
  int kept = 1;
  for (int i = 1; i < *argc; ++i) {
    if (std::strncmp(argv[i], prefix, std::strlen(prefix)) == 0) {
      path = argv[i] + std::strlen(prefix);
    } else {
      argv[kept++] = argv[i];
    }
  }
  *argc = kept;
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  const char* resultsPath = takeResultsPath(&argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  discardedTrace = std::fopen("/dev/null", "w");
  if (discardedTrace == nullptr) {
    std::perror("/dev/null");
    return 1;
  }
  markerCanvas = &kSilentCanvas;

  // Built once, outside every timed loop, and alive until the runs end.
  static std::vector<Case> cases = {
      {"default", {{kLower, kUpper}}, {}},   {"right-x3", {{movedRight(kLower, 3), kUpper}}, {}},
      {"identical", {{kLower, kLower}}, {}}, {"reversed", {{kLower, reversed(kLower)}}, {}},
      {"random-100", randomPairs(100), {}},
  };
  for (Case& c : cases) {
    for (const CurvePair& pair : c.pairs) {
      const double exact =
          static_cast<double>(shape_reference::hausdorff(curveShape(pair.a), curveShape(pair.b)));
      c.exact.push_back(exact);
      c.steps += hausdorffSearch(pair.a, pair.b, nullptr).steps;
      for (double tolerance : {1e-3, 1e-9}) {
        const CertifiedDistance d = certified(pair, tolerance);
        if (!(d.lower <= exact + 1e-12 && exact <= d.upper + 1e-12)) c.held = false;
      }
    }
    for (const Method& method : kMethods) {
      benchmark::RegisterBenchmark(
          ("hausdorff/" + c.name + "/" + method.name).c_str(),
          [&c, &method](benchmark::State& state) { runHausdorff(state, c, method); })
          ->Unit(benchmark::kMicrosecond);
    }
  }
  static std::vector<ShapeCase> shapes = shapeCases();
  for (ShapeCase& c : degenerateCases()) shapes.push_back(c);
  for (ShapeCase& c : scribbleCases()) shapes.push_back(c);
  for (ShapeCase& c : shapes) {
    if (c.referenced) {
      if (!c.exactByConstruction) {
        c.exact = static_cast<double>(shape_reference::hausdorff(c.a, c.b, 64));
      }
      const CertifiedDistance d = certifiedHausdorff(c.a, c.b, c.tolerance);
      c.held = d.lower <= c.exact + 1e-12 && c.exact <= d.upper + 1e-12;
    }
    benchmark::internal::Benchmark* run = benchmark::RegisterBenchmark(
        ("shapes/" + c.name).c_str(), [&c](benchmark::State& state) { runShapes(state, c); });
    run->Unit(benchmark::kMicrosecond);
    if (c.once) run->Iterations(1)->Repetitions(1);
  }
  static const std::vector<NearestQuery> queries = nearestQueries();
  for (const NearestQuery& q : queries) {
    benchmark::RegisterBenchmark(
        ("nearest/" + q.name + "/library").c_str(),
        [&q](benchmark::State& s) { runNearest(s, q, nearestPointOnCurve); })
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(
        ("nearest/" + q.name + "/plain").c_str(),
        [&q](benchmark::State& s) { runNearest(s, q, plain::nearestPointOnCurve); })
        ->Unit(benchmark::kMicrosecond);
  }

  CollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  if (resultsPath != nullptr) writeMarkdown(resultsPath, reporter.rows, cases, shapes);
  std::fclose(discardedTrace);
  return 0;
}
