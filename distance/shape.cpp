#include "distance/shape.h"

namespace {

// Whether runs [firstOf(i), firstOf(i) + countOf(i)) cover 0..total in order, each non-empty.
template <typename First, typename Count>
bool runsCover(int total, int count, const First& firstOf, const Count& countOf, const char* what,
               const char* item, std::string& problem) {
  int next = 0;
  for (int i = 0; i < count; ++i) {
    if (firstOf(i) != next) {
      problem = std::string(what) + " " + std::to_string(i) + " starts at " + item + " " +
                std::to_string(firstOf(i)) + ", not at " + std::to_string(next) +
                " where the one before it ends";
      return false;
    }
    if (countOf(i) < 1 || countOf(i) > total - next) {
      problem = std::string(what) + " " + std::to_string(i) + " has " + std::to_string(countOf(i)) +
                " " + item + "s, where " + std::to_string(total - next) +
                " remain (at least 1 is needed)";
      return false;
    }
    next += countOf(i);
  }
  if (next != total) {
    problem = std::string(what) + "s end at " + item + " " + std::to_string(next) + " of " +
              std::to_string(total);
    return false;
  }
  return true;
}

}  // namespace

std::vector<Contour> contoursOf(const Shape& shape) {
  if (!shape.contours.empty()) return shape.contours;
  std::vector<Contour> contours;
  const int n = static_cast<int>(shape.segments.size());
  int first = 0;
  for (int i = 1; i <= n; ++i) {
    if (i < n && samePoint(shape.segments[i - 1].p[3], shape.segments[i].p[0])) continue;
    const bool closed = samePoint(shape.segments[i - 1].p[3], shape.segments[first].p[0]);
    contours.push_back({first, i - first, closed});
    first = i;
  }
  return contours;
}

std::vector<Paint> paintsOf(const Shape& shape, FillRule rule) {
  if (!shape.paints.empty()) return shape.paints;
  const int contours = static_cast<int>(contoursOf(shape).size());
  if (contours == 0) return {};
  return {Paint{0, contours, true, rule}};
}

std::string structureProblem(const Shape& shape) {
  std::string problem;
  const int segments = static_cast<int>(shape.segments.size());
  const std::vector<Contour>& contours = shape.contours;
  if (!contours.empty()) {
    if (!runsCover(
            segments, static_cast<int>(contours.size()),
            [&](int i) { return contours[i].firstSegment; },
            [&](int i) { return contours[i].segmentCount; }, "contour", "segment", problem)) {
      return problem;
    }
    for (std::size_t i = 0; i < contours.size(); ++i) {
      const Contour& c = contours[i];
      for (int k = c.firstSegment + 1; k < c.firstSegment + c.segmentCount; ++k) {
        if (!samePoint(shape.segments[k - 1].p[3], shape.segments[k].p[0])) {
          return "contour " + std::to_string(i) + ": segment " + std::to_string(k) +
                 " does not start where segment " + std::to_string(k - 1) + " ends";
        }
      }
      const bool meets = samePoint(shape.segments[c.firstSegment + c.segmentCount - 1].p[3],
                                   shape.segments[c.firstSegment].p[0]);
      if (c.closed != meets) {
        return "contour " + std::to_string(i) +
               (c.closed ? " is marked closed but does not end" : " is marked open but ends") +
               " where it starts";
      }
    }
  }
  const std::vector<Paint>& paints = shape.paints;
  if (!paints.empty()) {
    const int known = static_cast<int>(contoursOf(shape).size());
    if (!runsCover(
            known, static_cast<int>(paints.size()), [&](int i) { return paints[i].firstContour; },
            [&](int i) { return paints[i].contourCount; }, "paint", "contour", problem)) {
      return problem;
    }
  }
  return "";
}
