#include "fonts/glyph.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_MULTIPLE_MASTERS_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "fonts/glyph_file.h"
#include "fonts/glyph_load.h"
#include "fonts/glyph_outline.h"
#include "shapes/contour_runs.h"
#include "shapes/message_text.h"

namespace {

using LibraryHandle = std::unique_ptr<FT_LibraryRec_, decltype(&FT_Done_FreeType)>;
using FaceHandle = std::unique_ptr<FT_FaceRec_, decltype(&FT_Done_Face)>;

struct OpenedFont {
  std::string error;  // empty when the face is open
  std::string where;  // the font argument as messages show it
  // Declared in this order so that the face is released before its library.
  LibraryHandle library{nullptr, FT_Done_FreeType};
  FaceHandle face{nullptr, FT_Done_Face};
  ExactReader reader{};
  std::vector<std::string> warnings;
  std::string instance;  // the named instance it is set to, "" for none
};

// Why FT_New_Face failed with `error`, after the font's name.
std::string openingProblem(FT_Library library, const FontLocation& location, FT_Error error) {
  if (FT_ERROR_BASE(error) == FT_Err_Unknown_File_Format) {
    return "not a font file (FreeType knows no such format)";
  }
  // FreeType names the first table it misses; a table cut off by the file's end says more.
  const SfntDamage damage = sfntDamage(location.path, location.faceIndex);
  if (!damage.directory.empty()) return damage.directory;
  if (!damage.tables.empty()) return damage.tables.front();
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

// Why the open face cannot give outlines, or ""; damage that leaves outlines readable goes to
// `warnings`.
std::string faceProblem(FT_Face face, const FontLocation& location,
                        std::vector<std::string>& warnings, bool& outlinesCut) {
  const SfntDamage damage = sfntDamage(location.path, location.faceIndex);
  if (!damage.directory.empty()) return damage.directory;
  warnings = damage.tables;
  outlinesCut = damage.outlinesCut;
  if (!FT_IS_SCALABLE(face)) return "a bitmap font, it has no outlines";
  return "";
}

// A name table entry as UTF-8: Windows Unicode names are UTF-16BE, Macintosh Roman names are
// taken as ASCII.
std::string nameText(const FT_SfntName& name) {
  std::string text;
  if (name.platform_id == TT_PLATFORM_MICROSOFT) {
    for (FT_UInt i = 0; i + 1 < name.string_len; i += 2) {
      const unsigned unit = unsigned(name.string[i]) << 8 | name.string[i + 1];
      if (unit < 0x80) {
        text += static_cast<char>(unit);
      } else if (unit < 0x800) {
        text += static_cast<char>(0xC0 | unit >> 6);
        text += static_cast<char>(0x80 | (unit & 0x3F));
      } else {
        text += static_cast<char>(0xE0 | unit >> 12);
        text += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (unit & 0x3F));
      }
    }
  } else {
    text.assign(reinterpret_cast<const char*>(name.string), name.string_len);
  }
  return text;
}

// The name with that ID: the Windows English (United States) one, else the first Windows one,
// else the first of any platform.
std::string nameById(FT_Face face, FT_UInt id) {
  std::string windows, fallback;
  const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
  for (FT_UInt i = 0; i < count; ++i) {
    FT_SfntName name;
    if (FT_Get_Sfnt_Name(face, i, &name) != 0 || name.name_id != id) continue;
    if (name.platform_id == TT_PLATFORM_MICROSOFT) {
      if (name.language_id == TT_MS_LANGID_ENGLISH_UNITED_STATES) return nameText(name);
      if (windows.empty()) windows = nameText(name);
    }
    if (fallback.empty()) fallback = nameText(name);
  }
  return windows.empty() ? fallback : windows;
}

std::string axisTag(FT_ULong tag) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) text += static_cast<char>((tag >> shift) & 0xFF);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string axesText(const FT_MM_Var& variation) {
  std::string text;
  for (FT_UInt i = 0; i < variation.num_axis; ++i) {
    const FT_Var_Axis& axis = variation.axis[i];
    char range[96];
    std::snprintf(range, sizeof range, "%s%s=%g..%g", i ? ", " : "", axisTag(axis.tag).c_str(),
                  axis.minimum / 65536.0, axis.maximum / 65536.0);
    text += range;
  }
  return text;
}

// Sets "wght=700,wdth=100": every axis not named keeps its default.
std::string setDesignLocation(FT_Face face, const FT_MM_Var& variation, const std::string& text) {
  std::vector<FT_Fixed> coordinates(variation.num_axis);
  for (FT_UInt i = 0; i < variation.num_axis; ++i) coordinates[i] = variation.axis[i].def;
  std::size_t from = 0;
  while (from <= text.size()) {
    const std::size_t comma = std::min(text.find(',', from), text.size());
    const std::string item = text.substr(from, comma - from);
    const std::size_t equals = item.find('=');
    const std::string tag = item.substr(0, equals);
    const char* number = equals == std::string::npos ? "" : item.c_str() + equals + 1;
    char* end = nullptr;
    const double value = std::strtod(number, &end);
    if (equals == std::string::npos || *number == '\0' || *end != '\0' || !std::isfinite(value)) {
      return "'" + printableInMessage(item) +
             "' is not AXIS=VALUE (its axes: " + axesText(variation) + ")";
    }
    FT_UInt axis = 0;
    while (axis < variation.num_axis && axisTag(variation.axis[axis].tag) != tag) ++axis;
    if (axis == variation.num_axis) {
      return "has no axis '" + printableInMessage(tag) + "' (its axes: " + axesText(variation) +
             ")";
    }
    const FT_Var_Axis& a = variation.axis[axis];
    if (value < a.minimum / 65536.0 || value > a.maximum / 65536.0) {
      return "its axis " + tag + " ranges over " + axesText(variation) + "; " +
             printableInMessage(item) + " lies outside";
    }
    coordinates[axis] = static_cast<FT_Fixed>(std::lround(value * 65536.0));
    from = comma + 1;
  }
  if (FT_Set_Var_Design_Coordinates(face, variation.num_axis, coordinates.data()) != 0) {
    return "FreeType cannot set the location " + printableInMessage(text);
  }
  return "";
}

std::string setNamedInstance(FT_Face face, const FT_MM_Var& variation, const std::string& name) {
  std::string names;
  for (FT_UInt i = 0; i < variation.num_namedstyles; ++i) {
    const std::string own = nameById(face, variation.namedstyle[i].strid);
    if (own == name) {
      if (FT_Set_Named_Instance(face, i + 1) != 0) return "FreeType cannot set instance " + own;
      return "";
    }
    names += (i ? ", " : "") + printableInMessage(own);
  }
  return "has no instance named '" + printableInMessage(name) + "' (its instances: " + names +
         "; or give AXIS=VALUE,...)";
}

// Moves a variable font to `location`: design coordinates when it holds '=', else a named
// instance. "" on success.
std::string setLocation(FT_Face face, const std::string& location) {
  FT_MM_Var* variation = nullptr;
  if (!FT_HAS_MULTIPLE_MASTERS(face) || FT_Get_MM_Var(face, &variation) != 0) {
    return "is not a variable font, so it has no location '" + printableInMessage(location) + "'";
  }
  const std::string problem = location.find('=') != std::string::npos
                                  ? setDesignLocation(face, *variation, location)
                                  : setNamedInstance(face, *variation, location);
  FT_Done_MM_Var(face->glyph->library, variation);
  return problem;
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
  bool outlinesCut = false;
  std::string unusable = faceProblem(face, location, font.warnings, outlinesCut);
  for (std::string& warning : font.warnings) warning = font.where + ": " + warning;
  if (unusable.empty() && location.hasLocation) unusable = setLocation(face, location.location);
  if (unusable.empty() && location.hasLocation &&
      location.location.find('=') == std::string::npos) {
    font.instance = location.location;
  }
  if (unusable.empty()) unusable = prepareExactReader(face, font.reader);
  font.reader.outlinesCut = outlinesCut;
  if (!unusable.empty()) {
    font.error = font.where + ": " + unusable;
    return font;
  }
  // Prefers a full-Unicode map to a BMP-only one; a font without a Unicode map has no code
  // points.
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  return font;
}

bool hasUnicodeMap(FT_Face face) {
  return face->charmap != nullptr && face->charmap->encoding == FT_ENCODING_UNICODE;
}

// The Unicode map by ascending code point, glyph 0 and U+0000 left out.
std::vector<CodePointEntry> charMapOf(FT_Face face) {
  std::vector<CodePointEntry> entries;
  if (!hasUnicodeMap(face)) return entries;
  FT_UInt glyph = 0;
  for (FT_ULong code = FT_Get_First_Char(face, &glyph); glyph != 0;
       code = FT_Get_Next_Char(face, code, &glyph)) {
    if (code == 0 || code > 0x10FFFF || glyph >= static_cast<FT_ULong>(face->num_glyphs)) continue;
    entries.push_back({static_cast<std::uint32_t>(code), glyph});
  }
  return entries;
}

// For each glyph, the lowest code point that the Unicode map sends to it, 0 for none. U+0000 is
// never a glyph's code point: 0 stands for "none".
std::vector<std::uint32_t> lowestCodePoints(FT_Face face, const std::vector<CodePointEntry>& map) {
  std::vector<std::uint32_t> codePoints(static_cast<std::size_t>(std::max(face->num_glyphs, 0L)),
                                        0);
  for (const CodePointEntry& entry : map) {
    std::uint32_t& lowest = codePoints[entry.glyphIndex];
    if (lowest == 0 || entry.codePoint < lowest) lowest = entry.codePoint;
  }
  return codePoints;
}

std::string glyphName(FT_Face face, unsigned glyph) {
  if (!FT_HAS_GLYPH_NAMES(face)) return "";
  char name[256];
  if (FT_Get_Glyph_Name(face, glyph, name, sizeof name) != 0) return "";
  return name;
}

// A bound on the rounding of the elevated control points: each is within half an ulp of the
// exact one, below 2^-53 of the largest coordinate's magnitude.
double elevationRounding(const std::vector<CubicCurve>& segments) {
  double largest = 0.0;
  for (const CubicCurve& segment : segments) {
    for (const Point2& p : segment.p) largest = std::max({largest, std::fabs(p.x), std::fabs(p.y)});
  }
  return std::ldexp(largest, -52);
}

// The advance width in font units: at one pixel per font unit, FreeType's unhinted advance in
// 16.16 pixels is the font's own figure (with the variations applied), to 1/65536 of a unit.
double advanceOf(FT_Face face, unsigned index) {
  FT_Fixed advance = 0;
  if (FT_Get_Advance(face, index, FT_LOAD_NO_HINTING, &advance) != 0) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  return advance / 65536.0;
}

// Loads glyph `index` into `glyph` (all but its code point), using `scratch` for the segments
// so that each glyph's list is allocated once, at its final size. Sets its problem when it
// cannot be read.
void loadGlyph(const ExactReader& reader, unsigned index, std::vector<CubicCurve>& scratch,
               GlyphOutline& glyph) {
  glyph.glyphIndex = index;
  glyph.name = glyphName(reader.face, index);
  glyph.shape = {};
  const LoadedPoints loaded = loadGlyphPoints(reader, index);
  glyph.problem = loaded.problem;
  glyph.advance = advanceOf(reader.face, index);
  glyph.components = loaded.components;
  std::vector<Contour> contours;
  if (glyph.problem.empty() && !pointsToSegments(loaded.points, scratch, contours)) {
    glyph.problem = "its outline is malformed";
  }
  if (glyph.problem.empty() && scratch.empty() && reader.outlinesCut) {
    glyph.problem = "it reads as empty, but the table holding it is cut off";
  }
  if (!glyph.problem.empty()) return;
  glyph.shape.segments.assign(scratch.begin(), scratch.end());
  glyph.shape.approximationError = loaded.errorBound + elevationRounding(scratch);
  glyph.shape.contours = std::move(contours);
  // Fonts fill their glyphs under the nonzero rule (TrueType and CFF alike).
  paintAllContours(glyph.shape, true, FillRule::kNonzero);
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

// A name without its spaces, as PostScript names are made.
std::string withoutSpaces(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  return text;
}

std::string preferredName(FT_Face face, FT_UInt typographic, FT_UInt legacy) {
  const std::string name = nameById(face, typographic);
  return name.empty() ? nameById(face, legacy) : name;
}

// The instances' names of a variable font, in fvar's order; with `psNames`, their PostScript
// names ("" where fvar gives none).
std::vector<std::string> instanceNames(FT_Face face, std::vector<std::string>* psNames) {
  std::vector<std::string> names;
  FT_MM_Var* variation = nullptr;
  if (!FT_HAS_MULTIPLE_MASTERS(face) || FT_Get_MM_Var(face, &variation) != 0) return names;
  for (FT_UInt i = 0; i < variation->num_namedstyles; ++i) {
    const FT_Var_Named_Style& style = variation->namedstyle[i];
    names.push_back(nameById(face, style.strid));
    if (psNames != nullptr)
      psNames->push_back(style.psid == 0xFFFF ? "" : nameById(face, style.psid));
  }
  FT_Done_MM_Var(face->glyph->library, variation);
  return names;
}

void readNames(const OpenedFont& font, FontRead& read) {
  FT_Face face = font.face.get();
  read.familyName = preferredName(face, TT_NAME_ID_TYPOGRAPHIC_FAMILY, TT_NAME_ID_FONT_FAMILY);
  read.styleName = preferredName(face, TT_NAME_ID_TYPOGRAPHIC_SUBFAMILY, TT_NAME_ID_FONT_SUBFAMILY);
  const char* postScript = FT_Get_Postscript_Name(face);
  read.postScriptName = postScript != nullptr ? postScript : "";
  std::vector<std::string> psNames;
  read.instances = instanceNames(face, &psNames);
  if (font.instance.empty()) return;
  read.styleName = font.instance;
  const auto at = std::find(read.instances.begin(), read.instances.end(), font.instance);
  const std::string own = at == read.instances.end() ? "" : psNames[at - read.instances.begin()];
  if (!own.empty()) {
    read.postScriptName = own;
    return;
  }
  std::string prefix = nameById(face, 25);  // the variations PostScript name prefix
  if (prefix.empty()) prefix = withoutSpaces(read.familyName);
  read.postScriptName = prefix + "-" + withoutSpaces(font.instance);
}

}  // namespace

FontRead readFontGlyphs(const std::string& fontArgument, int workers) {
  FontRead read{false, "", false, 0, {}, {}, {}};
  const OpenedFont font = openFont(fontArgument);
  if (!font.error.empty()) {
    read.error = font.error;
    return read;
  }
  FT_Face face = font.face.get();
  read.hasGlyphNames = FT_HAS_GLYPH_NAMES(face);
  read.unitsPerEm = face->units_per_EM;
  read.warnings = font.warnings;
  read.charMap = charMapOf(face);
  readNames(font, read);
  const std::vector<std::uint32_t> codePoints = lowestCodePoints(face, read.charMap);
  read.glyphs.resize(codePoints.size());
  // Glyphs are read a run at a time by every worker, each with a face of its own (a FreeType
  // face serves one thread at a time).
  constexpr std::size_t kGlyphsPerGrab = 64;
  std::atomic<std::size_t> next{0};
  const auto readSome = [&](const ExactReader& reader) {
    std::vector<CubicCurve> scratch;
    for (;;) {
      const std::size_t first = next.fetch_add(kGlyphsPerGrab);
      if (first >= codePoints.size()) return;
      const std::size_t last = std::min(codePoints.size(), first + kGlyphsPerGrab);
      for (std::size_t i = first; i < last; ++i) {
        GlyphOutline& glyph = read.glyphs[i];
        glyph.codePoint = codePoints[i];
        // A glyph whose outline cannot be held is unreadable, as a damaged one is: the others
        // are read all the same (and no exception leaves a helper thread).
        try {
          loadGlyph(reader, static_cast<unsigned>(i), scratch, glyph);
        } catch (const std::bad_alloc&) {
          glyph.shape = Shape{};
          std::vector<CubicCurve>().swap(scratch);
          glyph.problem = "out of memory reading its outline";
        } catch (const std::length_error&) {
          glyph.shape = Shape{};
          std::vector<CubicCurve>().swap(scratch);
          glyph.problem = "its outline is too large to hold";
        }
      }
    }
  };
  std::vector<std::thread> helpers;
  for (int k = 1; k < workers && std::size_t(k) * kGlyphsPerGrab < codePoints.size(); ++k) {
    try {
      helpers.emplace_back([&] {
        const OpenedFont own = openFont(fontArgument);
        if (own.error.empty()) readSome(own.reader);
      });
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the ones started, and this one, read every glyph
    } catch (const std::bad_alloc&) {
      break;
    }
  }
  readSome(font.reader);
  for (std::thread& helper : helpers) helper.join();
  read.ok = true;
  return read;
}

FontRead readFontNames(const std::string& fontArgument) {
  FontRead read{false, "", false, 0, {}, {}, {}};
  const OpenedFont font = openFont(fontArgument);
  if (!font.error.empty()) {
    read.error = font.error;
    return read;
  }
  read.hasGlyphNames = FT_HAS_GLYPH_NAMES(font.face.get());
  read.unitsPerEm = font.face->units_per_EM;
  read.warnings = font.warnings;
  readNames(font, read);
  read.ok = true;
  return read;
}

std::size_t unreadableGlyphs(const FontRead& font) {
  std::size_t count = 0;
  for (const GlyphOutline& glyph : font.glyphs) count += !glyph.problem.empty();
  return count;
}

GlyphRead readGlyph(const std::string& fontArgument, const std::string& glyphSpec) {
  GlyphRead read{false, "", 0, {"", 0, 0, {}, ""}};
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
  loadGlyph(font.reader, choice.index, scratch, read.glyph);
  read.unitsPerEm = face->units_per_EM;
  if (!read.glyph.problem.empty()) {
    read.error = font.where + ": " + describeGlyph(read.glyph) + " cannot be read (" +
                 read.glyph.problem + "): the file may be truncated or damaged";
    return read;
  }
  read.glyph.codePoint = lowestCodePoints(face, charMapOf(face))[choice.index];
  read.ok = true;
  return read;
}

std::string codePointName(std::uint32_t codePoint) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(codePoint));
  return text;
}
