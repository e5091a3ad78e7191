// The real bezier-hausdorff against inputs made to exhaust it, each under a resource limit
// (prlimit): every one ends with its own message and exit status, never with an abort, and in
// '-' mode the other lines are measured all the same.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "../geometry/fixtures.h"
#include "run_program.h"

using fixtures::splitLines;

namespace {

const std::string kProgram = BEZIER_HAUSDORFF_PATH;
const std::string kDirectory = CLI_TEST_OUTPUT_DIR;
const std::string kPair = "0 0 1 2 3 2 4 0  0 0 1.1 1.9 2.9 2.1 4 0";

// Writes an SVG file of one path, `data`, and returns its name.
std::string svgFile(const std::string& name, const std::string& data) {
  const std::string path = kDirectory + "/" + name;
  std::ofstream(path) << "<svg xmlns=\"http://www.w3.org/2000/svg\"><path d=\"" << data
                      << "\"/></svg>";
  return path;
}

// A path of `count` segments `step` after M 0 0.
std::string repeated(const std::string& step, int count) {
  std::string data = "M 0 0";
  data.reserve(data.size() + step.size() * count);
  for (int i = 0; i < count; ++i) data += step;
  return data;
}

std::string times(const std::string& line, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += line + "\n";
  return text;
}

TEST(HostileInput, EndsWithItsOwnMessageUnderItsLimit) {
#ifdef BEZIER_SANITIZED
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limits allow";
#endif
  // Fréchet: 2,000 segments each would need 4,000,000 cells (about 240 MB at once).
  const std::string zigzagA = svgFile("hostile-zigzag-a.svg", repeated(" l 1 0.5 l 1 -0.5", 1000));
  const std::string zigzagB = svgFile("hostile-zigzag-b.svg", repeated(" l 1 0.4 l 1 -0.4", 1000));
  // A million unit steps: read in about 200 MB, measured in more.
  const std::string steps = svgFile("hostile-steps.svg", repeated("h1", 1000000));
  // Three million diagonal steps in 15 MB: more than the reader can hold in 300 MB.
  const std::string diagonal = svgFile("hostile-diagonal.svg", repeated(" l1 1", 3000000));
  const std::string line = "M 0 0 L 1 1";
  const std::string frechetRefusal =
      "shape A has 2000 segments and shape B 2000: the Fréchet search needs a cell for every "
      "pair of segments, and holds at most 2097152 (2^21)";
  const std::string stepsRefusal =
      "A (1000000 segments) against B (1 segment): too large to measure: the search ran out of "
      "memory";
  const std::string result = splitLines(runProgram({kProgram, "-"}, kPair + "\n").out).at(0);
  const std::string frechetResult =
      splitLines(runProgram({kProgram, "--metric", "frechet", "-"}, kPair + "\n").out).at(0);
  const auto bytes = std::ifstream(diagonal, std::ios::ate | std::ios::binary).tellg();
  const unsigned cores = std::thread::hardware_concurrency();
  const std::string clamped =
      cores == 1 ? "bezier-hausdorff: --jobs 1024: this machine has 1 core, so 1 worker thread "
                   "runs\n"
      : cores == 0 || cores >= 1024
          ? ""
          : "bezier-hausdorff: --jobs 1024: this machine has " + std::to_string(cores) +
                " cores, so " + std::to_string(cores) + " worker threads run\n";
  const std::string missingWorkers =
      cores >= 2 ? "bezier-hausdorff: the system could not start every worker thread asked for: "
                   "the work is done by those that started\n"
                 : "";

  const struct {
    const char* what;
    std::vector<std::string> limits;  // prlimit's options
    std::vector<std::string> arguments;
    std::string input;
    int exitStatus;
    std::string out;  // standard output, in full
    std::string err;  // standard error, in full
  } cases[] = {
      {"a Fréchet pair past the grid's cap",
       {"--as=300000000"},
       {"--metric", "frechet", zigzagA, zigzagB},
       "",
       2,
       "",
       "bezier-hausdorff: " + frechetRefusal + "\n"},
      {"a million segments to measure",
       {"--as=300000000"},
       {steps, line},
       "",
       2,
       "",
       "bezier-hausdorff: " + stepsRefusal + "\n"},
      {"15 MB of path to read",
       {"--as=300000000"},
       {diagonal, line},
       "",
       2,
       "",
       "bezier-hausdorff: " + diagonal + " (" + std::to_string(bytes) +
           " bytes): too large to read: the reader ran out of memory\n"},
      {"'-': lines too large among good ones, each refused alone",
       {"--as=300000000"},
       {"--metric", "frechet", "-"},
       kPair + "\n" + zigzagA + "\t" + zigzagB + "\n" + kPair + "\n",
       1,
       frechetResult + "\nline 2: error: " + frechetRefusal + "\n" + frechetResult + "\n",
       "bezier-hausdorff: line 2: " + frechetRefusal + "\n"},
      {"'-' in JSON: a search that runs out of memory, then a file name holding a NUL",
       {"--as=300000000"},
       {"--json", "-j", "1", "-"},
       steps + "\t" + line + "\n" + std::string("x.svg\0y.svg", 11) + "\t" + line + "\n",
       1,
       "{\"line\":1,\"error\":\"" + stepsRefusal +
           "\"}\n{\"line\":2,\"error\":\"x.svg\\\\x00y.svg: a file name cannot contain a NUL "
           "byte\"}\n",
       "bezier-hausdorff: line 1: " + stepsRefusal +
           "\nbezier-hausdorff: line 2: x.svg\\x00y.svg: a file name cannot contain a NUL byte\n"},
      // 1024 threads' stacks alone would pass the limit.
      {"-j 1024 under 2 GB",
       {"--as=2000000000"},
       {"-j", "1024", "-"},
       times(kPair, 20000),
       0,
       times(result, 20000),
       clamped},
      // No thread's stack fits in the address space: the main thread does all the work.
      {"no worker thread can be started",
       {"--stack=3000000000", "--as=2000000000"},
       {"-j", "2", "-"},
       times(kPair, 20000),
       0,
       times(result, 20000),
       missingWorkers},
  };
  for (const auto& c : cases) {
    std::vector<std::string> command{"prlimit"};
    command.insert(command.end(), c.limits.begin(), c.limits.end());
    command.push_back(kProgram);
    command.insert(command.end(), c.arguments.begin(), c.arguments.end());
    const ProgramRun run = runProgram(command, c.input);
    EXPECT_EQ(run.signal, 0) << c.what;
    EXPECT_EQ(run.exitStatus, c.exitStatus) << c.what;
    EXPECT_EQ(run.out, c.out) << c.what;
    EXPECT_EQ(run.err, c.err) << c.what;
  }
}

}  // namespace
