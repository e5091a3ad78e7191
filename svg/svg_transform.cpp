#include "svg/svg_transform.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "svg/svg_number.h"

namespace {

constexpr int kMostArguments = 6;

enum class Operation { kMatrix, kTranslate, kScale, kRotate, kSkewX, kSkewY };

struct TransformKind {
  const char* name;
  Operation operation;
  int fewest;  // argument counts allowed: fewest, and also `most` when it differs
  int most;
  const char* counts;
};

constexpr TransformKind kKinds[] = {
    {"matrix", Operation::kMatrix, 6, 6, "6 numbers"},
    {"translate", Operation::kTranslate, 1, 2, "1 or 2 numbers"},
    {"scale", Operation::kScale, 1, 2, "1 or 2 numbers"},
    {"rotate", Operation::kRotate, 1, 3, "1 or 3 numbers"},
    {"skewX", Operation::kSkewX, 1, 1, "1 number"},
    {"skewY", Operation::kSkewY, 1, 1, "1 number"},
};

bool isLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

TransformParse failure(std::size_t at, const std::string& problem) {
  return {false, kIdentity, "transform, character " + std::to_string(at + 1) + ": " + problem};
}

// The transform's matrix in `out`; false for a skew by a right angle, which has none.
bool transformOf(Operation operation, const double* v, int count, Affine& out) {
  double c = 1, s = 0;
  switch (operation) {
    case Operation::kMatrix:
      out = {v[0], v[1], v[2], v[3], v[4], v[5]};
      return true;
    case Operation::kTranslate:
      out = {1, 0, 0, 1, v[0], count == 2 ? v[1] : 0};
      return true;
    case Operation::kScale:
      out = {v[0], 0, 0, count == 2 ? v[1] : v[0], 0, 0};
      return true;
    case Operation::kRotate: {
      cosSinOfDegrees(v[0], c, s);
      const Affine turn{c, s, -s, c, 0, 0};
      // About (cx, cy): move it to the origin, turn, move it back.
      out = count == 1 ? turn
                       : composeAffine({1, 0, 0, 1, v[1], v[2]},
                                       composeAffine(turn, {1, 0, 0, 1, -v[1], -v[2]}));
      return true;
    }
    case Operation::kSkewX:
    case Operation::kSkewY:
      break;
  }
  cosSinOfDegrees(v[0], c, s);
  if (c == 0) return false;
  const double slope = s / c;
  out =
      operation == Operation::kSkewX ? Affine{1, 0, slope, 1, 0, 0} : Affine{1, slope, 0, 1, 0, 0};
  return true;
}

}  // namespace

TransformParse parseTransformList(std::string_view text) {
  Affine total = kIdentity;
  std::size_t at = skipSpaces(text, 0);
  while (at < text.size()) {
    const std::size_t nameAt = at;
    while (at < text.size() && isLetter(text[at])) ++at;
    const std::string_view name = text.substr(nameAt, at - nameAt);
    const TransformKind* kind = nullptr;
    for (const TransformKind& candidate : kKinds) {
      if (name == candidate.name) kind = &candidate;
    }
    if (kind == nullptr) {
      if (name.empty()) {
        return failure(nameAt, "expected matrix, translate, scale, rotate, skewX or skewY, found " +
                                   describeFound(text, nameAt));
      }
      return failure(nameAt, "unknown transform " + quoted(name) +
                                 " (expected matrix, translate, scale, rotate, skewX or skewY)");
    }
    at = skipSpaces(text, at);
    if (at >= text.size() || text[at] != '(') {
      return failure(at,
                     "expected '(' after " + quoted(name) + ", found " + describeFound(text, at));
    }
    at = skipSpaces(text, at + 1);
    double values[kMostArguments] = {};
    int count = 0;
    while (at < text.size() && text[at] != ')') {
      if (count > 0) {
        bool comma = false;
        at = skipCommaSpaces(text, at, comma);
        if (at < text.size() && text[at] == ')' && comma) {
          return failure(at, "expected a number after ',', found ')'");
        }
      }
      const NumberScan scan = scanNumber(text, at);
      if (scan.status == NumberStatus::kMissing) {
        return failure(at, "expected a number or ')' in " + quoted(name) + ", found " +
                               describeFound(text, at));
      }
      if (scan.status != NumberStatus::kRead) {
        return failure(at, describeRefusedNumber(text, scan, at));
      }
      if (count == kind->most) {
        return failure(at, quoted(name) + " takes " + kind->counts + ", found more");
      }
      values[count++] = scan.value;
      at = skipSpaces(text, scan.end);
    }
    if (at >= text.size()) {
      return failure(at, "expected ')' to close " + quoted(name) + ", found the end");
    }
    const bool countAllowed = count == kind->fewest || count == kind->most;
    if (!countAllowed) {
      return failure(nameAt,
                     quoted(name) + " takes " + kind->counts + ", found " + std::to_string(count));
    }
    Affine step;
    if (!transformOf(kind->operation, values, count, step)) {
      return failure(nameAt, quoted(name) + " by 90 degrees (or 270) has no finite matrix");
    }
    total = composeAffine(total, step);
    bool comma = false;
    at = skipCommaSpaces(text, at + 1, comma);
    if (comma && at >= text.size())
      return failure(at, "expected a transform after ',', found the end");
  }
  return {true, total, ""};
}

namespace {

enum class CssArgument { kRead, kUnreadable, kRefused };

// A CSS argument, `text` within the whole value `all`, as the number SVG's transform list takes:
// lengths in px, angles in degrees. Refused: a number beyond the list's limits, before or after
// the unit is applied; `problem` then says why, naming its place in `all`.
CssArgument cssArgument(std::string_view all, std::string_view text, bool angle, std::string& out,
                        std::string& problem) {
  std::size_t at = skipSpaces(text, 0);
  const NumberScan scan = scanNumber(text, at);
  const std::size_t start = static_cast<std::size_t>(text.data() - all.data()) + at;
  if (scan.status == NumberStatus::kOutOfRange || scan.status == NumberStatus::kTooLong) {
    problem = "character " + std::to_string(start + 1) + ": " +
              describeRefusedNumber(all, {scan.status, 0.0, start + (scan.end - at)}, start);
    return CssArgument::kRefused;
  }
  if (scan.status != NumberStatus::kRead) return CssArgument::kUnreadable;
  std::size_t end = text.size();
  while (end > scan.end && isSvgSpace(text[end - 1])) --end;
  std::string unit(text.substr(scan.end, end - scan.end));
  for (char& c : unit) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  double factor = 0;
  if (angle) {
    if (unit == "deg") factor = 1;
    if (unit == "rad") factor = 180 / 3.14159265358979323846;
    if (unit == "grad") factor = 0.9;
    if (unit == "turn") factor = 360;
  } else {
    const struct {
      const char* unit;
      double px;
    } kLengths[] = {{"px", 1},         {"in", 96},        {"cm", 96 / 2.54}, {"mm", 96 / 25.4},
                    {"q", 96 / 101.6}, {"pt", 96.0 / 72}, {"pc", 16}};
    for (const auto& length : kLengths) {
      if (unit == length.unit) factor = length.px;
    }
  }
  // A unitless number is a scale or matrix entry, or a zero.
  if (unit.empty()) factor = 1;
  if (factor == 0 || (unit.empty() && angle && scan.value != 0)) return CssArgument::kUnreadable;
  const double value = scan.value * factor;
  if (!(std::fabs(value) <= kMaxCoordinate)) {
    problem = "character " + std::to_string(start + 1) + ": " + (angle ? "angle " : "length ") +
              quoted(text.substr(at, end - at)) + " out of range (magnitude above 1e150 " +
              (angle ? "degrees)" : "px)");
    return CssArgument::kRefused;
  }
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  out += buffer;
  return CssArgument::kRead;
}

// Whether a skew by `degrees` has a finite matrix: not at 90 degrees (or 270).
bool skewable(const std::string& degrees) {
  double c = 1, s = 0;
  cosSinOfDegrees(std::strtod(degrees.c_str(), nullptr), c, s);
  return c != 0;
}

}  // namespace

TransformParse parseCssTransform(std::string_view text) {
  std::string svg;
  std::size_t at = skipSpaces(text, 0);
  std::string lowered;
  for (const char c : text) lowered += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  const std::string_view all = lowered;
  const auto refuse = [&](const std::string& problem) {
    return TransformParse{false, kIdentity, "CSS transform: " + problem};
  };
  // Outside the limits: refused in the transform list's words.
  const auto outOfLimits = [&](const std::string& problem) {
    return TransformParse{false, kIdentity, "CSS transform, " + problem, true};
  };
  if (all.substr(at, 4) == "none" && skipSpaces(all, at + 4) == all.size()) {
    return {true, kIdentity, ""};
  }
  while (at < all.size()) {
    const std::size_t open = all.find('(', at);
    const std::size_t close = all.find(')', at);
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
      return refuse("expected a function such as translate(10px, 0)");
    }
    const std::size_t nameAt = at;
    std::string name(all.substr(at, open - at));
    while (!name.empty() && isSvgSpace(name.back())) name.pop_back();
    std::vector<std::string_view> arguments;
    for (std::size_t start = open + 1;;) {
      const std::size_t comma = all.find(',', start);
      const std::size_t stop = comma == std::string_view::npos || comma > close ? close : comma;
      arguments.push_back(all.substr(start, stop - start));
      if (stop == close) break;
      start = stop + 1;
    }
    const bool angle = name == "rotate" || name == "skew" || name == "skewx" || name == "skewy";
    std::vector<std::string> values;
    for (const std::string_view argument : arguments) {
      std::string value, problem;
      // matrix's last two entries are lengths written as numbers; scale takes numbers.
      const CssArgument read = cssArgument(all, argument, angle, value, problem);
      if (read == CssArgument::kRefused) return outOfLimits(problem);
      if (read == CssArgument::kUnreadable) {
        return refuse("cannot read " + quoted(std::string(argument)) + " in " + name + "()");
      }
      values.push_back(value);
    }
    const bool skew = name == "skew" || name == "skewx" || name == "skewy";
    for (std::size_t i = 0; skew && i < values.size(); ++i) {
      if (!skewable(values[i])) {
        return outOfLimits("character " + std::to_string(nameAt + 1) + ": " +
                           quoted(text.substr(nameAt, name.size())) +
                           " by 90 degrees (or 270) has no finite matrix");
      }
    }
    const std::size_t count = values.size();
    const auto join = [&](const std::string& first, const std::string& second) {
      return "(" + first + " " + second + ") ";
    };
    if (name == "matrix" && count == 6) {
      svg += "matrix(";
      for (const std::string& value : values) svg += value + " ";
      svg += ") ";
    } else if ((name == "translate" || name == "scale") && (count == 1 || count == 2)) {
      const std::string second = count == 2 ? values[1] : (name == "scale" ? values[0] : "0");
      svg += name + join(values[0], second);
    } else if (name == "translatex" && count == 1) {
      svg += "translate" + join(values[0], "0");
    } else if (name == "translatey" && count == 1) {
      svg += "translate" + join("0", values[0]);
    } else if (name == "scalex" && count == 1) {
      svg += "scale" + join(values[0], "1");
    } else if (name == "scaley" && count == 1) {
      svg += "scale" + join("1", values[0]);
    } else if (name == "rotate" && count == 1) {
      svg += "rotate(" + values[0] + ") ";
    } else if ((name == "skewx" || name == "skewy") && count == 1) {
      svg += std::string(name == "skewx" ? "skewX(" : "skewY(") + values[0] + ") ";
    } else if (name == "skew" && (count == 1 || count == 2)) {
      // skew(a, b) is matrix(1, tan b, tan a, 1, 0, 0), not skewX(a) then skewY(b).
      const double degree = 3.14159265358979323846 / 180;
      char buffer[96];
      std::snprintf(buffer, sizeof buffer, "matrix(1 %.17g %.17g 1 0 0) ",
                    count == 2 ? std::tan(std::strtod(values[1].c_str(), nullptr) * degree) : 0.0,
                    std::tan(std::strtod(values[0].c_str(), nullptr) * degree));
      svg += buffer;
    } else {
      return refuse("cannot read " + name + "() with " + std::to_string(count) + " arguments");
    }
    at = skipSpaces(all, close + 1);
  }
  TransformParse parsed = parseTransformList(svg);
  if (!parsed.ok) parsed.error = "CSS transform: " + parsed.error;
  return parsed;
}
