// The certified searches behind the public API, with the checks that make their preconditions
// the caller's error rather than undefined behaviour.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>

#include "api/convert.h"
#include "beziercurve/beziercurve.h"
#include "distance/certified_fill.h"
#include "distance/certified_frechet.h"
#include "distance/certified_hausdorff.h"
#include "distance/shape.h"
#include "geometry/cubic.h"

namespace beziercurve {

using namespace convert;

static_assert(kMaxFrechetCells == ::kMaxFrechetCells, "the API states the search's own limit");

namespace {

// The shortest decimal that reads back as `value`, for messages.
std::string shortest(double value) {
  char text[32];
  for (int digits = 1; digits <= 17; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    if (std::strtod(text, nullptr) == value) break;
  }
  return text;
}

std::string coordinateProblem(double value, const char* axis) {
  if (!std::isfinite(value)) return std::string(axis) + " is not finite";
  if (std::fabs(value) > kMaxCoordinate) {
    return std::string(axis) + " " + shortest(value) + " is beyond 1e150";
  }
  return "";
}

// The checks every search needs of both shapes, in the words of shapeProblem.
void requireMeasurable(const Shape& a, const Shape& b) {
  for (const auto& [shape, name] :
       {std::make_pair(&a, "shape A: "), std::make_pair(&b, "shape B: ")}) {
    const std::string problem = shapeProblem(*shape);
    if (!problem.empty()) throw std::invalid_argument(std::string(name) + problem);
  }
}

void requireTolerance(double tolerance) {
  const std::string problem = toleranceProblem(tolerance);
  if (!problem.empty()) throw std::invalid_argument(problem);
}

void requireThreshold(double threshold) {
  const std::string problem = thresholdProblem(threshold);
  if (!problem.empty()) throw std::invalid_argument(problem);
}

// The search's question, remembering whether it was told to stop: a search told so returns the
// interval it has, which the API does not hand on as a result.
struct StopWatch {
  const KeepGoing& asked;
  bool stopped = false;
  ::KeepGoing question() {
    // Once told to stop, the caller is not asked again (a Fréchet search stopped in its
    // Hausdorff bound still asks before its grid).
    return [this] {
      if (stopped || !asked()) stopped = true;
      return !stopped;
    };
  }
};

// Runs `search` with the caller's question (none when `keepGoing` is empty); throws Interrupted
// when it was told to stop.
template <typename Search>
auto stoppable(const KeepGoing& keepGoing, const Search& search) {
  if (!keepGoing) return search(nullptr);
  StopWatch watch{keepGoing};
  const ::KeepGoing question = watch.question();
  auto result = search(&question);
  if (watch.stopped) throw Interrupted();
  return result;
}

bool samePoint(Point a, Point b) {
  return a.x == b.x && a.y == b.y;
}

// The first segment that does not start where the one before it ends (coordinate for
// coordinate); the number of segments when every one does.
std::size_t firstBreak(const Shape& shape) {
  for (std::size_t i = 1; i < shape.segments.size(); ++i) {
    if (!samePoint(shape.segments[i - 1].p[3], shape.segments[i].p[0])) return i;
  }
  return shape.segments.size();
}

// The contour of `contours` that starts at segment `first`, or -1.
int contourStartingAt(const std::vector<Contour>& contours, std::size_t first) {
  for (std::size_t k = 0; k < contours.size(); ++k) {
    if (static_cast<std::size_t>(contours[k].firstSegment) == first) return static_cast<int>(k);
  }
  return -1;
}

// A Fréchet walk follows each shape from its start to its end, so each must be one path.
void requirePaths(const Shape& a, const Shape& b) {
  for (const auto& [shape, name] :
       {std::make_pair(&a, "shape A: "), std::make_pair(&b, "shape B: ")}) {
    const std::string problem = pathProblem(*shape);
    if (!problem.empty()) {
      throw std::invalid_argument(std::string(name) + problem +
                                  ": a Fréchet walk needs one continuous path");
    }
  }
}

// Whether every coordinate is finite and within kMaxCoordinate: the check of every shape that is
// measured or unpickled, so it builds no message (false for NaN, as every comparison is).
bool coordinatesInRange(const Shape& shape) {
  for (const Cubic& c : shape.segments) {
    for (const Point& p : c.p) {
      if (!(std::fabs(p.x) <= kMaxCoordinate && std::fabs(p.y) <= kMaxCoordinate)) return false;
    }
  }
  return true;
}

// The first coordinate out of range, as shapeProblem names it.
std::string coordinatesProblem(const Shape& shape) {
  for (std::size_t i = 0; i < shape.segments.size(); ++i) {
    for (int k = 0; k < 4; ++k) {
      const Point p = shape.segments[i].p[k];
      std::string problem = coordinateProblem(p.x, "x");
      if (problem.empty()) problem = coordinateProblem(p.y, "y");
      if (!problem.empty()) {
        return "segment " + std::to_string(i) + ", point " + std::to_string(k) + ": " + problem;
      }
    }
  }
  return "";
}

}  // namespace

Interrupted::Interrupted() : std::runtime_error("interrupted") {}
Interrupted::~Interrupted() = default;

const char* version() {
  return BEZIERCURVE_VERSION;
}

Point pointAt(const Cubic& curve, double t) {
  return fromInternal(evaluateCurve(toInternal(curve), t));
}

std::string shapeProblem(const Shape& shape) {
  if (shape.segments.empty()) return "it draws no segment";
  if (!coordinatesInRange(shape)) return coordinatesProblem(shape);
  if (!(shape.approximationError >= 0.0) || !std::isfinite(shape.approximationError)) {
    return "its approximation error is not a finite number, 0 or more";
  }
  if (shape.contours.empty() && shape.paints.empty()) return "";
  return structureProblem(toInternal(shape));
}

std::vector<Contour> contoursOf(const Shape& shape) {
  if (!shape.contours.empty()) return shape.contours;
  ::Shape segmentsOnly;
  segmentsOnly.segments = toInternalAll(shape.segments);
  return fromInternalAll(::contoursOf(segmentsOnly));
}

std::vector<Paint> paintsOf(const Shape& shape, FillRule rule) {
  if (!shape.paints.empty()) return shape.paints;
  const int contours = static_cast<int>(contoursOf(shape).size());
  if (contours == 0) return {};
  return {Paint{0, contours, true, rule}};
}

std::string toleranceProblem(double tolerance) {
  if (tolerance > 0.0 && std::isfinite(tolerance)) return "";
  return "tolerance " + shortest(tolerance) +
         ": the tolerance must be a positive, finite number (such as 1e-6)";
}

std::string thresholdProblem(double threshold) {
  if (threshold >= 0.0 && std::isfinite(threshold)) return "";
  return "threshold " + shortest(threshold) +
         ": the threshold D must be a finite distance, 0 or more (such as 0.5)";
}

Distance hausdorff(const Shape& a, const Shape& b, double tolerance, Measure measure,
                   const KeepGoing& keepGoing) {
  requireMeasurable(a, b);
  requireTolerance(tolerance);
  const ::Shape internalA = toInternal(a), internalB = toInternal(b);
  return fromInternal(stoppable(keepGoing, [&](const ::KeepGoing* question) {
    return measure == Measure::kFill
               ? certifiedFillHausdorff(internalA, internalB, tolerance, question)
               : certifiedHausdorff(internalA, internalB, tolerance, question);
  }));
}

Decision within(const Shape& a, const Shape& b, double threshold, Measure measure,
                const KeepGoing& keepGoing) {
  requireMeasurable(a, b);
  requireThreshold(threshold);
  const ::Shape internalA = toInternal(a), internalB = toInternal(b);
  const WithinDecision decision = stoppable(keepGoing, [&](const ::KeepGoing* question) {
    return measure == Measure::kFill ? decideFillWithin(internalA, internalB, threshold, question)
                                     : decideWithin(internalA, internalB, threshold, question);
  });
  return {fromInternal(decision.verdict), fromInternal(decision.distance)};
}

std::string pathProblem(const Shape& shape) {
  const std::size_t i = firstBreak(shape);
  if (i == shape.segments.size()) return "";
  // The structure names the break when it starts a contour; a shape built by hand without one
  // has its contours where segments meet, so there every break starts one.
  const std::vector<Contour> contours = contoursOf(shape);
  const int contour = contours.size() > 1 ? contourStartingAt(contours, i) : -1;
  if (contour < 0) {
    return "segment " + std::to_string(i) + " does not start where segment " +
           std::to_string(i - 1) + " ends";
  }
  return "it has " + std::to_string(contours.size()) + " contours (contour " +
         std::to_string(contour) + " starts at segment " + std::to_string(i) +
         ", away from where segment " + std::to_string(i - 1) + " ends)";
}

bool isContinuousPath(const Shape& shape) {
  return !shape.segments.empty() && firstBreak(shape) == shape.segments.size();
}

bool isClosedPath(const Shape& shape) {
  return isContinuousPath(shape) &&
         samePoint(shape.segments.back().p[3], shape.segments.front().p[0]);
}

namespace {

::FrechetOptions internalOptions(const FrechetOptions& options, const ::KeepGoing* question) {
  ::FrechetOptions internal;
  internal.keepGoing = question;
  internal.anyStart = options.anyStart;
  internal.eitherDirection = options.eitherDirection;
  return internal;
}

}  // namespace

FrechetDistance frechet(const Shape& a, const Shape& b, double tolerance,
                        const FrechetOptions& options) {
  requireMeasurable(a, b);
  requirePaths(a, b);
  requireTolerance(tolerance);
  const ::Shape internalA = toInternal(a), internalB = toInternal(b);
  return fromInternal(stoppable(options.keepGoing, [&](const ::KeepGoing* question) {
    return certifiedFrechet(internalA, internalB, tolerance, internalOptions(options, question));
  }));
}

FrechetDecision frechetWithin(const Shape& a, const Shape& b, double threshold,
                              const FrechetOptions& options) {
  requireMeasurable(a, b);
  requirePaths(a, b);
  requireThreshold(threshold);
  const ::Shape internalA = toInternal(a), internalB = toInternal(b);
  const ::FrechetDecision decision = stoppable(options.keepGoing, [&](const ::KeepGoing* question) {
    return decideFrechetWithin(internalA, internalB, threshold, internalOptions(options, question));
  });
  return {fromInternal(decision.verdict), fromInternal(decision.distance)};
}

}  // namespace beziercurve
