// Real files: every scalable icon of Debian's adwaita-icon-theme, read by this reader and by an
// independent one (python3-svgelements, run here), and rewritten by a real client (svgo).
//   - each icon against itself: the interval holds 0 and meets the tolerance;
//   - against svgelements' reading: within the tolerance, with the same contours and paints
//     (each element's fill-rule, and whether its fill is none);
//   - against svgo's optimised copy: measured without error; the largest changes are printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "distance/certified_hausdorff.h"
#include "svg/svg_file.h"

namespace {

namespace fs = std::filesystem;

constexpr double kTolerance = 1e-3;
const std::string kIcons = ADWAITA_SCALABLE_DIR;
const std::string kOutput = REAL_FILES_OUTPUT_DIR;

std::vector<std::string> iconFiles() {
  std::vector<std::string> files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(kIcons)) {
    if (entry.is_regular_file() && entry.path().extension() == ".svg") {
      files.push_back(entry.path().string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string run(const std::string& command) {
  std::string output;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[65536];
  for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    output.append(buffer, read);
  }
  pclose(pipe);
  return output;
}

struct IndependentPaint {
  bool filled;
  FillRule rule;
  int contours;
};

struct IndependentReading {
  bool ok = false;
  Shape shape;
  std::vector<int> contourStarts;  // the first cubic of each subpath
  std::vector<IndependentPaint> paints;
};

// svgelements' reading of every file, by tests/svg/svgelements_cubics.py.
std::map<std::string, IndependentReading> svgelementsReadings(
    const std::vector<std::string>& files) {
  const std::string list = kOutput + "/adwaita-files.txt";
  std::ofstream(list) << [&] {
    std::string text;
    for (const std::string& file : files) text += file + "\n";
    return text;
  }();
  std::istringstream lines(
      run(std::string(DEBIAN_PYTHON3) + " " + SVGELEMENTS_SCRIPT + " < '" + list + "'"));
  std::map<std::string, IndependentReading> readings;
  std::string line, current;
  while (std::getline(lines, line)) {
    if (line.rfind("file\t", 0) == 0) {
      current = line.substr(5);
      readings[current].ok = true;
    } else if (line.rfind("error\t", 0) == 0) {
      ADD_FAILURE() << "svgelements: " << line.substr(6);
    } else if (line.rfind("paint ", 0) == 0) {
      readings[current].paints.push_back(
          {line.substr(6, 4) == "fill",
           line.substr(11) == "evenodd" ? FillRule::kEvenOdd : FillRule::kNonzero, 0});
    } else if (line == "contour") {
      IndependentReading& reading = readings[current];
      reading.contourStarts.push_back(static_cast<int>(reading.shape.segments.size()));
      ++reading.paints.back().contours;
    } else if (line.rfind("radius ", 0) == 0) {
      // Arcs as cubics of 1/64 of a turn: within 2e-14 of the radius, bounded here with room.
      readings[current].shape.approximationError = 1e-10 * std::stod(line.substr(7));
    } else if (line != "end") {
      std::istringstream numbers(line);
      CubicCurve cubic;
      for (Point2& p : cubic.p) numbers >> p.x >> p.y;
      readings[current].shape.segments.push_back(cubic);
    }
  }
  return readings;
}

bool nearPoint(Point2 a, Point2 b) {
  const double scale =
      1 + std::max({std::fabs(a.x), std::fabs(a.y), std::fabs(b.x), std::fabs(b.y)});
  return std::hypot(a.x - b.x, a.y - b.y) <= 1e-9 * scale;
}

// Where our structure and svgelements' differ, as one line; "" when they agree: as many paints,
// each as filled, under the same rule and of as many contours, and as many contours, each
// starting at the same point and closed alike.
std::string structureDifference(const Shape& ours, const IndependentReading& theirs) {
  if (!structureProblem(ours).empty()) return "ours: " + structureProblem(ours);
  if (ours.paints.size() != theirs.paints.size()) {
    return std::to_string(ours.paints.size()) + " paints against " +
           std::to_string(theirs.paints.size());
  }
  for (std::size_t i = 0; i < ours.paints.size(); ++i) {
    const Paint& p = ours.paints[i];
    const IndependentPaint& q = theirs.paints[i];
    if (p.filled != q.filled || p.rule != q.rule || p.contourCount != q.contours) {
      return "paint " + std::to_string(i) + ": " + (p.filled ? "filled" : "unfilled") +
             (p.rule == FillRule::kEvenOdd ? " evenodd, " : " nonzero, ") +
             std::to_string(p.contourCount) + " contours against " +
             (q.filled ? "filled" : "unfilled") +
             (q.rule == FillRule::kEvenOdd ? " evenodd, " : " nonzero, ") +
             std::to_string(q.contours);
    }
  }
  const std::vector<int>& starts = theirs.contourStarts;
  if (ours.contours.size() != starts.size()) {
    return std::to_string(ours.contours.size()) + " contours against " +
           std::to_string(starts.size());
  }
  const std::vector<CubicCurve>& cubics = theirs.shape.segments;
  for (std::size_t k = 0; k < starts.size(); ++k) {
    const Contour& c = ours.contours[k];
    const int end = k + 1 < starts.size() ? starts[k + 1] : static_cast<int>(cubics.size());
    if (!nearPoint(ours.segments[c.firstSegment].p[0], cubics[starts[k]].p[0])) {
      return "contour " + std::to_string(k) + " starts elsewhere";
    }
    // Ours is closed when its ends are the same point exactly; theirs, after undoing the
    // viewBox, when they meet to rounding. A path whose relative steps add up to its start but
    // for rounding is open in ours and closed in theirs: both then find the ends within
    // rounding of each other.
    const bool theirsMeet = nearPoint(cubics[end - 1].p[3], cubics[starts[k]].p[0]);
    const bool oursMeet = nearPoint(ours.segments[c.firstSegment + c.segmentCount - 1].p[3],
                                    ours.segments[c.firstSegment].p[0]);
    if (c.closed ? !theirsMeet : theirsMeet && !oursMeet) {
      return "contour " + std::to_string(k) + " is " + (c.closed ? "closed" : "open") +
             " against " + (theirsMeet ? "closed" : "open");
    }
  }
  return "";
}

TEST(AdwaitaIcons, AgainstThemselvesAndTheIndependentReader) {
  const std::vector<std::string> files = iconFiles();
  ASSERT_GT(files.size(), 500u) << "adwaita-icon-theme's scalable icons in " << kIcons;
  const std::map<std::string, IndependentReading> independent = svgelementsReadings(files);
  int compared = 0, evenOdd = 0, multiContour = 0;
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    const ShapeRead ours = readSvgFile(file, "", kTolerance / 4);
    ASSERT_TRUE(ours.ok) << ours.error;
    EXPECT_LE(ours.shape.approximationError, kTolerance / 4);
    const auto theirs = independent.find(file);
    ASSERT_TRUE(theirs != independent.end() && theirs->second.ok);
    const Shape& other = theirs->second.shape;
    EXPECT_EQ(structureDifference(ours.shape, theirs->second), "");
    for (const Paint& paint : ours.shape.paints) {
      evenOdd += paint.rule == FillRule::kEvenOdd;
      multiContour += paint.contourCount > 1;
    }
    if (ours.shape.segments.empty() || other.segments.empty()) {
      EXPECT_EQ(ours.shape.segments.size(), other.segments.size());
      continue;
    }
    const CertifiedDistance self = certifiedHausdorff(ours.shape, ours.shape, kTolerance);
    EXPECT_EQ(self.lower, 0);
    EXPECT_TRUE(self.toleranceMet) << self.upper;
    const CertifiedDistance apart = certifiedHausdorff(ours.shape, other, kTolerance);
    EXPECT_LE(apart.upper, kTolerance)
        << "witness " << (apart.witnessShape == 0 ? "ours" : "theirs") << " segment "
        << apart.witness.segment;
    ++compared;
  }
  EXPECT_GT(compared, 500);
  // The structures compared hold what they are about.
  EXPECT_GT(evenOdd, 10);
  EXPECT_GT(multiContour, 500);
  std::printf("paints compared with svgelements: %d evenodd, %d of several contours\n", evenOdd,
              multiContour);
}

// The reader's rules in small files, against svgelements where it reads them as SVG says,
// and against hand-worked figures where it is known not to: it ignores a nested svg's x and y,
// gives an ellipse with one radius a ry of 1 instead of rx (SVG 2's auto), draws what
// visibility hides, and does not scale a used symbol to the use's width and height.
TEST(SmallFiles, AgainstTheIndependentReaderOrHandWorkedFigures) {
  const std::string open =
      "<svg xmlns='http://www.w3.org/2000/svg' "
      "xmlns:xlink='http://www.w3.org/1999/xlink' viewBox='0 0 100 100' "
      "width='100' height='100'>";
  const auto line = [](Point2 a, Point2 b) {
    return CubicCurve{{a,
                       {a.x + (b.x - a.x) / 3, a.y + (b.y - a.y) / 3},
                       {a.x + 2 * (b.x - a.x) / 3, a.y + 2 * (b.y - a.y) / 3},
                       b}};
  };
  const struct {
    const char* rule;
    std::string body;
    bool handWorked;
    std::vector<CubicCurve> expected;  // when handWorked (empty: the circle below)
  } cases[] = {
      {"use of a group",
       "<defs><g id='g'><path d='M0 0L10 5'/></g></defs><use href='#g' x='5'/>",
       false,
       {}},
      // The symbol's viewBox 10 x 10 into the use's 20 x 20: scale 2; svgelements keeps scale 1.
      {"use of a symbol",
       "<defs><symbol id='s' viewBox='0 0 10 10'><path d='M0 0L10 5'/></symbol>"
       "</defs><use xlink:href='#s' x='5' width='20' height='20'/>",
       true,
       {line({5, 0}, {25, 10})}},
      {"CSS class and percentages",
       "<style>.h{display:none}</style><rect width='50%' height='10%'/>"
       "<line class='h' x2='9'/>",
       false,
       {}},
      {"rounded rect and arcs",
       "<rect x='10' y='10' width='60' height='30' rx='8'/>"
       "<path d='M10 80 A30 20 30 1 1 90 80'/>",
       false,
       {}},
      {"nested svg x and y",
       "<svg x='10' y='20' width='50' height='50'><line x2='5'/></svg>",
       true,
       {line({10, 20}, {15, 20})}},
      {"visibility",
       "<g visibility='hidden'><line x2='5'/><line y2='7' visibility='visible'/></g>",
       true,
       {line({0, 0}, {0, 7})}},
      {"ellipse with one radius", "<ellipse cx='50' cy='50' rx='10'/>", true, {}},
      {"fill and fill-rule inherited and overridden",
       "<g fill='none' fill-rule='evenodd'><path d='M0 0H9V9ZM2 2H5V5Z'/>"
       "<rect width='3' height='3' fill='red' style='fill-rule:nonzero'/></g>",
       false,
       {}},
      {"a use's copy paints with the use's fill",
       "<defs><path id='q' d='M0 0H9V9Z'/></defs><use href='#q' fill='none'/><use href='#q' "
       "x='20'/>",
       false,
       {}},
      {"a sheet's fill-rule, subpaths after Z and a polyline left open",
       "<style>.e{fill-rule:evenodd}</style><path class='e' d='M0 0H9V9ZL5 5 9 0M20 20H30'/>"
       "<polyline points='0 0 10 10 20 0'/>",
       false,
       {}},
  };
  std::vector<std::string> files;
  for (const auto& c : cases) {
    files.push_back(kOutput + "/small-" + std::to_string(files.size()) + ".svg");
    std::ofstream(files.back()) << open << c.body << "</svg>";
  }
  const std::map<std::string, IndependentReading> independent = svgelementsReadings(files);
  for (std::size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(cases[i].rule);
    const ShapeRead ours = readSvgFile(files[i], "", kTolerance / 4);
    ASSERT_TRUE(ours.ok) << ours.error;
    ASSERT_FALSE(ours.shape.segments.empty());
    if (!cases[i].handWorked) {
      const Shape& theirs = independent.at(files[i]).shape;
      ASSERT_FALSE(theirs.segments.empty());
      EXPECT_EQ(structureDifference(ours.shape, independent.at(files[i])), "");
      EXPECT_LE(certifiedHausdorff(ours.shape, theirs, kTolerance).upper, kTolerance);
    } else if (!cases[i].expected.empty()) {
      const Shape expected{cases[i].expected, 0.0};
      EXPECT_LE(certifiedHausdorff(ours.shape, expected, kTolerance).upper, kTolerance);
    } else {
      // The circle of radius 10 about (50, 50): every point of every cubic within the bound of
      // it, and the cubics' ends on it, all round.
      double turned = 0;
      for (const CubicCurve& cubic : ours.shape.segments) {
        for (int k = 0; k <= 16; ++k) {
          const double t = k / 16.0, u = 1 - t;
          const double x = u * u * u * cubic.p[0].x + 3 * u * u * t * cubic.p[1].x +
                           3 * u * t * t * cubic.p[2].x + t * t * t * cubic.p[3].x;
          const double y = u * u * u * cubic.p[0].y + 3 * u * u * t * cubic.p[1].y +
                           3 * u * t * t * cubic.p[2].y + t * t * t * cubic.p[3].y;
          EXPECT_NEAR(std::hypot(x - 50, y - 50), 10, ours.shape.approximationError + 1e-12);
        }
        turned += std::atan2(
            (cubic.p[0].x - 50) * (cubic.p[3].y - 50) - (cubic.p[0].y - 50) * (cubic.p[3].x - 50),
            (cubic.p[0].x - 50) * (cubic.p[3].x - 50) + (cubic.p[0].y - 50) * (cubic.p[3].y - 50));
      }
      EXPECT_NEAR(turned, 2 * 3.14159265358979323846, 1e-12);
    }
  }
}

// svgo, the npm optimiser, as a real client: every icon against its optimised copy is read and
// measured without error. test.sh installs svgo into a cache when it is missing and names it in
// BEZIER_SVGO.
TEST(AdwaitaIcons, SvgoCopiesAreMeasuredWithoutError) {
  const char* svgo = std::getenv("BEZIER_SVGO");
  if (svgo == nullptr || !fs::exists(svgo)) {
    GTEST_SKIP() << "svgo is not installed: ./test.sh installs it with npm into a cache and sets "
                    "BEZIER_SVGO; npm or its registry was unreachable";
  }
  const std::string copies = kOutput + "/adwaita-svgo";
  fs::remove_all(copies);
  const std::string log =
      run(std::string(svgo) + " --quiet -r -f '" + kIcons + "' -o '" + copies + "' 2>&1");
  struct Change {
    double upper;
    std::string file;
  };
  std::vector<Change> changes;
  for (const std::string& file : iconFiles()) {
    const std::string copy = copies + file.substr(kIcons.size());
    SCOPED_TRACE(copy);
    const ShapeRead original = readSvgFile(file, "", kTolerance / 4);
    const ShapeRead optimised = readSvgFile(copy, "", kTolerance / 4);
    ASSERT_TRUE(original.ok) << original.error;
    ASSERT_TRUE(optimised.ok) << optimised.error << " (svgo: " << log << ")";
    if (original.shape.segments.empty() || optimised.shape.segments.empty()) {
      EXPECT_EQ(original.shape.segments.size() == 0, optimised.shape.segments.size() == 0);
      continue;
    }
    const CertifiedDistance d = certifiedHausdorff(original.shape, optimised.shape, kTolerance);
    EXPECT_TRUE(std::isfinite(d.lower) && std::isfinite(d.upper) && d.lower <= d.upper);
    EXPECT_TRUE(d.toleranceMet);
    changes.push_back({d.upper, file});
  }
  EXPECT_GT(changes.size(), 500u);
  std::sort(changes.begin(), changes.end(),
            [](const Change& a, const Change& b) { return a.upper > b.upper; });
  for (std::size_t i = 0; i < std::min<std::size_t>(5, changes.size()); ++i) {
    std::printf("svgo's change %zu: %.6f %s\n", i + 1, changes[i].upper, changes[i].file.c_str());
  }
}

}  // namespace
