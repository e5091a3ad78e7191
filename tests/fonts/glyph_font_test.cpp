// Glyphs read from Debian's FreeSerif in its cubic (OTF) and quadratic (TTF) forms, glyph
// lookups, and the files that are not fonts.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "font_files.h"
#include "fonts/glyph.h"

using font_files::kSansTtf;
using font_files::kSerifOtf;
using font_files::kSerifTtf;

namespace {

class FreeSerif : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    otf = new FontRead(readFontGlyphs(kSerifOtf));
    ttf = new FontRead(readFontGlyphs(kSerifTtf));
  }
  static void TearDownTestSuite() {
    delete otf;
    delete ttf;
  }
  static FontRead* otf;
  static FontRead* ttf;
};

FontRead* FreeSerif::otf = nullptr;
FontRead* FreeSerif::ttf = nullptr;

// Where the glyph's segments fail to form closed contours: "" when each run of joined segments
// ends where it began.
std::string contourFault(const Shape& shape) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < shape.segments.size(); ++i) {
    const bool last = i + 1 == shape.segments.size() ||
                      !samePoint(shape.segments[i + 1].p[0], shape.segments[i].p[3]);
    if (!last) continue;
    if (!samePoint(shape.segments[i].p[3], shape.segments[start].p[0])) {
      return "contour ending at segment " + std::to_string(i) + " is open";
    }
    start = i + 1;
  }
  return "";
}

TEST_F(FreeSerif, EveryGlyphOfBothFontsAsClosedContours) {
  // Debian 12's fonts-freefont 20120503: the TTF has one glyph more (nonmarkingreturn).
  const struct {
    const FontRead* font;
    std::size_t glyphs;
  } fonts[] = {{otf, 10537}, {ttf, 10538}};
  for (const auto& f : fonts) {
    ASSERT_TRUE(f.font->ok) << f.font->error;
    EXPECT_TRUE(f.font->hasGlyphNames);
    ASSERT_EQ(f.font->glyphs.size(), f.glyphs);
    std::size_t mapped = 0, blank = 0;
    for (std::size_t i = 0; i < f.font->glyphs.size(); ++i) {
      const GlyphOutline& glyph = f.font->glyphs[i];
      ASSERT_EQ(glyph.glyphIndex, i);
      ASSERT_FALSE(glyph.name.empty()) << i;
      ASSERT_TRUE(glyph.problem.empty()) << glyph.name;
      // Only the elevated control points' rounding: nothing else of a static font is inexact.
      ASSERT_LT(glyph.shape.approximationError, 1e-9) << glyph.name;
      ASSERT_EQ(contourFault(glyph.shape), "") << glyph.name;
      const font_files::Box box = font_files::controlBox(glyph.shape);
      if (!glyph.shape.segments.empty()) {
        // Font units of a 1000-unit em: every glyph of this font stays well inside +-3000.
        ASSERT_TRUE(box.minX > -3000 && box.maxX < 3000 && box.minY > -3000 && box.maxY < 3000)
            << glyph.name;
      }
      mapped += glyph.codePoint != 0;
      blank += glyph.shape.segments.empty();
    }
    EXPECT_EQ(mapped, 8087u);
    EXPECT_GT(blank, 20u);  // spaces of many widths
    EXPECT_LT(blank, 60u);
  }
}

// The same design twice, once in cubics and once in quadratics rounded to whole units: the
// outlines agree to about a unit, which they could not if an arc were elevated wrongly or a
// closing line were lost.
TEST_F(FreeSerif, CubicAndQuadraticFormsDrawTheSameGlyphs) {
  const struct {
    const char* spec;
    std::size_t otfSegments;
  } glyphs[] = {{"a", 22}, {"g", 27}, {"S", 19}, {"é", 17}, {"&", 28}, {"@", 25}, {"o", 8}};
  for (const auto& g : glyphs) {
    SCOPED_TRACE(g.spec);
    const GlyphRead cubic = readGlyph(kSerifOtf, g.spec);
    const GlyphRead quadratic = readGlyph(kSerifTtf, g.spec);
    ASSERT_TRUE(cubic.ok && quadratic.ok) << cubic.error << quadratic.error;
    EXPECT_EQ(cubic.glyph.name, quadratic.glyph.name);
    EXPECT_EQ(cubic.glyph.shape.segments.size(), g.otfSegments);
    EXPECT_GT(quadratic.glyph.shape.segments.size(), g.otfSegments);
    const font_files::Box c = font_files::controlBox(cubic.glyph.shape);
    const font_files::Box q = font_files::controlBox(quadratic.glyph.shape);
    EXPECT_NEAR(c.minX, q.minX, 1.0);
    EXPECT_NEAR(c.maxX, q.maxX, 1.0);
    EXPECT_NEAR(c.minY, q.minY, 1.0);
    EXPECT_NEAR(c.maxY, q.maxY, 1.0);
    // Lower-case letters stand on the baseline, about 460 units tall.
    if (g.spec == std::string("a") || g.spec == std::string("o")) {
      EXPECT_NEAR(c.minY, -10, 5);
      EXPECT_NEAR(c.maxY, 460, 10);
    }
    EXPECT_LT(font_files::sampledDistance(cubic.glyph.shape, quadratic.glyph.shape), 2.5);
  }
}

TEST_F(FreeSerif, EverySpellingOfAGlyphFindsIt) {
  const struct {
    const char* font;
    const FontRead* read;
  } fonts[] = {{kSerifOtf, otf}, {kSerifTtf, ttf}};
  const struct {
    std::vector<const char*> spellings;
    const char* name;
    std::uint32_t codePoint;
  } glyphs[] = {
      {{"a", "U+0061", "u+61"}, "a", 0x61},        {{"á", "U+00E1", "aacute"}, "aacute", 0xE1},
      {{"𝐀", "U+1D400", "A_bo"}, "A_bo", 0x1D400},  // four bytes of UTF-8, beyond the BMP
      {{" ", "U+0020", "space"}, "space", 0x20},   {{".notdef"}, ".notdef", 0},
  };
  for (const auto& f : fonts) {
    for (const auto& g : glyphs) {
      for (const char* spelling : g.spellings) {
        SCOPED_TRACE(std::string(f.font) + " " + spelling);
        const GlyphRead read = readGlyph(f.font, spelling);
        ASSERT_TRUE(read.ok) << read.error;
        EXPECT_EQ(read.glyph.name, g.name);
        EXPECT_EQ(read.glyph.codePoint, g.codePoint);
        // The same glyph, bit for bit, as the whole font's reading has it.
        const GlyphOutline& whole = f.read->glyphs.at(read.glyph.glyphIndex);
        EXPECT_EQ(whole.name, g.name);
        ASSERT_EQ(read.glyph.shape.segments.size(), whole.shape.segments.size());
        for (std::size_t i = 0; i < whole.shape.segments.size(); ++i) {
          for (int k = 0; k < 4; ++k) {
            EXPECT_TRUE(samePoint(read.glyph.shape.segments[i].p[k], whole.shape.segments[i].p[k]));
          }
        }
      }
    }
  }
}

bool startsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool isOneLine(const std::string& text) {
  return !text.empty() && text.find('\n') == std::string::npos;
}

TEST(GlyphLookup, MissingGlyphsAndMalformedSpecsAreNamed) {
  const struct {
    std::string spec;
    const char* message;
  } cases[] = {
      {"U+1F600", "has no glyph for U+1F600"},
      {"😀", "has no glyph for U+1F600 '😀'"},
      {"nosuchglyph", "has no glyph named 'nosuchglyph'"},
      {"ab", "has no glyph named 'ab'"},
      {"\xFF\xFE", "has no glyph named '\\xFF\\xFE'"},
      {std::string("a\0b", 3), "has no glyph named 'a\\x00b'"},
      {"U+XYZ", "'U+XYZ' is not a code point"},
      {"U+1234567", "'U+1234567' is not a code point"},
      {"U+110000", "'U+110000' lies beyond Unicode"},
      {"", "no glyph given"},
  };
  for (const auto& c : cases) {
    const GlyphRead read = readGlyph(kSerifOtf, c.spec);
    EXPECT_FALSE(read.ok);
    EXPECT_TRUE(isOneLine(read.error)) << read.error;
    EXPECT_TRUE(startsWith(read.error, std::string(kSerifOtf) + ": " + c.message)) << read.error;
  }
}

TEST(FontFiles, WhatIsNotAReadableFontGetsOneLineNamingIt) {
  using font_files::outputPath;
  using font_files::readBytes;
  using font_files::writeBytes;
  const std::string serifTtf = readBytes(kSerifTtf);
  const std::string serifOtf = readBytes(kSerifOtf);
  writeBytes(outputPath("truncated-head.otf"), serifOtf.substr(0, 100000));
  writeBytes(outputPath("text.ttf"), "This is not a font.\n");
  writeBytes(outputPath("empty.otf"), "");
  const std::string ttf = kSerifTtf;
  const struct {
    std::string argument;
    std::string message;
  } cases[] = {
      {outputPath("no-such-font.otf"), outputPath("no-such-font.otf") + ": no such file"},
      {"/usr/share/fonts", "/usr/share/fonts: is a directory, not a font file"},
      {"/dev/null", "/dev/null: is not a regular file"},
      {outputPath("text.ttf"), outputPath("text.ttf") + ": not a font file"},
      {outputPath("empty.otf"), outputPath("empty.otf") + ": is empty, not a font file"},
      // FreeType cannot open a CFF table cut short: no outline can be read.
      {outputPath("truncated-head.otf"),
       outputPath("truncated-head.otf") + ": its 'CFF ' table ends"},
      {ttf + "#1", ttf + "#1: no face 1, the file has one face (#0)"},
      {ttf + "#x", ttf + "#x: 'x' is not a face number"},
      {ttf + "#", ttf + "#: '' is not a face number"},
      {ttf + "#99999", ttf + "#99999: '99999' is not a face number"},
      {outputPath("no-such-font.otf#1"), outputPath("no-such-font.otf") + ": no such file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.argument);
    const FontRead font = readFontGlyphs(c.argument);
    EXPECT_FALSE(font.ok);
    EXPECT_TRUE(font.glyphs.empty());
    EXPECT_TRUE(isOneLine(font.error)) << font.error;
    EXPECT_TRUE(startsWith(font.error, c.message)) << font.error;
    // One glyph from the same file fails the same way.
    const GlyphRead glyph = readGlyph(c.argument, "a");
    EXPECT_FALSE(glyph.ok);
    EXPECT_EQ(glyph.error, font.error);
  }
}

bool sameOutline(const GlyphOutline& x, const GlyphOutline& y) {
  if (x.shape.segments.size() != y.shape.segments.size()) return false;
  for (std::size_t i = 0; i < x.shape.segments.size(); ++i) {
    for (int k = 0; k < 4; ++k) {
      if (!samePoint(x.shape.segments[i].p[k], y.shape.segments[i].p[k])) return false;
    }
  }
  return true;
}

// How the damaged reading compares with the intact one, glyph by glyph (by index).
struct Damage {
  std::size_t same = 0, unreadable = 0, changed = 0;
};

Damage compareGlyphs(const FontRead& damaged, const FontRead& intact) {
  Damage d;
  for (std::size_t i = 0; i < damaged.glyphs.size() && i < intact.glyphs.size(); ++i) {
    const GlyphOutline& g = damaged.glyphs[i];
    if (!g.problem.empty()) {
      EXPECT_TRUE(g.shape.segments.empty());
      ++d.unreadable;
    } else if (sameOutline(g, intact.glyphs[i])) {
      ++d.same;
    } else {
      ++d.changed;
    }
  }
  return d;
}

std::uint32_t be(const std::string& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
  return v;
}

// Where glyph `index`'s data starts in a TrueType file, from its head, loca and glyf tables.
std::size_t glyphDataAt(const std::string& font, unsigned index) {
  std::size_t head = 0, loca = 0, glyf = 0;
  for (std::size_t t = 0; t < be(font, 4, 2); ++t) {
    const std::string tag = font.substr(12 + 16 * t, 4);
    const std::size_t offset = be(font, 12 + 16 * t + 8, 4);
    if (tag == "head") head = offset;
    if (tag == "loca") loca = offset;
    if (tag == "glyf") glyf = offset;
  }
  const bool longOffsets = be(font, head + 50, 2) != 0;
  return glyf + (longOffsets ? be(font, loca + 4 * index, 4) : 2 * be(font, loca + 2 * index, 2));
}

// A damaged font keeps every glyph it can still read, each exactly as the intact font has it;
// the glyphs it cannot read are marked, never passed off as empty; damage to tables the
// outlines do not need is a warning.
TEST(FontFiles, DamagedFontsKeepEveryReadableGlyph) {
  using font_files::outputPath;
  using font_files::readBytes;
  using font_files::writeBytes;
  const FontRead serif = readFontGlyphs(kSerifTtf);
  const FontRead sans = readFontGlyphs(kSansTtf);
  ASSERT_TRUE(serif.ok && sans.ok);

  // Cut after the glyf table: only tables the outlines do not need are lost.
  writeBytes(outputPath("truncated.ttf"), readBytes(kSerifTtf).substr(0, 1500000));
  const FontRead cutTail = readFontGlyphs(outputPath("truncated.ttf"));
  ASSERT_TRUE(cutTail.ok) << cutTail.error;
  EXPECT_EQ(cutTail.warnings.at(0), outputPath("truncated.ttf") +
                                        ": its 'FFTM' table ends at byte 2013568, beyond the "
                                        "file's 1500000: the file is truncated or damaged");
  EXPECT_EQ(compareGlyphs(cutTail, serif).same, serif.glyphs.size());

  // Face 1 of a collection cut inside its glyf table: FreeType then reads every glyph of the
  // table as empty; each is reported unreadable, none passed off as empty.
  writeBytes(
      outputPath("collection-cut.ttc"),
      font_files::makeCollection({readBytes(kSerifTtf), readBytes(kSansTtf)}).substr(0, 2500000));
  const FontRead cutGlyf = readFontGlyphs(outputPath("collection-cut.ttc#1"));
  ASSERT_TRUE(cutGlyf.ok) << cutGlyf.error;
  const Damage glyf = compareGlyphs(cutGlyf, sans);
  EXPECT_EQ(glyf.changed, 0u);
  EXPECT_GT(glyf.unreadable, 1000u);
  EXPECT_EQ(glyf.same + glyf.unreadable, sans.glyphs.size());
  EXPECT_EQ(unreadableGlyphs(cutGlyf), glyf.unreadable);

  // Flipped bytes: three glyphs claim 32767 contours, which their data cannot hold; they and
  // the composites built on them are unreadable, every other glyph is as it was.
  std::string flipped = readBytes(kSerifTtf);
  std::vector<unsigned> damagedGlyphs;
  for (const char* spec : {"a", "g", "S"}) {
    const unsigned index = readGlyph(kSerifTtf, spec).glyph.glyphIndex;
    damagedGlyphs.push_back(index);
    const std::size_t at = glyphDataAt(flipped, index);
    flipped[at] = 0x7F;
    flipped[at + 1] = static_cast<char>(0xFF);
  }
  writeBytes(outputPath("flipped.ttf"), flipped);
  const FontRead flips = readFontGlyphs(outputPath("flipped.ttf"));
  ASSERT_TRUE(flips.ok) << flips.error;
  const Damage bytes = compareGlyphs(flips, serif);
  EXPECT_GE(bytes.unreadable, 3u);
  EXPECT_LT(bytes.unreadable, 100u);
  EXPECT_EQ(bytes.changed, 0u);
  EXPECT_EQ(bytes.same + bytes.unreadable, serif.glyphs.size());
  for (const unsigned index : damagedGlyphs) EXPECT_FALSE(flips.glyphs[index].problem.empty());
  const GlyphRead one = readGlyph(outputPath("flipped.ttf"), "g");
  EXPECT_FALSE(one.ok);
  EXPECT_NE(one.error.find("glyph " + std::to_string(damagedGlyphs[1]) + " 'g' cannot be read ("),
            std::string::npos)
      << one.error;
}

// Locations of a variable font, and what is refused with the font's own axes and instances.
TEST(FontFiles, VariableFontLocations) {
  const std::string inter = "/usr/share/fonts/truetype/inter-vf/Inter-roman.var.ttf";
  const GlyphRead regular = readGlyph(inter, "o");
  const GlyphRead bold = readGlyph(inter + "@Bold", "o");
  const GlyphRead heavy = readGlyph(inter + "@wght=700", "o");
  ASSERT_TRUE(regular.ok && bold.ok && heavy.ok) << bold.error << heavy.error;
  // The default location reads exactly; elsewhere the reading declares FreeType's bound.
  EXPECT_LT(regular.glyph.shape.approximationError, 1e-9);
  EXPECT_NEAR(bold.glyph.shape.approximationError, std::hypot(1.0 / 64, 1.0 / 64), 1e-9);
  // The Bold instance is wght=700: the same points; the default's stems are thinner.
  ASSERT_EQ(bold.glyph.shape.segments.size(), heavy.glyph.shape.segments.size());
  for (std::size_t i = 0; i < bold.glyph.shape.segments.size(); ++i) {
    EXPECT_TRUE(samePoint(bold.glyph.shape.segments[i].p[0], heavy.glyph.shape.segments[i].p[0]));
  }
  EXPECT_GT(font_files::sampledDistance(regular.glyph.shape, bold.glyph.shape), 20.0);
  const struct {
    std::string argument;
    std::string message;
  } refused[] = {
      {inter + "@Heavy", inter + "@Heavy: has no instance named 'Heavy' (its instances: Thin, "
                                 "Extra Light, Light, Regular, Medium, Semi Bold, Bold, Extra "
                                 "Bold, Black; or give AXIS=VALUE,...)"},
      {inter + "@wght=1000",
       inter + "@wght=1000: its axis wght ranges over wght=100..900; wght=1000 lies outside"},
      {inter + "@wdth=100", inter + "@wdth=100: has no axis 'wdth' (its axes: wght=100..900)"},
      {inter + "@wght=bold", inter + "@wght=bold: 'wght=bold' is not AXIS=VALUE (its axes: "
                                     "wght=100..900)"},
      {std::string(kSerifTtf) + "@Bold",
       std::string(kSerifTtf) + "@Bold: is not a variable font, so it has no location 'Bold'"},
  };
  for (const auto& c : refused) {
    const GlyphRead read = readGlyph(c.argument, "o");
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.error, c.message);
    EXPECT_EQ(readFontGlyphs(c.argument).error, c.message);
  }
}

TEST(FontFiles, FacesOfACollectionByNumber) {
  using font_files::outputPath;
  const std::string path = outputPath("serif-and-sans.ttc");
  font_files::writeBytes(path, font_files::makeCollection({font_files::readBytes(kSerifTtf),
                                                           font_files::readBytes(kSansTtf)}));
  const struct {
    std::string argument;
    const char* sameAs;
  } faces[] = {{path, kSerifTtf}, {path + "#0", kSerifTtf}, {path + "#1", kSansTtf}};
  for (const auto& face : faces) {
    SCOPED_TRACE(face.argument);
    const GlyphRead fromCollection = readGlyph(face.argument, "g");
    const GlyphRead alone = readGlyph(face.sameAs, "g");
    ASSERT_TRUE(fromCollection.ok) << fromCollection.error;
    ASSERT_EQ(fromCollection.glyph.shape.segments.size(), alone.glyph.shape.segments.size());
    for (std::size_t i = 0; i < alone.glyph.shape.segments.size(); ++i) {
      EXPECT_TRUE(samePoint(fromCollection.glyph.shape.segments[i].p[3],
                            alone.glyph.shape.segments[i].p[3]));
    }
  }
  const FontRead beyond = readFontGlyphs(path + "#2");
  EXPECT_FALSE(beyond.ok);
  EXPECT_EQ(beyond.error, path + "#2: no face 2, the file has 2 faces (#0 to #1)");
}

// A file whose own name ends in "#N" is that file, not face N of another.
TEST(FontFiles, AFileNamedLikeAFaceIsReadAsItIs) {
  const std::string path = font_files::outputPath("serif.ttf#1");
  font_files::writeBytes(path, font_files::readBytes(kSerifTtf));
  const GlyphRead read = readGlyph(path, "a");
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.glyph.shape.segments.size(),
            readGlyph(kSerifTtf, "a").glyph.shape.segments.size());
}

}  // namespace
