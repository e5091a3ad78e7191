// bezier-hausdorff --report: one self-contained HTML page of a font comparison (one font pair or
// a family), to look through: each pair's summary, a table of every glyph (sortable by any
// column, filtered by text or to the changed glyphs) and a picture of each of the most changed.
#ifndef CLI_FONT_REPORT_H
#define CLI_FONT_REPORT_H

#include <string>
#include <vector>

// One glyph pair's row.
struct ReportRow {
  int fontPair;         // index into FontReport::pairs
  std::string glyph;    // its label, "a U+0061"
  std::string outcome;  // "measured", "empty in both", ...
  bool measured;        // lower and upper hold
  double lower, upper;
  double advance[2];    // NaN: not compared
  std::string verdict;  // with --within: "yes", "no", "undecided"; else ""
  bool changed;         // beyond the threshold, as the summary counts
};

struct ReportPicture {
  std::string glyph;
  std::string svg;  // a whole SVG document
};

struct ReportPair {
  std::string fontA, fontB;
  std::string summary;  // the summary's text lines, as standard error shows them
  std::vector<ReportPicture> pictures;
};

struct FontReport {
  std::string title;
  std::vector<ReportPair> pairs;
  std::vector<ReportRow> rows;
  std::vector<std::string> notes;  // one line each: fonts without a partner, fonts not read
};

// The page: no network, no file besides itself (pictures inline as data URIs, the script and
// style in the page).
std::string fontReportHtml(const FontReport& report);

// Writes the page to `path`; one line naming it in `error` when it cannot.
bool writeFontReport(const std::string& path, const FontReport& report, std::string& error);

#endif  // CLI_FONT_REPORT_H
