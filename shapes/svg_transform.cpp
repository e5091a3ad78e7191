#include "shapes/svg_transform.h"

#include <cmath>

#include "shapes/svg_number.h"

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
