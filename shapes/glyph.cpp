#include "shapes/glyph.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <memory>

#include "shapes/glyph_file.h"
#include "shapes/glyph_outline.h"
#include "shapes/message_text.h"

namespace {

// FreeType's own wording for an error code (the library is built without FT_Error_String).
const char* freeTypeMessage(FT_Error error) {
  switch (FT_ERROR_BASE(error)) {
#undef FTERRORS_H_
#define FT_ERRORDEF(e, v, s) \
  case v:                    \
    return s;
#define FT_ERROR_START_LIST
#define FT_ERROR_END_LIST
#include FT_ERRORS_H
  }
  return "unknown FreeType error";
}

using LibraryHandle = std::unique_ptr<FT_LibraryRec_, decltype(&FT_Done_FreeType)>;
using FaceHandle = std::unique_ptr<FT_FaceRec_, decltype(&FT_Done_Face)>;

struct OpenedFont {
  std::string error;  // empty when the face is open
  std::string where;  // the font argument as messages show it
  // Declared in this order so that the face is released before its library.
  LibraryHandle library{nullptr, FT_Done_FreeType};
  FaceHandle face{nullptr, FT_Done_Face};
};

// Why FT_New_Face failed with `error`, after the font's name.
std::string openingProblem(FT_Library library, const FontLocation& location, FT_Error error) {
  if (FT_ERROR_BASE(error) == FT_Err_Unknown_File_Format) {
    return "not a font file (FreeType knows no such format)";
  }
  // FreeType names the first table it misses; a table cut off by the file's end says more.
  const std::string truncation = sfntTruncation(location.path, location.faceIndex);
  if (!truncation.empty()) return truncation;
  FT_Face face = nullptr;
  if (location.faceIndex > 0 && FT_New_Face(library, location.path.c_str(), -1, &face) == 0) {
    const long faces = face->num_faces;
    FT_Done_Face(face);
    return "no face " + std::to_string(location.faceIndex) + ", the file has " +
           (faces == 1
                ? "one face (#0)"
                : std::to_string(faces) + " faces (#0 to #" + std::to_string(faces - 1) + ")");
  }
  return std::string("cannot be read as a font: ") + freeTypeMessage(error);
}

// Why the open face cannot give outlines, or "".
std::string faceProblem(FT_Face face, const FontLocation& location) {
  const std::string truncation = sfntTruncation(location.path, location.faceIndex);
  if (!truncation.empty()) return truncation;
  if (!FT_IS_SCALABLE(face)) return "a bitmap font, it has no outlines";
  return "";
}

OpenedFont openFont(const std::string& argument) {
  OpenedFont font;
  const FontLocation location = locateFont(argument);
  font.where = printableInMessage(argument);
  if (location.faceNumberIsBad) {
    font.error = font.where + ": '" + printableInMessage(location.badFaceNumber) +
                 "' is not a face number (FILE#0, FILE#1, ... pick a face of a collection)";
    return font;
  }
  const std::string problem = fileProblem(location.path);
  if (!problem.empty()) {
    font.error = printableInMessage(location.path) + ": " + problem;
    return font;
  }
  FT_Library library = nullptr;
  if (const FT_Error error = FT_Init_FreeType(&library)) {
    font.error = font.where + ": FreeType cannot start: " + freeTypeMessage(error);
    return font;
  }
  font.library.reset(library);
  FT_Face face = nullptr;
  if (const FT_Error error =
          FT_New_Face(library, location.path.c_str(), location.faceIndex, &face)) {
    font.error = font.where + ": " + openingProblem(library, location, error);
    return font;
  }
  font.face.reset(face);
  const std::string unusable = faceProblem(face, location);
  if (!unusable.empty()) font.error = font.where + ": " + unusable;
  // Prefers a full-Unicode map to a BMP-only one; a font without a Unicode map has no code
  // points.
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  return font;
}

bool hasUnicodeMap(FT_Face face) {
  return face->charmap != nullptr && face->charmap->encoding == FT_ENCODING_UNICODE;
}

// For each glyph, the lowest code point that the Unicode map sends to it, 0 for none. U+0000 is
// never a glyph's code point: 0 stands for "none".
std::vector<std::uint32_t> lowestCodePoints(FT_Face face) {
  std::vector<std::uint32_t> codePoints(static_cast<std::size_t>(std::max(face->num_glyphs, 0L)),
                                        0);
  if (!hasUnicodeMap(face)) return codePoints;
  FT_UInt glyph = 0;
  for (FT_ULong code = FT_Get_First_Char(face, &glyph); glyph != 0;
       code = FT_Get_Next_Char(face, code, &glyph)) {
    if (code == 0 || code > 0x10FFFF || glyph >= codePoints.size()) continue;
    std::uint32_t& lowest = codePoints[glyph];
    if (lowest == 0 || code < lowest) lowest = static_cast<std::uint32_t>(code);
  }
  return codePoints;
}

std::string glyphName(FT_Face face, unsigned glyph) {
  if (!FT_HAS_GLYPH_NAMES(face)) return "";
  char name[256];
  if (FT_Get_Glyph_Name(face, glyph, name, sizeof name) != 0) return "";
  return name;
}

// Loads glyph `index` into `glyph` (all but its code point), using `scratch` for the segments
// so that each glyph's list is allocated once, at its final size. "" on success, else why not.
std::string loadGlyph(FT_Face face, unsigned index, std::vector<CubicCurve>& scratch,
                      GlyphOutline& glyph) {
  glyph.glyphIndex = index;
  glyph.name = glyphName(face, index);
  const FT_Int32 flags = FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;
  if (const FT_Error error = FT_Load_Glyph(face, index, flags)) return freeTypeMessage(error);
  if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return "it is not an outline";
  if (!outlineToSegments(face->glyph->outline, scratch)) return "its outline is malformed";
  glyph.shape.segments.assign(scratch.begin(), scratch.end());
  glyph.shape.approximationError = 0.0;
  return "";
}

std::string describeGlyph(const GlyphOutline& glyph) {
  std::string text = "glyph " + std::to_string(glyph.glyphIndex);
  if (!glyph.name.empty()) text += " '" + printableInMessage(glyph.name) + "'";
  return text;
}

struct GlyphChoice {
  unsigned index;
  std::string error;  // the reason there is no such glyph, after the file's name
};

// Parses "U+XXXX" into a code point; -1 when malformed, -2 when beyond U+10FFFF.
long parseCodePoint(const std::string& spec) {
  const std::string digits = spec.substr(2);
  if (digits.empty() || digits.size() > 6 ||
      digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
    return -1;
  }
  const long value = std::stol(digits, nullptr, 16);
  return value > 0x10FFFF ? -2 : value;
}

GlyphChoice glyphForCodePoint(FT_Face face, long codePoint, const std::string& spec) {
  const std::string asked = codePointName(static_cast<std::uint32_t>(codePoint));
  if (!hasUnicodeMap(face)) {
    return {0, "has no Unicode character map, so no glyph for " + asked + "; name the glyph"};
  }
  const FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(codePoint));
  if (index != 0) return {index, ""};
  const bool character = spec.size() <= 4 && singleUtf8Character(spec) >= 0x20;
  return {0, "has no glyph for " + asked + (character ? " '" + spec + "'" : "")};
}

GlyphChoice glyphForName(FT_Face face, const std::string& name) {
  if (!FT_HAS_GLYPH_NAMES(face)) {
    return {0, "has no glyph names, so no glyph named '" + printableInMessage(name) +
                   "'; give the character or U+XXXX"};
  }
  // FT_Get_Name_Index answers 0 both for .notdef and for an unknown name.
  const FT_UInt index = FT_Get_Name_Index(face, name.c_str());
  if (index != 0 || glyphName(face, 0) == name) return {index, ""};
  return {0, "has no glyph named '" + printableInMessage(name) + "'"};
}

GlyphChoice chooseGlyph(FT_Face face, const std::string& spec) {
  if (spec.empty()) return {0, "no glyph given (a character, U+XXXX or a glyph name)"};
  const long character = singleUtf8Character(spec);
  if (character >= 0) return glyphForCodePoint(face, character, spec);
  if (spec.size() > 2 && (spec[0] == 'U' || spec[0] == 'u') && spec[1] == '+') {
    const long codePoint = parseCodePoint(spec);
    if (codePoint == -2)
      return {0, "'" + printableInMessage(spec) + "' lies beyond Unicode (U+10FFFF)"};
    if (codePoint == -1) {
      return {0,
              "'" + printableInMessage(spec) + "' is not a code point (U+ and 1 to 6 hex digits)"};
    }
    return glyphForCodePoint(face, codePoint, spec);
  }
  if (spec.find('\0') != std::string::npos) {
    return {0, "has no glyph named '" + printableInMessage(spec) + "'"};
  }
  return glyphForName(face, spec);
}

}  // namespace

FontRead readFontGlyphs(const std::string& fontArgument) {
  FontRead read{false, "", false, {}};
  const OpenedFont font = openFont(fontArgument);
  if (!font.error.empty()) {
    read.error = font.error;
    return read;
  }
  FT_Face face = font.face.get();
  read.hasGlyphNames = FT_HAS_GLYPH_NAMES(face);
  const std::vector<std::uint32_t> codePoints = lowestCodePoints(face);
  read.glyphs.resize(codePoints.size());
  std::vector<CubicCurve> scratch;
  for (std::size_t i = 0; i < codePoints.size(); ++i) {
    GlyphOutline& glyph = read.glyphs[i];
    glyph.codePoint = codePoints[i];
    const std::string problem = loadGlyph(face, static_cast<unsigned>(i), scratch, glyph);
    if (!problem.empty()) {
      read.error = font.where + ": " + describeGlyph(glyph) + " of " +
                   std::to_string(codePoints.size()) + " cannot be read (" + problem +
                   "): the file may be truncated or damaged";
      read.glyphs.clear();
      read.glyphs.shrink_to_fit();
      return read;
    }
  }
  read.ok = true;
  return read;
}

GlyphRead readGlyph(const std::string& fontArgument, const std::string& glyphSpec) {
  GlyphRead read{false, "", {"", 0, 0, {}}};
  const OpenedFont font = openFont(fontArgument);
  if (!font.error.empty()) {
    read.error = font.error;
    return read;
  }
  FT_Face face = font.face.get();
  const GlyphChoice choice = chooseGlyph(face, glyphSpec);
  if (!choice.error.empty()) {
    read.error = font.where + ": " + choice.error;
    return read;
  }
  std::vector<CubicCurve> scratch;
  const std::string problem = loadGlyph(face, choice.index, scratch, read.glyph);
  if (!problem.empty()) {
    read.error = font.where + ": " + describeGlyph(read.glyph) + " cannot be read (" + problem +
                 "): the file may be truncated or damaged";
    return read;
  }
  read.glyph.codePoint = lowestCodePoints(face)[choice.index];
  read.ok = true;
  return read;
}

std::string codePointName(std::uint32_t codePoint) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(codePoint));
  return text;
}
