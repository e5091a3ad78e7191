// The real bezier-hausdorff on shapes: SVG path data and SVG files as arguments and on lines of
// standard input, the input mended where a new user stumbled, and the --plot picture.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <pugixml.hpp>
#include <regex>
#include <string>
#include <vector>

#include "../geometry/fixtures.h"
#include "cli/parse.h"
#include "run_program.h"

using fixtures::splitLines;

namespace {

const std::string kProgram = BEZIER_HAUSDORFF_PATH;
const std::string kOutputDir = CLI_TEST_OUTPUT_DIR;

ProgramRun run(std::vector<std::string> arguments, const std::string& input = "") {
  arguments.insert(arguments.begin(), kProgram);
  return runProgram(arguments, input);
}

std::string writeFile(const std::string& name, const std::string& text) {
  const std::string path = kOutputDir + "/" + name;
  std::ofstream(path) << text;
  return path;
}

// A drawing with a group transform, a rounded rectangle and a circle, and a text element that is
// not drawn.
const char kDrawing[] = R"svg(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 100 100">
  <g transform="translate(10,10)">
    <circle id="ring" cx="40" cy="40" r="30"/>
    <rect id="frame" x="0" y="0" width="80" height="80" rx="10"/>
    <text x="5" y="5">label</text>
  </g>
</svg>
)svg";

TEST(ShapeProgram, PathDataAndFilesAsArguments) {
  const ProgramRun paths =
      run({"M 0 0 C 1 2 3 2 4 0", "M 0 0 C 1.1 1.9 2.9 2.1 4 0 L 5 0", "--tolerance", "1e-6"});
  EXPECT_EQ(paths.exitStatus, 0) << paths.err;
  // The extra line's end (5, 0) is 1 from the first curve's end (4, 0), and nothing is farther.
  EXPECT_EQ(paths.out.rfind("distance [0.9999999,1.0000001] witness B segment 1 t=1.0000000 "
                            "(5.0000000,0.0000000) nearest segment 0 t=1.0000000",
                            0),
            0u)
      << paths.out;

  const std::string drawing = writeFile("drawing.svg", kDrawing);
  // The circle of the file (centre (50, 50), radius 30) against the same circle written as two
  // arcs: the interval holds 0, widened by both arcs' approximation bounds.
  const ProgramRun ring =
      run({drawing + "#ring", "M 50 20 A 30 30 0 1 1 50 80 A 30 30 0 1 1 50 20 Z"});
  EXPECT_EQ(ring.exitStatus, 0) << ring.err;
  EXPECT_EQ(ring.err, "");
  EXPECT_EQ(ring.out.rfind("distance [0.000000,0.000", 0), 0u) << ring.out;
  // The whole file: the text element is named once in a warning, and the farthest point from
  // the diagonal line lies on the rounded frame (A).
  const ProgramRun whole = run({drawing, "M 0 0 L 100 100"});
  EXPECT_EQ(whole.exitStatus, 0);
  EXPECT_EQ(whole.err, "bezier-hausdorff: " + drawing + ": skipped 1 text\n");
  EXPECT_NE(whole.out.find(" witness A segment "), std::string::npos) << whole.out;
}

// What each refusal says: exit 2, nothing on standard output, one line naming the argument.
// Arcs are read to a quarter of the tolerance asked, so a shape against itself meets any
// tolerance, however large its arcs (a radius of 200, and a circle of radius 3000 scaled by 10).
TEST(ShapeProgram, IdenticalArcsMeetAnyTolerance) {
  const std::string big =
      writeFile("big-circle.svg",
                R"svg(<svg xmlns="http://www.w3.org/2000/svg"><g transform="scale(10)">
        <circle cx="0" cy="0" r="3000"/><rect width="9000" height="500" rx="400"/></g></svg>)svg");
  for (const std::string tolerance : {"0.001", "1e-6"}) {
    for (const std::string& shape : {std::string("M0 0A200 200 0 0 0 400 0"), big}) {
      const ProgramRun same = run({"--json", "--tolerance", tolerance, shape, shape});
      EXPECT_EQ(same.exitStatus, 0) << same.err;
      EXPECT_NE(same.out.find("\"toleranceMet\":true"), std::string::npos)
          << tolerance << " " << shape << ": " << same.out;
    }
  }
}

TEST(ShapeProgram, RefusesShapesWithOneLine) {
  const std::string drawing = writeFile("refusals.svg", kDrawing);
  const struct {
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {{"M 0 0", "M 1 1 L 2 2"}, "argument 1 'M 0 0': nothing to measure: it draws no segment"},
      {{"M 0 0 L 1 1", "0 0 1 1"},
       "argument 2 '0 0 1 1': not a shape: give SVG path data (starting with M or m), FILE.svg or "
       "FILE.svg#id"},
      {{"M 0 0 L 1 1", "M 0 0 C 1 1 2"},
       "argument 2: path data, character 14: expected a number after 'C', found the end"},
      {{"M 0 0 L 1e999 1", "M 0 0 L 1 1"}, "argument 1: path data, character 9: number '1e999'"},
      {{"Missing.svg", "M 0 0 L 1 1"}, "Missing.svg"},
      {{drawing + "#nothing", "M 0 0 L 1 1"}, drawing},
      {{"M 0 0 L 1 1", "M 0 0 L 2 2", "M 1 1 L 3 3"},
       "expected two shapes, SHAPE_A SHAPE_B, got 3 arguments"},
  };
  for (const auto& c : cases) {
    const ProgramRun result = run(c.arguments);
    EXPECT_EQ(result.exitStatus, 2) << c.message;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("bezier-hausdorff: " + c.message, 0), 0u) << result.err;
    EXPECT_EQ(splitLines(result.err).size(), 1u) << result.err;
  }
}

// Where a new user stumbled: each pair of inputs must give the same output, or the message.
TEST(ShapeProgram, InputMendedWhereUsersStumbled) {
  const std::string numbers = "0 0 1 2 3 2 4 0 0 0.5 1 2.5 3 2.5 4 0.5";
  const std::string expected = run({"-"}, numbers + "\n").out;
  ASSERT_NE(expected, "");
  // Commas between numbers on the command line, as in '-' mode.
  EXPECT_EQ(run({"0,0", "1,2", "3,2", "4,0", "0,0.5", "1,2.5", "3,2.5", "4,0.5"}).out, expected);
  // A byte-order mark before the first line, and a trailing comment.
  EXPECT_EQ(run({"-"}, "\xEF\xBB\xBF" + numbers + "  # shifted by 0.5\n").out, expected);
  EXPECT_EQ(run({"--method", "viewer", "-"}, "\xEF\xBB\xBF" + numbers + "\t# shifted\n").exitStatus,
            0);
  // A Unicode minus sign gets a hint.
  const ProgramRun minus = run({"-"},
                               "0 0 1 2 3 2 4 0 0 0.5 1 2.5 3 2.5 4 \xE2\x88\x92"
                               "0.5\n");
  EXPECT_EQ(minus.exitStatus, 1);
  EXPECT_NE(minus.err.find("U+2212 MINUS SIGN is not '-'"), std::string::npos) << minus.err;
}

// '-' mode: lines of numbers and lines of two TAB-separated shapes, in input order on two
// workers; a refused line costs only itself.
TEST(ShapeProgram, StandardInputTakesNumbersAndShapes) {
  const std::string drawing = writeFile("lines.svg", kDrawing);
  const std::string input =
      "0 0 1 2 3 2 4 0 0 0.5 1 2.5 3 2.5 4 0.5\n"
      "M 0 0 L 4 0\tM 0 1 L 4 1   # a unit apart\n"
      "M 0 0 L 4 0\tnot a shape\n" +
      drawing + "#ring\t" + drawing + "#frame\n";
  const ProgramRun result = run({"-j", "2", "-"}, input);
  EXPECT_EQ(result.exitStatus, 1);
  const std::vector<std::string> lines = splitLines(result.out);
  ASSERT_EQ(lines.size(), 4u) << result.out;
  EXPECT_EQ(lines[0].rfind("distance [0.499999,0.50", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind("distance [0.999999,1.000001] witness A segment 0 ", 0), 0u);
  EXPECT_EQ(lines[2].rfind("line 3: error: shape B 'not a shape': not a shape", 0), 0u);
  EXPECT_NE(lines[3].find(" witness B segment "), std::string::npos) << lines[3];
  EXPECT_EQ(result.err,
            "bezier-hausdorff: line 3: shape B 'not a shape': not a shape: give SVG path data "
            "(starting with M or m), FILE.svg or FILE.svg#id\n");
}

// The picture: well-formed XML whose arrow runs from the witness to its nearest point, mapped
// as the plot writer states (both shapes' control points and the arrow in a box whose longer
// side spans 704 of the 800 units, centred; y down for SVG input).
TEST(ShapeProgram, PlotDrawsTheArrowWhereTheResultSays) {
  const std::string plot = kOutputDir + "/shapes-plot.svg";
  std::remove(plot.c_str());
  const std::string a = "M 0 0 L 100 0 L 100 50 Z", b = "M 10 10 L 90 10 L 60 80 Z";
  const ProgramRun result = run({"--json", "--plot", plot, a, b});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  static const std::regex points(
      R"re("witness":\{"curve":"([AB])","segment":\d+,"t":[^,]+,"x":([^,]+),"y":([^}]+)\},)re"
      R"re("nearest":\{"segment":\d+,"t":[^,]+,"x":([^,]+),"y":([^}]+)\})re");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(result.out, m, points)) << result.out;
  const double wx = std::stod(m[2]), wy = std::stod(m[3]), nx = std::stod(m[4]),
               ny = std::stod(m[5]);
  // Every control point of both shapes and the arrow lie in [0, 100] x [0, 80].
  const double scale = 704.0 / 100.0;
  const auto mapX = [&](double x) { return 400 + scale * (x - 50); };
  const auto mapY = [&](double y) { return 400 + scale * (y - 40); };

  pugi::xml_document document;
  ASSERT_TRUE(document.load_file(plot.c_str())) << plot;
  const pugi::xml_node arrow = document.find_node([](const pugi::xml_node& node) {
    return std::string(node.attribute("id").value()) == "witness-arrow";
  });
  ASSERT_TRUE(arrow) << "no witness-arrow in " << plot;
  EXPECT_NEAR(arrow.attribute("x1").as_double(), mapX(wx), 0.01);
  EXPECT_NEAR(arrow.attribute("y1").as_double(), mapY(wy), 0.01);
  EXPECT_NEAR(arrow.attribute("x2").as_double(), mapX(nx), 0.01);
  EXPECT_NEAR(arrow.attribute("y2").as_double(), mapY(ny), 0.01);
  const pugi::xml_node caption = document.find_node([](const pugi::xml_node& node) {
    return std::string(node.attribute("id").value()) == "caption";
  });
  EXPECT_EQ(std::string(caption.child_value()).rfind("Hausdorff distance in [", 0), 0u);

  // Asked for a picture of nothing, it says so and fails.
  const ProgramRun nothing = run({"--plot", plot, "-"}, "# no pairs\n");
  EXPECT_EQ(nothing.exitStatus, 1);
  EXPECT_EQ(nothing.err,
            "bezier-hausdorff: no picture written to " + plot + ": no pair was measured\n");

  // Rendered once, to look at: build/tests/shapes-plot.png.
  const std::string png = kOutputDir + "/shapes-plot.png";
  const ProgramRun render = runProgram({RSVG_CONVERT_PATH, plot, "-o", png}, "");
  EXPECT_EQ(render.exitStatus, 0) << render.err;
}

// The picture's destination is checked before any work: an unwritable one fails at once, with
// nothing measured or printed. "--plot -" puts the picture on standard output and the results
// on standard error, and creates no file named "-".
TEST(ShapeProgram, PlotDestinationIsCheckedFirstAndDashMeansStandardOutput) {
  const std::string a = "M 0 0 L 100 0 L 100 50 Z", b = "M 10 10 L 90 10 L 60 80 Z";
  const struct {
    std::string destination;
    std::string message;
  } unwritable[] = {
      {"/nonexistent/x.svg", "--plot: cannot write /nonexistent/x.svg: no folder /nonexistent"},
      {kOutputDir, "--plot: cannot write " + kOutputDir + ": it is a folder"},
      {kOutputDir + "/plain-file.txt/x.svg", "--plot: cannot write " + kOutputDir +
                                                 "/plain-file.txt/x.svg: " + kOutputDir +
                                                 "/plain-file.txt is not a folder"},
  };
  writeFile("plain-file.txt", "a file, not a folder");
  for (const auto& c : unwritable) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--plot", c.destination, a, b},
          std::vector<std::string>{"--plot", c.destination, "-"}}) {
      const ProgramRun result = run(arguments, a + "\t" + b + "\n");
      EXPECT_EQ(result.exitStatus, 2) << c.destination;
      EXPECT_EQ(result.out, "");
      EXPECT_EQ(result.err, "bezier-hausdorff: " + c.message + "\n");
    }
  }

  const ProgramRun toFile = run({a, b});
  const ProgramRun dash = run({"--plot", "-", a, b});
  EXPECT_EQ(dash.exitStatus, 0) << dash.err;
  EXPECT_EQ(dash.err, toFile.out);
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(dash.out.c_str())) << dash.out;
  EXPECT_STREQ(document.document_element().name(), "svg");
  std::FILE* stray = std::fopen("-", "r");
  EXPECT_EQ(stray, nullptr) << "a file named '-' was created";
  if (stray) std::fclose(stray);

  const ProgramRun lines = run({"--json", "--plot", "-", "-"}, a + "\t" + b + "\nx\n");
  EXPECT_EQ(lines.exitStatus, 1);
  EXPECT_EQ(lines.out.rfind("<?xml", 0), 0u) << lines.out;
  EXPECT_NE(lines.err.find("{\"line\":1,\"method\":\"certified\""), std::string::npos);
  EXPECT_NE(lines.err.find("{\"line\":2,\"error\":"), std::string::npos) << lines.err;
}

// Each message a new user met, now saying what to do: arguments (exit 2) and lines of standard
// input (exit 1, the same message on the line's record).
TEST(ShapeProgram, MessagesSayTheFix) {
  const std::string ids = writeFile("ids.svg",
                                    "<svg xmlns='http://www.w3.org/2000/svg'><path id='p' d='M 0 0 "
                                    "L 1 1'/><g id='grp'><circle id='c' r='1'/></g><text "
                                    "id='t'>x</text></svg>");
  const std::string textOnly =
      writeFile("text-only.svg",
                "<svg xmlns='http://www.w3.org/2000/svg'><text>a</text><text>b</text></svg>");
  const std::string broken =
      writeFile("broken.svg", "<svg xmlns='http://www.w3.org/2000/svg'><rect x='1'");
  const std::string minus =
      "M 0 0 L 1 \xE2\x88\x92"
      "1";
  const struct {
    std::vector<std::string> arguments;
    std::string message;
  } arguments[] = {
      {{ids + "#nope", ids}, ids + ": no element with id 'nope'; its ids are 'p', 'grp', 'c', 't'"},
      {{textOnly, ids},
       // The argument is quoted as any token is, cut short when the build's path is long.
       "argument 1 " + quotedToken(textOnly) +
           ": nothing to measure: it draws no segment; skipped 2 text"},
      {{broken, ids}, broken + ", line 1: not XML: Error parsing start element tag"},
      {{minus, "M 0 0 L 1 1"},
       "argument 1: path data, character 11: expected a number after 'L', found byte 0xE2 "
       "(U+2212 MINUS SIGN is not '-': write '-')"},
      {{"M 0 0 L 1 1"}, "expected two shapes, SHAPE_A SHAPE_B, got one argument"},
      {{"pairs.txt"}, "expected 16 numbers, two shapes or '-', got one argument"},
      {{"M 0 0 L 1 1", "M 0 0 L 1 2", "M 0 0"},
       "expected two shapes, SHAPE_A SHAPE_B, got 3 arguments"},
  };
  for (const auto& c : arguments) {
    const ProgramRun result = run(c.arguments);
    EXPECT_EQ(result.exitStatus, 2) << c.message;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "bezier-hausdorff: " + c.message + "\n");
  }
  const struct {
    std::string line;
    std::string message;
  } lines[] = {
      {"M 0 0 L 1 1 M 0 0 L 1 2",
       "two shapes need one TAB between them, and this line has none (16 numbers need no TAB)"},
      {ids + " " + ids,
       "two shapes need one TAB between them, and this line has none (16 numbers need no TAB)"},
      {"M 0 0 L 1 1\t" + minus,
       "shape B: path data, character 11: expected a number after 'L', found byte 0xE2 (U+2212 "
       "MINUS SIGN is not '-': write '-')"},
  };
  for (const auto& c : lines) {
    const ProgramRun result = run({"-"}, c.line + "\n");
    EXPECT_EQ(result.exitStatus, 1) << c.message;
    EXPECT_EQ(result.out, "line 1: error: " + c.message + "\n");
    EXPECT_EQ(result.err, "bezier-hausdorff: line 1: " + c.message + "\n");
  }
  // A file given twice warns once, on the command line and over the lines of standard input.
  const ProgramRun twice = run({ids, ids});
  EXPECT_EQ(twice.exitStatus, 0);
  EXPECT_EQ(twice.err, "bezier-hausdorff: " + ids + ": skipped 1 text\n");
  const std::string pair = ids + "\t" + ids + "#p\n";
  const ProgramRun piped = run({"-"}, "M 0 0 L 1 1\tM 0 0 L 1 2\n" + pair + pair);
  EXPECT_EQ(piped.exitStatus, 0);
  EXPECT_EQ(splitLines(piped.out).size(), 3u);
  EXPECT_EQ(piped.err, "bezier-hausdorff: line 2: " + ids + ": skipped 1 text\n");
}

}  // namespace
