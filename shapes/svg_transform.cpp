#include "shapes/svg_transform.h"

#include <cmath>

#include "shapes/svg_number.h"

namespace {

constexpr int kMostArguments = 6;

struct TransformKind {
  const char* name;
  int fewest;  // argument counts allowed: fewest, and also `most` when it differs
  int most;
  const char* counts;
};

constexpr TransformKind kKinds[] = {
    {"matrix", 6, 6, "6 numbers"},     {"translate", 1, 2, "1 or 2 numbers"},
    {"scale", 1, 2, "1 or 2 numbers"}, {"rotate", 1, 3, "1 or 3 numbers"},
    {"skewX", 1, 1, "1 number"},       {"skewY", 1, 1, "1 number"},
};

bool isLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

TransformParse failure(std::size_t at, const std::string& problem) {
  return {false, kIdentity, "transform, character " + std::to_string(at + 1) + ": " + problem};
}

Affine transformOf(const TransformKind& kind, const double* v, int count) {
  const std::string_view name = kind.name;
  if (name == "matrix") return {v[0], v[1], v[2], v[3], v[4], v[5]};
  if (name == "translate") return {1, 0, 0, 1, v[0], count == 2 ? v[1] : 0};
  if (name == "scale") return {v[0], 0, 0, count == 2 ? v[1] : v[0], 0, 0};
  if (name == "rotate") {
    double c = 1, s = 0;
    cosSinOfDegrees(v[0], c, s);
    const Affine turn{c, s, -s, c, 0, 0};
    if (count == 1) return turn;
    // About (cx, cy): move it to the origin, turn, move it back.
    return composeAffine({1, 0, 0, 1, v[1], v[2]}, composeAffine(turn, {1, 0, 0, 1, -v[1], -v[2]}));
  }
  // The caller refuses the angles whose cosine is 0.
  double c = 1, s = 0;
  cosSinOfDegrees(v[0], c, s);
  const double slope = s / c;
  if (name == "skewX") return {1, 0, slope, 1, 0, 0};
  return {1, slope, 0, 1, 0, 0};
}

bool isVerticalSkew(const TransformKind& kind, double angle) {
  if (kind.name[0] != 's' || kind.name[1] != 'k') return false;
  double c = 1, s = 0;
  cosSinOfDegrees(angle, c, s);
  return c == 0;
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
    if (isVerticalSkew(*kind, values[0])) {
      return failure(nameAt, quoted(name) + " by 90 degrees (or 270) has no finite matrix");
    }
    total = composeAffine(total, transformOf(*kind, values, count));
    bool comma = false;
    at = skipCommaSpaces(text, at + 1, comma);
    if (comma && at >= text.size())
      return failure(at, "expected a transform after ',', found the end");
  }
  return {true, total, ""};
}
