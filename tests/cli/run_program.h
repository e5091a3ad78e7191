// Runs a program as a child process with given standard input and captures its outputs.
#ifndef TESTS_CLI_RUN_PROGRAM_H
#define TESTS_CLI_RUN_PROGRAM_H

#include <cstdio>
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

// A program run as a coprocess: its standard input and output are pipes that the test writes
// and reads a line at a time; its standard error goes to a temporary file.
struct Coprocess {
  int pid;
  int input;            // the write end of the child's standard input
  int output;           // the read end of its standard output
  std::string pending;  // bytes read past the last line returned
  std::FILE* errors;    // its standard error
};

Coprocess startCoprocess(const std::vector<std::string>& arguments);

// Writes `text` to the child's standard input (not closing it).
void sendTo(Coprocess& child, const std::string& text);

// The next line of the child's output, without its newline, or "<timeout>" when none arrives
// within `seconds` (a child that holds its answers back would otherwise hang the test), or
// "<end>" when its output ends.
std::string receiveLine(Coprocess& child, int seconds = 20);

// Closes the child's standard input, waits for it and returns its exit status, the rest of
// its standard output and all of its standard error.
ProgramRun finishCoprocess(Coprocess& child);

#endif  // TESTS_CLI_RUN_PROGRAM_H
