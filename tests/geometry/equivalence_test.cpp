// The library's searches against the plain reading kept in plain_search.cpp: over a thousand
// seeded pairs of every awkward kind, both must print the same trace bytes, return the same
// values bit for bit, leave the same scene fields and make the same canvas calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "fixtures.h"
#include "geometry/cubic.h"
#include "geometry/geometry_scene.h"
#include "geometry/hausdorff.h"
#include "geometry/nearest.h"
#include "plain_search.h"

using fixtures::CanvasCall;

namespace {

std::uint64_t bitsOf(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

::testing::AssertionResult sameBits(double actual, double expected) {
  if (bitsOf(actual) == bitsOf(expected)) return ::testing::AssertionSuccess();
  char text[96];
  std::snprintf(text, sizeof text, "%.17g differs from %.17g", actual, expected);
  return ::testing::AssertionFailure() << text;
}

::testing::AssertionResult samePoints(const CubicCurve& actual, const CubicCurve& expected) {
  for (int i = 0; i < 4; ++i) {
    if (!sameBits(actual.p[i].x, expected.p[i].x) || !sameBits(actual.p[i].y, expected.p[i].y)) {
      return ::testing::AssertionFailure() << "control point " << i << " differs";
    }
  }
  return ::testing::AssertionSuccess();
}

// The first place where two recordings part, or success.
::testing::AssertionResult sameCalls(const std::vector<CanvasCall>& actual,
                                     const std::vector<CanvasCall>& expected) {
  const size_t common = std::min(actual.size(), expected.size());
  for (size_t i = 0; i < common; ++i) {
    bool same =
        actual[i].name == expected[i].name && actual[i].args.size() == expected[i].args.size();
    for (size_t j = 0; same && j < actual[i].args.size(); ++j) {
      same = std::memcmp(&actual[i].args[j], &expected[i].args[j], sizeof(float)) == 0;
    }
    if (!same) {
      return ::testing::AssertionFailure() << "canvas call " << i << " is " << actual[i].name
                                           << ", expected " << expected[i].name;
    }
  }
  if (actual.size() != expected.size()) {
    return ::testing::AssertionFailure()
           << actual.size() << " canvas calls, expected " << expected.size();
  }
  return ::testing::AssertionSuccess();
}

// The first differing line of two traces, or success.
::testing::AssertionResult sameTrace(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  const auto got = fixtures::splitLines(actual);
  const auto want = fixtures::splitLines(expected);
  size_t line = 0;
  while (line < got.size() && line < want.size() && got[line] == want[line]) ++line;
  return ::testing::AssertionFailure()
         << "trace line " << line << ": \"" << (line < got.size() ? got[line] : "<end>")
         << "\", expected \"" << (line < want.size() ? want[line] : "<end>") << "\" ("
         << actual.size() << " bytes, expected " << expected.size() << ")";
}

// How a run is observed: whether a trace stream and a canvas are given, and the scene it starts
// from (a stale lastNearestParameter and witnessEnd, and the zoom the markers are scaled by).
struct Setting {
  bool traced;
  bool drawn;
  GeometryScene start;
};

struct Observed {
  std::string trace;
  HausdorffResult result;
  GeometryScene scene;
  std::vector<CanvasCall> calls;
};

template <typename Search>
Observed observe(Search search, const CubicCurve& a, const CubicCurve& b, const Setting& setting) {
  Observed seen{};
  geometryScene = setting.start;
  std::unique_ptr<fixtures::RecordingCanvas> canvas;
  if (setting.drawn) canvas = std::make_unique<fixtures::RecordingCanvas>();
  if (setting.traced) {
    seen.trace = fixtures::captureTrace([&](std::FILE* file) { seen.result = search(a, b, file); });
  } else {
    seen.result = search(a, b, nullptr);
  }
  seen.scene = geometryScene;
  if (canvas) seen.calls = canvas->calls();
  return seen;
}

void expectSameSearch(const CubicCurve& a, const CubicCurve& b, const Setting& setting) {
  const Observed want = observe(plain::hausdorffSearch, a, b, setting);
  const Observed got = observe(hausdorffSearch, a, b, setting);
  EXPECT_TRUE(sameTrace(got.trace, want.trace));
  EXPECT_TRUE(sameBits(got.result.witness, want.result.witness)) << "witness";
  EXPECT_TRUE(sameBits(got.result.lowerBound, want.result.lowerBound)) << "lowerBound";
  EXPECT_TRUE(sameBits(got.result.upperBound, want.result.upperBound)) << "upperBound";
  EXPECT_EQ(got.result.steps, want.result.steps);
  EXPECT_TRUE(sameBits(got.scene.lastNearestParameter, want.scene.lastNearestParameter))
      << "lastNearestParameter";
  EXPECT_EQ(got.scene.witnessEnd, want.scene.witnessEnd);
  EXPECT_TRUE(sameBits(got.scene.zoomScale, want.scene.zoomScale)) << "zoomScale";
  EXPECT_TRUE(sameCalls(got.calls, want.calls));
}

// ---------------------------------------------------------------------------------------------
// Seeded pairs.

struct Pair {
  CubicCurve a;
  CubicCurve b;
  const char* kind;
};

CubicCurve randomCurve(std::mt19937& random, double size) {
  std::uniform_real_distribution<double> coordinate(-size, size);
  CubicCurve curve;
  for (Point2& point : curve.p) point = {coordinate(random), coordinate(random)};
  return curve;
}

CubicCurve perturbed(std::mt19937& random, const CubicCurve& curve, double amount) {
  std::uniform_real_distribution<double> offset(-amount, amount);
  CubicCurve result = curve;
  for (Point2& point : result.p) point.x += offset(random), point.y += offset(random);
  return result;
}

CubicCurve collapsed(std::mt19937& random, double size) {
  std::uniform_real_distribution<double> coordinate(-size, size);
  const Point2 point{coordinate(random), coordinate(random)};
  return CubicCurve{{point, point, point, point}};
}

// Control points on one line, in order or folded back on themselves.
CubicCurve straight(std::mt19937& random, double size) {
  std::uniform_real_distribution<double> coordinate(-size, size);
  std::uniform_real_distribution<double> along(-0.5, 1.5);
  const Point2 from{coordinate(random), coordinate(random)};
  const Point2 to{coordinate(random), coordinate(random)};
  CubicCurve curve{{from, from, to, to}};
  for (int i = 1; i < 3; ++i) {
    const double s = along(random);
    curve.p[i] = {from.x + s * (to.x - from.x), from.y + s * (to.y - from.y)};
  }
  return curve;
}

// The second curve gets an end point of the first, exactly: nearest-point searches from that
// end point start at distance 0 and may empty their queue.
CubicCurve sharingAnEnd(std::mt19937& random, const CubicCurve& first, double size) {
  CubicCurve second = randomCurve(random, size);
  const int from = random() % 2 == 0 ? 0 : 3;
  const int to = random() % 2 == 0 ? 0 : 3;
  second.p[to] = first.p[from];
  if (random() % 3 == 0) second.p[3 - to] = first.p[3 - from];  // both ends shared
  return second;
}

CubicCurve shifted(CubicCurve curve, double dx, int times) {
  for (int i = 0; i < times; ++i) {
    for (Point2& point : curve.p) point.x += dx;
  }
  return curve;
}

std::vector<Pair> seededPairs() {
  std::mt19937 random(5150);
  std::vector<Pair> pairs;
  pairs.push_back({fixtures::kLower, fixtures::kUpper, "default"});
  for (int presses = 1; presses <= 6; ++presses) {
    pairs.push_back({shifted(fixtures::kLower, 0.1, presses), fixtures::kUpper, "shifted"});
  }
  const CubicCurve shapes[] = {fixtures::kLower, fixtures::kUpper, fixtures::kLoop, fixtures::kCusp,
                               fixtures::kStraight};
  for (const CubicCurve& shape : shapes) {
    pairs.push_back({shape, shape, "identical"});
    pairs.push_back({shape, fixtures::reversed(shape), "reversed"});
    pairs.push_back({shape, fixtures::kCollapsed, "collapsed"});
  }
  for (int i = 0; i < 400; ++i) {
    pairs.push_back({randomCurve(random, 0.5), randomCurve(random, 0.5), "general"});
  }
  for (int i = 0; i < 100; ++i) {
    // An order of magnitude apart in size.
    pairs.push_back({randomCurve(random, 0.05), randomCurve(random, 0.6), "scaled"});
  }
  for (int i = 0; i < 150; ++i) {
    const CubicCurve base = randomCurve(random, 0.5);
    const double amounts[] = {1e-2, 1e-3, 1e-5, 1e-9};
    pairs.push_back({base, perturbed(random, base, amounts[i % 4]), "near-identical"});
  }
  for (int i = 0; i < 60; ++i) {
    const CubicCurve base = randomCurve(random, 0.5);
    pairs.push_back({base, base, "identical"});
  }
  for (int i = 0; i < 60; ++i) {
    const CubicCurve base = randomCurve(random, 0.5);
    pairs.push_back({base, fixtures::reversed(base), "reversed"});
  }
  for (int i = 0; i < 60; ++i) {
    const CubicCurve base = randomCurve(random, 0.5);
    if (i % 3 == 0) {
      pairs.push_back({collapsed(random, 0.5), collapsed(random, 0.5), "collapsed"});
    } else if (i % 3 == 1) {
      pairs.push_back({base, collapsed(random, 0.5), "collapsed"});
    } else {
      pairs.push_back({collapsed(random, 0.5), base, "collapsed"});
    }
  }
  for (int i = 0; i < 120; ++i) {
    const CubicCurve base = randomCurve(random, 0.5);
    pairs.push_back({base, sharingAnEnd(random, base, 0.5), "shared end"});
  }
  for (int i = 0; i < 60; ++i) {
    const CubicCurve line = straight(random, 0.5);
    const CubicCurve other = i % 2 == 0 ? straight(random, 0.5) : fixtures::reversed(line);
    pairs.push_back({line, other, "straight"});
  }
  return pairs;
}

Setting settingFor(size_t index) {
  const double zooms[] = {2.0, 0.1, 5.0, 1.37};
  // A stale parameter and witness end that a search must overwrite, as a previous frame leaves.
  GeometryScene start;
  start.zoomScale = zooms[index % 4];
  start.lastNearestParameter = 0.3125 + static_cast<double>(index % 7);
  start.witnessEnd = index % 2 == 0 ? 0 : 3;
  // One run in four is silent and undrawn, one in four traced but undrawn.
  const bool traced = index % 4 != 3;
  const bool drawn = index % 4 < 2;
  return {traced, drawn, start};
}

TEST(SearchEquivalence, SeededPairsMatchThePlainReadingBitForBit) {
  const std::vector<Pair> pairs = seededPairs();
  ASSERT_GE(pairs.size(), 1000u);
  for (size_t i = 0; i < pairs.size(); ++i) {
    SCOPED_TRACE(::testing::Message() << "pair " << i << " (" << pairs[i].kind << ")");
    expectSameSearch(pairs[i].a, pairs[i].b, settingFor(i));
    if (HasFailure()) break;  // one diverging pair says enough
  }
}

// Both argument orders, with the trace and the markers, for the pairs where the curves touch.
TEST(SearchEquivalence, SwappedArgumentsMatchToo) {
  const CubicCurve pairs[][2] = {
      {fixtures::kLower, fixtures::kUpper},
      {fixtures::kLoop, fixtures::reversed(fixtures::kLoop)},
      {fixtures::kStraight, fixtures::kCollapsed},
      {fixtures::kCusp, fixtures::kLoop},
  };
  for (const auto& pair : pairs) {
    const Setting setting{true, true, GeometryScene{}};
    expectSameSearch(pair[1], pair[0], setting);
  }
}

// A canvas sees the scene fields while it draws: at every vertex they must hold what the plain
// reading's searches have left there by then.
std::vector<double>& sceneAtVertices() {
  static std::vector<double> seen;
  return seen;
}

const MarkerCanvas kSceneWatcher{
    [](float) {},
    [](float) {},
    [](float, float, float) {},
    [](unsigned int) {},
    [](float x, float y) {
      sceneAtVertices().insert(sceneAtVertices().end(),
                               {x, y, geometryScene.lastNearestParameter,
                                static_cast<double>(geometryScene.witnessEnd)});
    },
    [] {},
};

template <typename Search>
std::vector<double> scenesSeenWhileDrawing(Search search, const CubicCurve& a,
                                           const CubicCurve& b) {
  geometryScene = GeometryScene{};
  sceneAtVertices().clear();
  markerCanvas = &kSceneWatcher;
  search(a, b, nullptr);
  markerCanvas = nullptr;
  return sceneAtVertices();
}

TEST(SearchEquivalence, MarkersSeeTheSceneAsThePlainReadingLeavesIt) {
  const std::vector<Pair> pairs = seededPairs();
  for (size_t i = 0; i < pairs.size(); i += 10) {
    SCOPED_TRACE(::testing::Message() << "pair " << i << " (" << pairs[i].kind << ")");
    const std::vector<double> want =
        scenesSeenWhileDrawing(plain::hausdorffSearch, pairs[i].a, pairs[i].b);
    const std::vector<double> got = scenesSeenWhileDrawing(hausdorffSearch, pairs[i].a, pairs[i].b);
    ASSERT_EQ(got.size(), want.size());
    for (size_t j = 0; j < got.size(); ++j) {
      ASSERT_TRUE(sameBits(got[j], want[j])) << "vertex " << j / 4 << ", field " << j % 4;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Nearest point.

struct NearestObserved {
  double distance;
  double parameter;
  std::vector<CanvasCall> calls;
};

template <typename Nearest>
NearestObserved observeNearest(Nearest nearest, const CubicCurve& curve, Point2 query, int markMode,
                               double zoom) {
  geometryScene = GeometryScene{};
  geometryScene.zoomScale = zoom;
  geometryScene.lastNearestParameter = -7.5;  // stale: every search must replace it
  fixtures::RecordingCanvas canvas;
  NearestObserved seen{};
  seen.distance = nearest(curve, query, markMode);
  seen.parameter = geometryScene.lastNearestParameter;
  seen.calls = canvas.calls();
  return seen;
}

// Query points that reach every way the search can end: far away, on the curve, at and just
// beyond the end points (the queue runs empty), and on the line of a straight curve.
std::vector<Point2> queriesFor(std::mt19937& random, const CubicCurve& curve) {
  std::uniform_real_distribution<double> coordinate(-0.8, 0.8);
  std::uniform_real_distribution<double> parameter(0.0, 1.0);
  std::vector<Point2> queries = {curve.p[0], curve.p[3], curve.p[1], evaluateCurve(curve, 0.5)};
  queries.push_back({std::nextafter(curve.p[0].x, -1.0), curve.p[0].y});
  queries.push_back({curve.p[3].x, std::nextafter(curve.p[3].y, 1.0)});
  queries.push_back({2 * curve.p[0].x - curve.p[3].x, 2 * curve.p[0].y - curve.p[3].y});
  for (int i = 0; i < 3; ++i) queries.push_back(evaluateCurve(curve, parameter(random)));
  for (int i = 0; i < 4; ++i) queries.push_back({coordinate(random), coordinate(random)});
  return queries;
}

TEST(NearestEquivalence, MatchesThePlainReadingBitForBit) {
  std::mt19937 random(1207);
  std::vector<CubicCurve> curves = {fixtures::kLower, fixtures::kUpper,    fixtures::kLoop,
                                    fixtures::kCusp,  fixtures::kStraight, fixtures::kCollapsed};
  for (int i = 0; i < 60; ++i) curves.push_back(randomCurve(random, 0.5));
  for (int i = 0; i < 10; ++i) curves.push_back(straight(random, 0.5));
  const double zooms[] = {2.0, 0.1, 4.75};
  // Curves symmetric about a line through the query give equal lower bounds at every depth:
  // the heap's tie order picks the answer.
  const std::pair<size_t, Point2> symmetric[] = {
      {0, {0, 0}}, {0, {0, -1}}, {0, {0, 4}}, {1, {0, 0.05}}, {4, {1.5, 1}}, {4, {1.5, -0.25}},
  };
  int compared = 0;
  for (size_t c = 0; c < curves.size(); ++c) {
    std::vector<Point2> queries = queriesFor(random, curves[c]);
    for (const auto& [curve, query] : symmetric) {
      if (curve == c) queries.push_back(query);
    }
    for (const Point2 query : queries) {
      const int markMode = compared % 3 == 0 ? 0 : compared % 3 == 1 ? 1 : 3;
      const double zoom = zooms[compared % 3];
      ++compared;
      SCOPED_TRACE(::testing::Message() << "curve " << c << ", query (" << query.x << ", "
                                        << query.y << "), markMode " << markMode);
      const NearestObserved want =
          observeNearest(plain::nearestPointOnCurve, curves[c], query, markMode, zoom);
      const NearestObserved got =
          observeNearest(nearestPointOnCurve, curves[c], query, markMode, zoom);
      EXPECT_TRUE(sameBits(got.distance, want.distance)) << "distance";
      EXPECT_TRUE(sameBits(got.parameter, want.parameter)) << "lastNearestParameter";
      EXPECT_TRUE(sameCalls(got.calls, want.calls));
      if (HasFailure()) return;
    }
  }
  EXPECT_GE(compared, 1000);
}

// ---------------------------------------------------------------------------------------------
// Curve operations.

TEST(CurveEquivalence, EvaluationAndSplitsMatchThePlainReadingBitForBit) {
  std::mt19937 random(42);
  std::uniform_real_distribution<double> parameter(0.0, 1.0);
  for (int i = 0; i < 500; ++i) {
    const CubicCurve curve = randomCurve(random, 0.7);
    const double special[] = {0.0, 0.5, 1.0, 0.25, 1.0 - 1e-9, parameter(random)};
    for (const double t : special) {
      SCOPED_TRACE(::testing::Message() << "curve " << i << ", t " << t);
      const Point2 got = evaluateCurve(curve, t);
      const Point2 want = plain::evaluateCurve(curve, t);
      EXPECT_TRUE(sameBits(got.x, want.x) && sameBits(got.y, want.y)) << "evaluateCurve";

      CubicCurve left, right, plainLeft, plainRight;
      splitCurveAt(curve, t, left, right);
      plain::splitCurveAt(curve, t, plainLeft, plainRight);
      EXPECT_TRUE(samePoints(left, plainLeft)) << "splitCurveAt left";
      EXPECT_TRUE(samePoints(right, plainRight)) << "splitCurveAt right";

      const double b = t + (1.0 - t) * parameter(random);
      EXPECT_TRUE(samePoints(extractSegment(curve, t, b), plain::extractSegment(curve, t, b)));
      EXPECT_TRUE(samePoints(extractSegment(curve, t, t), plain::extractSegment(curve, t, t)));
    }
    CubicCurve left, right, plainLeft, plainRight;
    splitCurveHalf(curve, left, right);
    plain::splitCurveHalf(curve, plainLeft, plainRight);
    EXPECT_TRUE(samePoints(left, plainLeft)) << "splitCurveHalf left";
    EXPECT_TRUE(samePoints(right, plainRight)) << "splitCurveHalf right";
    EXPECT_TRUE(sameBits(controlPolygonBound(curve, fixtures::kLower),
                         plain::controlPolygonBound(curve, fixtures::kLower)));
    if (HasFailure()) return;
  }
}

}  // namespace
