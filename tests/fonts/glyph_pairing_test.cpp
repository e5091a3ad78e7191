// Pairing two fonts' glyphs by name or by code point.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "font_files.h"
#include "fonts/glyph.h"

namespace {

struct Key {
  const char* name;
  std::uint32_t codePoint;
};

// A font whose Unicode map sends each key's code point (0: none) to its glyph, and `extra`
// code points to the glyphs given.
FontRead fontOf(bool hasGlyphNames, const std::vector<Key>& keys,
                std::vector<CodePointEntry> extra = {}) {
  FontRead font{true, "", hasGlyphNames, 1000, {}, {}, {}};
  for (const Key& key : keys) {
    const auto index = static_cast<unsigned>(font.glyphs.size());
    font.glyphs.push_back({key.name, key.codePoint, index, {}, ""});
    if (key.codePoint != 0) font.charMap.push_back({key.codePoint, index});
  }
  font.charMap.insert(font.charMap.end(), extra.begin(), extra.end());
  std::sort(font.charMap.begin(), font.charMap.end(),
            [](CodePointEntry x, CodePointEntry y) { return x.codePoint < y.codePoint; });
  return font;
}

using Pairs = std::vector<std::pair<std::size_t, std::size_t>>;
using Indices = std::vector<std::size_t>;

TEST(MatchGlyphs, ByNameOrByCodePoint) {
  // Names and code points that disagree, so that the key used shows in the result.
  const std::vector<Key> a = {{".notdef", 0}, {"a", 0x61}, {"b", 0x62}, {"", 0x63},
                              {"c", 0x64},    {"a", 0x65}, {"e", 0x66}};
  const std::vector<Key> b = {{"b", 0x61}, {"a", 0x63}, {"d", 0x62}, {"", 0x66}, {".notdef", 0}};
  const struct {
    const char* name;
    bool namesA, namesB;
    bool byName;
    Pairs matched;
    Indices onlyInA, onlyInB;
  } cases[] = {
      // By name: "" never matches, the second "a" of A is only in A.
      {"both named", true, true, true, {{0, 4}, {1, 1}, {2, 0}}, {3, 4, 5, 6}, {2, 3}},
      // By code point: 0 never matches (.notdef), pairs follow A's order.
      {"A unnamed", false, true, false, {{1, 0}, {2, 2}, {3, 1}, {6, 3}}, {0, 4, 5}, {4}},
      {"B unnamed", true, false, false, {{1, 0}, {2, 2}, {3, 1}, {6, 3}}, {0, 4, 5}, {4}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const GlyphPairing pairing = matchGlyphs(fontOf(c.namesA, a), fontOf(c.namesB, b));
    EXPECT_EQ(pairing.byName, c.byName);
    EXPECT_EQ(pairing.matched, c.matched);
    EXPECT_EQ(pairing.onlyInA, c.onlyInA);
    EXPECT_EQ(pairing.onlyInB, c.onlyInB);
  }
}

// One glyph mapped by two code points (micro and mu are both U+00B5 and U+03BC in one font,
// two glyphs in the other) is compared with each; names would pair neither.
TEST(MatchGlyphs, ByCodePointEveryCodePointBothFontsMap) {
  const FontRead a = fontOf(true, {{"mu", 0x3BC}, {"A", 0x41}}, {{0xB5, 0}});
  const FontRead b = fontOf(true, {{"micro", 0xB5}, {"uni03BC", 0x3BC}, {"Z", 0x5A}});
  const GlyphPairing byName = matchGlyphs(a, b);
  EXPECT_TRUE(byName.byName);
  EXPECT_TRUE(byName.matched.empty());
  const GlyphPairing byCodePoint = matchGlyphs(a, b, GlyphMatch::kCodePoint);
  EXPECT_FALSE(byCodePoint.byName);
  EXPECT_EQ(byCodePoint.matched, (Pairs{{0, 0}, {0, 1}}));
  EXPECT_EQ(byCodePoint.codePoints, (std::vector<std::uint32_t>{0xB5, 0x3BC}));
  EXPECT_EQ(byCodePoint.onlyInA, Indices{1});
  EXPECT_EQ(byCodePoint.onlyInB, Indices{2});
}

TEST(MatchGlyphs, EmptyFonts) {
  const GlyphPairing none = matchGlyphs(fontOf(true, {}), fontOf(false, {{"a", 0x61}}));
  EXPECT_TRUE(none.matched.empty());
  EXPECT_TRUE(none.onlyInA.empty());
  EXPECT_EQ(none.onlyInB, Indices{0});
}

// Each glyph of each font is matched or only in its font, never both; matched glyphs share their
// key (by name: once each).
void expectPartition(const FontRead& a, const FontRead& b, const GlyphPairing& pairing) {
  std::multiset<std::size_t> inA(pairing.onlyInA.begin(), pairing.onlyInA.end());
  std::multiset<std::size_t> inB(pairing.onlyInB.begin(), pairing.onlyInB.end());
  std::set<std::size_t> matchedA, matchedB;
  for (std::size_t k = 0; k < pairing.matched.size(); ++k) {
    const auto& [i, j] = pairing.matched[k];
    matchedA.insert(i);
    matchedB.insert(j);
    if (pairing.byName) {
      ASSERT_EQ(a.glyphs[i].name, b.glyphs[j].name);
    } else {
      const std::uint32_t cp = pairing.codePoints[k];
      const auto maps = [cp](const FontRead& f, std::size_t g) {
        return std::any_of(f.charMap.begin(), f.charMap.end(), [&](CodePointEntry e) {
          return e.codePoint == cp && e.glyphIndex == g;
        });
      };
      ASSERT_TRUE(maps(a, i) && maps(b, j)) << cp;
    }
  }
  if (pairing.byName) {
    ASSERT_EQ(matchedA.size(), pairing.matched.size());
  }
  for (std::size_t i = 0; i < a.glyphs.size(); ++i) {
    ASSERT_EQ(inA.count(i) + matchedA.count(i), 1u);
  }
  for (std::size_t j = 0; j < b.glyphs.size(); ++j) {
    ASSERT_EQ(inB.count(j) + matchedB.count(j), 1u);
  }
}

TEST(MatchGlyphs, FreeSerifCubicAgainstQuadratic) {
  FontRead otf = readFontGlyphs(font_files::kSerifOtf);
  const FontRead ttf = readFontGlyphs(font_files::kSerifTtf);
  ASSERT_TRUE(otf.ok && ttf.ok);
  const GlyphPairing byName = matchGlyphs(otf, ttf);
  EXPECT_TRUE(byName.byName);
  expectPartition(otf, ttf, byName);
  // Every OTF glyph has its namesake; the TTF adds one.
  EXPECT_EQ(byName.matched.size(), otf.glyphs.size());
  ASSERT_EQ(byName.onlyInB.size(), 1u);
  EXPECT_EQ(ttf.glyphs[byName.onlyInB[0]].name, "nonmarkingreturn");

  otf.hasGlyphNames = false;
  const GlyphPairing byCodePoint = matchGlyphs(otf, ttf);
  EXPECT_FALSE(byCodePoint.byName);
  expectPartition(otf, ttf, byCodePoint);
  EXPECT_EQ(byCodePoint.matched.size(), 8087u);  // the glyphs with a code point
}

}  // namespace
