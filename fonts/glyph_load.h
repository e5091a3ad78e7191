// Reading a glyph's points exactly as the font means them: FreeType parses the file and runs the
// charstrings and variations; TrueType components are composed here, in double precision.
#ifndef FONTS_GLYPH_LOAD_H
#define FONTS_GLYPH_LOAD_H

#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>
#include <string>
#include <vector>

#include "fonts/cff_outline.h"
#include "fonts/glyph_outline.h"

struct ExactReader {
  FT_Face face;
  bool trueType;  // glyf outlines: components are composed by composeComponents
  bool varied;    // a variable font set to a location other than its default one
  // A table holding outlines is cut off by the file's end: FreeType then reads the glyphs in
  // the lost part as empty, so an empty glyph is not to be trusted.
  bool outlinesCut;
  // The font's CFF table when its charstrings are run here (fonts/cff_outline.h), else null.
  std::shared_ptr<const CffFont> cff;
};

// FreeType's own wording for an error code (the library is built without FT_Error_String).
const char* freeTypeMessage(FT_Error error);

// Sets the face to one pixel per font unit, where FreeType's 26.6 results are font units with
// six binary fractional digits, and says how its glyphs are read. "" on success, else why the
// face cannot be read exactly.
std::string prepareExactReader(FT_Face face, ExactReader& reader);

struct LoadedPoints {
  std::string problem;  // "" when read; else why not, after "cannot be read: "
  GlyphPoints points;
  // A bound on how far any point may lie from the one the font means (font units): 0 for
  // static fonts (see glyph_load.cpp for the grounds); for a variable font at another location,
  // FreeType's fixed-point deltas and its integer component offsets.
  double errorBound = 0.0;
  // A TrueType composite's components, the glyph indices it names in its own order (not those
  // of nested composites); empty for a simple glyph and for CFF.
  std::vector<unsigned> components;
};

// Glyph `index`'s points, unhinted, in font units with y up.
LoadedPoints loadGlyphPoints(const ExactReader& reader, unsigned index);

#endif  // FONTS_GLYPH_LOAD_H
