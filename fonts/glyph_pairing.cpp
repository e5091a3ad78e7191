// matchGlyphs (declared in fonts/glyph.h): the pairing needs no FreeType, only the keys.
#include <set>
#include <string_view>
#include <unordered_map>

#include "fonts/glyph.h"

namespace {

// The key a glyph is paired by, as text; "" when it has no usable one.
std::string_view nameKey(const GlyphOutline& glyph) {
  return glyph.name;
}

template <typename Key, typename KeyOf>
GlyphPairing pairBy(const FontRead& a, const FontRead& b, Key none, KeyOf keyOf) {
  GlyphPairing pairing;
  // B's glyphs by key, the first of each key only: a repeated key is "only in B".
  std::unordered_map<Key, std::size_t> firstInB;
  firstInB.reserve(b.glyphs.size());
  for (std::size_t j = 0; j < b.glyphs.size(); ++j) {
    const Key key = keyOf(b.glyphs[j]);
    if (key != none) firstInB.emplace(key, j);
  }
  std::vector<bool> matchedInB(b.glyphs.size(), false);
  std::unordered_map<Key, bool> seenInA;
  seenInA.reserve(a.glyphs.size());
  for (std::size_t i = 0; i < a.glyphs.size(); ++i) {
    const Key key = keyOf(a.glyphs[i]);
    const auto found = firstInB.find(key);
    const bool firstOfKey = key != none && seenInA.emplace(key, true).second;
    if (firstOfKey && found != firstInB.end()) {
      pairing.matched.emplace_back(i, found->second);
      matchedInB[found->second] = true;
    } else {
      pairing.onlyInA.push_back(i);
    }
  }
  for (std::size_t j = 0; j < b.glyphs.size(); ++j) {
    if (!matchedInB[j]) pairing.onlyInB.push_back(j);
  }
  return pairing;
}

// Walks the two Unicode maps together, both in ascending code point order.
GlyphPairing pairByCodePoint(const FontRead& a, const FontRead& b) {
  GlyphPairing pairing;
  std::vector<bool> pairedA(a.glyphs.size(), false), pairedB(b.glyphs.size(), false);
  std::set<std::pair<std::size_t, std::size_t>> seen;
  std::size_t j = 0;
  for (const CodePointEntry& entry : a.charMap) {
    while (j < b.charMap.size() && b.charMap[j].codePoint < entry.codePoint) ++j;
    if (j == b.charMap.size() || b.charMap[j].codePoint != entry.codePoint) continue;
    const std::pair<std::size_t, std::size_t> pair{entry.glyphIndex, b.charMap[j].glyphIndex};
    if (pair.first >= a.glyphs.size() || pair.second >= b.glyphs.size()) continue;
    if (!seen.insert(pair).second) continue;
    pairing.matched.push_back(pair);
    pairing.codePoints.push_back(entry.codePoint);
    pairedA[pair.first] = pairedB[pair.second] = true;
  }
  for (std::size_t i = 0; i < a.glyphs.size(); ++i) {
    if (!pairedA[i]) pairing.onlyInA.push_back(i);
  }
  for (std::size_t i = 0; i < b.glyphs.size(); ++i) {
    if (!pairedB[i]) pairing.onlyInB.push_back(i);
  }
  return pairing;
}

}  // namespace

GlyphPairing matchGlyphs(const FontRead& a, const FontRead& b, GlyphMatch match) {
  const bool byName = match == GlyphMatch::kName ||
                      (match == GlyphMatch::kAutomatic && a.hasGlyphNames && b.hasGlyphNames);
  GlyphPairing pairing = byName ? pairBy(a, b, std::string_view(), nameKey) : pairByCodePoint(a, b);
  pairing.byName = byName;
  return pairing;
}
