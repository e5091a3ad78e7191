// The internal entities an XML document's DOCTYPE declares, expanded before the document is
// parsed (pugixml expands only the predefined and character references). Editors write them so:
//   <!DOCTYPE svg [ <!ENTITY ns_svg "http://www.w3.org/2000/svg"> ]>
//   <svg xmlns="&ns_svg;">
#ifndef SVG_SVG_ENTITIES_H
#define SVG_SVG_ENTITIES_H

#include <string>
#include <string_view>

// Expansion stops here: "billion laughs" files (entities of entities, each ten times larger)
// are refused instead of exhausting memory.
constexpr std::size_t kMaxEntityExpansionBytes = std::size_t{64} << 20;

struct EntityExpansion {
  bool ok;
  bool changed;       // when ok: whether `text` differs from the input (then it holds the text)
  std::string text;   // the document with the internal entities' references replaced
  std::string error;  // when !ok: one line, e.g. "entity 'a' expands beyond 64 MiB"
};

// Reads the internal subset of the DOCTYPE (general entities with a quoted value; references to
// earlier entities inside values are expanded when used, and a reference to an entity that is
// being expanded is an error) and replaces each reference &name; to them in the rest of the
// document, outside comments and CDATA sections. Parameter entities (%name;) and external
// entities (SYSTEM or PUBLIC) are never fetched: their references are left as they are, and
// pugixml then leaves them as text. Without a DOCTYPE or an internal subset the input is left
// as it is (changed false). Linear in the input and output.
EntityExpansion expandInternalEntities(std::string_view xml);

#endif  // SVG_SVG_ENTITIES_H
