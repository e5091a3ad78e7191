#include "cli/frechet_run.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <beziercurve/beziercurve.h>

#include "cli/certified_format.h"

using namespace beziercurve;

namespace {

// The result of one pair.
struct FrechetMeasure {
  double lower = 0.0, upper = 0.0;
  Leash bottleneck{};
  std::int64_t steps = 0;
  bool toleranceMet = true;
  Verdict verdict = Verdict::kWithin;
  FrechetPairs pairs;
};

FrechetOptions frechetOptionsOf(const CliOptions& options) {
  FrechetOptions o;
  o.anyStart = options.anyStart;
  o.eitherDirection = options.eitherDirection;
  o.pairContours = options.pairContours;
  return o;
}

// Contour by contour, with --pair-contours.
FrechetMeasure measureContours(const Shape& a, const Shape& b, const CliOptions& options) {
  const FrechetOptions frechetOptions = frechetOptionsOf(options);
  ContourFrechet f = options.deciding ? frechetByContoursWithin(a, b, options.threshold,
                                                                options.tolerance, frechetOptions)
                                      : frechetByContours(a, b, options.tolerance, frechetOptions);
  FrechetMeasure measure;
  measure.lower = f.distance.lower;
  measure.upper = f.distance.upper;
  measure.bottleneck = {f.distance.witness, f.distance.nearest};
  measure.steps = f.distance.steps;
  measure.toleranceMet = f.distance.toleranceMet;
  measure.verdict = f.verdict;
  measure.pairs = {true, std::move(f.pairs), std::move(f.unmatchedA), std::move(f.unmatchedB),
                   std::move(f.unmetReason)};
  return measure;
}

FrechetMeasure measureOne(const Shape& a, const Shape& b, const CliOptions& options) {
  if (options.pairContours) return measureContours(a, b, options);
  const FrechetOptions frechetOptions = frechetOptionsOf(options);
  FrechetMeasure measure;
  FrechetDistance f;
  if (options.deciding) {
    const FrechetDecision decision = frechetWithin(a, b, options.threshold, frechetOptions);
    f = decision.distance;
    measure.verdict = decision.verdict;
  } else {
    f = frechet(a, b, options.tolerance, frechetOptions);
  }
  measure.lower = f.lower;
  measure.upper = f.upper;
  measure.bottleneck = f.bottleneck;
  measure.steps = f.steps;
  // With --within too, toleranceMet means one thing: the interval is at most the tolerance wide.
  measure.toleranceMet = options.deciding ? f.upper - f.lower <= options.tolerance : f.toleranceMet;
  measure.pairs.pairs.push_back({0, 0, f.reversed, f.lower, f.upper});
  if (!measure.toleranceMet) measure.pairs.unmetReason = f.unmetReason;
  return measure;
}

const char* directionOf(const ContourPair& pair) {
  return pair.reversed ? "reversed" : "forward";
}

bool storedOrder(const FrechetPairs& p) {
  for (const ContourPair& pair : p.pairs) {
    if (pair.contourA != pair.contourB) return false;
  }
  return true;
}

void appendIndices(std::string& out, const std::vector<int>& indices, char separator) {
  for (std::size_t k = 0; k < indices.size(); ++k) {
    if (k > 0) out += separator;
    out += std::to_string(indices[k]);
  }
}

void appendTextPairs(std::string& out, const FrechetPairs& p, const CliOptions& options) {
  if (options.eitherDirection) {
    out += p.byContours ? " directions " : " direction ";
    for (std::size_t k = 0; k < p.pairs.size(); ++k) {
      if (k > 0) out += ',';
      out += directionOf(p.pairs[k]);
    }
  }
  if (!options.pairContours || !p.byContours) return;
  if (!storedOrder(p)) {
    out += " pairing ";
    for (std::size_t k = 0; k < p.pairs.size(); ++k) {
      if (k > 0) out += ',';
      out += "A" + std::to_string(p.pairs[k].contourA) + "-B" + std::to_string(p.pairs[k].contourB);
    }
  }
  if (!p.unmatchedA.empty()) out += " unmatched A ", appendIndices(out, p.unmatchedA, ',');
  if (!p.unmatchedB.empty()) out += " unmatched B ", appendIndices(out, p.unmatchedB, ',');
}

void appendJsonPairs(std::string& out, const FrechetPairs& p, const CliOptions& options) {
  if (options.eitherDirection) {
    if (p.byContours) {
      out += ",\"directions\":[";
      for (std::size_t k = 0; k < p.pairs.size(); ++k) {
        out += k > 0 ? ",\"" : "\"";
        out += directionOf(p.pairs[k]);
        out += '"';
      }
      out += ']';
    } else if (!p.pairs.empty()) {
      out += ",\"direction\":\"";
      out += directionOf(p.pairs.front());
      out += '"';
    }
  }
  if (!options.pairContours || !p.byContours) return;
  out += ",\"pairing\":[";
  for (std::size_t k = 0; k < p.pairs.size(); ++k) {
    if (k > 0) out += ',';
    out +=
        "[" + std::to_string(p.pairs[k].contourA) + "," + std::to_string(p.pairs[k].contourB) + "]";
  }
  out += "],\"unmatched\":{\"a\":[";
  appendIndices(out, p.unmatchedA, ',');
  out += "],\"b\":[";
  appendIndices(out, p.unmatchedB, ',');
  out += "]}";
}

// Enough decimals that the outward-rounded bounds still show the verdict.
int decimalsShowingVerdict(const FrechetMeasure& m, double threshold) {
  int decimals = 6;
  for (; decimals < 17; ++decimals) {
    const double step = std::pow(10.0, -decimals);
    const bool shown =
        m.verdict == Verdict::kBeyond
            ? std::floor(m.lower / step) * step > threshold
            : m.verdict != Verdict::kWithin || std::ceil(m.upper / step) * step <= threshold;
    if (shown) break;
  }
  return decimals;
}

void appendText(std::string& out, const FrechetMeasure& m, const CliOptions& options,
                bool showSegments, std::string_view prefix) {
  Distance interval{};
  interval.lower = m.lower;
  interval.upper = m.upper;
  // Enough decimals that the printed interval is within the tolerance when the computed one is,
  // and, deciding, that it shows the verdict.
  int decimals = intervalDecimals(interval, options.tolerance, decimalsFor(options.tolerance));
  if (options.deciding) decimals = std::max(decimals, decimalsShowingVerdict(m, options.threshold));
  out += prefix;
  out += "frechet distance ";
  appendInterval(out, interval, decimals);
  out += " bottleneck A ";
  appendPlace(out, m.bottleneck.onA, showSegments, decimals);
  out += " B ";
  appendPlace(out, m.bottleneck.onB, showSegments, decimals);
  out += " steps " + std::to_string(m.steps);
  appendTextPairs(out, m.pairs, options);
  appendTextVerdict(out, m.toleranceMet, options.deciding, options.threshold, m.verdict);
  if (!m.toleranceMet && !m.pairs.unmetReason.empty()) out += " (" + m.pairs.unmetReason + ")";
  out += '\n';
}

void appendJson(std::string& out, const FrechetMeasure& m, const CliOptions& options,
                std::string_view prefix) {
  out += '{';
  out += prefix;
  out += "\"metric\":\"frechet\",\"method\":\"certified\",\"lower\":";
  appendExact(out, m.lower);
  out += ",\"upper\":";
  appendExact(out, m.upper);
  out += ",\"bottleneck\":{\"a\":{";
  appendJsonPlace(out, m.bottleneck.onA);
  out += "},\"b\":{";
  appendJsonPlace(out, m.bottleneck.onB);
  out += "}},\"steps\":" + std::to_string(m.steps);
  appendJsonPairs(out, m.pairs, options);
  if (!m.toleranceMet && !m.pairs.unmetReason.empty()) {
    // The reasons are the library's plain words: no character needs escaping.
    out += ",\"unmetReason\":\"" + m.pairs.unmetReason + "\"";
  }
  appendJsonVerdict(out, m.toleranceMet, options.deciding, options.threshold, m.verdict);
}

// The walk's corners nearest to `count` + 1 evenly spaced moments, the walk's time being how far
// both walkers have gone together.
LeashList evenlySpacedLeashes(const std::vector<Leash>& walk, int count) {
  std::vector<double> travelled(walk.size(), 0.0);
  const auto step = [](Point p, Point q) { return std::hypot(p.x - q.x, p.y - q.y); };
  for (std::size_t k = 1; k < walk.size(); ++k) {
    travelled[k] = travelled[k - 1] + step(walk[k - 1].onA.point, walk[k].onA.point) +
                   step(walk[k - 1].onB.point, walk[k].onB.point);
  }
  LeashList leashes;
  std::size_t k = 0;
  for (int moment = 0; moment <= count && !walk.empty(); ++moment) {
    const double wanted = travelled.back() * moment / count;
    while (k + 1 < walk.size() && travelled[k + 1] <= wanted) ++k;
    const std::size_t nearest =
        k + 1 < walk.size() && travelled[k + 1] - wanted < wanted - travelled[k] ? k + 1 : k;
    leashes.emplace_back(walk[nearest].onA.point, walk[nearest].onB.point);
  }
  return leashes;
}

}  // namespace

void appendFrechetResult(std::string& out, const Distance& distance, Verdict verdict,
                         const CliOptions& options, bool showSegments, std::string_view textPrefix,
                         std::string_view jsonPrefix, const FrechetPairs& pairs) {
  FrechetMeasure m;
  m.pairs = pairs;
  m.lower = distance.lower;
  m.upper = distance.upper;
  m.bottleneck = {distance.witness, distance.nearest};
  m.steps = distance.steps;
  m.toleranceMet = distance.toleranceMet;
  m.verdict = verdict;
  if (options.json) {
    appendJson(out, m, options, jsonPrefix);
  } else {
    appendText(out, m, options, showSegments, textPrefix);
  }
}

void appendFrechetContourCounts(std::string& out, int inA, int inB, const CliOptions& options,
                                std::string_view textPrefix, std::string_view jsonPrefix) {
  if (options.json) {
    out += '{';
    out += jsonPrefix;
    out += "\"metric\":\"frechet\",\"method\":\"certified\",\"contours\":[" + std::to_string(inA) +
           "," + std::to_string(inB) + "]}\n";
  } else {
    out += textPrefix;
    out += "no frechet distance: " + std::to_string(inA) + " contours in A, " +
           std::to_string(inB) + " in B (contours are compared in order, one for one)\n";
  }
}

int writeFrechetPicture(const CliOptions& options, const Shape& a, const Shape& b, bool yUp) {
  // The picture walks the whole paths: contours one by one have no single walk to draw.
  FrechetOptions frechetOptions = frechetOptionsOf(options);
  frechetOptions.pairContours = false;
  const FrechetDistance f = frechet(a, b, options.tolerance, frechetOptions);
  Distance shown{};
  shown.lower = f.lower;
  shown.upper = f.upper;
  shown.witness = f.bottleneck.onA;
  shown.nearest = f.bottleneck.onB;
  std::string caption = "Frechet distance in ";
  appendInterval(caption, shown,
                 intervalDecimals(shown, options.tolerance, decimalsFor(options.tolerance)));
  const Picture request{&a, &b, shown, caption, yUp};
  std::string error;
  if (saveFrechetPlot(options.plotPath, request, evenlySpacedLeashes(f.walk, 24), error)) {
    return 0;
  }
  printError(error);
  return kExitSomeFailed;
}

std::string frechetRefusal(const Shape& a, const Shape& b) {
  for (const auto& [shape, name] : {std::make_pair(&a, "A"), std::make_pair(&b, "B")}) {
    const std::string problem = pathProblem(*shape);
    if (!problem.empty()) {
      return std::string(name) + " is not one continuous path: " + problem +
             "; --metric frechet walks each operand from its start to its end, so each must be "
             "one subpath whose segments join end to start";
    }
  }
  return "";
}

Measured measureFrechetPair(const Shape& a, const Shape& b, const CliOptions& options,
                            bool showSegments, std::string_view textPrefix,
                            std::string_view jsonPrefix, std::string& out) {
  const FrechetMeasure m = measureOne(a, b, options);
  if (options.json) {
    appendJson(out, m, options, jsonPrefix);
  } else {
    appendText(out, m, options, showSegments, textPrefix);
  }
  Measured measured{0, {}};
  measured.distance.lower = m.lower;
  measured.distance.upper = m.upper;
  measured.distance.toleranceMet = m.toleranceMet;
  measured.distance.steps = m.steps;
  if (options.deciding && m.verdict == Verdict::kBeyond) measured.status = kExitBeyond;
  if (options.deciding && m.verdict == Verdict::kUndecided) measured.status = kExitUndecided;
  return measured;
}
