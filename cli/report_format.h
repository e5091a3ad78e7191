// The one-line forms of a ViewerSearch that bezier-hausdorff prints.
#ifndef CLI_REPORT_FORMAT_H
#define CLI_REPORT_FORMAT_H

#include <cstdio>

#include <beziercurve/beziercurve.h>

enum class ReportFormat {
  // distance [L,U] witness B t=… (x,y) nearest t=… (x,y) steps N, numbers with %.6f
  kText,
  // {"lower":…,"upper":…,"witness":{"curve":"B","t":…,"x":…,"y":…},"nearest":{"t":…,"x":…,
  // "y":…},"steps":N}, numbers with %.17g, which reads back to the same double
  kJson,
};

// Writes the report as one line, newline included.
void writeReport(std::FILE* out, const beziercurve::ViewerSearch& report, ReportFormat format);

#endif  // CLI_REPORT_FORMAT_H
