// The real bezier-hausdorff on hostile SVG files, written here: deep selectors over deep
// nesting, long chains of <use>, many uses of a deep target, many rules over many elements,
// copies that would fill memory, a CSS transform beyond the limits. Each must end the way its row
// says, with the message it says, under a cap on CPU time and on memory (prlimit) far above what
// a reader linear in the file needs: a reader that is not is killed and the row fails.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

#include "run_program.h"

namespace {

const std::string kProgram = BEZIER_HAUSDORFF_PATH;
const std::string kOutputDir = CLI_TEST_OUTPUT_DIR;
const char kOpen[] = R"(<svg xmlns="http://www.w3.org/2000/svg">)";
const char kLine[] = R"(<path d="M0 0L1 1"/>)";

std::string repeated(const std::string& text, int count) {
  std::string result;
  result.reserve(text.size() * count);
  for (int i = 0; i < count; ++i) result += text;
  return result;
}

// kLine inside `depth` groups, the outermost of class `outer`, under the sheet `css`.
std::string nested(const std::string& css, int depth, const std::string& outer = "") {
  return kOpen + ("<style>" + css + "</style><g class='" + outer + "'>") +
         repeated("<g>", depth - 1) + kLine + repeated("</g>", depth) + "</svg>";
}

std::string useChain(int length) {
  std::string text = std::string(kOpen) + R"(<defs><path id="u0" d="M0 0L1 1"/>)";
  for (int i = 1; i < length; ++i) {
    text += "<use id='u" + std::to_string(i) + "' href='#u" + std::to_string(i - 1) + "'/>";
  }
  return text + "</defs><use href='#u" + std::to_string(length - 1) + "'/></svg>";
}

std::string usesOfDeepTarget(int count) {
  return kOpen + ("<defs>" + repeated("<g>", count)) + R"(<path id="p" d="M0 0L1 1"/>)" +
         repeated("</g>", count) + "</defs>" + repeated("<use href='#p'/>", count) + "</svg>";
}

// `count` rules, rule i written by rule(i), over `count` paths, path i with attributes(i).
std::string rulesOverElements(int count, const std::function<std::string(int)>& rule,
                              const std::function<std::string(int)>& attributes) {
  std::string text = std::string(kOpen) + "<style>";
  for (int i = 0; i < count; ++i) text += rule(i);
  text += "</style>";
  for (int i = 0; i < count; ++i) text += "<path " + attributes(i) + " d='M0 0L1 1'/>";
  return text + "</svg>";
}

TEST(HostileSvgProgram, EachEndsAsItsRowSaysWithinItsLimits) {
  const std::string drawn = "distance [0.000000,";
  const struct {
    const char* name;
    std::function<std::string()> file;
    int exitStatus;
    std::string output;  // what standard output starts with (exit 0) or standard error holds
    int megabytes;       // the cap on address space
  } kCases[] = {
      {"a seven-part selector over 80 nested groups, no element of its class",
       [] { return nested(".x g g g g g g path{display:none}", 80); }, 0, drawn, 300},
      {"the same selector matching: the path is hidden",
       [] { return nested(".x g g g g g g path{display:none}", 80, "x"); }, 2,
       "nothing to measure: it draws no segment", 300},
      {"the same selector with one group too few: the path is drawn",
       [] { return nested(".x g g g g g g path{display:none}", 6, "x"); }, 0, drawn, 300},
      {"a descendant selector over 140,000 nested groups (1 MB)",
       [] { return nested(".y g{display:none}", 140000); }, 0, drawn, 600},
      {"a chain of 30,000 uses (1 MB)", [] { return useChain(30000); }, 0, drawn, 300},
      {"43,000 uses of a path nested 43,000 groups deep (1 MB)",
       [] { return usesOfDeepTarget(43000); }, 0, drawn, 300},
      {"21,000 class rules over 21,000 paths (1 MB)",
       [] {
         return rulesOverElements(
             21000, [](int i) { return ".c" + std::to_string(i) + "{fill:none}"; },
             [](int i) { return "class='c" + std::to_string(i) + "'"; });
       },
       0, drawn, 300},
      {"25,000 attribute rules over 25,000 paths, each tested against every path",
       [] {
         return rulesOverElements(
             25000, [](int i) { return "[d*=a" + std::to_string(i) + "]{fill:none}"; },
             [](int) { return ""; });
       },
       2, "CSS selectors take more than 8388608 steps to match against the elements", 300},
      {"1,000 uses of a path of 4,000 segments (36 KB)",
       [] {
         return kOpen + ("<defs><path id='p' d='M0 0" + repeated(" l1 1", 4000)) + "'/></defs>" +
                repeated("<use href='#p'/>", 1000) + "</svg>";
       },
       2, "<use> copies draw more than 32 MiB of segments (uses of uses multiply); stopped", 300},
      {"a CSS scale(1e200) around a scale(1e-200)",
       [] {
         return kOpen + std::string("<g style='transform: scale(1e200)'>") +
                "<g transform='scale(1e-200)'>" + kLine + "</g></g></svg>";
       },
       2, "<g>: CSS transform, character 7: number '1e200' out of range (magnitude above 1e150)",
       300},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string path = kOutputDir + "/hostile.svg";
    std::ofstream(path) << c.file();
    std::vector<std::string> command = {"prlimit", "--cpu=10"};
#ifndef BEZIER_SANITIZED
    // AddressSanitizer reserves more address space than any such cap.
    command.push_back("--as=" + std::to_string(c.megabytes * 1000000LL));
#endif
    command.insert(command.end(), {kProgram, "-j", "1", path, "M 0 0 L 1 1"});
    const ProgramRun run = runProgram(command, "");
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.exitStatus, c.exitStatus) << run.err;
    if (c.exitStatus == 0) {
      EXPECT_EQ(run.out.substr(0, c.output.size()), c.output);
      EXPECT_EQ(run.err, "");
    } else {
      EXPECT_NE(run.err.find(c.output), std::string::npos) << run.err;
      EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
  }
}

}  // namespace
