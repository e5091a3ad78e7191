// Comparing two fonts glyph by glyph: the pairing, the em scaling, the measuring on every
// worker with the records delivered in order, and the summary that says what changed. Written
// on the public API alone, so that the program, the Python module and a caller's own code see
// one comparison.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <beziercurve/beziercurve.h>

namespace beziercurve {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct EmScale {
  unsigned emA, emB;
  bool scaled;
  double factor() const { return scaled ? double(emA) / emB : 1.0; }
};

// ---- One glyph pair ---------------------------------------------------------------------------

// One contour as a path of its own, and where it starts in its shape.
struct ContourPath {
  Shape shape;
  int firstSegment;
};

std::vector<ContourPath> contourPathsOf(const Shape& shape) {
  std::vector<ContourPath> paths;
  for (const Contour& contour : contoursOf(shape)) {
    const auto first = shape.segments.begin() + contour.firstSegment;
    paths.push_back({Shape{{first, first + contour.segmentCount}, shape.approximationError},
                     contour.firstSegment});
  }
  return paths;
}

// ---- Contours paired by shape ----------------------------------------------------------------

// An assignment of least total cost of rows to columns (rows <= columns) by the Hungarian method
// with potentials (Kuhn-Munkres, O(rows^2 columns)): the column of each row.
std::vector<int> leastAssignment(const std::vector<std::vector<double>>& cost) {
  const int rows = static_cast<int>(cost.size());
  const int columns = rows == 0 ? 0 : static_cast<int>(cost[0].size());
  constexpr double kNone = std::numeric_limits<double>::infinity();
  // 1-based, column 0 the free row being placed.
  std::vector<double> u(rows + 1, 0.0), v(columns + 1, 0.0);
  std::vector<int> rowOf(columns + 1, 0), way(columns + 1, 0);
  for (int r = 1; r <= rows; ++r) {
    rowOf[0] = r;
    int free = 0;
    std::vector<double> least(columns + 1, kNone);
    std::vector<char> used(columns + 1, 0);
    do {
      used[free] = 1;
      const int row = rowOf[free];
      double delta = kNone;
      int next = 0;
      for (int c = 1; c <= columns; ++c) {
        if (used[c]) continue;
        const double reduced = cost[row - 1][c - 1] - u[row] - v[c];
        if (reduced < least[c]) least[c] = reduced, way[c] = free;
        if (least[c] < delta) delta = least[c], next = c;
      }
      for (int c = 0; c <= columns; ++c) {
        if (used[c]) {
          u[rowOf[c]] += delta;
          v[c] -= delta;
        } else {
          least[c] -= delta;
        }
      }
      free = next;
    } while (rowOf[free] != 0);
    do {
      const int previous = way[free];
      rowOf[free] = rowOf[previous];
      free = previous;
    } while (free != 0);
  }
  std::vector<int> columnOf(rows, -1);
  for (int c = 1; c <= columns; ++c) {
    if (rowOf[c] != 0) columnOf[rowOf[c] - 1] = c - 1;
  }
  return columnOf;
}

// Contour k of A with contour k of B, as far as both go.
std::vector<std::pair<int, int>> storedOrder(std::size_t inA, std::size_t inB) {
  std::vector<std::pair<int, int>> pairs;
  for (std::size_t k = 0; k < std::min(inA, inB); ++k) pairs.emplace_back(int(k), int(k));
  return pairs;
}

std::vector<std::pair<int, int>> pairedByShape(const std::vector<ContourPath>& inA,
                                               const std::vector<ContourPath>& inB,
                                               double tolerance) {
  // (One contour against one has nothing to choose: its distance is not measured twice.)
  if (inA.size() * inB.size() > kMaxPairedContours || inA.size() * inB.size() <= 1) {
    return storedOrder(inA.size(), inB.size());
  }
  // Rows: the side with fewer contours.
  const bool transposed = inA.size() > inB.size();
  const std::vector<ContourPath>& rows = transposed ? inB : inA;
  const std::vector<ContourPath>& columns = transposed ? inA : inB;
  std::vector<std::vector<double>> cost(rows.size(), std::vector<double>(columns.size()));
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < columns.size(); ++c) {
      cost[r][c] = hausdorff(rows[r].shape, columns[c].shape, tolerance).upper;
    }
  }
  const std::vector<int> columnOf = leastAssignment(cost);
  double assigned = 0.0, stored = 0.0;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    assigned += cost[r][columnOf[r]];
    stored += cost[r][r];
  }
  // Ties, and rounding in the sums, keep the stored order.
  if (stored <= assigned * (1 + 1e-12)) return storedOrder(inA.size(), inB.size());
  std::vector<std::pair<int, int>> pairs;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    pairs.emplace_back(transposed ? columnOf[r] : int(r), transposed ? int(r) : columnOf[r]);
  }
  std::sort(pairs.begin(), pairs.end());
  return pairs;
}

std::vector<int> unmatchedOf(std::size_t count, const std::vector<std::pair<int, int>>& pairs,
                             bool inA) {
  std::vector<char> matched(count, 0);
  for (const auto& [i, j] : pairs) matched[inA ? i : j] = 1;
  std::vector<int> unmatched;
  for (std::size_t k = 0; k < count; ++k) {
    if (!matched[k]) unmatched.push_back(int(k));
  }
  return unmatched;
}

// The largest of the contours' Fréchet distances lies between the largest lower and the
// largest upper bound, an interval no wider than the widest contour's; beyond if any contour is
// beyond, within if all are.
ContourFrechet byContours(const Shape& a, const Shape& b, bool deciding, double threshold,
                          double tolerance, const FrechetOptions& options) {
  const std::vector<ContourPath> inA = contourPathsOf(a), inB = contourPathsOf(b);
  ContourFrechet result{};
  result.contours[0] = static_cast<int>(inA.size());
  result.contours[1] = static_cast<int>(inB.size());
  result.verdict = Verdict::kWithin;
  if (inA.size() != inB.size() && !options.pairContours) return result;
  const std::vector<std::pair<int, int>> pairs = options.pairContours
                                                     ? pairedByShape(inA, inB, tolerance)
                                                     : storedOrder(inA.size(), inB.size());
  result.measured = true;
  result.unmatchedA = unmatchedOf(inA.size(), pairs, true);
  result.unmatchedB = unmatchedOf(inB.size(), pairs, false);
  Distance& total = result.distance;
  double widest = -1.0;  // the widest interval of a pair that did not meet the tolerance
  for (std::size_t k = 0; k < pairs.size(); ++k) {
    const ContourPath& pathA = inA[pairs[k].first];
    const ContourPath& pathB = inB[pairs[k].second];
    FrechetDistance f;
    Verdict verdict = Verdict::kWithin;
    if (deciding) {
      const FrechetDecision decision = frechetWithin(pathA.shape, pathB.shape, threshold, options);
      f = decision.distance;
      verdict = decision.verdict;
    } else {
      f = frechet(pathA.shape, pathB.shape, tolerance, options);
    }
    f.bottleneck.onA.segment += pathA.firstSegment;
    f.bottleneck.onB.segment += pathB.firstSegment;
    if (k == 0 || f.upper > total.upper) {
      total.upper = f.upper;
      total.witness = f.bottleneck.onA;
      total.nearest = f.bottleneck.onB;
    }
    total.lower = k == 0 ? f.lower : std::max(total.lower, f.lower);
    total.steps += f.steps;
    result.pairs.push_back({pairs[k].first, pairs[k].second, f.reversed, f.lower, f.upper});
    if (!f.toleranceMet && !f.unmetReason.empty() && f.upper - f.lower > widest) {
      widest = f.upper - f.lower;
      result.unmetReason = "contour " + std::to_string(pairs[k].first) + ": " + f.unmetReason;
    }
    if (verdict == Verdict::kBeyond ||
        (verdict == Verdict::kUndecided && result.verdict == Verdict::kWithin)) {
      result.verdict = verdict;
    }
  }
  // toleranceMet keeps its one meaning: the interval given is at most the tolerance wide (a
  // contour's own may be wider when another contour's distance is larger).
  total.toleranceMet = total.upper - total.lower <= tolerance;
  if (total.toleranceMet) result.unmetReason.clear();
  return result;
}

void measureFrechet(const Shape& a, const Shape& b, const FontComparisonOptions& options,
                    GlyphRecord& record) {
  FrechetOptions frechetOptions;
  frechetOptions.anyStart = options.anyStart;
  frechetOptions.eitherDirection = options.eitherDirection;
  frechetOptions.pairContours = options.pairContours;
  ContourFrechet f =
      byContours(a, b, options.deciding, options.threshold, options.tolerance, frechetOptions);
  if (!f.measured) {
    record.outcome = GlyphOutcome::kContoursDiffer;
    record.contours[0] = f.contours[0];
    record.contours[1] = f.contours[1];
    return;
  }
  record.distance = f.distance;
  record.verdict = f.verdict;
  record.contourPairs = std::move(f.pairs);
  record.unmatchedA = std::move(f.unmatchedA);
  record.unmatchedB = std::move(f.unmatchedB);
  record.problem = std::move(f.unmetReason);
  record.outcome = GlyphOutcome::kMeasured;
}

void measureHausdorff(const Shape& a, const Shape& b, const FontComparisonOptions& options,
                      GlyphRecord& record) {
  if (options.deciding) {
    const Decision decision = within(a, b, options.threshold, options.measure);
    record.distance = decision.distance;
    record.distance.toleranceMet =
        record.distance.upper - record.distance.lower <= options.tolerance;
    record.verdict = decision.verdict;
  } else {
    record.distance = hausdorff(a, b, options.tolerance, options.measure);
  }
  record.outcome = GlyphOutcome::kMeasured;
}

std::string segmentCount(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " segment" : " segments");
}

std::string tooLargeToMeasure(const Shape& a, const Shape& b) {
  return "A (" + segmentCount(a.segments.size()) + ") against B (" +
         segmentCount(b.segments.size()) + "): too large to measure: the search ran out of memory";
}

void measureShapes(const Shape& a, const Shape& b, const FontComparisonOptions& options,
                   GlyphRecord& record) {
  try {
    if (options.distance == GlyphDistance::kFrechet) {
      measureFrechet(a, b, options, record);
    } else {
      measureHausdorff(a, b, options, record);
    }
  } catch (const std::invalid_argument& e) {
    record.outcome = GlyphOutcome::kRefused;
    record.problem = e.what();
  } catch (const std::bad_alloc&) {
    record.outcome = GlyphOutcome::kRefused;
    record.problem = tooLargeToMeasure(a, b);
  } catch (const std::length_error&) {
    record.outcome = GlyphOutcome::kRefused;
    record.problem = tooLargeToMeasure(a, b);
  }
  if (record.outcome != GlyphOutcome::kMeasured) record.distance = {};
}

bool isChanged(const GlyphRecord& record, const FontComparisonOptions& options) {
  if (record.outcome != GlyphOutcome::kMeasured) return false;
  if (!record.unmatchedA.empty() || !record.unmatchedB.empty()) return true;
  return options.deciding ? record.verdict == Verdict::kBeyond
                          : record.distance.lower > options.changedBeyond;
}

// The record of glyphs a and b, all but its place in the comparison.
GlyphRecord measureGlyph(const Glyph& ga, const Glyph& gb, const EmScale& em,
                         const FontComparisonOptions& options) {
  GlyphRecord record{};
  record.codePoint = ga.codePoint;
  record.verdict = Verdict::kWithin;
  record.advance[0] = options.metrics ? ga.advance : kNaN;
  record.advance[1] = options.metrics ? gb.advance * em.factor() : kNaN;
  if (!ga.problem.empty() || !gb.problem.empty()) {
    record.outcome = GlyphOutcome::kUnreadable;
    return record;
  }
  const bool emptyA = ga.shape.segments.empty(), emptyB = gb.shape.segments.empty();
  if (emptyA || emptyB) {
    record.outcome = emptyA && emptyB ? GlyphOutcome::kEmptyInBoth
                     : emptyA         ? GlyphOutcome::kEmptyInA
                                      : GlyphOutcome::kEmptyInB;
    // No distance when one is empty: a point of one outline has nothing to be near, which a
    // decision counts as beyond any threshold.
    if (options.deciding && !(emptyA && emptyB)) record.verdict = Verdict::kBeyond;
    return record;
  }
  if (em.scaled) {
    measureShapes(ga.shape, scaledShape(gb.shape, em.emA, em.emB), options, record);
  } else {
    measureShapes(ga.shape, gb.shape, options, record);
  }
  record.changed = isChanged(record, options);
  return record;
}

GlyphRecord measurePaired(const Font& a, const Font& b, const GlyphPairing& pairing,
                          std::size_t order, const EmScale& em,
                          const FontComparisonOptions& options) {
  const auto [inA, inB] = pairing.matched[order];
  GlyphRecord record = measureGlyph(a.glyphs[inA], b.glyphs[inB], em, options);
  record.order = order;
  record.inA = inA;
  record.inB = inB;
  if (!pairing.byName) record.codePoint = pairing.codePoints[order];
  return record;
}

// The distances the summary counts glyphs beyond, each once, in increasing order.
std::vector<std::pair<double, std::size_t>> countsOf(const FontComparisonOptions& options) {
  std::vector<double> distances = options.countsBeyond;
  distances.push_back(options.changedBeyond);
  std::sort(distances.begin(), distances.end());
  distances.erase(std::unique(distances.begin(), distances.end()), distances.end());
  std::vector<std::pair<double, std::size_t>> counts;
  for (const double d : distances) counts.emplace_back(d, 0);
  return counts;
}

std::string optionsProblem(const FontComparisonOptions& options) {
  return options.deciding ? thresholdProblem(options.threshold)
                          : toleranceProblem(options.tolerance);
}

EmScale emScaleOf(unsigned emA, unsigned emB, const FontComparisonOptions& options) {
  return {emA, emB, emA != emB && options.scaleToA && emB != 0};
}

// ---- The summary ------------------------------------------------------------------------------

void keepAmongWorst(std::vector<GlyphRecord>& worst, const GlyphRecord& record, std::size_t top) {
  const auto at = std::upper_bound(worst.begin(), worst.end(), record,
                                   [](const GlyphRecord& x, const GlyphRecord& y) {
                                     return x.distance.upper > y.distance.upper;
                                   });
  if (static_cast<std::size_t>(at - worst.begin()) >= top) return;
  worst.insert(at, record);
  if (worst.size() > top) worst.pop_back();
}

void tally(FontComparison& summary, const GlyphRecord& record,
           const FontComparisonOptions& options) {
  ++summary.compared;
  switch (record.outcome) {
    case GlyphOutcome::kUnreadable:
      ++summary.unreadable;
      return;
    case GlyphOutcome::kEmptyInBoth:
      ++summary.emptyInBoth;
      break;
    case GlyphOutcome::kEmptyInA:
    case GlyphOutcome::kEmptyInB:
      ++summary.emptyInOne;
      break;
    case GlyphOutcome::kRefused:
    case GlyphOutcome::kContoursDiffer:
      ++summary.refused;
      break;
    case GlyphOutcome::kMeasured:
      break;
  }
  if (std::isfinite(record.advance[0]) && std::isfinite(record.advance[1]) &&
      record.advance[0] != record.advance[1]) {
    ++summary.advancesDiffer;
    summary.largestAdvanceDifference = std::max(summary.largestAdvanceDifference,
                                                std::fabs(record.advance[1] - record.advance[0]));
  }
  const bool decided =
      options.deciding &&
      (record.outcome == GlyphOutcome::kMeasured || record.outcome == GlyphOutcome::kEmptyInBoth ||
       record.outcome == GlyphOutcome::kEmptyInA || record.outcome == GlyphOutcome::kEmptyInB);
  if (decided) {
    summary.within += record.verdict == Verdict::kWithin;
    summary.beyondThreshold += record.verdict == Verdict::kBeyond;
    summary.undecided += record.verdict == Verdict::kUndecided;
  }
  if (record.outcome != GlyphOutcome::kMeasured) return;
  for (auto& [distance, glyphs] : summary.beyond) glyphs += record.distance.lower > distance;
  if (record.changed) {
    ++summary.changed;
    if (!options.deciding) keepAmongWorst(summary.worst, record, options.top);
  }
  if (!options.deciding && (summary.largest.order == kNoRecord ||
                            record.distance.upper > summary.largest.distance.upper)) {
    summary.largest = record;
  }
}

// Every glyph a glyph places, nested ones too, as glyph indices of its own font.
void placedGlyphs(const Font& font, std::size_t glyph, std::vector<char>& seen,
                  std::vector<std::size_t>& out) {
  for (const unsigned part : font.glyphs[glyph].components) {
    if (part >= font.glyphs.size() || seen[part]) continue;
    seen[part] = 1;
    out.push_back(part);
    placedGlyphs(font, part, seen, out);
  }
}

// For each glyph index of `font`, the record it was paired in (kNoRecord when none).
std::vector<std::size_t> recordOfGlyph(const Font& font, const GlyphPairing& pairing, bool inA,
                                       std::size_t delivered) {
  std::vector<std::size_t> order(font.glyphs.size(), kNoRecord);
  for (std::size_t k = 0; k < delivered; ++k) {
    order[inA ? pairing.matched[k].first : pairing.matched[k].second] = k;
  }
  return order;
}

// A changed glyph belongs to the group of every changed component it places in either font.
std::vector<ComponentGroup> componentGroups(const Font& a, const Font& b,
                                            const GlyphPairing& pairing,
                                            const std::vector<GlyphRecord>& records,
                                            std::size_t delivered, std::size_t top) {
  const std::vector<std::size_t> orderA = recordOfGlyph(a, pairing, true, delivered);
  const std::vector<std::size_t> orderB = recordOfGlyph(b, pairing, false, delivered);
  std::vector<std::vector<std::size_t>> users(delivered);
  for (std::size_t k = 0; k < delivered; ++k) {
    if (!records[k].changed) continue;
    std::vector<std::size_t> components;
    for (int side = 0; side < 2; ++side) {
      const Font& font = side == 0 ? a : b;
      const std::vector<std::size_t>& order = side == 0 ? orderA : orderB;
      std::vector<char> seen(font.glyphs.size(), 0);
      std::vector<std::size_t> placed;
      placedGlyphs(font, side == 0 ? pairing.matched[k].first : pairing.matched[k].second, seen,
                   placed);
      for (const std::size_t glyph : placed) {
        if (order[glyph] != kNoRecord) components.push_back(order[glyph]);
      }
    }
    std::sort(components.begin(), components.end());
    components.erase(std::unique(components.begin(), components.end()), components.end());
    for (const std::size_t c : components) {
      const bool accounted = records[k].distance.lower <= records[c].distance.upper;
      if (c != k && records[c].changed && accounted) users[c].push_back(k);
    }
  }
  std::vector<ComponentGroup> groups;
  for (std::size_t c = 0; c < delivered; ++c) {
    if (users[c].size() >= 2) groups.push_back({c, records[c].distance, std::move(users[c])});
  }
  std::stable_sort(groups.begin(), groups.end(),
                   [](const ComponentGroup& x, const ComponentGroup& y) {
                     return x.users.size() > y.users.size();
                   });
  if (groups.size() > top) groups.resize(top);
  return groups;
}

// ---- Measuring on every worker, delivering in order ------------------------------------------

struct Run {
  Run(const Font& a, const Font& b, const FontComparisonOptions& options,
      const std::function<bool(const GlyphRecord&)>& onRecord, EmScale em, FontComparison& summary)
      : a(a), b(b), options(options), onRecord(onRecord), em(em), summary(summary) {}
  const Font& a;
  const Font& b;
  const FontComparisonOptions& options;
  const std::function<bool(const GlyphRecord&)>& onRecord;
  EmScale em;
  FontComparison& summary;
  std::vector<GlyphRecord> records;
  std::unique_ptr<std::atomic<bool>[]> done;
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stopping{false};
  std::mutex delivering;  // held while delivering; guards what follows
  std::size_t delivered = 0;
};

bool stopAsked(const Run& run) {
  return run.stopping.load() || (run.options.stop != nullptr && run.options.stop->load());
}

// Delivers the records that are next in order and done.
void deliverReady(Run& run) {
  const std::lock_guard<std::mutex> lock(run.delivering);
  while (run.delivered < run.records.size() && run.done[run.delivered].load() &&
         !run.stopping.load()) {
    const GlyphRecord& record = run.records[run.delivered++];
    tally(run.summary, record, run.options);
    if (!run.onRecord(record)) run.stopping = true;
  }
}

void work(Run& run) {
  for (;;) {
    if (stopAsked(run)) return;
    const std::size_t k = run.next.fetch_add(1);
    if (k >= run.records.size()) return;
    run.records[k] = measurePaired(run.a, run.b, run.summary.pairing, k, run.em, run.options);
    run.done[k].store(true);
    deliverReady(run);
  }
}

void runOnWorkers(Run& run) {
  const std::size_t wanted =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(run.options.workers, 1)),
                            std::max<std::size_t>(run.records.size(), 1));
  std::vector<std::thread> threads;
  try {
    threads.reserve(wanted);
    for (std::size_t k = 1; k < wanted; ++k) threads.emplace_back([&run] { work(run); });
  } catch (const std::system_error&) {
    // Fewer threads than asked cost only time: those that started, and this one, do the work.
  } catch (const std::bad_alloc&) {
  }
  work(run);
  for (std::thread& thread : threads) thread.join();
}

std::string comparisonProblem(const Font& a, const Font& b, const FontComparisonOptions& options) {
  for (const Font* font : {&a, &b}) {
    if (!font->ok) return font->error.empty() ? "a font was not read" : font->error;
  }
  return optionsProblem(options);
}

}  // namespace

std::vector<std::pair<int, int>> pairContoursByShape(const Shape& a, const Shape& b,
                                                     double tolerance) {
  const std::string problem = toleranceProblem(tolerance);
  if (!problem.empty()) throw std::invalid_argument(problem);
  return pairedByShape(contourPathsOf(a), contourPathsOf(b), tolerance);
}

ContourFrechet frechetByContours(const Shape& a, const Shape& b, double tolerance,
                                 const FrechetOptions& options) {
  const std::string problem = toleranceProblem(tolerance);
  if (!problem.empty()) throw std::invalid_argument(problem);
  return byContours(a, b, false, 0.0, tolerance, options);
}

ContourFrechet frechetByContoursWithin(const Shape& a, const Shape& b, double threshold,
                                       double tolerance, const FrechetOptions& options) {
  const std::string problem = thresholdProblem(threshold);
  if (!problem.empty()) throw std::invalid_argument(problem);
  return byContours(a, b, true, threshold, tolerance, options);
}

Shape scaledShape(const Shape& shape, unsigned num, unsigned den) {
  Shape scaled = shape;
  double largest = 0.0;
  for (Cubic& c : scaled.segments) {
    for (Point& p : c.p) {
      // x num is exact for font coordinates; the division rounds once.
      p = {p.x * num / den, p.y * num / den};
      largest = std::max({largest, std::fabs(p.x), std::fabs(p.y)});
    }
  }
  scaled.approximationError =
      shape.approximationError * num / den * (1 + 1e-15) + std::ldexp(largest, -51);
  return scaled;
}

GlyphRecord compareGlyph(const Glyph& a, const Glyph& b, unsigned unitsPerEmA, unsigned unitsPerEmB,
                         const FontComparisonOptions& options) {
  const std::string problem = optionsProblem(options);
  if (!problem.empty()) throw std::invalid_argument(problem);
  GlyphRecord record = measureGlyph(a, b, emScaleOf(unitsPerEmA, unitsPerEmB, options), options);
  record.order = 0;
  record.inA = a.glyphIndex;
  record.inB = b.glyphIndex;
  return record;
}

FontComparison compareFonts(const Font& a, const Font& b, const FontComparisonOptions& options,
                            const std::function<bool(const GlyphRecord&)>& onRecord) {
  const auto start = std::chrono::steady_clock::now();
  FontComparison summary;
  summary.largest.order = kNoRecord;
  const std::string problem = comparisonProblem(a, b, options);
  if (!problem.empty()) {
    if (a.ok && b.ok) throw std::invalid_argument(problem);
    summary.error = problem;
    return summary;
  }
  const EmScale em = emScaleOf(a.unitsPerEm, b.unitsPerEm, options);
  summary.ok = true;
  summary.unitsPerEm[0] = a.unitsPerEm;
  summary.unitsPerEm[1] = b.unitsPerEm;
  summary.scaleB = em.factor();
  summary.pairing = matchGlyphs(a, b, options.match);
  summary.beyond = countsOf(options);
  Run run(a, b, options, onRecord, em, summary);
  run.records.resize(summary.pairing.matched.size());
  run.done.reset(new std::atomic<bool>[run.records.size()]);
  for (std::size_t k = 0; k < run.records.size(); ++k) run.done[k].store(false);
  runOnWorkers(run);  // each worker delivers what its record made ready
  summary.interrupted = run.delivered < run.records.size();
  summary.groups = componentGroups(a, b, summary.pairing, run.records, run.delivered, options.top);
  summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return summary;
}

}  // namespace beziercurve
