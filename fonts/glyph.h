// Glyph outlines read from font files (anything FreeType reads: OpenType with CFF or TrueType
// outlines, TrueType, collections) as shapes, and the pairing of two fonts' glyphs for a
// glyph-by-glyph comparison.
#ifndef FONTS_GLYPH_H
#define FONTS_GLYPH_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "distance/shape.h"

// One glyph's outline, unhinted, in font units with y up, with every point where the font
// means it (fonts/glyph_load.h), built as pointsToSegments (fonts/glyph_outline.h) describes:
// closed contours of cubics. approximationError bounds the rounding of the elevated control
// points and, for a variable font away from its default, FreeType's fixed-point variations.
struct GlyphOutline {
  std::string name;         // the glyph's name as the font has it (bytes), "" when it has none
  std::uint32_t codePoint;  // the lowest Unicode code point mapped to it, 0 when none is
  unsigned glyphIndex;
  Shape shape;          // no segments for a glyph that draws nothing (space)
  std::string problem;  // "" when read; else why it cannot be read (its shape is then empty)
  // Its advance width in font units at the font's location (hmtx, with HVAR or gvar's phantom
  // points for a variable font); NaN when the font gives none.
  double advance = 0.0;
  // The glyphs a TrueType composite is made of, by glyph index in its own order (nested
  // composites name their own); empty for a simple glyph and for CFF outlines.
  std::vector<unsigned> components = {};
};

// A code point as Unicode writes it: "U+0067", "U+1D0EB".
std::string codePointName(std::uint32_t codePoint);

struct CodePointEntry {
  std::uint32_t codePoint;
  unsigned glyphIndex;
};

struct FontRead {
  bool ok;
  std::string error;  // one line naming the file, when !ok
  bool hasGlyphNames;
  unsigned unitsPerEm;
  std::vector<GlyphOutline> glyphs;     // every glyph of the face, in glyph index order
  std::vector<CodePointEntry> charMap;  // the Unicode map, by ascending code point
  // One line each, naming the file: damage that loses no outline (a cut-off table the outlines
  // do not need).
  std::vector<std::string> warnings;
  // The face's names, for pairing the fonts of two families: its PostScript name (for a named
  // instance of a variable font its own, or the family's prefix, a hyphen and the instance's
  // name without spaces), its typographic family and style (name IDs 16 and 17, else 1 and 2;
  // a named instance's style is its name). "" when the font has none.
  std::string postScriptName = "";
  std::string familyName = "";
  std::string styleName = "";
  // A variable font's named instances, in the font's order (each one a location "@NAME").
  std::vector<std::string> instances = {};
};

// Every glyph of a font. `fontArgument` is a file name, or "FILE#N" for face N (from 0) of a
// collection, either followed by "@LOCATION" for a variable font: "@wght=700,wdth=100" (axis
// tags and design values; axes not named keep their defaults) or "@Bold" (a named instance). A
// file whose own name ends in "#N" or "@..." is read as it is. Fails, with one line naming the
// file, for a missing or unreadable file, a directory or other non-regular file, a file that is
// not a font, a face number out of range, a location the font does not have, and a font
// without outlines (bitmap only). A glyph that cannot be read (a damaged or truncated file) has
// its problem set; the others are read. Up to `workers` threads read the glyphs.
FontRead readFontGlyphs(const std::string& fontArgument, int workers = 1);

// The font's names, em and instances alone (no glyphs, no character map); fails as
// readFontGlyphs does.
FontRead readFontNames(const std::string& fontArgument);

// The number of glyphs whose problem is set.
std::size_t unreadableGlyphs(const FontRead& font);

struct GlyphRead {
  bool ok;
  std::string error;  // one line naming the file and the glyph, when !ok
  unsigned unitsPerEm;
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
  std::vector<std::pair<std::size_t, std::size_t>> matched;  // (in A, in B)
  // By code point: the code point each pair was matched by, parallel to `matched`.
  std::vector<std::uint32_t> codePoints;
  std::vector<std::size_t> onlyInA;  // in A's order
  std::vector<std::size_t> onlyInB;  // in B's order
  bool byName;
};

enum class GlyphMatch { kAutomatic, kName, kCodePoint };

// Pairs glyphs. By name (in A's order): a glyph whose name is "" is only in its own font, and so
// is a later glyph repeating a name an earlier glyph of its font has. By code point (in code
// point order): every code point both Unicode maps have pairs the glyphs they map to, each
// pair of glyphs once, under its lowest such code point; glyphs in no pair are only in their
// font. Automatic: by name when both fonts have glyph names, else by code point.
GlyphPairing matchGlyphs(const FontRead& a, const FontRead& b,
                         GlyphMatch match = GlyphMatch::kAutomatic);

#endif  // FONTS_GLYPH_H
