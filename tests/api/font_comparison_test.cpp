// The font comparison's promises to its callers, whatever runs it: records in the pairing's
// order however many workers measure them, a stop that keeps every record delivered, decisions
// counted and never shown as distances, and B brought to A's em with its advance widths.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <vector>

#include <beziercurve/beziercurve.h>

namespace {

using namespace beziercurve;

const std::string kMonoOtf = "/usr/share/fonts/opentype/freefont/FreeMono.otf";
const std::string kMonoTtf = "/usr/share/fonts/truetype/freefont/FreeMono.ttf";

const Font& font(const std::string& path) {
  static const Font otf = readFont(kMonoOtf, 2), ttf = readFont(kMonoTtf, 2);
  return path == kMonoOtf ? otf : ttf;
}

std::vector<GlyphRecord> recordsOf(const FontComparisonOptions& options, FontComparison& summary,
                                   std::size_t stopAfter = kNoRecord) {
  std::vector<GlyphRecord> records;
  summary = compareFonts(font(kMonoOtf), font(kMonoTtf), options, [&](const GlyphRecord& r) {
    records.push_back(r);
    return records.size() != stopAfter;
  });
  return records;
}

TEST(FontComparison, RecordsComeInThePairingsOrderOnAnyNumberOfWorkers) {
  FontComparisonOptions options;
  options.tolerance = 0.01;
  FontComparison one, two;
  options.workers = 1;
  const std::vector<GlyphRecord> alone = recordsOf(options, one);
  options.workers = 2;
  const std::vector<GlyphRecord> shared = recordsOf(options, two);
  ASSERT_EQ(alone.size(), one.pairing.matched.size());
  ASSERT_EQ(alone.size(), shared.size());
  for (std::size_t k = 0; k < alone.size(); ++k) {
    ASSERT_EQ(shared[k].order, k);
    EXPECT_EQ(shared[k].inA, alone[k].inA);
    EXPECT_EQ(shared[k].distance.lower, alone[k].distance.lower) << k;
    EXPECT_EQ(shared[k].distance.upper, alone[k].distance.upper) << k;
  }
  EXPECT_EQ(one.changed, two.changed);
  EXPECT_FALSE(two.interrupted);
  // The summary's counts are the records' own.
  std::size_t beyondFive = 0;
  for (const GlyphRecord& r : alone) {
    beyondFive += r.outcome == GlyphOutcome::kMeasured && r.distance.lower > 5;
  }
  EXPECT_EQ(two.beyond.at(1), std::make_pair(5.0, beyondFive));
  ASSERT_FALSE(two.worst.empty());
  EXPECT_EQ(two.worst.front().distance.upper, two.largest.distance.upper);
}

TEST(FontComparison, StoppingKeepsWhatWasDelivered) {
  FontComparisonOptions options;
  options.tolerance = 0.01;
  options.workers = 2;
  FontComparison summary;
  const std::vector<GlyphRecord> records = recordsOf(options, summary, 25);
  EXPECT_EQ(records.size(), 25u);
  EXPECT_EQ(summary.compared, 25u);
  EXPECT_TRUE(summary.interrupted);
  std::atomic<bool> stop{true};
  options.stop = &stop;
  EXPECT_TRUE(recordsOf(options, summary).empty());
  EXPECT_TRUE(summary.interrupted);
}

TEST(FontComparison, DecisionsAreCountedNotShownAsDistances) {
  FontComparisonOptions options;
  options.deciding = true;
  options.threshold = 10;
  options.workers = 2;
  FontComparison summary;
  const std::vector<GlyphRecord> records = recordsOf(options, summary);
  EXPECT_EQ(summary.within + summary.beyondThreshold + summary.undecided,
            records.size() - summary.unreadable - summary.refused);
  EXPECT_EQ(summary.beyondThreshold, 82u);  // the rough breathing and the glyphs placing it
  EXPECT_TRUE(summary.worst.empty());
  EXPECT_EQ(summary.largest.order, kNoRecord);
  options.threshold = -1;
  EXPECT_THROW(recordsOf(options, summary), std::invalid_argument);
}

TEST(FontComparison, GlyphsOfAnotherEmAreBroughtToAs) {
  const GlyphRead a = readGlyph(kMonoOtf, "a");
  const GlyphRead inter = readGlyph("/usr/share/fonts/opentype/inter/Inter-Regular.otf", "a");
  ASSERT_TRUE(a.ok && inter.ok);
  ASSERT_NE(a.unitsPerEm, inter.unitsPerEm);
  FontComparisonOptions options;
  const GlyphRecord scaled =
      compareGlyph(a.glyph, inter.glyph, a.unitsPerEm, inter.unitsPerEm, options);
  EXPECT_EQ(scaled.advance[1], inter.glyph.advance * a.unitsPerEm / inter.unitsPerEm);
  const Shape shown = scaledShape(inter.glyph.shape, a.unitsPerEm, inter.unitsPerEm);
  const Distance direct = hausdorff(a.glyph.shape, shown, options.tolerance);
  EXPECT_EQ(scaled.distance.lower, direct.lower);
  EXPECT_EQ(scaled.distance.upper, direct.upper);
  options.scaleToA = false;
  const GlyphRecord raw =
      compareGlyph(a.glyph, inter.glyph, a.unitsPerEm, inter.unitsPerEm, options);
  EXPECT_EQ(raw.advance[1], inter.glyph.advance);
  EXPECT_GT(raw.distance.lower, scaled.distance.upper);
}

}  // namespace
