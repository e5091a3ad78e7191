#include "svg/path_data.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "shapes/contour_runs.h"
#include "svg/elliptic_arc.h"
#include "svg/svg_number.h"

namespace {

// The reader's state between commands.
struct PathState {
  std::string_view data;
  std::size_t at = 0;
  SegmentBlocks* out = nullptr;  // the segments drawn are appended here
  double approximationError = 0;
  Point2 current{0, 0};
  Point2 subpathStart{0, 0};
  Point2 lastCubicControl{0, 0};      // the second control point of the last C or S
  Point2 lastQuadraticControl{0, 0};  // the control point of the last Q or T
  char previous = 0;                  // the upper-case command of the last segment, 0 at first
  double arcError = kDefaultArcError;
  std::string error;
  // The index in `out` of the first segment of each subpath after the first: at each M, and after
  // each Z (a drawing command after Z starts a new subpath at the same point).
  std::vector<std::size_t> subpathStarts;
};

constexpr int kMaxArguments = 7;

bool isCommand(char c) {
  return std::string_view("MmLlHhVvCcSsQqTtAaZz").find(c) != std::string_view::npos;
}

char upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool startsNumber(std::string_view data, std::size_t at) {
  if (at >= data.size()) return false;
  const char c = data[at];
  return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+';
}

int argumentCount(char command) {
  switch (upper(command)) {
    case 'M':
    case 'L':
    case 'T':
      return 2;
    case 'H':
    case 'V':
      return 1;
    case 'C':
      return 6;
    case 'S':
    case 'Q':
      return 4;
    case 'A':
      return 7;
    default:
      return 0;
  }
}

bool fail(PathState& state, std::size_t at, const std::string& problem) {
  state.error = "path data, character " + std::to_string(at + 1) + ": " + problem;
  return false;
}

std::string letter(char command) {
  return std::string("'") + command + "'";
}

// Reads one argument of `written` (the command as the data spells it): a number, or for the
// arc's fourth and fifth arguments a flag, one character '0' or '1'.
bool readArgument(PathState& state, char written, int index, double& value) {
  const bool flag = upper(written) == 'A' && (index == 3 || index == 4);
  if (flag) {
    if (state.at < state.data.size() &&
        (state.data[state.at] == '0' || state.data[state.at] == '1')) {
      value = state.data[state.at] == '1' ? 1 : 0;
      ++state.at;
      return true;
    }
    return fail(state, state.at,
                "expected a flag (0 or 1) after " + letter(written) + ", found " +
                    describeFound(state.data, state.at));
  }
  const NumberScan scan = scanNumber(state.data, state.at);
  if (scan.status == NumberStatus::kMissing) {
    return fail(state, state.at,
                "expected a number after " + letter(written) + ", found " +
                    describeFound(state.data, state.at));
  }
  if (scan.status != NumberStatus::kRead) {
    return fail(state, state.at, describeRefusedNumber(state.data, scan, state.at));
  }
  value = scan.value;
  state.at = scan.end;
  return true;
}

Point2 offset(Point2 base, double x, double y) {
  return {base.x + x, base.y + y};
}

Point2 reflect(Point2 control, Point2 around) {
  return {2 * around.x - control.x, 2 * around.y - control.y};
}

// Draws one group of arguments of `command` (implicit M repeats already turned into L).
// Returns false when an arc cannot be resolved within the range of doubles.
bool draw(PathState& state, char command, const double* v) {
  const bool relative = command >= 'a';
  const Point2 base = relative ? state.current : Point2{0, 0};
  const Point2 current = state.current;
  SegmentBlocks& out = *state.out;
  const char kind = upper(command);
  switch (kind) {
    case 'M':
      state.current = state.subpathStart = offset(base, v[0], v[1]);
      state.subpathStarts.push_back(out.size());
      break;
    case 'L':
      state.current = offset(base, v[0], v[1]);
      out.push_back(lineCubic(current, state.current));
      break;
    case 'H':
      state.current = {relative ? current.x + v[0] : v[0], current.y};
      out.push_back(lineCubic(current, state.current));
      break;
    case 'V':
      state.current = {current.x, relative ? current.y + v[0] : v[0]};
      out.push_back(lineCubic(current, state.current));
      break;
    case 'C':
    case 'S': {
      const bool smooth = kind == 'S';
      const Point2 first = !smooth ? offset(base, v[0], v[1])
                           : state.previous == 'C' || state.previous == 'S'
                               ? reflect(state.lastCubicControl, current)
                               : current;
      const double* rest = smooth ? v : v + 2;
      state.lastCubicControl = offset(base, rest[0], rest[1]);
      state.current = offset(base, rest[2], rest[3]);
      out.push_back(CubicCurve{{current, first, state.lastCubicControl, state.current}});
      break;
    }
    case 'Q':
    case 'T': {
      const bool smooth = kind == 'T';
      state.lastQuadraticControl = !smooth ? offset(base, v[0], v[1])
                                   : state.previous == 'Q' || state.previous == 'T'
                                       ? reflect(state.lastQuadraticControl, current)
                                       : current;
      const double* end = smooth ? v : v + 2;
      state.current = offset(base, end[0], end[1]);
      out.push_back(quadraticCubic(current, state.lastQuadraticControl, state.current));
      break;
    }
    case 'A': {
      state.current = offset(base, v[5], v[6]);
      const EndpointArc arc{current, state.current, v[0], v[1], v[2], v[3] != 0, v[4] != 0};
      std::vector<CubicCurve> pieces;
      const double bound = appendEndpointArc(arc, state.arcError, pieces);
      out.append(pieces.begin(), pieces.end());
      if (!std::isfinite(bound)) return false;
      state.approximationError = std::max(state.approximationError, bound);
      break;
    }
    case 'Z':
      if (current.x != state.subpathStart.x || current.y != state.subpathStart.y) {
        out.push_back(lineCubic(current, state.subpathStart));
      }
      state.current = state.subpathStart;
      state.subpathStarts.push_back(out.size());
      break;
  }
  state.previous = kind;
  return true;
}

// True when every point that the command starting at `from` reached (its segments from index
// `firstSegment` on, and the new current point) is within range.
bool reachedWithinRange(const PathState& state, std::size_t firstSegment) {
  if (!withinCoordinateRange(state.current)) return false;
  for (std::size_t i = firstSegment; i < state.out->size(); ++i) {
    for (const Point2& p : (*state.out)[i].p) {
      if (!withinCoordinateRange(p)) return false;
    }
  }
  return true;
}

// Reads and draws one group of arguments for `command`, written as `written`.
bool readGroup(PathState& state, char written, char command) {
  const std::size_t groupAt = state.at;
  double values[kMaxArguments] = {};
  const int count = argumentCount(command);
  for (int i = 0; i < count; ++i) {
    if (i > 0) {
      bool comma = false;
      state.at = skipCommaSpaces(state.data, state.at, comma);
    }
    if (!readArgument(state, written, i, values[i])) return false;
  }
  const std::size_t firstSegment = state.out->size();
  const double boundBefore = state.approximationError;
  std::string problem;
  if (!draw(state, command, values)) {
    problem = " draws an arc beyond the range of doubles";
  } else if (!reachedWithinRange(state, firstSegment)) {
    problem = " reaches a coordinate beyond 1e150";
  }
  if (problem.empty()) return true;
  // What is kept is what was drawn before this command.
  state.out->truncate(firstSegment);
  state.approximationError = boundBefore;
  return fail(state, groupAt, letter(written) + problem);
}

bool readCommands(PathState& state) {
  std::string_view data = state.data;
  char written = 0;  // the last command letter as written
  char command = 0;  // what its next group of numbers draws
  state.at = skipSpaces(data, 0);
  if (state.at < data.size() && data[state.at] != 'M' && data[state.at] != 'm') {
    return fail(state, state.at,
                "expected 'M' or 'm' at the start, found " + describeFound(data, state.at));
  }
  while (true) {
    state.at = skipSpaces(data, state.at);
    if (state.at >= data.size()) return true;
    const char c = data[state.at];
    if (isCommand(c)) {
      written = command = c;
      ++state.at;
      if (upper(c) == 'Z') {
        draw(state, c, nullptr);
        continue;
      }
      state.at = skipSpaces(data, state.at);
      if (!readGroup(state, written, command)) return false;
    } else if (command != 0 && upper(command) != 'Z' && startsNumber(data, state.at)) {
      // A repeated group: after M or m the numbers are line-tos.
      if (command == 'M') command = 'L';
      if (command == 'm') command = 'l';
      if (!readGroup(state, written, command)) return false;
    } else {
      const std::string after =
          command != 0 && upper(command) == 'Z' ? " after " + letter(written) : "";
      return fail(state, state.at,
                  "expected a path command" + after + ", found " + describeFound(data, state.at));
    }
    // A comma may separate groups, but must then be followed by one.
    bool comma = false;
    state.at = skipCommaSpaces(data, state.at, comma);
    if (comma && !startsNumber(data, state.at)) {
      return fail(state, state.at,
                  "expected a number after ',', found " + describeFound(data, state.at));
    }
  }
}

}  // namespace

PathDataRead appendPathData(std::string_view data, double arcError, SegmentBlocks& segments,
                            std::vector<Contour>& contours) {
  const std::size_t first = segments.size();
  PathState state;
  state.data = data;
  state.arcError = arcError;
  state.out = &segments;
  PathDataRead result;
  result.ok = readCommands(state);
  result.error = std::move(state.error);
  result.approximationError = state.approximationError;
  // Also on a refusal: the subpaths drawn before the faulty command, which starts none that
  // survive (segments drawn by it were dropped, and a start past the end cuts nothing).
  appendContoursFromStarts(segments, first, state.subpathStarts, contours);
  return result;
}

ShapeRead parsePathData(std::string_view data, double arcError) {
  SegmentBlocks segments;
  ShapeRead result;
  const PathDataRead read = appendPathData(data, arcError, segments, result.shape.contours);
  result.ok = read.ok;
  result.error = read.error;
  result.shape.approximationError = read.approximationError;
  segments.moveInto(result.shape.segments);
  paintAllContours(result.shape, true, FillRule::kNonzero);
  return result;
}
