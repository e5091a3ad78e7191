#include "svg/svg_entities.h"

#include <unordered_map>
#include <vector>

#include "svg/svg_number.h"

namespace {

bool isXmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-' || c == '.' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
}

std::size_t skipXmlSpaces(std::string_view text, std::size_t at) {
  while (at < text.size() && isXmlSpace(text[at])) ++at;
  return at;
}

std::size_t readName(std::string_view text, std::size_t at, std::string_view& name) {
  const std::size_t start = at;
  while (at < text.size() && isNameChar(text[at])) ++at;
  name = text.substr(start, at - start);
  return at;
}

struct Entity {
  std::string_view value;  // as declared, references not yet expanded
  std::string expansion;   // filled on first use
  int state = 0;           // 0 not expanded, 1 being expanded, 2 done
};

struct Expander {
  std::unordered_map<std::string_view, Entity> entities;
  std::string error;
};

bool expandInto(Expander& expander, std::string_view text, std::string& out);

// The expansion of entity `name`, computed once.
const std::string* expansionOf(Expander& expander, std::string_view name) {
  const auto found = expander.entities.find(name);
  if (found == expander.entities.end()) return nullptr;
  Entity& entity = found->second;
  if (entity.state == 2) return &entity.expansion;
  if (entity.state == 1) {
    expander.error = "entity " + quoted(name) + " refers to itself";
    return nullptr;
  }
  entity.state = 1;
  std::string expansion;
  if (!expandInto(expander, entity.value, expansion)) return nullptr;
  entity.expansion = std::move(expansion);
  entity.state = 2;
  return &entity.expansion;
}

// Appends `text` with references to declared entities replaced; comments and CDATA sections
// are copied as they are.
bool expandInto(Expander& expander, std::string_view text, std::string& out) {
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    if (c == '<' && (text.compare(at, 4, "<!--") == 0 || text.compare(at, 9, "<![CDATA[") == 0)) {
      const bool comment = text[at + 2] == '-';
      const std::size_t end = text.find(comment ? "-->" : "]]>", at + 4);
      const std::size_t stop = end == std::string_view::npos ? text.size() : end + 3;
      out.append(text.substr(at, stop - at));
      at = stop;
      continue;
    }
    if (c == '&' && at + 1 < text.size() && text[at + 1] != '#') {
      std::string_view name;
      const std::size_t end = readName(text, at + 1, name);
      if (end < text.size() && text[end] == ';' && expander.entities.count(name) != 0) {
        const std::string* expansion = expansionOf(expander, name);
        if (expansion == nullptr) return false;
        out += *expansion;
        at = end + 1;
        if (out.size() > kMaxEntityExpansionBytes) {
          expander.error = "entity " + quoted(name) + " expands the document beyond 64 MiB";
          return false;
        }
        continue;
      }
    }
    out += c;
    ++at;
  }
  if (out.size() > kMaxEntityExpansionBytes) {
    expander.error = "entities expand the document beyond 64 MiB";
    return false;
  }
  return true;
}

// Reads one <!ENTITY ...> declaration at `at` (just after "<!ENTITY"); returns the position
// after its '>'.
std::size_t readDeclaration(std::string_view subset, std::size_t at, Expander& expander) {
  at = skipXmlSpaces(subset, at);
  const bool parameter = at < subset.size() && subset[at] == '%';
  if (parameter) at = skipXmlSpaces(subset, at + 1);
  std::string_view name;
  at = skipXmlSpaces(subset, readName(subset, at, name));
  if (at < subset.size() && (subset[at] == '"' || subset[at] == '\'')) {
    const char quote = subset[at];
    const std::size_t end = subset.find(quote, at + 1);
    if (end == std::string_view::npos) return subset.size();
    // The first declaration of a name binds, as XML says.
    if (!parameter && !name.empty() && expander.entities.count(name) == 0) {
      expander.entities[name].value = subset.substr(at + 1, end - at - 1);
    }
    at = end + 1;
  }
  // External entities (SYSTEM "uri" or PUBLIC "id" "uri") are not read: skip to the end.
  while (at < subset.size() && subset[at] != '>') {
    if (subset[at] == '"' || subset[at] == '\'') {
      const std::size_t end = subset.find(subset[at], at + 1);
      if (end == std::string_view::npos) return subset.size();
      at = end;
    }
    ++at;
  }
  return at < subset.size() ? at + 1 : at;
}

// The end of the internal subset that opens at `open` (the '['): the position of its ']'.
std::size_t readSubset(std::string_view xml, std::size_t open, Expander& expander) {
  std::size_t at = open + 1;
  while (at < xml.size()) {
    const char c = xml[at];
    if (c == ']') return at;
    if (xml.compare(at, 4, "<!--") == 0) {
      const std::size_t end = xml.find("-->", at + 4);
      at = end == std::string_view::npos ? xml.size() : end + 3;
    } else if (xml.compare(at, 8, "<!ENTITY") == 0) {
      at = readDeclaration(xml, at + 8, expander);
    } else if (c == '"' || c == '\'') {
      const std::size_t end = xml.find(c, at + 1);
      at = end == std::string_view::npos ? xml.size() : end + 1;
    } else {
      ++at;
    }
  }
  return std::string_view::npos;
}

}  // namespace

EntityExpansion expandInternalEntities(std::string_view xml) {
  EntityExpansion result{true, false, "", ""};
  const std::size_t doctype = xml.find("<!DOCTYPE");
  if (doctype == std::string_view::npos) return result;
  // A DOCTYPE stands before the root element; one further on (in a comment, say) is text.
  for (std::size_t open = xml.find('<'); open < doctype; open = xml.find('<', open + 1)) {
    const char next = open + 1 < xml.size() ? xml[open + 1] : '\0';
    if (next != '?' && next != '!') return result;
  }
  // The internal subset opens with '[' before the DOCTYPE's '>' (quoted identifiers aside).
  std::size_t at = doctype + 9;
  while (at < xml.size() && xml[at] != '[' && xml[at] != '>') {
    if (xml[at] == '"' || xml[at] == '\'') {
      const std::size_t end = xml.find(xml[at], at + 1);
      if (end == std::string_view::npos) return result;
      at = end;
    }
    ++at;
  }
  if (at >= xml.size() || xml[at] != '[') return result;
  Expander expander;
  const std::size_t close = readSubset(xml, at, expander);
  if (close == std::string_view::npos || expander.entities.empty()) return result;
  result.text.assign(xml.substr(0, close));
  if (!expandInto(expander, xml.substr(close), result.text)) {
    return {false, false, "", expander.error};
  }
  result.changed = true;
  return result;
}
