#include "cli/glyph_run.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/certified_format.h"
#include "cli/certified_run.h"
#include "cli/frechet_run.h"
#include "cli/parallel.h"
#include "shapes/glyph.h"
#include "shapes/svg_plot.h"

namespace {

// Glyphs are measured a batch at a time, on every worker, and printed in the first font's order
// after each batch; the progress line is redrawn between batches.
constexpr std::size_t kBatchGlyphs = 256;

struct GlyphResult {
  std::string line;
  int status;                  // 0, kExitBeyond or kExitUndecided
  CertifiedDistance distance;  // zero when the glyph is empty in either font
};

// The glyph's name (or its index when it has none) and code point, for text lines.
std::string glyphLabel(const GlyphOutline& glyph) {
  std::string label = glyph.name.empty() ? "#" + std::to_string(glyph.glyphIndex) : glyph.name;
  if (glyph.codePoint != 0) label += " " + codePointName(glyph.codePoint);
  return label;
}

// JSON strings of glyph names: FreeType gives them as bytes; anything outside printable ASCII,
// quotes and backslashes is escaped.
std::string jsonString(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f && c != '"' && c != '\\') {
      quoted += c;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      quoted += escape;
    }
  }
  return quoted + "\"";
}

std::string jsonGlyph(const GlyphOutline& a, const GlyphOutline& b) {
  return "\"glyph\":{\"name\":" + jsonString(a.name) +
         ",\"codePoint\":" + std::to_string(a.codePoint) + ",\"segments\":[" +
         std::to_string(a.shape.segments.size()) + "," + std::to_string(b.shape.segments.size()) +
         "]}";
}

// A glyph that draws nothing in one font or both: there is no witness. Both empty: the distance
// is 0. One empty: there is no distance (a point of one outline has nothing to be near), which
// --within counts as beyond any threshold.
GlyphResult emptyResult(const GlyphOutline& a, const GlyphOutline& b, const CliOptions& options) {
  const bool bothEmpty = a.shape.segments.empty() && b.shape.segments.empty();
  const char* which = bothEmpty ? "both" : (a.shape.segments.empty() ? "A" : "B");
  GlyphResult result{"", 0, {}};
  if (options.deciding && !bothEmpty) result.status = kExitBeyond;
  if (options.json) {
    result.line = "{" + jsonGlyph(a, b) + ",\"method\":\"certified\",\"empty\":\"" + which + "\"";
    if (bothEmpty) result.line += ",\"lower\":0,\"upper\":0";
    result.line += "}\n";
  } else {
    result.line = "glyph " + glyphLabel(a) + ": " +
                  (bothEmpty ? std::string("empty in both fonts, distance 0")
                             : std::string("empty in font ") + which + " only, no distance") +
                  "\n";
  }
  return result;
}

GlyphResult measureGlyph(const GlyphOutline& a, const GlyphOutline& b, const CliOptions& options) {
  if (a.shape.segments.empty() || b.shape.segments.empty()) return emptyResult(a, b, options);
  GlyphResult result{"", 0, {}};
  const std::string textPrefix = "glyph " + glyphLabel(a) + ": ";
  const std::string jsonPrefix = jsonGlyph(a, b) + ",";
  // Fréchet: contour by contour, as drawn.
  const Measured measured =
      options.metric == Metric::kFrechet
          ? measureFrechetPair(a.shape, b.shape, options, true, true, textPrefix, jsonPrefix,
                               result.line)
          : measurePair(a.shape, b.shape, options, true, textPrefix, jsonPrefix, result.line);
  result.status = measured.status;
  result.distance = measured.distance;
  return result;
}

std::string plotCaption(const GlyphOutline& glyph, const CertifiedDistance& d, double tolerance) {
  std::string caption = "glyph " + glyphLabel(glyph) + ": Hausdorff distance in ";
  appendInterval(caption, d, decimalsFor(tolerance));
  return caption + " font units";
}

int plot(const CliOptions& options, const GlyphOutline& a, const GlyphOutline& b,
         const CertifiedDistance& d) {
  std::string error;
  const PlotRequest request{&a.shape, &b.shape, d, plotCaption(a, d, options.tolerance), true};
  if (writePlot(options.plotPath, request, error)) return 0;
  printError(error);
  return kExitSomeFailed;
}

int runOneGlyph(const CliOptions& options) {
  const GlyphRead a = readGlyph(options.operands[0], options.glyph);
  if (!a.ok) {
    printError(a.error);
    return kExitBadCommandLine;
  }
  const GlyphRead b = readGlyph(options.operands[1], options.glyph);
  if (!b.ok) {
    printError(b.error);
    return kExitBadCommandLine;
  }
  const GlyphResult result = measureGlyph(a.glyph, b.glyph, options);
  std::fwrite(result.line.data(), 1, result.line.size(), stdout);
  int status = result.status;
  if (!options.plotPath.empty()) {
    if (a.glyph.shape.segments.empty() || b.glyph.shape.segments.empty()) {
      printError("no picture: the glyph is empty in at least one font");
      status = combinedStatus(status, kExitSomeFailed);
    } else {
      status = combinedStatus(status, plot(options, a.glyph, b.glyph, result.distance));
    }
  }
  return status;
}

void measureBatch(const FontRead& a, const FontRead& b, const GlyphPairing& pairing,
                  std::size_t first, std::size_t count, const CliOptions& options,
                  std::vector<GlyphResult>& results) {
  forEachInParallel(count, workerCount(options), 1, [&](std::size_t i) {
    const auto& [inA, inB] = pairing.matched[first + i];
    results[i] = measureGlyph(a.glyphs[inA], b.glyphs[inB], options);
  });
}

// Up to a few glyph names, then how many more.
std::string someNames(const FontRead& font, const std::vector<std::size_t>& glyphs) {
  std::string names;
  for (std::size_t i = 0; i < glyphs.size() && i < 8; ++i) {
    names += (i == 0 ? ": " : ", ") + glyphLabel(font.glyphs[glyphs[i]]);
  }
  if (glyphs.size() > 8) names += ", and " + std::to_string(glyphs.size() - 8) + " more";
  return names;
}

struct Summary {
  std::size_t compared = 0;
  std::size_t bothEmpty = 0;
  std::size_t oneEmpty = 0;
  // The glyph with the largest upper bound, as an index into the pairing's matched list; kNone
  // while no glyph has an outline in both fonts.
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t largestAt = kNone;
  CertifiedDistance largestDistance{};
};

void printSummary(const CliOptions& options, const FontRead& a, const FontRead& b,
                  const GlyphPairing& pairing, const Summary& summary, double seconds) {
  std::fprintf(stderr, "%s: %zu glyphs compared (matched by %s) in %.2f s\n", kProgramName,
               summary.compared, pairing.byName ? "name" : "code point", seconds);
  std::fprintf(stderr, "  only in %s: %zu%s\n", options.operands[0].c_str(), pairing.onlyInA.size(),
               someNames(a, pairing.onlyInA).c_str());
  std::fprintf(stderr, "  only in %s: %zu%s\n", options.operands[1].c_str(), pairing.onlyInB.size(),
               someNames(b, pairing.onlyInB).c_str());
  std::fprintf(stderr, "  empty in both: %zu; empty in one only: %zu\n", summary.bothEmpty,
               summary.oneEmpty);
  if (summary.largestAt != Summary::kNone) {
    const GlyphOutline& glyph = a.glyphs[pairing.matched[summary.largestAt].first];
    std::string largest;
    appendUpperBound(largest, summary.largestDistance.upper, decimalsFor(options.tolerance));
    std::fprintf(stderr, "  largest upper bound: %s at glyph %s\n", largest.c_str(),
                 glyphLabel(glyph).c_str());
  }
}

void showProgress(std::size_t done, std::size_t total) {
  std::fprintf(stderr, "\r%s: %zu of %zu glyphs", kProgramName, done, total);
  if (done == total) std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
}

int runAllGlyphs(const CliOptions& options) {
  const auto start = std::chrono::steady_clock::now();
  FontRead fonts[2];
  for (int i = 0; i < 2; ++i) {
    fonts[i] = readFontGlyphs(options.operands[i]);
    if (!fonts[i].ok) {
      printError(fonts[i].error);
      return kExitBadCommandLine;
    }
  }
  const FontRead& a = fonts[0];
  const FontRead& b = fonts[1];
  const GlyphPairing pairing = matchGlyphs(a, b);
  const bool progress = isatty(STDERR_FILENO) != 0;
  std::vector<GlyphResult> results(kBatchGlyphs);
  Summary summary;
  int status = 0;
  const std::size_t total = pairing.matched.size();
  for (std::size_t first = 0; first < total; first += kBatchGlyphs) {
    const std::size_t count = std::min(kBatchGlyphs, total - first);
    measureBatch(a, b, pairing, first, count, options, results);
    for (std::size_t i = 0; i < count; ++i) {
      const GlyphResult& result = results[i];
      std::fwrite(result.line.data(), 1, result.line.size(), stdout);
      status = combinedStatus(status, result.status);
      const auto& [inA, inB] = pairing.matched[first + i];
      const bool emptyA = a.glyphs[inA].shape.segments.empty();
      const bool emptyB = b.glyphs[inB].shape.segments.empty();
      summary.bothEmpty += emptyA && emptyB;
      summary.oneEmpty += emptyA != emptyB;
      const bool larger = summary.largestAt == Summary::kNone ||
                          result.distance.upper > summary.largestDistance.upper;
      if (!emptyA && !emptyB && larger) {
        summary.largestAt = first + i;
        summary.largestDistance = result.distance;
      }
    }
    summary.compared += count;
    if (progress) showProgress(summary.compared, total);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fflush(stdout);
  printSummary(options, a, b, pairing, summary, seconds);
  if (!options.plotPath.empty() && summary.largestAt == Summary::kNone) {
    printError("no picture written to " + options.plotPath +
               ": no glyph has an outline in both fonts");
    status = combinedStatus(status, kExitSomeFailed);
  } else if (!options.plotPath.empty()) {
    const auto& [inA, inB] = pairing.matched[summary.largestAt];
    status = combinedStatus(status,
                            plot(options, a.glyphs[inA], b.glyphs[inB], summary.largestDistance));
  }
  return status;
}

}  // namespace

int runGlyphs(const CliOptions& options) {
  return options.allGlyphs ? runAllGlyphs(options) : runOneGlyph(options);
}
