#include "cli/report_format.h"

using namespace beziercurve;

namespace {

char curveLetter(int curve) {
  return curve == 0 ? 'A' : 'B';
}

}  // namespace

// Every number is finite: the coordinates are bounded, so are the distances (see kMaxCoordinate),
// and %.17g of a finite double is a valid JSON number.
void writeReport(std::FILE* out, const ViewerSearch& report, ReportFormat format) {
  if (format == ReportFormat::kJson) {
    std::fprintf(out,
                 "{\"lower\":%.17g,\"upper\":%.17g,"
                 "\"witness\":{\"curve\":\"%c\",\"t\":%.17g,\"x\":%.17g,\"y\":%.17g},"
                 "\"nearest\":{\"t\":%.17g,\"x\":%.17g,\"y\":%.17g},\"steps\":%d}\n",
                 report.lowerBound, report.upperBound, curveLetter(report.witnessCurve),
                 report.witnessParameter, report.witnessPoint.x, report.witnessPoint.y,
                 report.nearestParameter, report.nearestPoint.x, report.nearestPoint.y,
                 report.steps);
    return;
  }
  std::fprintf(out,
               "distance [%.6f,%.6f] witness %c t=%.6f (%.6f,%.6f) nearest t=%.6f (%.6f,%.6f) "
               "steps %d\n",
               report.lowerBound, report.upperBound, curveLetter(report.witnessCurve),
               report.witnessParameter, report.witnessPoint.x, report.witnessPoint.y,
               report.nearestParameter, report.nearestPoint.x, report.nearestPoint.y, report.steps);
}
