#include "shapes/svg_attributes.h"

#include <cmath>

#include "shapes/svg_number.h"

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

bool isRelativeUnit(const std::string& unit) {
  for (const char* relative : {"em", "ex", "ch", "rem", "vw", "vh", "vmin", "vmax"}) {
    if (unit == relative) return true;
  }
  return false;
}

}  // namespace

std::string keyword(std::string_view text) {
  return lowered(trimmed(text));
}

LengthParse parseLength(std::string_view text) {
  const std::string_view value = trimmed(text);
  const NumberScan scan = scanNumber(value, 0);
  if (scan.status == NumberStatus::kMissing) return {false, 0, "not a length"};
  if (scan.status != NumberStatus::kRead) {
    return {false, 0, describeRefusedNumber(value, scan, 0)};
  }
  const std::string unit = lowered(value.substr(scan.end));
  if (unit == "%") return {false, 0, "percentages are not supported"};
  if (isRelativeUnit(unit)) {
    return {false, 0, "relative units are not supported (only px and absolute units)"};
  }
  const double factor = absoluteUnit(unit);
  if (factor == 0) return {false, 0, "unknown unit " + quoted(unit)};
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

std::string styleProperty(std::string_view style, std::string_view property) {
  std::string found;
  std::size_t start = 0;
  while (start <= style.size()) {
    std::size_t end = style.find(';', start);
    if (end == std::string_view::npos) end = style.size();
    const std::string_view declaration = style.substr(start, end - start);
    const std::size_t colon = declaration.find(':');
    if (colon != std::string_view::npos &&
        lowered(trimmed(declaration.substr(0, colon))) == property) {
      std::string value = lowered(trimmed(declaration.substr(colon + 1)));
      const std::size_t important = value.find("!important");
      if (important != std::string::npos) value = std::string(trimmed(value.substr(0, important)));
      found = value;
    }
    start = end + 1;
  }
  return found;
}
