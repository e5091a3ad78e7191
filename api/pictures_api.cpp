// The SVG pictures and the viewer's search behind the public API.
#include "api/convert.h"
#include "beziercurve/beziercurve.h"
#include "geometry/hausdorff_report.h"
#include "pictures/svg_plot.h"

namespace beziercurve {

using namespace convert;

namespace {

// The request refers to the converted shapes, which must outlive it.
struct PlotShapes {
  ::Shape a;
  ::Shape b;
};

PlotRequest toInternal(const Picture& picture, const PlotShapes& shapes) {
  return {picture.a ? &shapes.a : nullptr,
          picture.b ? &shapes.b : nullptr,
          convert::toInternal(picture.result),
          picture.caption,
          picture.yUp,
          picture.nameA,
          picture.nameB,
          picture.fill};
}

PlotShapes convertedShapes(const Picture& picture) {
  PlotShapes shapes;
  if (picture.a) shapes.a = convert::toInternal(*picture.a);
  if (picture.b) shapes.b = convert::toInternal(*picture.b);
  return shapes;
}

}  // namespace

std::string pictureSvg(const Picture& picture) {
  const PlotShapes shapes = convertedShapes(picture);
  return plotSvg(toInternal(picture, shapes));
}

std::string frechetPictureSvg(const Picture& picture,
                              const std::vector<std::pair<Point, Point>>& leashes) {
  const PlotShapes shapes = convertedShapes(picture);
  LeashList internal;
  internal.reserve(leashes.size());
  for (const auto& [onA, onB] : leashes) {
    internal.emplace_back(convert::toInternal(onA), convert::toInternal(onB));
  }
  return plotFrechetSvg(toInternal(picture, shapes), internal);
}

ViewerSearch viewerHausdorff(const Cubic& a, const Cubic& b, std::FILE* trace) {
  const HausdorffReport report =
      hausdorffReport(convert::toInternal(a), convert::toInternal(b), trace);
  return {report.lowerBound,
          report.upperBound,
          report.witnessCurve,
          report.witnessParameter,
          fromInternal(report.witnessPoint),
          report.nearestParameter,
          fromInternal(report.nearestPoint),
          report.steps};
}

}  // namespace beziercurve
