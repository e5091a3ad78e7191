// Reading the values of SVG attributes other than path data and transforms: lengths, number
// lists (points, viewBox) and keywords.
#ifndef SVG_SVG_ATTRIBUTES_H
#define SVG_SVG_ATTRIBUTES_H

#include <string>
#include <string_view>
#include <vector>

struct LengthParse {
  bool ok;
  double value;         // when ok: in user units (px)
  std::string problem;  // when !ok: e.g. "unknown unit 'furlongs'"
};

// What relative lengths are relative to: `percentOf` is the viewport's width, height or
// normalised diagonal sqrt((w² + h²) / 2), as the attribute asks; the viewport sizes serve vw,
// vh, vmin and vmax.
struct LengthBasis {
  double percentOf;
  double viewportWidth;
  double viewportHeight;
};

// The font size relative units are measured against: no font is set on the shapes read, so
// browsers' default, 16 px; an ex is taken as half of it, as browsers do without font metrics.
constexpr double kDefaultFontSize = 16;

// A number with an optional unit, blanks around allowed: none or px as they are; in, cm, mm, Q,
// pt and pc converted at 96 px to the inch; em and rem at kDefaultFontSize, ex and ch at half
// of it; % of basis.percentOf; vw, vh, vmin and vmax of the viewport (units in any letter case).
// Refuses anything else, and magnitudes above 1e150 after conversion.
LengthParse parseLength(std::string_view text, const LengthBasis& basis);

struct NumberListParse {
  bool ok;
  std::vector<double> values;
  std::string error;  // when !ok: "<what>, character N: ..."
};

// Numbers separated by white space and/or one comma, as in points and viewBox; blanks around.
NumberListParse parseNumberList(std::string_view text, const char* what);

// A keyword as CSS compares it: blanks around dropped, ASCII letters lower-cased.
std::string keyword(std::string_view text);

#endif  // SVG_SVG_ATTRIBUTES_H
