// The values of SVG's painting properties that decide what an element paints: fill and stroke
// (<paint>: none, a colour, currentColor, a paint server's url() with an optional fallback,
// context-fill, context-stroke) and fill-rule (nonzero, evenodd). Only whether a paint paints
// anything is read, never its colour.
#ifndef SVG_SVG_PAINT_H
#define SVG_SVG_PAINT_H

#include <string>
#include <string_view>

#include "distance/shape.h"

enum class PaintKind {
  kNone,           // none
  kPaints,         // a colour, currentColor, or initial for fill (black)
  kInherit,        // inherit, unset, revert: the parent's value (both properties inherit)
  kServer,         // url(#id): the paint server's, else the fallback's
  kContextFill,    // the context element's fill (a <use>'s, for its copies); none without one
  kContextStroke,  // its stroke
};

struct PaintValue {
  PaintKind kind;
  // For kServer: the id referred to; "" when the url points outside the file, which is never
  // fetched.
  std::string serverId;
  // For kServer: whether the fallback paints, used when the reference is not a paint server
  // (no fallback: nothing is painted, as SVG 2 says).
  bool fallbackPaints;
};

// Whether `text` is a value fill or stroke accept: a <paint> (colours as CSS Color 4 writes
// them: hex, named and system colours, transparent, and its colour functions, whose arguments are
// not checked), or a CSS-wide keyword. Letter case is ignored, blanks around allowed.
bool isPaintValue(std::string_view text);

// The meaning of a value that isPaintValue accepts; `initialPaints`: whether the property's
// initial value paints (fill's black does, stroke's none does not).
PaintValue readPaintValue(std::string_view text, bool initialPaints);

// Whether `text` is a value fill-rule accepts: nonzero, evenodd, or a CSS-wide keyword.
bool isFillRuleValue(std::string_view text);

// The rule a value that isFillRuleValue accepts names; `inherited` for the CSS-wide keywords
// that inherit (initial is nonzero).
FillRule readFillRule(std::string_view text, FillRule inherited);

#endif  // SVG_SVG_PAINT_H
