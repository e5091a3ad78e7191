#include "svg/svg_attributes.h"

#include <algorithm>
#include <cmath>

#include "svg/svg_number.h"

namespace {

std::string lowered(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return result;
}

std::string_view trimmed(std::string_view text) {
  std::size_t start = skipSpaces(text, 0);
  std::size_t end = text.size();
  while (end > start && isSvgSpace(text[end - 1])) --end;
  return text.substr(start, end - start);
}

// px per unit, or 0 for a unit that is not absolute.
double absoluteUnit(const std::string& unit) {
  if (unit.empty() || unit == "px") return 1;
  if (unit == "in") return 96;
  if (unit == "cm") return 96 / 2.54;
  if (unit == "mm") return 96 / 25.4;
  if (unit == "q") return 96 / 101.6;
  if (unit == "pt") return 96.0 / 72;
  if (unit == "pc") return 16;
  return 0;
}

// px per unit for the units relative to the font or the viewport; false for another unit.
bool relativeUnit(const std::string& unit, const LengthBasis& basis, double& factor) {
  const double width = basis.viewportWidth, height = basis.viewportHeight;
  if (unit == "%") {
    factor = basis.percentOf / 100;
  } else if (unit == "em" || unit == "rem") {
    factor = kDefaultFontSize;
  } else if (unit == "ex" || unit == "ch") {
    factor = kDefaultFontSize / 2;
  } else if (unit == "vw" || unit == "vh" || unit == "vmin" || unit == "vmax") {
    const double side = unit == "vw"     ? width
                        : unit == "vh"   ? height
                        : unit == "vmin" ? std::min(width, height)
                                         : std::max(width, height);
    factor = side / 100;
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::string keyword(std::string_view text) {
  return lowered(trimmed(text));
}

LengthParse parseLength(std::string_view text, const LengthBasis& basis) {
  const std::string_view value = trimmed(text);
  const NumberScan scan = scanNumber(value, 0);
  if (scan.status == NumberStatus::kMissing) return {false, 0, "not a length"};
  if (scan.status != NumberStatus::kRead) {
    return {false, 0, describeRefusedNumber(value, scan, 0)};
  }
  const std::string unit = lowered(value.substr(scan.end));
  double factor = absoluteUnit(unit);
  if (factor == 0 && !relativeUnit(unit, basis, factor)) {
    return {false, 0, "unknown unit " + quoted(unit)};
  }
  const double length = scan.value * factor;
  if (!(std::fabs(length) <= kMaxCoordinate)) {
    return {false, 0, "out of range (magnitude above 1e150 px)"};
  }
  return {true, length, ""};
}

NumberListParse parseNumberList(std::string_view text, const char* what) {
  NumberListParse result{true, {}, ""};
  std::size_t at = skipSpaces(text, 0);
  while (at < text.size()) {
    const NumberScan scan = scanNumber(text, at);
    std::string problem;
    if (scan.status == NumberStatus::kMissing) {
      problem = "expected a number, found " + describeFound(text, at);
    } else if (scan.status != NumberStatus::kRead) {
      problem = describeRefusedNumber(text, scan, at);
    }
    if (!problem.empty()) {
      return {
          false, {}, std::string(what) + ", character " + std::to_string(at + 1) + ": " + problem};
    }
    result.values.push_back(scan.value);
    bool comma = false;
    at = skipCommaSpaces(text, scan.end, comma);
    if (comma && at >= text.size()) {
      return {false,
              {},
              std::string(what) + ", character " + std::to_string(at + 1) +
                  ": expected a number after ',', found the end"};
    }
  }
  return result;
}
