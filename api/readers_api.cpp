// The readers of path data, SVG files and fonts behind the public API.
#include <sys/stat.h>

#include <cstdio>
#include <utility>

#include "api/convert.h"
#include "beziercurve/beziercurve.h"
#include "fonts/glyph.h"
#include "fonts/glyph_file.h"
#include "shapes/message_text.h"
#include "svg/path_data.h"
#include "svg/svg_file.h"

namespace beziercurve {

using namespace convert;

namespace {

ShapeRead fromInternal(::ShapeRead&& read, ReadFailure failure) {
  ShapeRead result;
  result.ok = read.ok;
  result.shape = convert::fromInternal(read.shape);
  result.error = std::move(read.error);
  result.failure = read.ok ? ReadFailure::kNone : failure;
  result.warning = std::move(read.warning);
  return result;
}

// A file name holding a NUL byte names no file: the C library would read it only up to the NUL,
// and so open another file. Refused as a file that cannot be read.
bool holdsNul(const std::string& name) {
  return name.find('\0') != std::string::npos;
}

std::string nulProblem(const std::string& name) {
  return printableText(name) + ": a file name cannot contain a NUL byte";
}

// Whether `path` names something other than a regular file that can be opened: the readers'
// refusals are then about the file rather than its content.
bool unopenable(const std::string& path) {
  struct stat status;
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return true;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return true;
  std::fclose(file);
  return false;
}

// A font argument's file ("FILE#N@LOCATION" names FILE) cannot be opened.
ReadFailure fontFailure(const std::string& font) {
  return fileProblem(locateFont(font).path).empty() ? ReadFailure::kContent : ReadFailure::kFile;
}

Glyph fromInternal(::GlyphOutline&& glyph) {
  return {std::move(glyph.name),      glyph.codePoint,
          glyph.glyphIndex,           convert::fromInternal(glyph.shape),
          std::move(glyph.problem),   glyph.advance,
          std::move(glyph.components)};
}

// The pairing reads only the glyphs' names and the Unicode maps.
FontRead pairingView(const Font& font) {
  FontRead view;
  view.ok = font.ok;
  view.hasGlyphNames = font.hasGlyphNames;
  view.unitsPerEm = font.unitsPerEm;
  view.glyphs.reserve(font.glyphs.size());
  for (const Glyph& glyph : font.glyphs) {
    // Member by member: GCC 12 at -O2 takes the braced temporary's empty shape for
    // uninitialised (-Wmaybe-uninitialized).
    ::GlyphOutline& outline = view.glyphs.emplace_back();
    outline.name = glyph.name;
    outline.codePoint = glyph.codePoint;
    outline.glyphIndex = glyph.glyphIndex;
    outline.problem = glyph.problem;
  }
  view.charMap.reserve(font.charMap.size());
  for (const CodePointEntry& entry : font.charMap) {
    view.charMap.push_back({entry.codePoint, entry.glyphIndex});
  }
  return view;
}

}  // namespace

ShapeRead readPathData(std::string_view data, double arcError) {
  return fromInternal(parsePathData(data, arcError), ReadFailure::kContent);
}

ShapeRead readSvgFile(const std::string& path, const std::string& elementId, double arcError) {
  if (holdsNul(path)) {
    ShapeRead refused;
    refused.error = nulProblem(path);
    refused.failure = ReadFailure::kFile;
    return refused;
  }
  ::ShapeRead read = ::readSvgFile(path, elementId, arcError);
  const ReadFailure failure =
      !read.ok && unopenable(path) ? ReadFailure::kFile : ReadFailure::kContent;
  return fromInternal(std::move(read), failure);
}

ShapeRead readSvgText(std::string_view xml, const std::string& elementId, double arcError) {
  return fromInternal(::readSvgText(xml, elementId, arcError), ReadFailure::kContent);
}

// A font read, as the API gives it: `font` names it for a failure's kind.
Font fromInternal(FontRead&& read, const std::string& font) {
  Font result;
  result.ok = read.ok;
  result.error = std::move(read.error);
  result.failure = read.ok ? ReadFailure::kNone : fontFailure(font);
  result.hasGlyphNames = read.hasGlyphNames;
  result.unitsPerEm = read.unitsPerEm;
  result.glyphs.reserve(read.glyphs.size());
  for (GlyphOutline& glyph : read.glyphs) result.glyphs.push_back(fromInternal(std::move(glyph)));
  result.charMap.reserve(read.charMap.size());
  for (const ::CodePointEntry& entry : read.charMap) {
    result.charMap.push_back({entry.codePoint, entry.glyphIndex});
  }
  result.warnings = std::move(read.warnings);
  result.postScriptName = std::move(read.postScriptName);
  result.familyName = std::move(read.familyName);
  result.styleName = std::move(read.styleName);
  result.instances = std::move(read.instances);
  return result;
}

Font refusedFont(const std::string& font) {
  Font refused;
  refused.error = nulProblem(font);
  refused.failure = ReadFailure::kFile;
  return refused;
}

Font readFont(const std::string& font, int workers) {
  if (holdsNul(font)) return refusedFont(font);
  return fromInternal(readFontGlyphs(font, workers), font);
}

Font readFontInfo(const std::string& font) {
  if (holdsNul(font)) return refusedFont(font);
  return fromInternal(readFontNames(font), font);
}

GlyphRead readGlyph(const std::string& font, const std::string& glyph) {
  if (holdsNul(font)) {
    GlyphRead refused;
    refused.error = nulProblem(font);
    refused.failure = ReadFailure::kFile;
    return refused;
  }
  ::GlyphRead read = ::readGlyph(font, glyph);
  GlyphRead result;
  result.ok = read.ok;
  result.error = std::move(read.error);
  result.failure = read.ok ? ReadFailure::kNone : fontFailure(font);
  result.unitsPerEm = read.unitsPerEm;
  result.glyph = fromInternal(std::move(read.glyph));
  return result;
}

std::size_t unreadableGlyphs(const Font& font) {
  std::size_t count = 0;
  for (const Glyph& glyph : font.glyphs) count += glyph.problem.empty() ? 0 : 1;
  return count;
}

std::string codePointName(std::uint32_t codePoint) {
  return ::codePointName(codePoint);
}

GlyphPairing matchGlyphs(const Font& a, const Font& b, GlyphMatch match) {
  const ::GlyphMatch internalMatch = match == GlyphMatch::kName        ? ::GlyphMatch::kName
                                     : match == GlyphMatch::kCodePoint ? ::GlyphMatch::kCodePoint
                                                                       : ::GlyphMatch::kAutomatic;
  ::GlyphPairing pairing = ::matchGlyphs(pairingView(a), pairingView(b), internalMatch);
  return {std::move(pairing.matched), std::move(pairing.codePoints), std::move(pairing.onlyInA),
          std::move(pairing.onlyInB), pairing.byName};
}

std::string printableText(std::string_view text) {
  return printableInMessage(text);
}

}  // namespace beziercurve
