#include "shapes/contour_runs.h"

#include <algorithm>

namespace {

bool endsWhereItStarts(const std::vector<CubicCurve>& segments, const Contour& contour) {
  return samePoint(segments[contour.firstSegment + contour.segmentCount - 1].p[3],
                   segments[contour.firstSegment].p[0]);
}

}  // namespace

std::vector<Contour> contoursFromStarts(const std::vector<CubicCurve>& segments,
                                        const std::vector<int>& starts) {
  std::vector<Contour> contours;
  const int total = static_cast<int>(segments.size());
  int first = 0;
  const auto close = [&](int end) {
    if (end <= first) return;
    Contour contour{first, end - first, false};
    contour.closed = endsWhereItStarts(segments, contour);
    contours.push_back(contour);
    first = end;
  };
  for (const int start : starts) close(std::min(start, total));
  close(total);
  return contours;
}

void appendContoursFromStarts(const SegmentBlocks& segments, std::size_t first,
                              const std::vector<std::size_t>& starts,
                              std::vector<Contour>& contours) {
  const std::size_t total = segments.size();
  const auto close = [&](std::size_t end) {
    if (end <= first) return;
    Contour contour{static_cast<int>(first), static_cast<int>(end - first), false};
    contour.closed = samePoint(segments[end - 1].p[3], segments[first].p[0]);
    contours.push_back(contour);
    first = end;
  };
  for (const std::size_t start : starts) close(std::min(start, total));
  close(total);
}

void markClosedContours(Shape& shape) {
  for (Contour& contour : shape.contours) {
    contour.closed = endsWhereItStarts(shape.segments, contour);
  }
}

void paintAllContours(Shape& shape, bool filled, FillRule rule) {
  shape.paints.clear();
  if (shape.contours.empty()) return;
  shape.paints.push_back({0, static_cast<int>(shape.contours.size()), filled, rule});
}

void appendPainted(Shape& whole, const Shape& part, bool filled, FillRule rule) {
  const std::vector<Contour> contours = contoursOf(part);
  if (contours.empty()) return;
  const int segmentOffset = static_cast<int>(whole.segments.size());
  const int contourOffset = static_cast<int>(whole.contours.size());
  whole.segments.insert(whole.segments.end(), part.segments.begin(), part.segments.end());
  for (Contour contour : contours) {
    contour.firstSegment += segmentOffset;
    whole.contours.push_back(contour);
  }
  whole.paints.push_back({contourOffset, static_cast<int>(contours.size()), filled, rule});
  whole.approximationError = std::max(whole.approximationError, part.approximationError);
}
