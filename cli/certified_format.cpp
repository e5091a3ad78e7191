#include "cli/certified_format.h"

#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "cli/decimal_format.h"

using namespace beziercurve;

namespace {

constexpr double kScientificFrom = 1e12;

// Large magnitudes in scientific notation through printf, which rounds its digits in the
// current rounding mode (the thread's own); others by appendFixed.
void appendNumber(std::string& out, double value, int decimals, Rounding rounding) {
  if (std::fabs(value) < kScientificFrom) {
    appendFixed(out, value, decimals, rounding);
    return;
  }
  char text[64];
  const int saved = std::fegetround();
  if (rounding != Rounding::kNearest) {
    std::fesetround(rounding == Rounding::kDown ? FE_DOWNWARD : FE_UPWARD);
  }
  std::snprintf(text, sizeof text, "%.*e", decimals, value);
  std::fesetround(saved);
  out += text;
}

}  // namespace

// The shortest decimal that reads back as the same double.
void appendExact(std::string& out, double value) {
  char text[32];
  const std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
  out.append(text, written.ptr);
}

void appendTextVerdict(std::string& out, bool toleranceMet, bool deciding, double threshold,
                       Verdict verdict) {
  if (deciding) {
    out += " within ";
    appendExact(out, threshold);
    out += ": ";
    out += verdictWord(verdict);
  }
  if (!toleranceMet) out += " tolerance not met";
}

void appendJsonVerdict(std::string& out, bool toleranceMet, bool deciding, double threshold,
                       Verdict verdict) {
  out += ",\"toleranceMet\":";
  out += toleranceMet ? "true" : "false";
  if (deciding) {
    out += ",\"within\":{\"threshold\":";
    appendExact(out, threshold);
    out += ",\"verdict\":\"";
    out += verdictWord(verdict);
    out += "\"}";
  }
  out += "}\n";
}

const char* verdictWord(Verdict verdict) {
  switch (verdict) {
    case Verdict::kWithin:
      return "yes";
    case Verdict::kBeyond:
      return "no";
    case Verdict::kUndecided:
      break;
  }
  return "undecided";
}

namespace {

void appendPoint(std::string& out, Point point, int decimals) {
  out += '(';
  appendNumber(out, point.x, decimals, Rounding::kNearest);
  out += ',';
  appendNumber(out, point.y, decimals, Rounding::kNearest);
  out += ')';
}

}  // namespace

void appendPlace(std::string& out, const ShapePoint& place, bool showSegment, int decimals) {
  if (place.segment == kFillPoint) {
    out += "fill ";
    appendPoint(out, place.point, decimals);
    return;
  }
  if (showSegment) out += "segment " + std::to_string(place.segment) + ' ';
  out += "t=";
  appendNumber(out, place.t, decimals, Rounding::kNearest);
  out += ' ';
  appendPoint(out, place.point, decimals);
}

namespace {

// Enough decimals that the outward-rounded bounds still show the verdict: a lower bound above
// the threshold must not print at or below it.
int decimalsShowingVerdict(const CertifiedLine& line, int decimals) {
  const Distance& d = *line.distance;
  for (; decimals < 17; ++decimals) {
    const double step = std::pow(10.0, -decimals);
    const bool shown = line.verdict == Verdict::kBeyond
                           ? std::floor(d.lower / step) * step > line.threshold
                           : line.verdict != Verdict::kWithin ||
                                 std::ceil(d.upper / step) * step <= line.threshold;
    if (shown) break;
  }
  return decimals;
}

// Whether the interval as text prints it with `decimals` is at most `tolerance` wide: exactly
// in fixed notation, and in scientific notation by bounding each end's rounding by a unit of
// its last digit (a sufficient test).
bool printedWithin(const Distance& d, double tolerance, int decimals) {
  const bool fixed = d.upper < kScientificFrom && d.lower > -kScientificFrom;
  if (fixed && tolerance < kScientificFrom) {
    return fixedWidthAtMost(d.lower, d.upper, decimals, tolerance);
  }
  if (fixed) return true;  // 0 <= lower <= upper < 1e12 <= tolerance
  const auto lastDigit = [&](double value) {
    const double magnitude = std::fabs(value);
    if (magnitude < kScientificFrom) return std::pow(10.0L, -decimals);
    return std::pow(10.0L, std::floor(std::log10(static_cast<long double>(magnitude))) - decimals);
  };
  const long double slack = 1 + 1e-12L;  // covers the rounding of this test itself
  return (static_cast<long double>(d.upper) - d.lower + lastDigit(d.lower) + lastDigit(d.upper)) *
             slack <=
         tolerance;
}

}  // namespace

int intervalDecimals(const Distance& d, double tolerance, int decimals) {
  if (!(d.upper - d.lower <= tolerance)) return decimals;
  while (decimals < kMaxFixedDecimals && !printedWithin(d, tolerance, decimals)) ++decimals;
  return decimals;
}

namespace {

void appendText(std::string& out, const CertifiedLine& line) {
  const Distance& d = *line.distance;
  int decimals = line.deciding ? 6 : decimalsFor(line.tolerance);
  if (line.deciding) decimals = decimalsShowingVerdict(line, decimals);
  decimals = intervalDecimals(d, line.tolerance, decimals);
  out += line.textPrefix;
  out += line.fill ? "fill distance " : "distance ";
  appendInterval(out, d, decimals);
  out += " witness ";
  out += d.witnessShape == 0 ? 'A' : 'B';
  out += ' ';
  appendPlace(out, d.witness, line.showSegments, decimals);
  out += " nearest ";
  appendPlace(out, d.nearest, line.showSegments, decimals);
  out += " steps " + std::to_string(d.steps);
  appendTextVerdict(out, d.toleranceMet, line.deciding, line.threshold, line.verdict);
  out += '\n';
}

}  // namespace

void appendJsonPlace(std::string& out, const ShapePoint& place) {
  if (place.segment == kFillPoint) {
    out += "\"fill\":true";
  } else {
    out += "\"segment\":" + std::to_string(place.segment) + ",\"t\":";
    appendExact(out, place.t);
  }
  out += ",\"x\":";
  appendExact(out, place.point.x);
  out += ",\"y\":";
  appendExact(out, place.point.y);
}

namespace {

// Every number is finite: coordinates are within 1e150, and so are the bounds.
void appendJson(std::string& out, const CertifiedLine& line) {
  const Distance& d = *line.distance;
  out += '{';
  out += line.jsonPrefix;
  out += "\"method\":\"certified\",";
  if (line.fill) {
    out += "\"measure\":\"fill\",\"fillRule\":\"";
    out += line.fillRule;
    out += "\",";
  }
  out += "\"lower\":";
  appendExact(out, d.lower);
  out += ",\"upper\":";
  appendExact(out, d.upper);
  out += ",\"witness\":{\"curve\":\"";
  out += d.witnessShape == 0 ? 'A' : 'B';
  out += "\",";
  appendJsonPlace(out, d.witness);
  out += "},\"nearest\":{";
  appendJsonPlace(out, d.nearest);
  out += "},\"steps\":" + std::to_string(d.steps);
  appendJsonVerdict(out, d.toleranceMet, line.deciding, line.threshold, line.verdict);
}

}  // namespace

void appendErrorRecord(std::string& out, long lineNumber, const std::string& message, bool json) {
  if (!json) {
    out += "line " + std::to_string(lineNumber) + ": error: " + message + "\n";
    return;
  }
  out += "{\"line\":" + std::to_string(lineNumber) + ",\"error\":";
  appendJsonString(out, message);
  out += "}\n";
}

void appendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
      out += escape;
    } else {
      out += c;
    }
  }
  out += '"';
}

void appendInterval(std::string& out, const Distance& distance, int decimals) {
  out += '[';
  appendNumber(out, distance.lower, decimals, Rounding::kDown);
  out += ',';
  appendNumber(out, distance.upper, decimals, Rounding::kUp);
  out += ']';
}

void appendUpperBound(std::string& out, double value, int decimals) {
  appendNumber(out, value, decimals, Rounding::kUp);
}

int decimalsFor(double tolerance) {
  const double needed = std::ceil(-std::log10(tolerance)) + 1;
  if (!(needed > 6)) return 6;
  return needed < 17 ? static_cast<int>(needed) : 17;
}

void appendCertifiedLine(std::string& out, const CertifiedLine& line) {
  if (line.json) {
    appendJson(out, line);
  } else {
    appendText(out, line);
  }
}
