// SVG's transform lists: the `transform` attribute.
#ifndef SVG_SVG_TRANSFORM_H
#define SVG_SVG_TRANSFORM_H

#include <string>
#include <string_view>

#include "svg/affine.h"

struct TransformParse {
  bool ok;
  Affine map;         // when ok: the list's transforms composed, the first outermost
  std::string error;  // when !ok: "transform, character N: ..."
  // When !ok: the value can be read but lies outside this reader's limits (parseCssTransform
  // only). Such a value is refused, as the attribute is, where one that cannot be read is
  // dropped.
  bool refused = false;
};

// Reads a list of matrix(a b c d e f), translate(x [y]), scale(x [y]), rotate(angle [cx cy]),
// skewX(angle) and skewY(angle), angles in degrees, separated by white space and/or a comma,
// numbers inside by white space and/or a comma. "" or blanks is the identity. Numbers follow the
// path data's syntax and limits.
TransformParse parseTransformList(std::string_view text);

// The CSS transform property's value: "none", or functions matrix, translate, translateX,
// translateY, scale, scaleX, scaleY, rotate, skew, skewX and skewY with comma-separated
// arguments, lengths unitless or in px (or absolute units), angles in deg, rad, grad or turn
// (0 may go without a unit). Percentages (of a reference box) and 3D functions are refused;
// transform-origin is not read: SVG's default origin, the user space's (0, 0), applies.
//
// The limits are the transform list's, with `refused` set and the error in its words, e.g.
// "CSS transform, character 7: number '1e200' out of range (magnitude above 1e150)": a number
// beyond 1e150 or longer than 100 characters, a length or angle beyond 1e150 once in px or
// degrees, a skew by 90 degrees (or 270).
TransformParse parseCssTransform(std::string_view text);

#endif  // SVG_SVG_TRANSFORM_H
