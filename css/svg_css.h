// The part of CSS that changes what an SVG drawing paints: <style> sheets and style attributes,
// cascaded for the properties display, visibility, transform, fill and fill-rule.
//
// A small reader with these limits, chosen for what icon and editor files write:
//   - Selectors: type (any letter case for the element's local name), universal `*`, `#id`,
//     `.class`, attribute selectors `[a]`, `[a=v]`, `[a~=v]`, `[a|=v]`, `[a^=v]`, `[a$=v]`,
//     `[a*=v]` (values quoted or not), compounds of those, the descendant (blank) and child (`>`)
//     combinators, and grouping with `,`. A selector with anything else (pseudo-classes and
//     pseudo-elements, sibling combinators, namespace prefixes) is skipped, never matched: it is
//     counted in the warning when its rule sets display, visibility or transform (which decide
//     what is drawn), and the other selectors of its group still apply.
//   - At-rules: @media, @supports, @import and the like are skipped with their block and counted
//     in the warning (nothing is ever fetched); @font-face, @keyframes, @page and @namespace
//     change no geometry and are skipped silently.
//   - The cascade: presentation attributes first, then sheet rules by specificity and order, then
//     the style attribute; a declaration marked !important beats any that is not, and among
//     important ones the style attribute still comes last. Declarations a sheet cannot parse are
//     dropped, as CSS does.
#ifndef CSS_SVG_CSS_H
#define CSS_SVG_CSS_H

#include <cstddef>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

struct CssDeclaration {
  std::string property;  // lower-cased
  std::string value;     // trimmed, !important removed
  bool important;
};

struct CssAttributeTest {
  std::string name;
  char operation;  // 0: present; '=', '~', '|', '^', '$', '*' as in [a=v], [a~=v], ...
  std::string value;
};

// One compound selector (type, ids, classes, attribute tests) and how it is joined to the one
// before it: ' ' as a descendant, '>' as a child (0 for the first).
struct CssCompound {
  std::string type;  // "" for any element
  std::vector<std::string> ids;
  std::vector<std::string> classes;
  std::vector<CssAttributeTest> attributes;
  char combinator;
};

struct CssRule {
  std::vector<CssCompound> selector;  // left to right
  int specificity;                    // ids × 10000 + classes and attributes × 100 + types
  int order;                          // position among all rules of the document
  std::vector<CssDeclaration> declarations;
};

struct StyleSheet {
  std::vector<CssRule> rules;
  int skippedSelectors = 0;
  int skippedAtRules = 0;
  std::string firstSkipped;  // the first selector or at-rule skipped, for the warning
};

// Adds the rules of one <style> element's text (comments and CDATA markers allowed).
void addStyleSheet(std::string_view text, StyleSheet& sheet);

// The declarations of a style attribute or a rule's block, in order; malformed ones dropped.
std::vector<CssDeclaration> parseDeclarations(std::string_view text);

// A property the cascade computes: its name, the presentation attribute that also sets it (null
// for none), and with `valid` the values it refuses, which take no part, as CSS drops a
// declaration whose value it cannot parse (and SVG a presentation attribute's), so that the next
// one in the cascade, or inheritance, decides.
struct CssProperty {
  const char* name;
  const char* presentationAttribute;
  bool (*valid)(std::string_view);
};

// A sheet cascaded over the elements of one document, for a fixed list of properties.
//
// Cost: each element's values are computed once, the first time one is asked (later asks, such
// as the copies <use> makes, look them up), except where only presentation attributes set them. An
// element is tested only against the rules whose last compound could match it: those naming its id,
// one of its classes or its type, and those naming none. A selector is matched right to left, its
// parts between descendant combinators each placed at the nearest ancestor where it fits (which
// finds a match whenever there is one), and what is found above an element is remembered, so that
// each selector visits each element at most once for each of its parts: matching is linear in the
// document for each selector. The work is counted in steps (a compound tested, a result
// remembered), at most kMostSelectorSteps for the whole document; beyond that exhausted() is true
// and no further rule matches.
class CssCascade {
 public:
  static constexpr std::size_t kMostSelectorSteps = std::size_t{1} << 23;

  // `sheet` must outlive the cascade; so must the document whose nodes are asked about.
  CssCascade(const StyleSheet& sheet, std::vector<CssProperty> properties);
  ~CssCascade();
  CssCascade(const CssCascade&) = delete;
  CssCascade& operator=(const CssCascade&) = delete;

  // The value that wins the cascade for properties[property] on `node`, trimmed and as written
  // (callers lower-case keywords); "" when no sheet rule, style attribute or presentation
  // attribute sets a value it accepts.
  std::string value(pugi::xml_node node, std::size_t property);

  bool exhausted() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// One line for the warning, e.g. "2 CSS selectors ('a:hover', ...) and 1 @media rule skipped",
// or "" when nothing was skipped.
std::string skippedCssWarning(const StyleSheet& sheet);

#endif  // CSS_SVG_CSS_H
