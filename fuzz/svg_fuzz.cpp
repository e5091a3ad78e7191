// libFuzzer target: arbitrary bytes as an SVG document, with a dictionary (fuzz/svg.dict) and
// seeds (fuzz/corpus/svg) of style sheets, <use> and transforms, so that mutations reach deep
// selectors, many rules, chains and copies.
//
// Every input must be read within the run's time and memory limits, giving either a refusal of
// one printable line, or a shape whose coordinates are finite and within 1e150, whose contours
// and paints describe its segments, with a warning of one printable line or none. And the
// cascade the reader uses (CssCascade: rules indexed, selectors matched right to left with
// what was found above remembered) must give, for every element and property, the value of the
// cascade as CSS defines it, computed here the plain way: every rule tried on every element,
// each selector by trying every placement of its compounds (on documents at most 12 deep, where
// that is cheap). Any breach prints the input and aborts, which libFuzzer reports as a crash.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "css/svg_css.h"
#include "svg/svg_file.h"

namespace {

constexpr std::size_t kLongestMessage = 600;
constexpr int kDeepestCompared = 12;

std::string_view currentInput;

[[noreturn]] void failInput(const std::string& what) {
  std::fprintf(stderr, "svg_fuzz: %s\n  input (%zu bytes): ", what.c_str(), currentInput.size());
  for (const char c : currentInput) std::fprintf(stderr, "%02x", static_cast<unsigned char>(c));
  std::fprintf(stderr, "\n");
  std::abort();
}

void checkLine(const std::string& line, const char* what) {
  if (line.size() > kLongestMessage) failInput(std::string(what) + " longer than a line: " + line);
  for (const char c : line) {
    if (c < 0x20 || c > 0x7e) failInput(std::string(what) + " with an unprintable byte: " + line);
  }
}

void checkRead(const ShapeRead& read) {
  if (!read.ok) {
    if (read.error.empty()) failInput("refused without a message");
    checkLine(read.error, "error");
    return;
  }
  checkLine(read.warning, "warning");
  if (!std::isfinite(read.shape.approximationError) || read.shape.approximationError < 0) {
    failInput("approximation error out of range");
  }
  for (const CubicCurve& segment : read.shape.segments) {
    for (const Point2& p : segment.p) {
      if (!(std::fabs(p.x) <= 1e150 && std::fabs(p.y) <= 1e150))
        failInput("a coordinate beyond 1e150");
    }
  }
  const std::string structure = structureProblem(read.shape);
  if (!structure.empty()) failInput(structure);
  if (!read.shape.segments.empty() && (read.shape.contours.empty() || read.shape.paints.empty())) {
    failInput("segments without their contours and paints");
  }
}

// --- The cascade as CSS defines it ----------------------------------------------------------

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool hasWord(std::string_view list, std::string_view word) {
  std::size_t at = 0;
  while (at < list.size()) {
    while (at < list.size() && isSpace(list[at])) ++at;
    const std::size_t start = at;
    while (at < list.size() && !isSpace(list[at])) ++at;
    if (at > start && list.substr(start, at - start) == word) return true;
  }
  return false;
}

bool attributeFits(const CssAttributeTest& test, pugi::xml_node node) {
  const pugi::xml_attribute attribute = node.attribute(test.name.c_str());
  if (!attribute) return false;
  const std::string_view value = attribute.value(), wanted = test.value;
  switch (test.operation) {
    case 0:
      return true;
    case '=':
      return value == wanted;
    case '~':
      return !wanted.empty() && hasWord(value, wanted);
    case '|':
      return value == wanted ||
             (value.size() > wanted.size() && value.substr(0, wanted.size()) == wanted &&
              value[wanted.size()] == '-');
    case '^':
      return !wanted.empty() && value.substr(0, wanted.size()) == wanted;
    case '$':
      return !wanted.empty() && value.size() >= wanted.size() &&
             value.substr(value.size() - wanted.size()) == wanted;
    case '*':
      return !wanted.empty() && value.find(wanted) != std::string_view::npos;
  }
  return false;
}

bool compoundFits(const CssCompound& compound, pugi::xml_node node) {
  if (!node || node.type() != pugi::node_element) return false;
  std::string_view name = node.name();
  if (name.find(':') != std::string_view::npos) name = name.substr(name.find(':') + 1);
  if (!compound.type.empty() && name != compound.type) return false;
  for (const std::string& id : compound.ids) {
    if (id != node.attribute("id").value()) return false;
  }
  for (const std::string& name : compound.classes) {
    if (!hasWord(node.attribute("class").value(), name)) return false;
  }
  for (const CssAttributeTest& test : compound.attributes) {
    if (!attributeFits(test, node)) return false;
  }
  return true;
}

// Whether selector[0..last] matches with selector[last] on `node`, trying every placement.
bool fits(const std::vector<CssCompound>& selector, std::size_t last, pugi::xml_node node) {
  if (!compoundFits(selector[last], node)) return false;
  if (last == 0) return true;
  for (pugi::xml_node up = node.parent(); up && up.type() == pugi::node_element; up = up.parent()) {
    if (fits(selector, last - 1, up)) return true;
    if (selector[last].combinator == '>') return false;
  }
  return false;
}

struct Candidate {
  bool important;
  int origin, specificity, order;
  std::string value;
};

void consider(std::optional<Candidate>& best, const Candidate& candidate) {
  const auto beats = [](const Candidate& a, const Candidate& b) {
    if (a.important != b.important) return a.important;
    if (a.origin != b.origin) return a.origin > b.origin;
    if (a.specificity != b.specificity) return a.specificity > b.specificity;
    return a.order >= b.order;
  };
  if (!best || beats(candidate, *best)) best = candidate;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::string plainCascade(const StyleSheet& sheet, pugi::xml_node node,
                         const CssProperty& property) {
  std::optional<Candidate> best;
  const auto accepted = [&](std::string_view v) { return !property.valid || property.valid(v); };
  if (property.presentationAttribute != nullptr) {
    const pugi::xml_attribute attribute = node.attribute(property.presentationAttribute);
    if (attribute && accepted(trimmed(attribute.value()))) {
      consider(best, {false, 0, 0, 0, std::string(trimmed(attribute.value()))});
    }
  }
  for (const CssRule& rule : sheet.rules) {
    if (!fits(rule.selector, rule.selector.size() - 1, node)) continue;
    for (const CssDeclaration& declaration : rule.declarations) {
      if (declaration.property == property.name && accepted(declaration.value)) {
        consider(best, {declaration.important, 1, rule.specificity, rule.order, declaration.value});
      }
    }
  }
  int order = 0;
  for (const CssDeclaration& declaration : parseDeclarations(node.attribute("style").value())) {
    if (declaration.property == property.name && accepted(declaration.value)) {
      consider(best, {declaration.important, 2, 0, order, declaration.value});
    }
    ++order;
  }
  return best ? best->value : "";
}

bool validFillRule(std::string_view value) {
  return value == "nonzero" || value == "evenodd";
}

// Both cascades over every element of the document, when it is shallow enough.
void compareCascades(std::string_view bytes) {
  pugi::xml_document document;
  if (!document.load_buffer(bytes.data(), bytes.size())) return;
  StyleSheet sheet;
  std::vector<pugi::xml_node> elements;
  std::vector<std::pair<pugi::xml_node, int>> stack{{document.document_element(), 1}};
  while (!stack.empty()) {
    const auto [node, depth] = stack.back();
    stack.pop_back();
    if (!node) continue;
    if (depth > kDeepestCompared) return;
    elements.push_back(node);
    if (std::string_view(node.name()) == "style") {
      std::string text;
      for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
          text += child.value();
        }
      }
      addStyleSheet(text, sheet);
    }
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
      if (child.type() == pugi::node_element) stack.push_back({child, depth + 1});
    }
  }
  const std::vector<CssProperty> properties = {
      {"display", "display", nullptr},
      {"transform", nullptr, nullptr},
      {"fill-rule", "fill-rule", validFillRule},
  };
  CssCascade cascade(sheet, properties);
  for (const pugi::xml_node element : elements) {
    for (std::size_t p = 0; p < properties.size(); ++p) {
      const std::string indexed = cascade.value(element, p);
      if (cascade.exhausted()) return;
      const std::string plain = plainCascade(sheet, element, properties[p]);
      if (indexed != plain) {
        failInput("the cascade of " + std::string(properties[p].name) + " on <" + element.name() +
                  "> gives '" + indexed + "', not '" + plain + "'");
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  currentInput = bytes;
  checkRead(readSvgText(bytes, ""));
  compareCascades(bytes);
  return 0;
}
