#include "trace_check.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

// A step is processed only while its bound exceeds L by more than the 0.001 gap; six printed
// decimals may round each of the two values by half a unit in the last place.
constexpr double kPrintedGap = 0.001 - 1e-6;

void fail(TraceCheck& check, const std::string& line, const char* reason) {
  check.error = "line " + std::to_string(check.lines) + " \"" + line + "\": " + reason;
}

// Parses `line` as `format` with two %.6f fields (or one, when `second` is null) and accepts it
// only when printing the parsed numbers with the same format gives the line back exactly.
bool parse(const std::string& line, const char* format, double* first, double* second = nullptr) {
  char scanFormat[64];
  std::snprintf(scanFormat, sizeof scanFormat, "%s%%n", format);
  // The scan format is the print format with %.6f read as %lf.
  std::string scan(scanFormat);
  for (size_t at; (at = scan.find("%.6f")) != std::string::npos;) scan.replace(at, 4, "%lf");
  int consumed = -1;
  const int fields = second ? std::sscanf(line.c_str(), scan.c_str(), first, second, &consumed)
                            : std::sscanf(line.c_str(), scan.c_str(), first, &consumed);
  if (fields != (second ? 2 : 1) || consumed != static_cast<int>(line.size())) return false;
  if (!std::isfinite(*first) || (second && !std::isfinite(*second))) return false;
  char reprinted[128];
  if (second) {
    std::snprintf(reprinted, sizeof reprinted, format, *first, *second);
  } else {
    std::snprintf(reprinted, sizeof reprinted, format, *first);
  }
  return line == reprinted;
}

bool startsWith(const std::string& line, const char* prefix) {
  return line.rfind(prefix, 0) == 0;
}

void checkInitial(TraceCheck& check, const std::string& line) {
  double ab, ba;
  if (!parse(line, "initial : %.6f(%.6f)", &ab, &ba)) return fail(check, line, "malformed");
  if (ab < 0.0 || ab != ba) return fail(check, line, "root bounds negative or unequal");
  check.expects = TraceExpects::kStep;
}

void checkDist(TraceCheck& check, const std::string& line) {
  double lower, upper;
  if (!parse(line, "dist : [%.6f,%.6f]", &lower, &upper)) return fail(check, line, "malformed");
  if (line.compare(8, check.lowerText.size(), check.lowerText) != 0 ||
      line[8 + check.lowerText.size()] != ',') {
    return fail(check, line, "L is not the last L printed");
  }
  if (upper - lower < kPrintedGap) return fail(check, line, "bound within the gap of L");
  ++check.steps;
  check.expects = TraceExpects::kPar;
}

void checkPar(TraceCheck& check, const std::string& line) {
  double low, high;
  if (!startsWith(line, "par : ") || !parse(line, "par : [%.6f,%.6f]", &low, &high)) {
    return fail(check, line, "expected a well-formed par line");
  }
  if (!(0.0 <= low && low < high && high <= 1.0)) return fail(check, line, "bad interval");
  check.expects = TraceExpects::kUpdateOrNextUp;
}

void checkUpdate(TraceCheck& check, const std::string& line) {
  double lower;
  if (!parse(line, "L updated to %.6f", &lower)) return fail(check, line, "malformed");
  if (lower < 0.0 || lower < check.lower) return fail(check, line, "L decreased or negative");
  check.lower = lower;
  check.lowerText = line.substr(13);
  check.expects = TraceExpects::kNextUp;
}

void checkNextUp(TraceCheck& check, const std::string& line) {
  double bound;
  if (!parse(line, "next up : %.6f", &bound)) return fail(check, line, "malformed");
  if (bound < 0.0) return fail(check, line, "negative bound");
  check.expects = check.expects == TraceExpects::kSecondNextUp ? TraceExpects::kStep
                                                               : TraceExpects::kSecondNextUp;
}

}  // namespace

void checkTraceLine(TraceCheck& check, const std::string& line) {
  if (!check.error.empty()) return;
  ++check.lines;
  switch (check.expects) {
    case TraceExpects::kInitial:
      return checkInitial(check, line);
    case TraceExpects::kStep:
      if (!startsWith(line, "dist : ")) return fail(check, line, "expected a dist line");
      return checkDist(check, line);
    case TraceExpects::kPar:
      return checkPar(check, line);
    case TraceExpects::kUpdateOrNextUp:
      if (startsWith(line, "L updated to ")) return checkUpdate(check, line);
      // L starts at -1e9, so the first step always measures a larger distance.
      if (check.steps == 1) return fail(check, line, "the first step did not update L");
      if (!startsWith(line, "next up : "))
        return fail(check, line, "expected L updated or next up");
      return checkNextUp(check, line);
    case TraceExpects::kNextUp:
    case TraceExpects::kSecondNextUp:
      if (!startsWith(line, "next up : ")) return fail(check, line, "expected next up");
      return checkNextUp(check, line);
  }
}

void finishTrace(TraceCheck& check) {
  if (!check.error.empty()) return;
  if (check.expects != TraceExpects::kStep || check.steps == 0) {
    check.error = "the trace ends without a whole step (" + std::to_string(check.lines) +
                  " lines, " + std::to_string(check.steps) + " steps)";
  }
}

TraceCheck checkTrace(const std::string& text) {
  TraceCheck check;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) checkTraceLine(check, line);
  finishTrace(check);
  return check;
}
