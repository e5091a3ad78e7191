// The report page holds whatever a font names: a glyph or font name with markup in it stays
// text, and cannot end the page's scripts or open one of its own.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "cli/font_report.h"

namespace {

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++n;
  }
  return n;
}

TEST(FontReport, NamesWithMarkupStayText) {
  const std::string hostile = "</script><script>alert(1)</script>&\"<b>";
  FontReport report;
  report.title = hostile;
  report.notes = {hostile};
  report.pairs.push_back({hostile, "b.ttf", hostile, {{hostile, "<svg/>"}}});
  report.rows.push_back({0, hostile, "measured", true, 1, 2, {600, NAN}, "", true});
  const std::string html = fontReportHtml(report);
  // The page's own scripts: the fonts' names, the rows, the code; no other.
  EXPECT_EQ(count(html, "<script"), 3u);
  EXPECT_EQ(count(html, "</script>"), 3u);
  EXPECT_EQ(count(html, "<b>"), 0u);
  EXPECT_NE(html.find("&lt;/script&gt;&lt;script&gt;alert(1)"), std::string::npos);
  EXPECT_NE(html.find("\\u003c/script>\\u003cscript>alert(1)"), std::string::npos);
  // A width the font does not give is no number in the rows' data.
  EXPECT_NE(html.find(",null,\"\",1]"), std::string::npos);
}

}  // namespace
