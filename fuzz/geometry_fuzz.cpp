// libFuzzer target: arbitrary pairs of curves through the viewer's Hausdorff search and through
// the certified search.
//
// Input: up to 129 bytes. Bytes 0..127 are sixteen native doubles, the control points of the
// first and then the second curve, x before y (missing bytes read as zero). A coordinate that is
// not finite becomes 0 and one beyond 1e3 in magnitude is folded back with fmod, so every curve
// lies within |x| <= 1e3. Byte 128, when present, picks the zoom between 0.1 and 5.
//
// Every input must: end within the width floor's bound on steps; write a trace whose every line
// is well formed, in order and free of nan; draw only finite marker vertices, two markers per
// processed step with both of each marker's primitives complete; and return a witness of
// magnitude in [1e-9, 1] with 0 <= L <= U, L no more than the root bound plus the nearest-point
// tolerance.
//
// The certified search, at a tolerance picked by byte 128 (1e-3, 1e-6 or 1e-9 of the curves'
// extent), must return 0 <= lower <= upper, as narrow as asked (1e-9 may be out of rounding's
// reach, which the result must then say), a witness whose arrow to its nearest point is no
// shorter than lower and no longer than upper; swapping the curves must give an overlapping
// interval, and the decision at the middle of the interval must agree with the interval it reports.
// The same search on two-segment paths made of both curves (each path's second segment moved to
// start where its first ends) must keep the same promises.
//
// The certified Fréchet search, on the pair and on the paths, must return 0 <= lower <= upper, as
// narrow as asked (with the same exception), an upper end no smaller than the certified Hausdorff
// lower bound or the distance between the starts or the ends, a walk from both starts to both
// ends whose every corner's leash is within upper, an interval overlapping the swapped pair's,
// and a decision at the middle that agrees with the interval it reports. It runs on the inputs
// whose byte 128, divided by 3, is a multiple of 4 (a quarter of them).
//
// Any breach prints the curves and aborts, which libFuzzer reports as a crash.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "distance/certified_frechet.h"
#include "distance/certified_hausdorff.h"
#include "geometry/geometry_scene.h"
#include "geometry/hausdorff.h"
#include "geometry/marker_canvas.h"
#include "tests/geometry/trace_check.h"

namespace {

constexpr double kCoordinateLimit = 1e3;
// Intervals halve from [0, 1] and stop at width 2^-17: at most 2^18 - 1 candidates per curve.
constexpr int kMostSteps = (1 << 19) - 2;
// A distance the search measures lies on the other curve's found point, which the nearest-point
// search places within two of its 0.001 radii of the true nearest point.
constexpr double kMeasureSlack = 0.002 + 1e-9;

CubicCurve currentA;
CubicCurve currentB;

[[noreturn]] void failInput(const char* what, const std::string& detail) {
  std::fprintf(stderr, "geometry_fuzz: %s %s\n", what, detail.c_str());
  for (const CubicCurve* curve : {&currentA, &currentB}) {
    std::fprintf(stderr, "  curve");
    for (const Point2& p : curve->p) std::fprintf(stderr, " %.17g %.17g", p.x, p.y);
    std::fprintf(stderr, "\n");
  }
  std::fprintf(stderr, "  zoom %.17g\n", geometryScene.zoomScale);
  std::abort();
}

double foldedCoordinate(const std::uint8_t* bytes) {
  double value;
  std::memcpy(&value, bytes, sizeof value);
  if (!std::isfinite(value)) return 0.0;
  if (std::fabs(value) > kCoordinateLimit) return std::fmod(value, kCoordinateLimit);
  return value;
}

void decodeCurves(const std::uint8_t* data, size_t size) {
  std::uint8_t bytes[128] = {};
  std::memcpy(bytes, data, size < sizeof bytes ? size : sizeof bytes);
  double coordinates[16];
  for (int i = 0; i < 16; ++i) coordinates[i] = foldedCoordinate(bytes + 8 * i);
  for (int i = 0; i < 4; ++i) {
    currentA.p[i] = {coordinates[2 * i], coordinates[2 * i + 1]};
    currentB.p[i] = {coordinates[8 + 2 * i], coordinates[8 + 2 * i + 1]};
  }
}

// --- The trace, checked as it is written -----------------------------------------------------

struct TraceSink {
  TraceCheck check;
  std::string partialLine;
};

ssize_t writeTrace(void* cookie, const char* data, size_t size) {
  TraceSink& sink = *static_cast<TraceSink*>(cookie);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] != '\n') {
      sink.partialLine += data[i];
      continue;
    }
    checkTraceLine(sink.check, sink.partialLine);
    sink.partialLine.clear();
  }
  return static_cast<ssize_t>(size);
}

// --- The markers, checked as they are drawn --------------------------------------------------

struct CanvasState {
  bool open = false;
  unsigned int primitive = 0;
  int vertices = 0;
  int greenSegments = 0;
  float colour[3] = {};
};
CanvasState canvasState;

void onPointSize(float) {}
void onLineWidth(float) {}
void onColour(float red, float green, float blue) {
  canvasState.colour[0] = red, canvasState.colour[1] = green, canvasState.colour[2] = blue;
}
void onBegin(unsigned int primitive) {
  if (canvasState.open) failInput("begin inside an open primitive", "");
  if (primitive != kCanvasPoints && primitive != kCanvasLines) failInput("unknown primitive", "");
  canvasState = {true,
                 primitive,
                 0,
                 canvasState.greenSegments,
                 {canvasState.colour[0], canvasState.colour[1], canvasState.colour[2]}};
}
void onVertex(float x, float y) {
  if (!canvasState.open) failInput("vertex outside a primitive", "");
  if (!std::isfinite(x) || !std::isfinite(y)) {
    failInput("non-finite vertex", std::to_string(x) + " " + std::to_string(y));
  }
  ++canvasState.vertices;
}
void onEnd() {
  const int wanted = canvasState.primitive == kCanvasPoints ? 1 : 2;
  if (!canvasState.open || canvasState.vertices != wanted) failInput("incomplete primitive", "");
  const bool green = canvasState.colour[0] == 0 && canvasState.colour[1] == 1;
  if (canvasState.primitive == kCanvasLines && green) ++canvasState.greenSegments;
  canvasState.open = false;
}
const MarkerCanvas kCheckingCanvas{onPointSize, onLineWidth, onColour, onBegin, onVertex, onEnd};

// --- The result ------------------------------------------------------------------------------

void checkResult(const HausdorffResult& result, const TraceSink& sink) {
  if (!sink.check.error.empty()) failInput("bad trace:", sink.check.error);
  if (!sink.partialLine.empty()) failInput("unterminated trace line:", sink.partialLine);
  if (result.steps < 1 || result.steps > kMostSteps) {
    failInput("step count out of bounds:", std::to_string(result.steps));
  }
  if (result.steps != sink.check.steps) failInput("steps differ from the dist lines", "");
  if (canvasState.greenSegments != 2 * result.steps) failInput("not two markers per step", "");
  const double magnitude = std::fabs(result.witness);
  if (!(magnitude >= 1e-9 && magnitude <= 1.0)) {
    failInput("witness out of range:", std::to_string(result.witness));
  }
  if (!(0.0 <= result.lowerBound && result.lowerBound <= result.upperBound) ||
      !std::isfinite(result.upperBound)) {
    failInput("bounds out of order:",
              std::to_string(result.lowerBound) + " " + std::to_string(result.upperBound));
  }
  // Every point of one curve lies within the control polygon bound of the other curve.
  if (result.lowerBound > controlPolygonBound(currentA, currentB) + kMeasureSlack) {
    failInput("L beyond the root bound:", std::to_string(result.lowerBound));
  }
  const double parameter = geometryScene.lastNearestParameter;
  if (!(parameter >= 0.0 && parameter <= 1.0)) failInput("parameter out of [0, 1]", "");
  if (geometryScene.witnessEnd != 0 && geometryScene.witnessEnd != 3) {
    failInput("witnessEnd neither 0 nor 3", "");
  }
}

std::string interval(const CertifiedDistance& d) {
  char text[80];
  std::snprintf(text, sizeof text, "[%.17g, %.17g]", d.lower, d.upper);
  return text;
}

double extentOf(const CubicCurve& a, const CubicCurve& b) {
  double extent = 0.0;
  for (const CubicCurve* curve : {&a, &b}) {
    for (const Point2& p : curve->p) {
      extent = std::max({extent, std::fabs(p.x - a.p[0].x), std::fabs(p.y - a.p[0].y)});
    }
  }
  return extent;
}

// The second curve moved so that it starts where the first ends: a path of two joined segments.
CubicCurve joinedTo(const CubicCurve& first, CubicCurve second) {
  const double dx = first.p[3].x - second.p[0].x, dy = first.p[3].y - second.p[0].y;
  for (Point2& p : second.p) p = {p.x + dx, p.y + dy};
  second.p[0] = first.p[3];  // exactly, whatever the rounding of the move
  return second;
}

// What a result on shapes must keep without a reference: the bounds in order, the width, the
// witness's arrow within the interval, and the swapped pair's interval
// overlapping. `kind` names the shapes in messages.
CertifiedDistance checkCertifiedShapes(const Shape& a, const Shape& b, double tolerance,
                                       bool mayMissTolerance, double slack, const char* kind) {
  const CertifiedDistance d = certifiedHausdorff(a, b, tolerance);
  const std::string what = std::string(kind) + ": ";
  if (!(0.0 <= d.lower && d.lower <= d.upper && std::isfinite(d.upper))) {
    failInput((what + "certified bounds out of order:").c_str(), interval(d));
  }
  if (!d.toleranceMet && !mayMissTolerance) {
    failInput((what + "tolerance not met:").c_str(), interval(d));
  }
  const Shape& own = d.witnessShape == 0 ? a : b;
  const Shape& other = d.witnessShape == 0 ? b : a;
  if (d.witness.segment < 0 || d.witness.segment >= static_cast<int>(own.segments.size()) ||
      d.nearest.segment < 0 || d.nearest.segment >= static_cast<int>(other.segments.size())) {
    failInput((what + "witness names no segment").c_str(), "");
  }
  const double arrow =
      std::hypot(d.witness.point.x - d.nearest.point.x, d.witness.point.y - d.nearest.point.y);
  if (!(arrow >= d.lower - slack && arrow <= d.upper + slack)) {
    failInput((what + "the witness's arrow lies outside the interval:").c_str(),
              interval(d) + " " + std::to_string(arrow));
  }
  const CertifiedDistance swapped = certifiedHausdorff(b, a, tolerance);
  if (swapped.lower > d.upper || d.lower > swapped.upper) {
    failInput((what + "swapped intervals apart:").c_str(), interval(d) + " " + interval(swapped));
  }
  return d;
}

std::string interval(const CertifiedFrechet& f) {
  char text[80];
  std::snprintf(text, sizeof text, "[%.17g, %.17g]", f.lower, f.upper);
  return text;
}

double leash(const Leash& moment) {
  return std::hypot(moment.onA.point.x - moment.onB.point.x,
                    moment.onA.point.y - moment.onB.point.y);
}

// What a Fréchet result must keep without a reference; `hausdorff` is the pair's certified
// Hausdorff interval.
void checkFrechetShapes(const Shape& a, const Shape& b, double tolerance, bool mayMissTolerance,
                        double slack, const CertifiedDistance& hausdorff, const char* kind) {
  const CertifiedFrechet f = certifiedFrechet(a, b, tolerance);
  const std::string what = std::string("frechet ") + kind + ": ";
  if (!(0.0 <= f.lower && f.lower <= f.upper && std::isfinite(f.upper))) {
    failInput((what + "bounds out of order:").c_str(), interval(f));
  }
  if (f.toleranceMet != (f.upper - f.lower <= tolerance) ||
      (!f.toleranceMet && !mayMissTolerance)) {
    failInput((what + "tolerance:").c_str(), interval(f));
  }
  const Point2 startA = a.segments.front().p[0], startB = b.segments.front().p[0];
  const Point2 endA = a.segments.back().p[3], endB = b.segments.back().p[3];
  const double ends = std::max(std::hypot(startA.x - startB.x, startA.y - startB.y),
                               std::hypot(endA.x - endB.x, endA.y - endB.y));
  if (f.upper < hausdorff.lower || f.upper + slack < ends) {
    failInput((what + "below the Hausdorff distance or the ends:").c_str(),
              interval(f) + " " + interval(hausdorff));
  }
  if (f.walk.empty() || f.walk.front().onA.t != 0.0 || f.walk.front().onA.segment != 0 ||
      f.walk.front().onB.t != 0.0 || f.walk.front().onB.segment != 0 ||
      f.walk.back().onA.t != 1.0 || f.walk.back().onB.t != 1.0) {
    failInput((what + "the walk does not run from the starts to the ends").c_str(), "");
  }
  for (const Leash& moment : f.walk) {
    if (leash(moment) > f.upper + slack) {
      failInput((what + "a leash of the walk exceeds upper:").c_str(),
                interval(f) + " " + std::to_string(leash(moment)));
    }
  }
  const CertifiedFrechet swapped = certifiedFrechet(b, a, tolerance);
  if (swapped.lower > f.upper || f.lower > swapped.upper) {
    failInput((what + "swapped intervals apart:").c_str(), interval(f) + " " + interval(swapped));
  }
  const double middle = f.lower * 0.5 + f.upper * 0.5;
  const FrechetDecision decision = decideFrechetWithin(a, b, middle);
  const CertifiedFrechet& e = decision.distance;
  const bool agrees = decision.verdict == Verdict::kWithin ? e.upper <= middle
                      : decision.verdict == Verdict::kBeyond
                          ? e.lower > middle
                          : e.lower <= middle && middle < e.upper;
  if (!agrees || e.lower > f.upper || f.lower > e.upper) {
    failInput((what + "decision disagrees:").c_str(), interval(f) + " " + interval(e));
  }
}

void checkCertified(std::uint8_t choice) {
  Shape a, b;
  a.segments.push_back(currentA);
  b.segments.push_back(currentB);
  const double extent = std::max(extentOf(currentA, currentB), 1e-300);
  const double relative[] = {1e-3, 1e-6, 1e-9};
  const double tolerance = relative[choice % 3] * extent;
  // 1e-9 may be out of rounding's reach, which the result must then say.
  const bool mayMissTolerance = choice % 3 == 2;
  // Points are reported in the input's coordinates, within a few units in their last place.
  const double slack = 1e-13 * kCoordinateLimit;

  const CertifiedDistance d =
      checkCertifiedShapes(a, b, tolerance, mayMissTolerance, slack, "pair");
  if (d.toleranceMet != (d.upper - d.lower <= tolerance)) failInput("toleranceMet lies", "");
  // Two-segment paths, A then B joined against B then A joined: their joints meet the other
  // path's segments in every way.
  Shape paths[2];
  paths[0].segments = {currentA, joinedTo(currentA, currentB)};
  paths[1].segments = {currentB, joinedTo(currentB, currentA)};
  const CertifiedDistance pathDistance =
      checkCertifiedShapes(paths[0], paths[1], tolerance * 2, mayMissTolerance, 2 * slack, "paths");
  // The Fréchet search costs far more on some inputs (folded collinear paths at 1e-9) than the
  // Hausdorff one; checking it on one input in four keeps most of the run for the latter.
  if ((choice / 3) % 4 == 0) {
    checkFrechetShapes(a, b, tolerance, mayMissTolerance, slack, d, "pair");
    checkFrechetShapes(paths[0], paths[1], tolerance * 2, mayMissTolerance, 2 * slack, pathDistance,
                       "paths");
  }

  const double middle = d.lower * 0.5 + d.upper * 0.5;
  const WithinDecision decision = decideWithin(a, b, middle);
  const CertifiedDistance& e = decision.distance;
  const bool agrees = decision.verdict == Verdict::kWithin ? e.upper <= middle
                      : decision.verdict == Verdict::kBeyond
                          ? e.lower > middle
                          : e.lower <= middle && middle < e.upper;
  if (!agrees || e.lower > d.upper || d.lower > e.upper) {
    failInput("decision disagrees:", interval(d) + " " + interval(e));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  decodeCurves(data, size);
  geometryScene = GeometryScene{};
  if (size > 128) geometryScene.zoomScale = 0.1 + 4.9 * (data[128] / 255.0);

  TraceSink sink;
  cookie_io_functions_t functions{nullptr, writeTrace, nullptr, nullptr};
  std::FILE* trace = fopencookie(&sink, "w", functions);
  if (trace == nullptr) failInput("fopencookie failed", "");
  canvasState = CanvasState{};
  markerCanvas = &kCheckingCanvas;

  const HausdorffResult result = hausdorffSearch(currentA, currentB, trace);

  markerCanvas = nullptr;
  std::fclose(trace);  // flushes the last lines into the check
  finishTrace(sink.check);
  checkResult(result, sink);
  checkCertified(size > 128 ? data[128] : 0);
  return 0;
}
