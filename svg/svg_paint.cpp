#include "svg/svg_paint.h"

#include <algorithm>

#include "svg/svg_attributes.h"
#include "svg/svg_number.h"

namespace {

// CSS Color 4's named colours, and the system colours it keeps.
constexpr const char* kColourNames[] = {
    "aliceblue", "antiquewhite", "aqua", "aquamarine", "azure", "beige", "bisque", "black",
    "blanchedalmond", "blue", "blueviolet", "brown", "burlywood", "cadetblue", "chartreuse",
    "chocolate", "coral", "cornflowerblue", "cornsilk", "crimson", "cyan", "darkblue", "darkcyan",
    "darkgoldenrod", "darkgray", "darkgreen", "darkgrey", "darkkhaki", "darkmagenta",
    "darkolivegreen", "darkorange", "darkorchid", "darkred", "darksalmon", "darkseagreen",
    "darkslateblue", "darkslategray", "darkslategrey", "darkturquoise", "darkviolet", "deeppink",
    "deepskyblue", "dimgray", "dimgrey", "dodgerblue", "firebrick", "floralwhite", "forestgreen",
    "fuchsia", "gainsboro", "ghostwhite", "gold", "goldenrod", "gray", "green", "greenyellow",
    "grey", "honeydew", "hotpink", "indianred", "indigo", "ivory", "khaki", "lavender",
    "lavenderblush", "lawngreen", "lemonchiffon", "lightblue", "lightcoral", "lightcyan",
    "lightgoldenrodyellow", "lightgray", "lightgreen", "lightgrey", "lightpink", "lightsalmon",
    "lightseagreen", "lightskyblue", "lightslategray", "lightslategrey", "lightsteelblue",
    "lightyellow", "lime", "limegreen", "linen", "magenta", "maroon", "mediumaquamarine",
    "mediumblue", "mediumorchid", "mediumpurple", "mediumseagreen", "mediumslateblue",
    "mediumspringgreen", "mediumturquoise", "mediumvioletred", "midnightblue", "mintcream",
    "mistyrose", "moccasin", "navajowhite", "navy", "oldlace", "olive", "olivedrab", "orange",
    "orangered", "orchid", "palegoldenrod", "palegreen", "paleturquoise", "palevioletred",
    "papayawhip", "peachpuff", "peru", "pink", "plum", "powderblue", "purple", "rebeccapurple",
    "red", "rosybrown", "royalblue", "saddlebrown", "salmon", "sandybrown", "seagreen", "seashell",
    "sienna", "silver", "skyblue", "slateblue", "slategray", "slategrey", "snow", "springgreen",
    "steelblue", "tan", "teal", "thistle", "tomato", "turquoise", "violet", "wheat", "white",
    "whitesmoke", "yellow", "yellowgreen", "transparent", "currentcolor",
    // System colours.
    "accentcolor", "accentcolortext", "activetext", "buttonborder", "buttonface", "buttontext",
    "canvas", "canvastext", "field", "fieldtext", "graytext", "highlight", "highlighttext",
    "linktext", "mark", "marktext", "selecteditem", "selecteditemtext", "visitedtext"};

constexpr const char* kColourFunctions[] = {"rgb",   "rgba",  "hsl",       "hsla",
                                            "hwb",   "lab",   "lch",       "oklab",
                                            "oklch", "color", "color-mix", "light-dark"};

bool isCssWideKeyword(std::string_view word) {
  return word == "inherit" || word == "initial" || word == "unset" || word == "revert" ||
         word == "revert-layer";
}

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// `name(...)` with the parenthesis closing at the end.
bool isFunctionOf(std::string_view word, std::string_view name) {
  return word.size() > name.size() + 1 && word.substr(0, name.size()) == name &&
         word[name.size()] == '(' && word.back() == ')';
}

// A colour, lower-cased and trimmed.
bool isColour(std::string_view word) {
  if (!word.empty() && word[0] == '#') {
    const std::string_view digits = word.substr(1);
    const std::size_t n = digits.size();
    return (n == 3 || n == 4 || n == 6 || n == 8) &&
           std::all_of(digits.begin(), digits.end(), isHexDigit);
  }
  for (const char* name : kColourNames) {
    if (word == name) return true;
  }
  for (const char* function : kColourFunctions) {
    if (isFunctionOf(word, function)) return true;
  }
  return false;
}

struct UrlParts {
  bool ok;
  std::string_view reference;  // inside url(), quotes removed
  std::string_view rest;       // after it, trimmed
};

// url(REF) or url("REF") or url('REF') at the start of `word` (lower-cased, trimmed: the
// reference is read from `original`, in its own letter case, at the same offsets).
UrlParts splitUrl(std::string_view word, std::string_view original) {
  if (word.substr(0, 4) != "url(") return {false, {}, {}};
  const std::size_t close = word.find(')');
  if (close == std::string_view::npos) return {false, {}, {}};
  std::string_view reference = original.substr(4, close - 4);
  while (!reference.empty() && isSvgSpace(reference.front())) reference.remove_prefix(1);
  while (!reference.empty() && isSvgSpace(reference.back())) reference.remove_suffix(1);
  if (reference.size() >= 2 && (reference.front() == '"' || reference.front() == '\'') &&
      reference.back() == reference.front()) {
    reference = reference.substr(1, reference.size() - 2);
  }
  std::string_view rest = word.substr(close + 1);
  while (!rest.empty() && isSvgSpace(rest.front())) rest.remove_prefix(1);
  return {true, reference, rest};
}

// `text` trimmed, in its own letter case.
std::string_view trimmedOriginal(std::string_view text) {
  while (!text.empty() && isSvgSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSvgSpace(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

bool isPaintValue(std::string_view text) {
  const std::string word = keyword(text);
  if (isCssWideKeyword(word) || word == "none" || word == "context-fill" ||
      word == "context-stroke") {
    return true;
  }
  const UrlParts url = splitUrl(word, trimmedOriginal(text));
  if (url.ok) return url.rest.empty() || url.rest == "none" || isColour(url.rest);
  return isColour(word);
}

PaintValue readPaintValue(std::string_view text, bool initialPaints) {
  const std::string word = keyword(text);
  if (word == "initial") return {initialPaints ? PaintKind::kPaints : PaintKind::kNone, "", false};
  if (isCssWideKeyword(word)) return {PaintKind::kInherit, "", false};
  if (word == "none") return {PaintKind::kNone, "", false};
  if (word == "context-fill") return {PaintKind::kContextFill, "", false};
  if (word == "context-stroke") return {PaintKind::kContextStroke, "", false};
  const UrlParts url = splitUrl(word, trimmedOriginal(text));
  if (!url.ok) return {PaintKind::kPaints, "", false};
  const bool inFile = !url.reference.empty() && url.reference.front() == '#';
  return {PaintKind::kServer, inFile ? std::string(url.reference.substr(1)) : "",
          !url.rest.empty() && url.rest != "none"};
}

bool isFillRuleValue(std::string_view text) {
  const std::string word = keyword(text);
  return word == "nonzero" || word == "evenodd" || isCssWideKeyword(word);
}

FillRule readFillRule(std::string_view text, FillRule inherited) {
  const std::string word = keyword(text);
  if (word == "evenodd") return FillRule::kEvenOdd;
  if (word == "nonzero" || word == "initial") return FillRule::kNonzero;
  return inherited;
}
