// Glyph outlines read from font files (anything FreeType reads: OpenType with CFF or TrueType
// outlines, TrueType, collections) as shapes, and the pairing of two fonts' glyphs for a
// glyph-by-glyph comparison.
#ifndef SHAPES_GLYPH_H
#define SHAPES_GLYPH_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "distance/shape.h"

// One glyph's outline, unhinted, in font units with y up (FreeType's FT_LOAD_NO_SCALE |
// FT_LOAD_NO_HINTING), built as outlineToSegments (shapes/glyph_outline.h) describes: closed
// contours of exact cubics, approximationError 0.
struct GlyphOutline {
  std::string name;         // the glyph's name, "" when the font has none
  std::uint32_t codePoint;  // the lowest Unicode code point mapped to it, 0 when none is
  unsigned glyphIndex;
  Shape shape;  // no segments for a glyph that draws nothing (space)
};

// A code point as Unicode writes it: "U+0067", "U+1D0EB".
std::string codePointName(std::uint32_t codePoint);

struct FontRead {
  bool ok;
  std::string error;  // one line naming the file, when !ok
  bool hasGlyphNames;
  std::vector<GlyphOutline> glyphs;  // every glyph of the face, in glyph index order
};

// Every glyph of a font. `fontArgument` is a file name, or "FILE#N" for face N (from 0) of a
// collection; a file whose own name ends in "#N" is read as it is. Fails, with one line naming
// the file, for a missing or unreadable file, a directory or other non-regular file, a file
// that is not a font, a face number out of range, a font without outlines (bitmap only) and a
// glyph that cannot be loaded (a truncated or damaged file): no glyph is dropped silently.
FontRead readFontGlyphs(const std::string& fontArgument);

struct GlyphRead {
  bool ok;
  std::string error;  // one line naming the file and the glyph, when !ok
  GlyphOutline glyph;
};

// One glyph. `glyphSpec` is one character in UTF-8 ("a", "é"), a code point "U+00E9" (1 to 6
// hex digits, "u+" too), or else a glyph name ("aacute", ".notdef"). Characters and code points
// go through the font's Unicode character map; a character the font does not map is an error,
// never its .notdef glyph. The result's codePoint is the lowest one mapped to the glyph, which
// may be lower than the one asked for (U+00A0 may give the space glyph, U+0020).
GlyphRead readGlyph(const std::string& fontArgument, const std::string& glyphSpec);

// Indices into the two fonts' glyph lists.
struct GlyphPairing {
  std::vector<std::pair<std::size_t, std::size_t>> matched;  // (in A, in B), in A's order
  std::vector<std::size_t> onlyInA;                          // in A's order
  std::vector<std::size_t> onlyInB;                          // in B's order
  bool byName;
};

// Pairs glyphs by name when both fonts have glyph names, otherwise by code point. A glyph whose
// key is unusable ("" or 0) is only in its own font, and so is a later glyph repeating a key
// that an earlier glyph of its font already has.
GlyphPairing matchGlyphs(const FontRead& a, const FontRead& b);

#endif  // SHAPES_GLYPH_H
