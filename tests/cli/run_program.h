// Runs a program as a child process with given standard input and captures its outputs.
#ifndef TESTS_CLI_RUN_PROGRAM_H
#define TESTS_CLI_RUN_PROGRAM_H

#include <string>
#include <vector>

struct ProgramRun {
  int exitStatus;  // -1 when the child did not exit normally (e.g. killed by a signal)
  int signal;      // the terminating signal, 0 when it exited
  std::string out;
  std::string err;
};

// Runs arguments[0] (searched in PATH when it has no slash) with `arguments`, `input` on its
// standard input and, when `outputPath` is not empty, its standard output sent to that file
// (then `out` stays empty).
ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& input,
                      const std::string& outputPath = "");

#endif  // TESTS_CLI_RUN_PROGRAM_H
