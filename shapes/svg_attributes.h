// Reading the values of SVG attributes other than path data and transforms: lengths, number
// lists (points, viewBox) and declarations in a style attribute.
#ifndef SHAPES_SVG_ATTRIBUTES_H
#define SHAPES_SVG_ATTRIBUTES_H

#include <string>
#include <string_view>
#include <vector>

struct LengthParse {
  bool ok;
  double value;         // when ok: in user units (px)
  std::string problem;  // when !ok: e.g. "percentages are not supported"
};

// A number with an optional unit, blanks around allowed: none or px as they are; in, cm, mm, Q,
// pt and pc converted at 96 px to the inch (units in any letter case). Refuses percentages,
// relative units and anything else, and magnitudes above 1e150 after conversion.
LengthParse parseLength(std::string_view text);

struct NumberListParse {
  bool ok;
  std::vector<double> values;
  std::string error;  // when !ok: "<what>, character N: ..."
};

// Numbers separated by white space and/or one comma, as in points and viewBox; blanks around.
NumberListParse parseNumberList(std::string_view text, const char* what);

// The value of `property` in a style attribute ("a: b; c: d"), lower-cased and trimmed, with
// "!important" dropped; the last declaration wins; "" when there is none.
std::string styleProperty(std::string_view style, std::string_view property);

// A keyword as CSS compares it: blanks around dropped, ASCII letters lower-cased.
std::string keyword(std::string_view text);

#endif  // SHAPES_SVG_ATTRIBUTES_H
