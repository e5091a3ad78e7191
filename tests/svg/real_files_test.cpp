// Real files: every scalable icon of Debian's adwaita-icon-theme, read by this reader and by an
// independent one (python3-svgelements, run here), and rewritten by a real client (svgo).
//   - each icon against itself: the interval holds 0 and meets the tolerance;
//   - against svgelements' reading: within the tolerance;
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

struct IndependentReading {
  bool ok = false;
  Shape shape;
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

TEST(AdwaitaIcons, AgainstThemselvesAndTheIndependentReader) {
  const std::vector<std::string> files = iconFiles();
  ASSERT_GT(files.size(), 500u) << "adwaita-icon-theme's scalable icons in " << kIcons;
  const std::map<std::string, IndependentReading> independent = svgelementsReadings(files);
  int compared = 0;
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    const ShapeRead ours = readSvgFile(file, "", kTolerance / 4);
    ASSERT_TRUE(ours.ok) << ours.error;
    EXPECT_LE(ours.shape.approximationError, kTolerance / 4);
    const auto theirs = independent.find(file);
    ASSERT_TRUE(theirs != independent.end() && theirs->second.ok);
    const Shape& other = theirs->second.shape;
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
