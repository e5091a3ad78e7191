#include "cli/glyph_run.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <beziercurve/beziercurve.h>

#include "cli/certified_format.h"
#include "cli/certified_run.h"
#include "cli/frechet_run.h"
#include "cli/outline_print.h"
#include "cli/parallel.h"

using namespace beziercurve;

namespace {

// Glyphs are measured a batch at a time, on every worker, and printed in the pairing's order
// after each batch; the progress line is redrawn between batches.
constexpr std::size_t kBatchGlyphs = 256;

struct GlyphResult {
  std::string line;
  int status;            // 0, kExitSomeFailed (unreadable), kExitBeyond or kExitUndecided
  Distance distance;     // zero when the glyph is empty or unreadable in either font
  bool refused = false;  // read, but too large to measure: `line` is its error record
};

// A glyph of A against one of B, and the code point they were matched by (0: the name).
struct GlyphPair {
  const Glyph* a;
  const Glyph* b;
  std::uint32_t codePoint;
};

std::uint32_t labelCodePoint(const GlyphPair& pair) {
  return pair.codePoint != 0 ? pair.codePoint : pair.a->codePoint;
}

// The glyph's name (or its index when it has none) and code point, for text lines; a name that
// is not UTF-8 has its bytes escaped as \xNN.
std::string glyphLabel(const Glyph& glyph, std::uint32_t codePoint) {
  std::string label =
      glyph.name.empty() ? "#" + std::to_string(glyph.glyphIndex) : printableText(glyph.name);
  if (codePoint != 0) label += " " + codePointName(codePoint);
  return label;
}

std::string glyphLabel(const Glyph& glyph) {
  return glyphLabel(glyph, glyph.codePoint);
}

// A JSON string of text as messages print it (printableText): UTF-8 passes, quotes,
// backslashes and controls are escaped.
std::string jsonString(const std::string& raw) {
  const std::string text = printableText(raw);
  std::string quoted = "\"";
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20 || byte == 0x7f) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string shortest(double value) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string jsonGlyph(const GlyphPair& pair) {
  return "\"glyph\":{\"name\":" + jsonString(pair.a->name) +
         ",\"codePoint\":" + std::to_string(labelCodePoint(pair)) + ",\"segments\":[" +
         std::to_string(pair.a->shape.segments.size()) + "," +
         std::to_string(pair.b->shape.segments.size()) + "]}";
}

// A glyph that cannot be read in one font or both: one record naming the font and the reason.
GlyphResult unreadableResult(const GlyphPair& pair, const CliOptions& options) {
  std::string problem;
  for (int side = 0; side < 2; ++side) {
    const Glyph& glyph = side == 0 ? *pair.a : *pair.b;
    if (glyph.problem.empty()) continue;
    if (!problem.empty()) problem += "; ";
    problem +=
        "cannot be read in " + printableText(options.operands[side]) + " (" + glyph.problem + ")";
  }
  GlyphResult result{"", kExitSomeFailed, {}};
  result.line = options.json
                    ? "{" + jsonGlyph(pair) + ",\"error\":" + jsonString(problem) + "}\n"
                    : "glyph " + glyphLabel(*pair.a, labelCodePoint(pair)) + ": " + problem + "\n";
  return result;
}

// A glyph that draws nothing in one font or both: there is no witness. Both empty: the distance
// is 0. One empty: there is no distance (a point of one outline has nothing to be near), which
// --within counts as beyond any threshold.
GlyphResult emptyResult(const GlyphPair& pair, const CliOptions& options) {
  const bool emptyA = pair.a->shape.segments.empty(), emptyB = pair.b->shape.segments.empty();
  const bool bothEmpty = emptyA && emptyB;
  const char* which = bothEmpty ? "both" : (emptyA ? "A" : "B");
  GlyphResult result{"", 0, {}};
  if (options.deciding && !bothEmpty) result.status = kExitBeyond;
  if (options.json) {
    result.line = "{" + jsonGlyph(pair) + ",\"method\":\"certified\",\"empty\":\"" + which + "\"";
    if (bothEmpty) result.line += ",\"lower\":0,\"upper\":0";
    result.line += "}\n";
  } else {
    result.line = "glyph " + glyphLabel(*pair.a, labelCodePoint(pair)) + ": " +
                  (bothEmpty ? std::string("empty in both fonts, distance 0")
                             : std::string("empty in font ") + which + " only, no distance") +
                  "\n";
  }
  return result;
}

GlyphResult measureGlyph(const GlyphPair& pair, const CliOptions& options) {
  if (!pair.a->problem.empty() || !pair.b->problem.empty()) return unreadableResult(pair, options);
  if (pair.a->shape.segments.empty() || pair.b->shape.segments.empty()) {
    return emptyResult(pair, options);
  }
  GlyphResult result{"", 0, {}};
  const std::string textPrefix = "glyph " + glyphLabel(*pair.a, labelCodePoint(pair)) + ": ";
  const std::string jsonPrefix = jsonGlyph(pair) + ",";
  // Fréchet: contour by contour, as drawn.
  const Measured measured = options.metric == Metric::kFrechet
                                ? measureFrechetPair(pair.a->shape, pair.b->shape, options, true,
                                                     true, textPrefix, jsonPrefix, result.line)
                                : measurePair(pair.a->shape, pair.b->shape, options, true,
                                              textPrefix, jsonPrefix, result.line);
  if (!measured.refusal.empty()) {
    result.refused = true;
    result.line = options.json
                      ? "{" + jsonGlyph(pair) + ",\"error\":" + jsonString(measured.refusal) + "}\n"
                      : textPrefix + measured.refusal + "\n";
  }
  result.status = measured.status;
  result.distance = measured.distance;
  return result;
}

// B's units per em against A's: B's glyphs are scaled by a.em / b.em unless --units font.
struct EmScale {
  unsigned emA, emB;
  bool scaled;
  double factor() const { return scaled ? double(emA) / emB : 1.0; }
};

EmScale emScale(unsigned emA, unsigned emB, const CliOptions& options) {
  return {emA, emB, emA != emB && !options.fontUnits};
}

// Scales the shape by num / den: each coordinate is x num / den with one rounding (x num is
// exact for font coordinates), within 2^-53 of its magnitude; the bound of its own error scales
// with it.
void scaleShape(Shape& shape, unsigned num, unsigned den) {
  double largest = 0.0;
  for (Cubic& c : shape.segments) {
    for (Point& p : c.p) {
      p = {p.x * num / den, p.y * num / den};
      largest = std::max({largest, std::fabs(p.x), std::fabs(p.y)});
    }
  }
  shape.approximationError =
      shape.approximationError * num / den * (1 + 1e-15) + std::ldexp(largest, -51);
}

void reportEmScale(const EmScale& em, const CliOptions& options) {
  if (em.emA == em.emB) return;
  std::string line = printableText(options.operands[1]) + " has " + std::to_string(em.emB) +
                     " units per em, " + printableText(options.operands[0]) + " " +
                     std::to_string(em.emA);
  line += em.scaled ? ": its glyphs are scaled by " + shortest(em.factor()) + " to " +
                          std::to_string(em.emA) + " units per em"
                    : ": compared in their own units (--units font)";
  printError(line);
}

std::string jsonEm(const EmScale& em) {
  return "\"unitsPerEm\":[" + std::to_string(em.emA) + "," + std::to_string(em.emB) +
         "],\"scaleB\":" + shortest(em.factor());
}

std::string plotCaption(const GlyphPair& pair, const Distance& d, const CliOptions& options) {
  std::string caption = "glyph " + glyphLabel(*pair.a, labelCodePoint(pair)) +
                        (options.fill ? ": fill distance in " : ": Hausdorff distance in ");
  appendInterval(caption, d,
                 intervalDecimals(d, options.tolerance, decimalsFor(options.tolerance)));
  return caption + " font units";
}

int plot(const CliOptions& options, const GlyphPair& pair, const Distance& d) {
  std::string error;
  Picture request{&pair.a->shape, &pair.b->shape, d, plotCaption(pair, d, options), true};
  request.fill = options.fill;
  request.nameA = options.operands[0];
  request.nameB = options.operands[1];
  if (savePlot(options.plotPath, request, error)) return 0;
  printError(error);
  return kExitSomeFailed;
}

void printOutlines(const GlyphPair& pair, bool labelled) {
  for (const Glyph* glyph : {pair.a, pair.b}) {
    std::string line;
    if (labelled) {
      line = "glyph " + glyphLabel(*pair.a, labelCodePoint(pair)) +
             (glyph == pair.a ? " A: " : " B: ");
    }
    line += pathDataOf(glyph->shape) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
}

int runOneGlyph(const CliOptions& options) {
  GlyphRead reads[2];
  for (int i = 0; i < 2; ++i) {
    reads[i] = readGlyph(options.operands[i], options.glyph);
    if (!reads[i].ok && reads[i].glyph.problem.empty()) {
      printError(reads[i].error);
      return kExitBadCommandLine;
    }
  }
  const EmScale em = emScale(reads[0].unitsPerEm, reads[1].unitsPerEm, options);
  reportEmScale(em, options);
  if (em.scaled) scaleShape(reads[1].glyph.shape, em.emA, em.emB);
  const GlyphPair pair{&reads[0].glyph, &reads[1].glyph, 0};
  if (options.printOutlines) {
    for (const GlyphRead& read : reads) {
      if (!read.ok) printError(read.error);
    }
    printOutlines(pair, false);
    return reads[0].ok && reads[1].ok ? 0 : kExitSomeFailed;
  }
  GlyphResult result = measureGlyph(pair, options);
  if (options.json && em.emA != em.emB) result.line.insert(1, jsonEm(em) + ",");
  std::fwrite(result.line.data(), 1, result.line.size(), resultStream(options));
  int status = result.status;
  if (!options.plotPath.empty() && status != kExitSomeFailed) {
    if (pair.a->shape.segments.empty() || pair.b->shape.segments.empty()) {
      printError("no picture: the glyph is empty in at least one font");
      status = combinedStatus(status, kExitSomeFailed);
    } else {
      status = combinedStatus(status, plot(options, pair, result.distance));
    }
  }
  return status;
}

// Up to a few glyph labels, then how many more.
std::string someNames(const Font& font, const std::vector<std::size_t>& glyphs) {
  std::string names;
  for (std::size_t i = 0; i < glyphs.size() && i < 8; ++i) {
    names += (i == 0 ? ": " : ", ") + glyphLabel(font.glyphs[glyphs[i]]);
  }
  if (glyphs.size() > 8) names += ", and " + std::to_string(glyphs.size() - 8) + " more";
  return names;
}

std::string jsonNames(const Font& font, const std::vector<std::size_t>& glyphs) {
  std::string names = "[";
  for (std::size_t i = 0; i < glyphs.size(); ++i) {
    const Glyph& glyph = font.glyphs[glyphs[i]];
    names += (i ? "," : "") +
             jsonString(glyph.name.empty() ? "#" + std::to_string(glyph.glyphIndex) : glyph.name);
  }
  return names + "]";
}

struct Summary {
  std::size_t compared = 0;
  std::size_t bothEmpty = 0;
  std::size_t oneEmpty = 0;
  std::size_t unreadable = 0;
  std::size_t refused = 0;  // read in both fonts, too large to measure
  // The glyph with the largest upper bound, as an index into the pairs; kNone while no glyph
  // has an outline in both fonts.
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t largestAt = kNone;
  Distance largestDistance{};
};

void printSummary(const CliOptions& options, const Font& a, const Font& b,
                  const GlyphPairing& pairing, const std::vector<GlyphPair>& pairs,
                  const Summary& summary, double seconds) {
  const char* by = pairing.byName ? "name" : "code point";
  std::fprintf(stderr, "%s: %zu glyphs compared (matched by %s) in %.2f s\n", kProgramName,
               summary.compared, by, seconds);
  std::fprintf(stderr, "  only in %s: %zu%s\n", printableText(options.operands[0]).c_str(),
               pairing.onlyInA.size(), someNames(a, pairing.onlyInA).c_str());
  std::fprintf(stderr, "  only in %s: %zu%s\n", printableText(options.operands[1]).c_str(),
               pairing.onlyInB.size(), someNames(b, pairing.onlyInB).c_str());
  std::fprintf(stderr, "  empty in both: %zu; empty in one only: %zu\n", summary.bothEmpty,
               summary.oneEmpty);
  if (summary.unreadable > 0) {
    std::fprintf(stderr, "  unreadable: %zu (one error record each)\n", summary.unreadable);
  }
  if (summary.refused > 0) {
    std::fprintf(stderr, "  too large to measure: %zu (one error record each)\n", summary.refused);
  }
  if (summary.largestAt != Summary::kNone) {
    std::string largest;
    appendUpperBound(largest, summary.largestDistance.upper, decimalsFor(options.tolerance));
    const GlyphPair& pair = pairs[summary.largestAt];
    std::fprintf(stderr, "  largest upper bound: %s at glyph %s\n", largest.c_str(),
                 glyphLabel(*pair.a, labelCodePoint(pair)).c_str());
  }
  if (!options.json) return;
  std::string json = "{\"summary\":{\"fonts\":[" + jsonString(options.operands[0]) + "," +
                     jsonString(options.operands[1]) + "]," +
                     jsonEm(emScale(a.unitsPerEm, b.unitsPerEm, options)) + ",\"matchedBy\":\"" +
                     (pairing.byName ? "name" : "codePoint") +
                     "\",\"compared\":" + std::to_string(summary.compared) +
                     ",\"onlyInA\":" + jsonNames(a, pairing.onlyInA) +
                     ",\"onlyInB\":" + jsonNames(b, pairing.onlyInB) +
                     ",\"emptyInBoth\":" + std::to_string(summary.bothEmpty) +
                     ",\"emptyInOne\":" + std::to_string(summary.oneEmpty) +
                     ",\"unreadable\":" + std::to_string(summary.unreadable) + ",\"largest\":";
  if (summary.largestAt == Summary::kNone) {
    json += "null";
  } else {
    const GlyphPair& pair = pairs[summary.largestAt];
    json += "{" + jsonGlyph(pair) + ",\"lower\":" + shortest(summary.largestDistance.lower) +
            ",\"upper\":" + shortest(summary.largestDistance.upper) + "}";
  }
  json += ",\"seconds\":" + shortest(seconds) + "}}\n";
  std::fwrite(json.data(), 1, json.size(), resultStream(options));
}

void showProgress(std::size_t done, std::size_t total) {
  std::fprintf(stderr, "\r%s: %zu of %zu glyphs", kProgramName, done, total);
  if (done == total) std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
}

// Reads both fonts, each on every worker.
void readFonts(const CliOptions& options, Font (&fonts)[2]) {
  for (int i = 0; i < 2; ++i) fonts[i] = readFont(options.operands[i], workerCount(options));
}

std::vector<GlyphPair> pairsOf(const Font& a, const Font& b, const GlyphPairing& pairing) {
  std::vector<GlyphPair> pairs;
  pairs.reserve(pairing.matched.size());
  for (std::size_t k = 0; k < pairing.matched.size(); ++k) {
    const auto& [inA, inB] = pairing.matched[k];
    pairs.push_back({&a.glyphs[inA], &b.glyphs[inB], pairing.byName ? 0 : pairing.codePoints[k]});
  }
  return pairs;
}

void tally(Summary& summary, const GlyphPair& pair, const GlyphResult& result, std::size_t at) {
  if (!pair.a->problem.empty() || !pair.b->problem.empty()) {
    ++summary.unreadable;
    return;
  }
  if (result.refused) {
    ++summary.refused;
    return;
  }
  const bool emptyA = pair.a->shape.segments.empty();
  const bool emptyB = pair.b->shape.segments.empty();
  summary.bothEmpty += emptyA && emptyB;
  summary.oneEmpty += emptyA != emptyB;
  const bool larger =
      summary.largestAt == Summary::kNone || result.distance.upper > summary.largestDistance.upper;
  if (!emptyA && !emptyB && larger) {
    summary.largestAt = at;
    summary.largestDistance = result.distance;
  }
}

int runAllGlyphs(const CliOptions& options) {
  const auto start = std::chrono::steady_clock::now();
  Font fonts[2];
  readFonts(options, fonts);
  for (const Font& font : fonts) {
    if (!font.ok) {
      printError(font.error);
      return kExitBadCommandLine;
    }
  }
  for (const Font& font : fonts) {
    for (const std::string& warning : font.warnings) printError(warning);
  }
  Font& a = fonts[0];
  Font& b = fonts[1];
  const EmScale em = emScale(a.unitsPerEm, b.unitsPerEm, options);
  reportEmScale(em, options);
  if (em.scaled) {
    for (Glyph& glyph : b.glyphs) scaleShape(glyph.shape, em.emA, em.emB);
  }
  const GlyphPairing pairing = matchGlyphs(a, b, static_cast<GlyphMatch>(options.match));
  const std::vector<GlyphPair> pairs = pairsOf(a, b, pairing);
  int status = 0;
  if (options.printOutlines) {
    for (const GlyphPair& pair : pairs) {
      printOutlines(pair, true);
      if (!pair.a->problem.empty() || !pair.b->problem.empty()) {
        std::string record = unreadableResult(pair, options).line;
        record.pop_back();
        printError(record);
        status = kExitSomeFailed;
      }
    }
    return status;
  }
  const int jobs = workerCount(options);
  const bool progress = isatty(STDERR_FILENO) != 0;
  std::vector<GlyphResult> results(kBatchGlyphs);
  Summary summary;
  const std::size_t total = pairs.size();
  for (std::size_t first = 0; first < total; first += kBatchGlyphs) {
    const std::size_t count = std::min(kBatchGlyphs, total - first);
    const bool allStarted = forEachInParallel(count, jobs, 1, [&](std::size_t i) {
      results[i] = measureGlyph(pairs[first + i], options);
    });
    if (!allStarted) reportMissingWorkers();
    for (std::size_t i = 0; i < count; ++i) {
      const GlyphResult& result = results[i];
      std::fwrite(result.line.data(), 1, result.line.size(), resultStream(options));
      status = combinedStatus(status, result.status);
      tally(summary, pairs[first + i], result, first + i);
    }
    summary.compared += count;
    if (progress) showProgress(summary.compared, total);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fflush(resultStream(options));
  printSummary(options, a, b, pairing, pairs, summary, seconds);
  if (!options.plotPath.empty() && summary.largestAt == Summary::kNone) {
    printError("no picture written to " + options.plotPath +
               ": no glyph has an outline in both fonts");
    status = combinedStatus(status, kExitSomeFailed);
  } else if (!options.plotPath.empty()) {
    status =
        combinedStatus(status, plot(options, pairs[summary.largestAt], summary.largestDistance));
  }
  return status;
}

}  // namespace

int runGlyphs(const CliOptions& options) {
  return options.allGlyphs ? runAllGlyphs(options) : runOneGlyph(options);
}
