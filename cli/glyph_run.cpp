#include "cli/glyph_run.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <beziercurve/beziercurve.h>

#include "cli/certified_format.h"
#include "cli/certified_run.h"
#include "cli/font_report.h"
#include "cli/frechet_run.h"
#include "cli/outline_print.h"
#include "cli/parallel.h"

using namespace beziercurve;

namespace {

// A glyph of A against one of B, and the code point it is labelled by.
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

// What the program says of one glyph pair: its record line and the exit status it asks for.
struct GlyphResult {
  std::string line;
  int status;
};

// Where a record's fonts are named: nothing for two fonts, the font pair in a family run.
struct FontLabels {
  std::string text;      // before "glyph ..."
  std::string json;      // members written first, each followed by a comma
  std::string names[2];  // the fonts as given, for messages
};

FontLabels labelsOf(const std::string& a, const std::string& b, bool family) {
  FontLabels labels;
  labels.names[0] = a;
  labels.names[1] = b;
  if (!family) return labels;
  labels.text = printableText(a) + " | " + printableText(b) + ": ";
  labels.json = "\"fonts\":[" + jsonString(a) + "," + jsonString(b) + "],";
  return labels;
}

std::string jsonNumber(double value) {
  return std::isfinite(value) ? shortest(value) : "null";
}

bool advancesCompared(const GlyphRecord& record) {
  return std::isfinite(record.advance[0]) || std::isfinite(record.advance[1]);
}

std::string jsonAdvance(const GlyphRecord& record) {
  if (!advancesCompared(record)) return "";
  return ",\"advance\":[" + jsonNumber(record.advance[0]) + "," + jsonNumber(record.advance[1]) +
         "]";
}

// Adds the advance widths as the last member of a JSON record line.
void appendJsonAdvance(std::string& line, const GlyphRecord& record) {
  const std::string member = jsonAdvance(record);
  const std::size_t close = line.rfind('}');
  if (member.empty() || close == std::string::npos) return;
  line.insert(close, member);
}

// In text, advance widths are named only where they differ.
void appendTextAdvance(std::string& line, const GlyphRecord& record) {
  if (!std::isfinite(record.advance[0]) || !std::isfinite(record.advance[1]) ||
      record.advance[0] == record.advance[1]) {
    return;
  }
  if (!line.empty() && line.back() == '\n') line.pop_back();
  line += "; advance width " + shortest(record.advance[0]) + " in A, " +
          shortest(record.advance[1]) + " in B\n";
}

std::string unreadableProblem(const GlyphPair& pair, const FontLabels& labels) {
  std::string problem;
  for (int side = 0; side < 2; ++side) {
    const Glyph& glyph = side == 0 ? *pair.a : *pair.b;
    if (glyph.problem.empty()) continue;
    if (!problem.empty()) problem += "; ";
    problem +=
        "cannot be read in " + printableText(labels.names[side]) + " (" + glyph.problem + ")";
  }
  return problem;
}

// A record that says why the pair has no distance: one line naming the reason.
GlyphResult errorResult(const GlyphPair& pair, const GlyphRecord& record,
                        const std::string& problem, const CliOptions& options,
                        const FontLabels& labels) {
  GlyphResult result{"", kExitSomeFailed};
  result.line = options.json ? "{" + labels.json + jsonGlyph(pair) +
                                   ",\"error\":" + jsonString(problem) + jsonAdvance(record) + "}\n"
                             : labels.text + "glyph " + glyphLabel(*pair.a, labelCodePoint(pair)) +
                                   ": " + problem + "\n";
  return result;
}

// A glyph that draws nothing in one font or both: there is no witness. Both empty: the distance
// is 0. One empty: there is no distance, which --within counts as beyond any threshold.
GlyphResult emptyResult(const GlyphPair& pair, const GlyphRecord& record, const CliOptions& options,
                        const FontLabels& labels) {
  const bool bothEmpty = record.outcome == GlyphOutcome::kEmptyInBoth;
  const char* which = bothEmpty ? "both" : (record.outcome == GlyphOutcome::kEmptyInA ? "A" : "B");
  GlyphResult result{"", options.deciding && !bothEmpty ? kExitBeyond : 0};
  if (options.json) {
    result.line = "{" + labels.json + jsonGlyph(pair) + ",\"method\":\"certified\",\"empty\":\"" +
                  which + "\"";
    if (bothEmpty) result.line += ",\"lower\":0,\"upper\":0";
    result.line += jsonAdvance(record) + "}\n";
  } else {
    result.line = labels.text + "glyph " + glyphLabel(*pair.a, labelCodePoint(pair)) + ": " +
                  (bothEmpty ? std::string("empty in both fonts, distance 0")
                             : std::string("empty in font ") + which + " only, no distance") +
                  "\n";
    appendTextAdvance(result.line, record);
  }
  return result;
}

int verdictStatus(const GlyphRecord& record, const CliOptions& options) {
  if (!options.deciding) return 0;
  if (record.verdict == Verdict::kBeyond) return kExitBeyond;
  return record.verdict == Verdict::kUndecided ? kExitUndecided : 0;
}

GlyphResult measuredResult(const GlyphPair& pair, const GlyphRecord& record,
                           const CliOptions& options, const FontLabels& labels) {
  GlyphResult result{"", verdictStatus(record, options)};
  const std::string textPrefix =
      labels.text + "glyph " + glyphLabel(*pair.a, labelCodePoint(pair)) + ": ";
  const std::string jsonPrefix = labels.json + jsonGlyph(pair) + ",";
  if (options.metric == Metric::kFrechet) {
    appendFrechetResult(
        result.line, record.distance, record.verdict, options, true, textPrefix, jsonPrefix,
        {true, record.contourPairs, record.unmatchedA, record.unmatchedB, record.problem});
  } else {
    appendHausdorffLine(result.line, record.distance, record.verdict, options, true, textPrefix,
                        jsonPrefix);
  }
  if (options.json) {
    appendJsonAdvance(result.line, record);
  } else {
    appendTextAdvance(result.line, record);
  }
  return result;
}

GlyphResult resultOf(const GlyphPair& pair, const GlyphRecord& record, const CliOptions& options,
                     const FontLabels& labels) {
  switch (record.outcome) {
    case GlyphOutcome::kUnreadable:
      return errorResult(pair, record, unreadableProblem(pair, labels), options, labels);
    case GlyphOutcome::kRefused:
      return errorResult(pair, record, "cannot be measured: " + record.problem, options, labels);
    case GlyphOutcome::kContoursDiffer: {
      GlyphResult result{"", kExitSomeFailed};
      appendFrechetContourCounts(
          result.line, record.contours[0], record.contours[1], options,
          labels.text + "glyph " + glyphLabel(*pair.a, labelCodePoint(pair)) + ": ",
          labels.json + jsonGlyph(pair) + ",");
      if (options.json) appendJsonAdvance(result.line, record);
      return result;
    }
    case GlyphOutcome::kEmptyInBoth:
    case GlyphOutcome::kEmptyInA:
    case GlyphOutcome::kEmptyInB:
      return emptyResult(pair, record, options, labels);
    case GlyphOutcome::kMeasured:
      break;
  }
  return measuredResult(pair, record, options, labels);
}

FontComparisonOptions comparisonOptions(const CliOptions& options) {
  FontComparisonOptions o;
  o.distance =
      options.metric == Metric::kFrechet ? GlyphDistance::kFrechet : GlyphDistance::kHausdorff;
  o.measure = measureOf(options);
  o.anyStart = options.anyStart;
  o.eitherDirection = options.eitherDirection;
  o.pairContours = options.pairContours;
  o.tolerance = options.tolerance;
  o.deciding = options.deciding;
  o.threshold = options.threshold;
  o.match = static_cast<GlyphMatch>(options.match);
  o.scaleToA = !options.fontUnits;
  o.metrics = options.metrics;
  o.workers = workerCount(options);
  o.changedBeyond = options.changeThreshold;
  o.top = options.top;
  return o;
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

void reportEmScale(const EmScale& em, const FontLabels& labels) {
  if (em.emA == em.emB) return;
  std::string line = printableText(labels.names[1]) + " has " + std::to_string(em.emB) +
                     " units per em, " + printableText(labels.names[0]) + " " +
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

// Draws glyph A against glyph B brought to A's em.
int plot(const CliOptions& options, const GlyphPair& pair, const EmScale& em, const Distance& d) {
  std::string error;
  const Shape shownB = em.scaled ? scaledShape(pair.b->shape, em.emA, em.emB) : pair.b->shape;
  Picture request{&pair.a->shape, &shownB, d, plotCaption(pair, d, options), true};
  request.fill = options.fill;
  request.nameA = options.operands[0];
  request.nameB = options.operands[1];
  if (savePlot(options.plotPath, request, error)) return 0;
  printError(error);
  return kExitSomeFailed;
}

void printOutlines(const GlyphPair& pair, const EmScale& em, bool labelled) {
  for (const Glyph* glyph : {pair.a, pair.b}) {
    std::string line;
    if (labelled) {
      line = "glyph " + glyphLabel(*pair.a, labelCodePoint(pair)) +
             (glyph == pair.a ? " A: " : " B: ");
    }
    const bool scale = glyph == pair.b && em.scaled;
    line += pathDataOf(scale ? scaledShape(glyph->shape, em.emA, em.emB) : glyph->shape) + "\n";
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
  const FontLabels labels = labelsOf(options.operands[0], options.operands[1], false);
  const EmScale em = emScale(reads[0].unitsPerEm, reads[1].unitsPerEm, options);
  reportEmScale(em, labels);
  const GlyphPair pair{&reads[0].glyph, &reads[1].glyph, 0};
  if (options.printOutlines) {
    for (const GlyphRead& read : reads) {
      if (!read.ok) printError(read.error);
    }
    printOutlines(pair, em, false);
    return reads[0].ok && reads[1].ok ? 0 : kExitSomeFailed;
  }
  const GlyphRecord record = compareGlyph(reads[0].glyph, reads[1].glyph, reads[0].unitsPerEm,
                                          reads[1].unitsPerEm, comparisonOptions(options));
  GlyphResult result = resultOf(pair, record, options, labels);
  if (options.json && em.emA != em.emB) result.line.insert(1, jsonEm(em) + ",");
  std::fwrite(result.line.data(), 1, result.line.size(), resultStream(options));
  int status = result.status;
  if (!options.plotPath.empty() && status != kExitSomeFailed) {
    if (pair.a->shape.segments.empty() || pair.b->shape.segments.empty()) {
      printError("no picture: the glyph is empty in at least one font");
      status = combinedStatus(status, kExitSomeFailed);
    } else {
      status = combinedStatus(status, plot(options, pair, em, record.distance));
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

std::string jsonGlyphName(const Glyph& glyph) {
  return jsonString(glyph.name.empty() ? "#" + std::to_string(glyph.glyphIndex) : glyph.name);
}

std::string jsonNames(const Font& font, const std::vector<std::size_t>& glyphs) {
  std::string names = "[";
  for (std::size_t i = 0; i < glyphs.size(); ++i) {
    names += (i ? "," : "") + jsonGlyphName(font.glyphs[glyphs[i]]);
  }
  return names + "]";
}

GlyphPair pairOf(const Font& a, const Font& b, const FontComparison& summary, std::size_t order) {
  const auto& [inA, inB] = summary.pairing.matched[order];
  return {&a.glyphs[inA], &b.glyphs[inB],
          summary.pairing.byName ? 0 : summary.pairing.codePoints[order]};
}

std::string labelOf(const Font& a, const Font& b, const FontComparison& summary,
                    std::size_t order) {
  const GlyphPair pair = pairOf(a, b, summary, order);
  return glyphLabel(*pair.a, labelCodePoint(pair));
}

std::string intervalText(const Distance& d, const CliOptions& options) {
  std::string text;
  appendInterval(text, d, intervalDecimals(d, options.tolerance, decimalsFor(options.tolerance)));
  return text;
}

// The records of `orders`, by label: up to a few, then how many more.
std::string someRecords(const Font& a, const Font& b, const FontComparison& summary,
                        const std::vector<std::size_t>& orders) {
  std::string names;
  for (std::size_t i = 0; i < orders.size() && i < 8; ++i) {
    names += (i == 0 ? "" : ", ") + labelOf(a, b, summary, orders[i]);
  }
  if (orders.size() > 8) names += ", and " + std::to_string(orders.size() - 8) + " more";
  return names;
}

// printf into `out`.
__attribute__((format(printf, 2, 3))) void appendFormatted(std::string& out, const char* format,
                                                           ...) {
  va_list arguments;
  va_start(arguments, format);
  char line[4096];
  const int length = std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  if (length < 0) return;
  if (static_cast<std::size_t>(length) < sizeof line) {
    out.append(line, static_cast<std::size_t>(length));
    return;
  }
  std::string longer(static_cast<std::size_t>(length) + 1, '\0');
  va_start(arguments, format);
  std::vsnprintf(longer.data(), longer.size(), format, arguments);
  va_end(arguments);
  out.append(longer.data(), static_cast<std::size_t>(length));
}

std::string textSummary(const CliOptions& options, const FontLabels& labels, const Font& a,
                        const Font& b, const FontComparison& summary) {
  std::string out;
  const char* by = summary.pairing.byName ? "name" : "code point";
  appendFormatted(out, "%s: %s%zu glyphs compared (matched by %s) in %.2f s\n", kProgramName,
                  labels.text.c_str(), summary.compared, by, summary.seconds);
  if (summary.interrupted) {
    appendFormatted(out, "  interrupted: %zu of %zu glyphs compared; the records above are all\n",
                    summary.compared, summary.pairing.matched.size());
  }
  appendFormatted(out, "  only in %s: %zu%s\n", printableText(labels.names[0]).c_str(),
                  summary.pairing.onlyInA.size(), someNames(a, summary.pairing.onlyInA).c_str());
  appendFormatted(out, "  only in %s: %zu%s\n", printableText(labels.names[1]).c_str(),
                  summary.pairing.onlyInB.size(), someNames(b, summary.pairing.onlyInB).c_str());
  appendFormatted(out, "  empty in both: %zu; empty in one only: %zu\n", summary.emptyInBoth,
                  summary.emptyInOne);
  if (summary.unreadable > 0) {
    appendFormatted(out, "  unreadable: %zu (one error record each)\n", summary.unreadable);
  }
  if (summary.refused > 0) {
    appendFormatted(out, "  not measured: %zu (one error record each)\n", summary.refused);
  }
  if (options.deciding) {
    appendFormatted(out, "  within %s: yes %zu, no %zu, undecided %zu\n",
                    shortest(options.threshold).c_str(), summary.within, summary.beyondThreshold,
                    summary.undecided);
  } else {
    std::string counts;
    for (const auto& [distance, glyphs] : summary.beyond) {
      counts += (counts.empty() ? "" : ", ") + shortest(distance) + ": " + std::to_string(glyphs);
    }
    appendFormatted(out, "  certainly farther apart than %s\n", counts.c_str());
  }
  if (summary.largest.order != kNoRecord) {
    std::string largest;
    appendUpperBound(largest, summary.largest.distance.upper, decimalsFor(options.tolerance));
    appendFormatted(out, "  largest upper bound: %s at glyph %s\n", largest.c_str(),
                    labelOf(a, b, summary, summary.largest.order).c_str());
  }
  if (!summary.worst.empty()) {
    appendFormatted(out, "  most changed (more than %s):\n",
                    shortest(options.changeThreshold).c_str());
    for (const GlyphRecord& record : summary.worst) {
      appendFormatted(out, "    glyph %s: %s\n", labelOf(a, b, summary, record.order).c_str(),
                      intervalText(record.distance, options).c_str());
    }
  }
  for (const ComponentGroup& group : summary.groups) {
    appendFormatted(out, "  %zu changed glyphs use %s, which differs by %s: %s\n",
                    group.users.size(), labelOf(a, b, summary, group.component).c_str(),
                    intervalText(group.distance, options).c_str(),
                    someRecords(a, b, summary, group.users).c_str());
  }
  if (options.metrics) {
    appendFormatted(out, "  advance widths differ: %zu (largest difference %s)\n",
                    summary.advancesDiffer, shortest(summary.largestAdvanceDifference).c_str());
  }
  return out;
}

std::string jsonRecordRef(const Font& a, const Font& b, const FontComparison& summary,
                          std::size_t order, const Distance& d) {
  const GlyphPair pair = pairOf(a, b, summary, order);
  return "{" + jsonGlyph(pair) + ",\"lower\":" + shortest(d.lower) +
         ",\"upper\":" + shortest(d.upper) + "}";
}

void printJsonSummary(const CliOptions& options, const FontLabels& labels, const Font& a,
                      const Font& b, const FontComparison& summary) {
  const EmScale em = emScale(a.unitsPerEm, b.unitsPerEm, options);
  std::string json = "{\"summary\":{\"fonts\":[" + jsonString(labels.names[0]) + "," +
                     jsonString(labels.names[1]) + "]," + jsonEm(em) + ",\"matchedBy\":\"" +
                     (summary.pairing.byName ? "name" : "codePoint") +
                     "\",\"compared\":" + std::to_string(summary.compared) +
                     ",\"onlyInA\":" + jsonNames(a, summary.pairing.onlyInA) +
                     ",\"onlyInB\":" + jsonNames(b, summary.pairing.onlyInB) +
                     ",\"emptyInBoth\":" + std::to_string(summary.emptyInBoth) +
                     ",\"emptyInOne\":" + std::to_string(summary.emptyInOne) +
                     ",\"unreadable\":" + std::to_string(summary.unreadable) +
                     ",\"notMeasured\":" + std::to_string(summary.refused) + ",\"largest\":";
  json += summary.largest.order == kNoRecord
              ? "null"
              : jsonRecordRef(a, b, summary, summary.largest.order, summary.largest.distance);
  if (options.deciding) {
    json += ",\"verdicts\":{\"threshold\":" + shortest(options.threshold) +
            ",\"yes\":" + std::to_string(summary.within) +
            ",\"no\":" + std::to_string(summary.beyondThreshold) +
            ",\"undecided\":" + std::to_string(summary.undecided) + "}";
  } else {
    json += ",\"beyond\":[";
    for (std::size_t k = 0; k < summary.beyond.size(); ++k) {
      json += std::string(k ? "," : "") + "{\"distance\":" + shortest(summary.beyond[k].first) +
              ",\"glyphs\":" + std::to_string(summary.beyond[k].second) + "}";
    }
    json += "]";
  }
  json += ",\"threshold\":" + shortest(options.changeThreshold) +
          ",\"changed\":" + std::to_string(summary.changed) + ",\"worst\":[";
  for (std::size_t k = 0; k < summary.worst.size(); ++k) {
    json += (k ? "," : "") +
            jsonRecordRef(a, b, summary, summary.worst[k].order, summary.worst[k].distance);
  }
  json += "],\"groups\":[";
  for (std::size_t k = 0; k < summary.groups.size(); ++k) {
    const ComponentGroup& group = summary.groups[k];
    json += std::string(k ? "," : "") +
            "{\"component\":" + jsonRecordRef(a, b, summary, group.component, group.distance) +
            ",\"users\":[";
    for (std::size_t u = 0; u < group.users.size(); ++u) {
      json += (u ? "," : "") + jsonGlyphName(*pairOf(a, b, summary, group.users[u]).a);
    }
    json += "]}";
  }
  json += "]";
  if (options.metrics) {
    json += ",\"advancesDiffer\":" + std::to_string(summary.advancesDiffer) +
            ",\"largestAdvanceDifference\":" + shortest(summary.largestAdvanceDifference);
  }
  json += ",\"interrupted\":" + std::string(summary.interrupted ? "true" : "false") +
          ",\"seconds\":" + shortest(summary.seconds) + "}}\n";
  json.insert(std::strlen("{\"summary\":{"), labels.json);
  std::fwrite(json.data(), 1, json.size(), resultStream(options));
}

// ---- Progress and interruption ----------------------------------------------------------------

std::atomic<bool> interruptAsked{false};

extern "C" void askToStop(int) {
  interruptAsked.store(true);
}

// While it lives, Ctrl-C (SIGINT) asks the comparison to stop instead of ending the program,
// so that the records written so far are followed by a summary that says so.
struct InterruptGuard {
  struct sigaction before {};
  InterruptGuard() {
    interruptAsked.store(false);
    struct sigaction ask {};
    ask.sa_handler = askToStop;
    sigemptyset(&ask.sa_mask);
    // A write the signal interrupts goes on, rather than failing the results stream.
    ask.sa_flags = SA_RESTART;
    sigaction(SIGINT, &ask, &before);
  }
  ~InterruptGuard() { sigaction(SIGINT, &before, nullptr); }
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;
};

// Glyphs done of all, the time taken and an estimate of what is left, redrawn on a terminal at
// most ten times a second; never on a pipe or file.
struct Progress {
  bool shown = isatty(STDERR_FILENO) != 0;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point drawn{};
  std::size_t doneBefore = 0;  // glyphs of earlier font pairs
  std::size_t total = 0;       // of every font pair known so far

  void show(std::size_t done) {
    if (!shown) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - drawn < std::chrono::milliseconds(100) && done < total) return;
    drawn = now;
    const double elapsed = std::chrono::duration<double>(now - start).count();
    const std::size_t all = doneBefore + done;
    const double left = all > 0 ? elapsed * double(total - std::min(all, total)) / all : 0.0;
    std::fprintf(stderr, "\r\033[K%s: %zu of %zu glyphs, %.1f s, about %.0f s left", kProgramName,
                 all, total, elapsed, left);
    std::fflush(stderr);
  }
  void clear() {
    if (!shown) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
  }
};

// Reads both fonts, each on every worker; prints why when one cannot be read.
bool readFonts(const std::string& a, const std::string& b, const CliOptions& options,
               Font (&fonts)[2]) {
  fonts[0] = readFont(a, workerCount(options));
  fonts[1] = readFont(b, workerCount(options));
  for (const Font& font : fonts) {
    if (!font.ok) {
      printError(font.error);
      return false;
    }
  }
  for (const Font& font : fonts) {
    for (const std::string& warning : font.warnings) printError(warning);
  }
  return true;
}

int printAllOutlines(const Font& a, const Font& b, const CliOptions& options,
                     const FontLabels& labels) {
  const EmScale em = emScale(a.unitsPerEm, b.unitsPerEm, options);
  const GlyphPairing pairing = matchGlyphs(a, b, static_cast<GlyphMatch>(options.match));
  int status = 0;
  for (std::size_t k = 0; k < pairing.matched.size(); ++k) {
    const GlyphPair pair{&a.glyphs[pairing.matched[k].first], &b.glyphs[pairing.matched[k].second],
                         pairing.byName ? 0 : pairing.codePoints[k]};
    printOutlines(pair, em, true);
    if (!pair.a->problem.empty() || !pair.b->problem.empty()) {
      GlyphRecord record{};
      record.advance[0] = record.advance[1] = std::nan("");
      std::string line =
          errorResult(pair, record, unreadableProblem(pair, labels), CliOptions{}, labels).line;
      line.pop_back();
      printError(line);
      status = kExitSomeFailed;
    }
  }
  return status;
}

const char* verdictText(const GlyphRecord& record, const CliOptions& options) {
  if (!options.deciding || record.outcome == GlyphOutcome::kUnreadable ||
      record.outcome == GlyphOutcome::kRefused || record.outcome == GlyphOutcome::kContoursDiffer) {
    return "";
  }
  return record.verdict == Verdict::kWithin   ? "yes"
         : record.verdict == Verdict::kBeyond ? "no"
                                              : "undecided";
}

const char* outcomeText(GlyphOutcome outcome) {
  switch (outcome) {
    case GlyphOutcome::kMeasured:
      return "measured";
    case GlyphOutcome::kEmptyInBoth:
      return "empty in both";
    case GlyphOutcome::kEmptyInA:
      return "empty in A";
    case GlyphOutcome::kEmptyInB:
      return "empty in B";
    case GlyphOutcome::kUnreadable:
      return "unreadable";
    case GlyphOutcome::kContoursDiffer:
      return "contours differ";
    case GlyphOutcome::kRefused:
      return "not measured";
  }
  return "not measured";
}

ReportRow reportRow(const GlyphPair& pair, const GlyphRecord& record, const CliOptions& options,
                    int fontPair) {
  const bool measured = record.outcome == GlyphOutcome::kMeasured;
  return {fontPair,
          glyphLabel(*pair.a, labelCodePoint(pair)),
          outcomeText(record.outcome),
          measured,
          record.distance.lower,
          record.distance.upper,
          {record.advance[0], record.advance[1]},
          verdictText(record, options),
          record.changed};
}

// The report's pictures: the most changed glyphs, as --plot draws them.
void addPictures(ReportPair& page, const Font& a, const Font& b, const FontComparison& summary,
                 const EmScale& em, const CliOptions& options) {
  for (const GlyphRecord& record : summary.worst) {
    const GlyphPair pair = pairOf(a, b, summary, record.order);
    const Shape shownB = em.scaled ? scaledShape(pair.b->shape, em.emA, em.emB) : pair.b->shape;
    Picture request{&pair.a->shape, &shownB, record.distance,
                    plotCaption(pair, record.distance, options), true};
    request.fill = options.fill;
    request.nameA = page.fontA;
    request.nameB = page.fontB;
    page.pictures.push_back({glyphLabel(*pair.a, labelCodePoint(pair)), pictureSvg(request)});
  }
}

// Compares two fonts read already, writing each record as it is ready and the summary after;
// with a report, adds its rows and a page section.
int compareReadFonts(const Font& a, const Font& b, const CliOptions& options,
                     const FontLabels& labels, Progress& progress, bool& interrupted,
                     FontReport* report) {
  const int fontPair = report != nullptr ? static_cast<int>(report->pairs.size()) : 0;
  const EmScale em = emScale(a.unitsPerEm, b.unitsPerEm, options);
  reportEmScale(em, labels);
  FontComparisonOptions o = comparisonOptions(options);
  o.stop = &interruptAsked;
  std::FILE* out = resultStream(options);
  int status = 0;
  std::size_t delivered = 0;
  // Only a progress line needs the count before the records come.
  if (progress.shown) progress.total += matchGlyphs(a, b, o.match).matched.size();
  const FontComparison summary = compareFonts(a, b, o, [&](const GlyphRecord& record) {
    const GlyphPair pair{&a.glyphs[record.inA], &b.glyphs[record.inB], record.codePoint};
    const GlyphResult result = resultOf(pair, record, options, labels);
    std::fwrite(result.line.data(), 1, result.line.size(), out);
    status = combinedStatus(status, result.status);
    if (report != nullptr) report->rows.push_back(reportRow(pair, record, options, fontPair));
    progress.show(++delivered);
    return true;
  });
  progress.doneBefore += summary.compared;
  progress.clear();
  std::fflush(out);
  const std::string text = textSummary(options, labels, a, b, summary);
  std::fputs(text.c_str(), stderr);
  if (options.json) printJsonSummary(options, labels, a, b, summary);
  if (report != nullptr) {
    ReportPair page{labels.names[0], labels.names[1], text, {}};
    addPictures(page, a, b, summary, em, options);
    report->pairs.push_back(std::move(page));
  }
  interrupted = summary.interrupted;
  if (!options.plotPath.empty() && !summary.interrupted) {
    if (summary.largest.order == kNoRecord) {
      printError("no picture written to " + options.plotPath +
                 ": no glyph has an outline in both fonts");
      status = combinedStatus(status, kExitSomeFailed);
    } else {
      const GlyphPair pair = pairOf(a, b, summary, summary.largest.order);
      status = combinedStatus(status, plot(options, pair, em, summary.largest.distance));
    }
  }
  return status;
}

// Ctrl-C: the records so far are kept; the status says the run was cut short.
constexpr int kExitInterrupted = 130;

int writeReport(const CliOptions& options, const FontReport& report) {
  if (options.reportPath.empty()) return 0;
  std::string error;
  if (writeFontReport(options.reportPath, report, error)) return 0;
  printError(error);
  return kExitSomeFailed;
}

FontReport reportFor(const CliOptions& options) {
  FontReport report;
  report.title = "bezier-hausdorff: " + printableText(options.operands[0]) + " against " +
                 printableText(options.operands[1]);
  return report;
}

int runAllGlyphs(const CliOptions& options) {
  Font fonts[2];
  if (!readFonts(options.operands[0], options.operands[1], options, fonts)) {
    return kExitBadCommandLine;
  }
  const FontLabels labels = labelsOf(options.operands[0], options.operands[1], false);
  if (options.printOutlines) return printAllOutlines(fonts[0], fonts[1], options, labels);
  const InterruptGuard guard;
  Progress progress;
  bool interrupted = false;
  FontReport report = reportFor(options);
  FontReport* page = options.reportPath.empty() ? nullptr : &report;
  int status = compareReadFonts(fonts[0], fonts[1], options, labels, progress, interrupted, page);
  status = combinedStatus(status, writeReport(options, report));
  return interrupted ? kExitInterrupted : status;
}

bool namesFamily(const std::string& operand) {
  struct stat info;
  const bool folder = stat(operand.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  const std::string suffix = "@instances";
  return folder || (operand.size() >= suffix.size() &&
                    operand.compare(operand.size() - suffix.size(), suffix.size(), suffix) == 0);
}

// Two folders (or a variable font's instances against a folder or another's instances): the
// fonts paired by name, each pair compared in turn, unpaired fonts listed.
int runFamilies(const CliOptions& options) {
  std::vector<std::string> lists[2];
  for (int side = 0; side < 2; ++side) {
    std::string error;
    lists[side] = fontsOf(options.operands[side], error);
    if (!error.empty()) {
      printError(error);
      return kExitBadCommandLine;
    }
  }
  const FontFilePairing pairing = pairFonts(lists[0], lists[1]);
  int status = pairing.errors.empty() ? 0 : kExitSomeFailed;
  for (const std::string& error : pairing.errors) printError(error);
  for (int side = 0; side < 2; ++side) {
    for (const std::string& font : side == 0 ? pairing.onlyInA : pairing.onlyInB) {
      printError("no font to compare with " + printableText(font) + " (only in " +
                 printableText(options.operands[side]) + ")");
    }
  }
  if (pairing.pairs.empty()) {
    printError("no two fonts of the same name or style to compare");
    return kExitBadCommandLine;
  }
  const InterruptGuard guard;
  Progress progress;
  std::size_t compared = 0;
  FontReport report = reportFor(options);
  FontReport* page = options.reportPath.empty() ? nullptr : &report;
  for (const std::string& error : pairing.errors) report.notes.push_back(error);
  for (int side = 0; side < 2; ++side) {
    for (const std::string& font : side == 0 ? pairing.onlyInA : pairing.onlyInB) {
      report.notes.push_back("no font to compare with " + printableText(font));
    }
  }
  for (const auto& [a, b] : pairing.pairs) {
    Font fonts[2];
    if (!readFonts(a, b, options, fonts)) {
      status = combinedStatus(status, kExitSomeFailed);
      continue;
    }
    bool interrupted = false;
    const FontLabels labels = labelsOf(a, b, true);
    status = combinedStatus(
        status, compareReadFonts(fonts[0], fonts[1], options, labels, progress, interrupted, page));
    ++compared;
    if (interrupted) {
      writeReport(options, report);
      return kExitInterrupted;
    }
  }
  std::fprintf(stderr, "%s: %zu font pairs compared; %zu fonts only in %s, %zu only in %s\n",
               kProgramName, compared, pairing.onlyInA.size(),
               printableText(options.operands[0]).c_str(), pairing.onlyInB.size(),
               printableText(options.operands[1]).c_str());
  return combinedStatus(status, writeReport(options, report));
}

}  // namespace

int runGlyphs(const CliOptions& options) {
  if (!options.allGlyphs) return runOneGlyph(options);
  const bool family = namesFamily(options.operands[0]) || namesFamily(options.operands[1]);
  return family ? runFamilies(options) : runAllGlyphs(options);
}
