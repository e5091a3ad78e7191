// Why the points are the font's own:
// - TrueType simple glyphs are read with FT_LOAD_NO_SCALE: integers, as stored.
// - TrueType composites are read one level at a time (FT_LOAD_NO_RECURSE) and composed here. A
//   component's 2x2 matrix has F2Dot14 entries, so each product with a coordinate of up to 16
//   integer bits (plus the fraction bits of earlier levels) fits a double's 53 bits: the
//   composed points are exact for nestings of up to three transformed levels, far beyond what
//   fonts use.
// - CFF charstrings are run here (fonts/cff_outline.h), in double precision: exact.
// - Outlines FreeType's charstring engines give (CFF2, Type 1, a CFF glyph using seac or the
//   arithmetic operators) come with their coordinates floored to whole units: errorBound says
//   so, one unit along each axis.
// - Variable TrueType fonts away from their default: FreeType computes the deltas in 16.16 and
//   rounds each point to 1/64 unit (at one pixel per unit, it keeps the unrounded values), but
//   rounds component offsets to whole units; errorBound accounts for both.
#include "fonts/glyph_load.h"

#include FT_FONT_FORMATS_H
#include FT_MULTIPLE_MASTERS_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// TrueType component flags, as FreeType passes them on from the glyf table.
constexpr FT_UInt kArgsAreXyValues = 0x0002;
constexpr FT_UInt kScaledComponentOffset = 0x0800;
constexpr FT_UInt kUnscaledComponentOffset = 0x1000;

constexpr FT_Int32 kUnhinted = FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP | FT_LOAD_NO_AUTOHINT;
// Deeper nestings than any font needs are taken for a loop of components.
constexpr int kMaxComponentDepth = 16;

// A point FreeType's unhinted charstring engines floored to whole units.
const double kFlooredPointError = std::hypot(1.0, 1.0);
// A varied point: FreeType rounds its delta to 1/64 after summing 16.16 products; the sum's own
// error stays below another 1/128 for deltas under 256 units per region: 1/64 per axis.
const double kVariedPointError = std::hypot(1.0 / 64, 1.0 / 64);
// A varied component offset: FreeType rounds it to whole units, plus the point error above.
const double kVariedOffsetError = std::hypot(0.5, 0.5) + kVariedPointError;

struct Component {
  FT_Int index;
  FT_UInt flags;
  FT_Int arg1, arg2;
  FT_Matrix matrix;
};

struct Affine {
  double xx, xy, yx, yy;  // x' = xx x + xy y, y' = yx x + yy y
  Point2 apply(Point2 p) const { return {xx * p.x + xy * p.y, yx * p.x + yy * p.y}; }
  // An upper bound on the matrix's largest stretch (its Frobenius norm).
  double stretch() const { return std::sqrt(xx * xx + xy * xy + yx * yx + yy * yy) * (1 + 1e-15); }
};

Affine affineOf(const FT_Matrix& m) {
  return {m.xx / 65536.0, m.xy / 65536.0, m.yx / 65536.0, m.yy / 65536.0};
}

void append(GlyphPoints& to, const GlyphPoints& from) {
  const std::size_t offset = to.points.size();
  to.points.insert(to.points.end(), from.points.begin(), from.points.end());
  for (const std::size_t end : from.contourEnds) to.contourEnds.push_back(end + offset);
}

LoadedPoints loadAt(const ExactReader& reader, unsigned index, int depth);

// The glyph's components, read from the slot before loading them overwrites it.
std::vector<Component> componentsOf(FT_GlyphSlot slot) {
  std::vector<Component> components(slot->num_subglyphs);
  for (FT_UInt i = 0; i < slot->num_subglyphs; ++i) {
    Component& c = components[i];
    FT_Get_SubGlyph_Info(slot, i, &c.index, &c.flags, &c.arg1, &c.arg2, &c.matrix);
  }
  return components;
}

// Composes the components as the glyf table defines it for unscaled outlines: each component's
// points through its matrix, then moved by its offset (itself through the matrix only when the
// font asks for scaled offsets), or so that its point arg2 lands on the glyph's point arg1.
LoadedPoints composeComponents(const ExactReader& reader, const std::vector<Component>& components,
                               int depth) {
  LoadedPoints glyph;
  for (const Component& c : components) {
    LoadedPoints part = loadAt(reader, static_cast<unsigned>(c.index), depth + 1);
    if (!part.problem.empty()) return part;
    const Affine m = affineOf(c.matrix);
    for (OutlinePoint& p : part.points.points) p.at = m.apply(p.at);
    Point2 move{0, 0};
    double moveError = 0.0;
    if (c.flags & kArgsAreXyValues) {
      move = {static_cast<double>(c.arg1), static_cast<double>(c.arg2)};
      if ((c.flags & kScaledComponentOffset) && !(c.flags & kUnscaledComponentOffset)) {
        move = m.apply(move);
      }
      if (reader.varied) moveError = kVariedOffsetError;
    } else {
      const auto anchor = static_cast<std::size_t>(c.arg1), own = static_cast<std::size_t>(c.arg2);
      if (anchor >= glyph.points.points.size() || own >= part.points.points.size()) {
        glyph.problem = "a component's anchor point does not exist";
        return glyph;
      }
      const Point2 to = glyph.points.points[anchor].at, from = part.points.points[own].at;
      move = {to.x - from.x, to.y - from.y};
      moveError = glyph.errorBound + m.stretch() * part.errorBound;
    }
    for (OutlinePoint& p : part.points.points) p.at = {p.at.x + move.x, p.at.y + move.y};
    glyph.errorBound = std::max(glyph.errorBound, m.stretch() * part.errorBound + moveError);
    append(glyph.points, part.points);
  }
  return glyph;
}

LoadedPoints loadOutline(const ExactReader& reader, unsigned index) {
  LoadedPoints glyph;
  if (const FT_Error error = FT_Load_Glyph(reader.face, index, kUnhinted)) {
    glyph.problem = freeTypeMessage(error);
  } else if (reader.face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
    glyph.problem = "it is not an outline";
  } else {
    glyph.points = pointsOfOutline(reader.face->glyph->outline, 64.0);
    if (!reader.trueType) glyph.errorBound = kFlooredPointError;
    if (reader.varied) glyph.errorBound += kVariedPointError;
  }
  return glyph;
}

LoadedPoints loadAt(const ExactReader& reader, unsigned index, int depth) {
  LoadedPoints glyph;
  if (!reader.trueType && reader.cff != nullptr) {
    CffGlyph cff = runCffGlyph(*reader.cff, index);
    if (cff.run == CffRun::kRead) glyph.points = std::move(cff.points);
    if (cff.run == CffRun::kMalformed) glyph.problem = cff.problem;
    if (cff.run != CffRun::kUnsupported) return glyph;
  }
  if (!reader.trueType) return loadOutline(reader, index);
  if (depth > kMaxComponentDepth) {
    glyph.problem = "its components are nested too deeply (a loop)";
    return glyph;
  }
  if (const FT_Error error =
          FT_Load_Glyph(reader.face, index, kUnhinted | FT_LOAD_NO_SCALE | FT_LOAD_NO_RECURSE)) {
    glyph.problem = freeTypeMessage(error);
    return glyph;
  }
  const FT_GlyphSlot slot = reader.face->glyph;
  if (slot->format == FT_GLYPH_FORMAT_COMPOSITE) {
    const std::vector<Component> components = componentsOf(slot);
    LoadedPoints composed = composeComponents(reader, components, depth);
    for (const Component& c : components) {
      composed.components.push_back(static_cast<unsigned>(c.index));
    }
    return composed;
  }
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) {
    glyph.problem = "it is not an outline";
    return glyph;
  }
  // Away from the default, the unscaled load rounds every delta to whole units.
  if (reader.varied) return loadOutline(reader, index);
  glyph.points = pointsOfOutline(slot->outline, 1.0);
  return glyph;
}

bool atDefaultLocation(FT_Face face) {
  if (!FT_HAS_MULTIPLE_MASTERS(face)) return true;
  FT_MM_Var* variation = nullptr;
  if (FT_Get_MM_Var(face, &variation) != 0) return true;
  std::vector<FT_Fixed> coordinates(variation->num_axis);
  const bool got = FT_Get_Var_Blend_Coordinates(face, variation->num_axis, coordinates.data()) == 0;
  FT_Done_MM_Var(face->glyph->library, variation);
  if (!got) return true;
  for (const FT_Fixed c : coordinates) {
    if (c != 0) return false;
  }
  return true;
}

}  // namespace

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

std::string prepareExactReader(FT_Face face, ExactReader& reader) {
  reader.face = face;
  const char* format = FT_Get_Font_Format(face);
  reader.trueType = format != nullptr && std::strcmp(format, "TrueType") == 0;
  reader.varied = !atDefaultLocation(face);
  const FT_UShort em = face->units_per_EM;
  if (em == 0) return "its head table gives no units per em";
  FT_ULong length = 0;
  if (!reader.trueType && !reader.varied && FT_IS_SFNT(face) &&
      FT_Load_Sfnt_Table(face, TTAG_CFF, 0, nullptr, &length) == 0 && length > 0) {
    std::vector<std::uint8_t> table(length);
    if (FT_Load_Sfnt_Table(face, TTAG_CFF, 0, table.data(), &length) == 0) {
      reader.cff = parseCffTable(std::move(table), em);
    }
  }
  if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(em) * 64, 72, 72) != 0 ||
      face->size->metrics.x_scale != 64 * 65536 || face->size->metrics.y_scale != 64 * 65536) {
    return "FreeType cannot load it at one pixel per font unit";
  }
  return "";
}

LoadedPoints loadGlyphPoints(const ExactReader& reader, unsigned index) {
  return loadAt(reader, index, 0);
}
