// CFF (Type 2) charstrings run here, in double precision: FreeType's unhinted CFF engine floors
// every coordinate to whole font units, and a CFF font may place points at fractions (100.5,
// 0.25) through its 16.16 operands. Sums of 16.16 numbers are exact in a double, so the points
// are the font's own.
#ifndef FONTS_CFF_OUTLINE_H
#define FONTS_CFF_OUTLINE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fonts/glyph_outline.h"

struct CffFont;

// Parses a 'CFF ' table. Null when the table is not one this reader runs (CFF2, a FontMatrix
// other than 1 / unitsPerEm, a charstring type other than 2, a header it cannot read): the
// glyphs are then left to FreeType.
std::shared_ptr<const CffFont> parseCffTable(std::vector<std::uint8_t> table, unsigned unitsPerEm);

enum class CffRun {
  kRead,         // `points` holds the glyph
  kUnsupported,  // an operator this reader does not run (seac accents, arithmetic): use FreeType
  kMalformed,    // the charstring is broken: the glyph cannot be read
};

struct CffGlyph {
  CffRun run;
  std::string problem;  // for kMalformed and kUnsupported
  GlyphPoints points;
};

// Runs glyph `index`'s charstring: contours of on-curve and cubic control points, each closed
// by its next moveto or the end.
CffGlyph runCffGlyph(const CffFont& font, unsigned index);

#endif  // FONTS_CFF_OUTLINE_H
