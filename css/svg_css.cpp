#include "css/svg_css.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <unordered_map>

namespace {

// The properties that change geometry, and those that change only what the geometry paints;
// rules that set none of them are not kept.
constexpr const char* kGeometryProperties[] = {"display", "visibility", "transform"};
constexpr const char* kPaintProperties[] = {"fill", "fill-rule", "stroke"};

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowered(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = lowerAscii(c);
  return result;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool isIdentifierChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

// The text without comments, and without the "<!--" and "-->" that may wrap a sheet.
std::string withoutComments(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    if (text.compare(at, 2, "/*") == 0) {
      const std::size_t end = text.find("*/", at + 2);
      at = end == std::string_view::npos ? text.size() : end + 2;
      result += ' ';
    } else if (text.compare(at, 4, "<!--") == 0) {
      at += 4;
    } else if (text.compare(at, 3, "-->") == 0) {
      at += 3;
    } else {
      result += text[at++];
    }
  }
  return result;
}

// Where the string, bracket or parenthesis opened at `at` closes (just after it), or the end.
std::size_t skipQuoted(std::string_view text, std::size_t at) {
  const char quote = text[at];
  for (++at; at < text.size(); ++at) {
    if (text[at] == '\\') {
      ++at;
    } else if (text[at] == quote) {
      return at + 1;
    }
  }
  return text.size();
}

// Splits at `separator` where it stands outside quotes, brackets and parentheses.
std::vector<std::string_view> splitOutside(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  int depth = 0;
  std::size_t start = 0;
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    if (c == '"' || c == '\'') {
      at = skipQuoted(text, at);
      continue;
    }
    if (c == '(' || c == '[') ++depth;
    if ((c == ')' || c == ']') && depth > 0) --depth;
    if (c == separator && depth == 0) {
      parts.push_back(text.substr(start, at - start));
      start = at + 1;
    }
    ++at;
  }
  parts.push_back(text.substr(start));
  return parts;
}

// Just after the block whose '{' is at `at` (nested blocks included), or the end.
std::size_t skipBlock(std::string_view text, std::size_t at) {
  int depth = 0;
  while (at < text.size()) {
    const char c = text[at];
    if (c == '"' || c == '\'') {
      at = skipQuoted(text, at);
      continue;
    }
    if (c == '{') ++depth;
    if (c == '}' && --depth == 0) return at + 1;
    ++at;
  }
  return text.size();
}

// --- Selectors ------------------------------------------------------------------------------

std::size_t readIdentifier(std::string_view text, std::size_t at, std::string& name) {
  const std::size_t start = at;
  while (at < text.size() && isIdentifierChar(text[at])) ++at;
  name.assign(text.substr(start, at - start));
  return at;
}

// Reads "[name]" or "[name op value]" from the '[' at `at`; returns the position after ']', or
// npos for what this reader does not read (flags, namespaces, escapes).
std::size_t readAttributeTest(std::string_view text, std::size_t at, CssAttributeTest& test) {
  const std::size_t close = text.find(']', at);
  if (close == std::string_view::npos) return std::string_view::npos;
  const std::string_view inside = trimmed(text.substr(at + 1, close - at - 1));
  std::size_t i = readIdentifier(inside, 0, test.name);
  if (test.name.empty()) return std::string_view::npos;
  while (i < inside.size() && isSpace(inside[i])) ++i;
  test.operation = 0;
  if (i == inside.size()) return close + 1;
  if (inside[i] == '=') {
    test.operation = '=';
    ++i;
  } else if (i + 1 < inside.size() && inside[i + 1] == '=' &&
             std::strchr("~|^$*", inside[i]) != nullptr) {
    test.operation = inside[i];
    i += 2;
  } else {
    return std::string_view::npos;
  }
  const std::string_view value = trimmed(inside.substr(i));
  if (!value.empty() && (value.front() == '"' || value.front() == '\'')) {
    if (value.size() < 2 || value.back() != value.front()) return std::string_view::npos;
    test.value.assign(value.substr(1, value.size() - 2));
    if (test.value.find('\\') != std::string::npos) return std::string_view::npos;
  } else {
    std::string identifier;
    if (readIdentifier(value, 0, identifier) != value.size()) return std::string_view::npos;
    test.value = identifier;
  }
  return close + 1;
}

// One complex selector ("g.icon > path[fill]"); false for what this reader does not read.
bool parseSelector(std::string_view text, std::vector<CssCompound>& selector, int& specificity) {
  selector.clear();
  specificity = 0;
  char combinator = 0;
  bool inCompound = false;
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    if (isSpace(c) || c == '>') {
      if (c == '>') {
        if (selector.empty() || combinator == '>') return false;
        combinator = '>';
      } else if (!selector.empty() && combinator == 0) {
        combinator = ' ';
      }
      inCompound = false;
      ++at;
      continue;
    }
    if (!inCompound) {
      if (!selector.empty() && combinator == 0) return false;
      selector.push_back({"", {}, {}, {}, combinator});
      combinator = 0;
      inCompound = true;
    }
    CssCompound& compound = selector.back();
    std::string name;
    if (c == '*' || isIdentifierChar(c)) {
      // A type or the universal selector opens a compound and stands first in it.
      if (!compound.type.empty() || !compound.ids.empty() || !compound.classes.empty() ||
          !compound.attributes.empty() || (at > 0 && text[at - 1] == '*')) {
        return false;
      }
      if (c == '*') {
        ++at;
        continue;
      }
      at = readIdentifier(text, at, name);
      compound.type = name;
      specificity += 1;
    } else if (c == '#' || c == '.') {
      at = readIdentifier(text, at + 1, name);
      if (name.empty()) return false;
      if (c == '#') {
        compound.ids.push_back(name);
        specificity += 10000;
      } else {
        compound.classes.push_back(name);
        specificity += 100;
      }
    } else if (c == '[') {
      CssAttributeTest test;
      at = readAttributeTest(text, at, test);
      if (at == std::string_view::npos) return false;
      compound.attributes.push_back(test);
      specificity += 100;
    } else {
      return false;  // ':' pseudo-classes, '+' and '~' combinators, '|' namespaces, escapes
    }
  }
  return !selector.empty() && combinator == 0;
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

bool attributeMatches(const CssAttributeTest& test, pugi::xml_node node) {
  const pugi::xml_attribute attribute = node.attribute(test.name.c_str());
  if (!attribute) return false;
  const std::string_view value = attribute.value();
  const std::string_view wanted = test.value;
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

std::string_view localName(std::string_view name) {
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool compoundMatches(const CssCompound& compound, pugi::xml_node node) {
  if (node.type() != pugi::node_element) return false;
  if (!compound.type.empty() && localName(node.name()) != compound.type) return false;
  for (const std::string& id : compound.ids) {
    if (id != node.attribute("id").value()) return false;
  }
  for (const std::string& name : compound.classes) {
    if (!hasWord(node.attribute("class").value(), name)) return false;
  }
  for (const CssAttributeTest& test : compound.attributes) {
    if (!attributeMatches(test, node)) return false;
  }
  return true;
}

template <std::size_t N>
bool setsAnyOf(const std::vector<CssDeclaration>& declarations,
               const char* const (&properties)[N]) {
  for (const CssDeclaration& declaration : declarations) {
    for (const char* property : properties) {
      if (declaration.property == property) return true;
    }
  }
  return false;
}

void noteSkipped(StyleSheet& sheet, std::string_view what) {
  if (sheet.firstSkipped.empty()) {
    sheet.firstSkipped.assign(what.substr(0, 40));
    if (what.size() > 40) sheet.firstSkipped += "...";
  }
}

bool silentAtRule(const std::string& name) {
  for (const char* silent : {"font-face", "keyframes", "-webkit-keyframes", "page", "namespace",
                             "charset", "counter-style", "property"}) {
    if (name == silent) return true;
  }
  return false;
}

// One winning candidate of the cascade: importance, then origin (0 attribute, 1 sheet, 2 style
// attribute), then specificity, then order.
struct Candidate {
  bool important;
  int origin;
  int specificity;
  int order;
  std::string value;
};

bool beats(const Candidate& a, const Candidate& b) {
  if (a.important != b.important) return a.important;
  if (a.origin != b.origin) return a.origin > b.origin;
  if (a.specificity != b.specificity) return a.specificity > b.specificity;
  return a.order >= b.order;
}

void consider(std::optional<Candidate>& best, Candidate candidate) {
  if (!best || beats(candidate, *best)) best = std::move(candidate);
}

}  // namespace

std::vector<CssDeclaration> parseDeclarations(std::string_view text) {
  std::vector<CssDeclaration> declarations;
  for (const std::string_view part : splitOutside(text, ';')) {
    const std::size_t colon = part.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string property = lowered(trimmed(part.substr(0, colon)));
    std::string_view value = trimmed(part.substr(colon + 1));
    bool important = false;
    const std::size_t bang = value.rfind('!');
    if (bang != std::string_view::npos && lowered(trimmed(value.substr(bang + 1))) == "important") {
      important = true;
      value = trimmed(value.substr(0, bang));
    }
    if (property.empty() || value.empty()) continue;
    declarations.push_back({property, std::string(value), important});
  }
  return declarations;
}

void addStyleSheet(std::string_view text, StyleSheet& sheet) {
  const std::string clean = withoutComments(text);
  const std::string_view css = clean;
  std::size_t at = 0;
  while (at < css.size()) {
    while (at < css.size() && (isSpace(css[at]) || css[at] == ';' || css[at] == '}')) ++at;
    if (at >= css.size()) break;
    if (css[at] == '@') {
      std::string name;
      const std::size_t afterName = readIdentifier(css, at + 1, name);
      const std::size_t semicolon = css.find(';', afterName);
      const std::size_t brace = css.find('{', afterName);
      const std::size_t end =
          brace < semicolon ? skipBlock(css, brace)
                            : (semicolon == std::string_view::npos ? css.size() : semicolon + 1);
      if (!silentAtRule(lowered(name))) {
        ++sheet.skippedAtRules;
        noteSkipped(sheet, "@" + name);
      }
      at = end;
      continue;
    }
    const std::size_t brace = css.find('{', at);
    if (brace == std::string_view::npos) break;
    const std::size_t end = skipBlock(css, brace);
    const std::string_view prelude = css.substr(at, brace - at);
    const std::size_t blockEnd = end > brace + 1 && css[end - 1] == '}' ? end - 1 : end;
    const std::vector<CssDeclaration> declarations =
        parseDeclarations(css.substr(brace + 1, blockEnd - brace - 1));
    at = end;
    const bool geometry = setsAnyOf(declarations, kGeometryProperties);
    const bool kept = geometry || setsAnyOf(declarations, kPaintProperties);
    for (const std::string_view part : splitOutside(prelude, ',')) {
      CssRule rule{{}, 0, static_cast<int>(sheet.rules.size()), {}};
      if (!parseSelector(trimmed(part), rule.selector, rule.specificity)) {
        // The warning is about what is drawn: selectors that cannot change geometry need none.
        if (geometry) {
          ++sheet.skippedSelectors;
          noteSkipped(sheet, trimmed(part));
        }
        continue;
      }
      if (!kept) continue;
      rule.declarations = declarations;
      sheet.rules.push_back(std::move(rule));
    }
  }
}

namespace {

// A rule as the cascade uses it: the compounds of each part between descendant combinators, and
// for each property the declaration that wins within the rule (-1 for none).
struct IndexedRule {
  const CssRule* rule;
  std::vector<std::pair<int, int>> parts;  // [first, end) compound ranges, left to right
  std::vector<int> winners;                // by property
};

// Results of the search above an element, keyed by rule, part and node: an open-addressing
// table, whose entries are 16 bytes. `node` null marks a free slot.
class AncestorMemo {
 public:
  // Whether parts 0..part of `rule` fit at `node` or above; false when not known.
  bool find(std::uint32_t rule, std::uint32_t part, const void* node, bool& result) const {
    if (entries_.empty()) return false;
    for (std::size_t at = slotOf(rule, part, node);; at = (at + 1) & (entries_.size() - 1)) {
      const Entry& entry = entries_[at];
      if (entry.node == nullptr) return false;
      if (entry.node == node && entry.rule == rule && (entry.part >> 1) == part) {
        result = (entry.part & 1) != 0;
        return true;
      }
    }
  }

  void insert(std::uint32_t rule, std::uint32_t part, const void* node, bool result) {
    if (2 * (count_ + 1) > entries_.size()) grow();
    std::size_t at = slotOf(rule, part, node);
    while (entries_[at].node != nullptr) at = (at + 1) & (entries_.size() - 1);
    entries_[at] = {node, rule, (part << 1) | (result ? 1u : 0u)};
    ++count_;
  }

 private:
  struct Entry {
    const void* node;
    std::uint32_t rule;
    std::uint32_t part;  // the part times 2, plus 1 when it fits
  };

  std::size_t slotOf(std::uint32_t rule, std::uint32_t part, const void* node) const {
    std::uint64_t h = reinterpret_cast<std::uintptr_t>(node);
    h ^= (std::uint64_t{rule} << 32 | part) * 0x9e3779b97f4a7c15ULL;
    h ^= h >> 29;
    h *= 0xbf58476d1ce4e5b9ULL;
    h ^= h >> 32;
    return static_cast<std::size_t>(h) & (entries_.size() - 1);
  }

  void grow() {
    std::vector<Entry> old(entries_.empty() ? 1024 : 2 * entries_.size(), Entry{nullptr, 0, 0});
    old.swap(entries_);
    count_ = 0;
    for (const Entry& entry : old) {
      if (entry.node != nullptr) {
        insert(entry.rule, entry.part >> 1, entry.node, (entry.part & 1) != 0);
      }
    }
  }

  std::vector<Entry> entries_;
  std::size_t count_ = 0;
};

}  // namespace

struct CssCascade::State {
  const StyleSheet& sheet;
  std::vector<CssProperty> properties;
  std::vector<IndexedRule> rules;
  // The rules by what their last compound names: an id, else a class, else a type, else none.
  std::unordered_map<std::string_view, std::vector<int>> byId, byClass, byType;
  std::vector<int> byNothing;
  std::unordered_map<const void*, std::vector<std::string>> values;  // by element, by property
  AncestorMemo memo;
  std::size_t steps = 0;
  std::vector<std::pair<std::uint32_t, pugi::xml_node>> visited;  // scratch of matches()
  std::vector<int> candidates;                                    // scratch of compute()

  State(const StyleSheet& sheet, std::vector<CssProperty> properties)
      : sheet(sheet), properties(std::move(properties)) {}

  bool exhausted() const { return steps > kMostSelectorSteps; }

  // The node where `part` of the rule fits with its last compound on `node` (the one its first
  // compound is on), or a null node.
  pugi::xml_node partTop(const IndexedRule& rule, int part, pugi::xml_node node) {
    const auto [first, end] = rule.parts[part];
    for (int at = end - 1;; --at) {
      ++steps;
      if (!node || !compoundMatches(rule.rule->selector[at], node)) return {};
      if (at == first) return node;
      node = node.parent();
    }
  }

  bool matches(int index, pugi::xml_node node) {
    const IndexedRule& rule = rules[index];
    const pugi::xml_node top = partTop(rule, static_cast<int>(rule.parts.size()) - 1, node);
    if (!top) return false;
    if (rule.parts.size() == 1) return true;
    // Each earlier part at the nearest ancestor above the later one where it fits: a part
    // placed lower leaves more ancestors to the parts before it, so when any placement matches,
    // this one does. Every state passed through shares the outcome, which is remembered.
    std::uint32_t part = static_cast<std::uint32_t>(rule.parts.size()) - 2;
    pugi::xml_node at = top.parent();
    bool result = false;
    visited.clear();
    while (true) {
      if (!at || at.type() != pugi::node_element) break;
      bool known = false;
      if (memo.find(static_cast<std::uint32_t>(index), part, at.internal_object(), known)) {
        result = known;
        break;
      }
      visited.push_back({part, at});
      const pugi::xml_node placed = partTop(rule, static_cast<int>(part), at);
      if (!placed) {
        at = at.parent();
      } else if (part == 0) {
        result = true;
        break;
      } else {
        --part;
        at = placed.parent();
      }
    }
    for (const auto& [visitedPart, visitedNode] : visited) {
      memo.insert(static_cast<std::uint32_t>(index), visitedPart, visitedNode.internal_object(),
                  result);
      steps += 4;
    }
    return result;
  }

  void addCandidates(const std::unordered_map<std::string_view, std::vector<int>>& bucket,
                     std::string_view key) {
    const auto found = bucket.find(key);
    if (found != bucket.end()) {
      candidates.insert(candidates.end(), found->second.begin(), found->second.end());
    }
  }

  std::vector<std::string> compute(pugi::xml_node node) {
    std::vector<std::optional<Candidate>> best(properties.size());
    const auto accepted = [&](std::size_t property, std::string_view value) {
      return properties[property].valid == nullptr || properties[property].valid(value);
    };
    for (std::size_t p = 0; p < properties.size(); ++p) {
      if (properties[p].presentationAttribute == nullptr) continue;
      const pugi::xml_attribute attribute = node.attribute(properties[p].presentationAttribute);
      if (attribute && accepted(p, trimmed(attribute.value()))) {
        consider(best[p], {false, 0, 0, 0, std::string(trimmed(attribute.value()))});
      }
    }
    candidates.clear();
    if (node.type() == pugi::node_element) {
      addCandidates(byId, node.attribute("id").value());
      const std::string_view classes = node.attribute("class").value();
      std::vector<std::string_view> words;
      for (std::size_t at = 0; at < classes.size();) {
        while (at < classes.size() && isSpace(classes[at])) ++at;
        const std::size_t start = at;
        while (at < classes.size() && !isSpace(classes[at])) ++at;
        if (at > start) words.push_back(classes.substr(start, at - start));
      }
      std::sort(words.begin(), words.end());
      words.erase(std::unique(words.begin(), words.end()), words.end());
      for (const std::string_view word : words) addCandidates(byClass, word);
      addCandidates(byType, localName(node.name()));
      candidates.insert(candidates.end(), byNothing.begin(), byNothing.end());
    }
    for (const int index : candidates) {
      if (exhausted() || !matches(index, node)) continue;
      const IndexedRule& rule = rules[index];
      for (std::size_t p = 0; p < properties.size(); ++p) {
        if (rule.winners[p] < 0) continue;
        const CssDeclaration& declaration = rule.rule->declarations[rule.winners[p]];
        consider(best[p], {declaration.important, 1, rule.rule->specificity, rule.rule->order,
                           declaration.value});
      }
    }
    const pugi::xml_attribute style = node.attribute("style");
    if (style) {
      int order = 0;
      for (const CssDeclaration& declaration : parseDeclarations(style.value())) {
        for (std::size_t p = 0; p < properties.size(); ++p) {
          if (declaration.property == properties[p].name && accepted(p, declaration.value)) {
            consider(best[p], {declaration.important, 2, 0, order, declaration.value});
          }
        }
        ++order;
      }
    }
    std::vector<std::string> result(properties.size());
    for (std::size_t p = 0; p < properties.size(); ++p) {
      if (best[p]) result[p] = std::move(best[p]->value);
    }
    return result;
  }
};

CssCascade::CssCascade(const StyleSheet& sheet, std::vector<CssProperty> properties)
    : state_(std::make_unique<State>(sheet, std::move(properties))) {
  State& state = *state_;
  for (const CssRule& rule : sheet.rules) {
    IndexedRule indexed{&rule, {}, std::vector<int>(state.properties.size(), -1)};
    const int count = static_cast<int>(rule.selector.size());
    for (int at = 0; at < count; ++at) {
      if (at == 0 || rule.selector[at].combinator == ' ') indexed.parts.push_back({at, at});
      indexed.parts.back().second = at + 1;
    }
    // Within a rule, a later declaration beats an earlier one of the same importance.
    for (std::size_t p = 0; p < state.properties.size(); ++p) {
      const CssProperty& property = state.properties[p];
      for (std::size_t d = 0; d < rule.declarations.size(); ++d) {
        const CssDeclaration& declaration = rule.declarations[d];
        if (declaration.property != property.name) continue;
        if (property.valid != nullptr && !property.valid(declaration.value)) continue;
        const int winner = indexed.winners[p];
        if (winner < 0 || declaration.important || !rule.declarations[winner].important) {
          indexed.winners[p] = static_cast<int>(d);
        }
      }
    }
    const int index = static_cast<int>(state.rules.size());
    const CssCompound& last = rule.selector.back();
    if (!last.ids.empty()) {
      state.byId[last.ids.front()].push_back(index);
    } else if (!last.classes.empty()) {
      state.byClass[last.classes.front()].push_back(index);
    } else if (!last.type.empty()) {
      state.byType[last.type].push_back(index);
    } else {
      state.byNothing.push_back(index);
    }
    state.rules.push_back(std::move(indexed));
  }
}

CssCascade::~CssCascade() = default;

std::string CssCascade::value(pugi::xml_node node, std::size_t property) {
  State& state = *state_;
  const auto found = state.values.find(node.internal_object());
  if (found != state.values.end()) return found->second[property];
  std::vector<std::string> values = state.compute(node);
  // Kept when rules or a style attribute took part; presentation attributes alone are read again
  // faster than they are looked up, and keeping them would cost memory for every element.
  if (!state.candidates.empty() || node.attribute("style")) {
    return state.values.emplace(node.internal_object(), std::move(values)).first->second[property];
  }
  return values[property];
}

bool CssCascade::exhausted() const {
  return state_->exhausted();
}

std::string skippedCssWarning(const StyleSheet& sheet) {
  if (sheet.skippedSelectors == 0 && sheet.skippedAtRules == 0) return "";
  std::string warning = "CSS it cannot read skipped (";
  if (sheet.skippedSelectors > 0) {
    warning += std::to_string(sheet.skippedSelectors) + " selector" +
               (sheet.skippedSelectors > 1 ? "s" : "");
  }
  if (sheet.skippedAtRules > 0) {
    warning += std::string(sheet.skippedSelectors > 0 ? ", " : "") +
               std::to_string(sheet.skippedAtRules) + " at-rule" +
               (sheet.skippedAtRules > 1 ? "s" : "");
  }
  std::string first;
  for (const char c : sheet.firstSkipped) {
    first +=
        static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7f ? c : '?';
  }
  return warning + ", first '" + first + "')";
}
