// bezier-hausdorff: the Hausdorff distance between the user's own cubic curves and glyph
// outlines, as a certified interval (or, for curves, by the viewer's own search on request), for
// one pair given as arguments, for every line of standard input, or for a font's glyphs.
#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

#include "cli/certified_run.h"
#include "cli/glyph_run.h"
#include "cli/options.h"
#include "cli/outline_print.h"
#include "cli/viewer_run.h"

namespace {

int run(int argc, char** argv) {
  const CommandLine line = parseCommandLine(argc, argv);
  if (line.exitStatus >= 0) return line.exitStatus;
  const CliOptions& options = line.options;
  if (!options.plotPath.empty()) {
    const std::string problem = plotDestinationProblem(options.plotPath);
    if (!problem.empty()) {  // before the work, not after it
      printError(problem);
      return kExitBadCommandLine;
    }
  }
  if (!options.reportPath.empty()) {
    std::string problem = plotDestinationProblem(options.reportPath);
    if (!problem.empty()) {
      printError("--report" + problem.substr(problem.find(':')));
      return kExitBadCommandLine;
    }
  }
  int status;
  if (options.method == Method::kViewer) {
    status = runViewerMethod(options);
  } else if (!options.glyph.empty() || options.allGlyphs) {
    status = runGlyphs(options);
  } else if (options.printOutlines) {
    status = printOperandOutlines(options);
  } else {
    status = runCertifiedMethod(options);
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    printError("cannot write standard output");
    return kExitSomeFailed;
  }
  return status;
}

}  // namespace

// What the runs refuse themselves (a shape too large to read or to measure) they refuse with
// its name; memory or threads running out anywhere else ends the program here, with one line
// and the status of an input that cannot be taken, rather than with an abort.
int main(int argc, char** argv) {
  std::string problem;
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    problem = "out of memory: the input is too large for the memory this process may use";
  } catch (const std::length_error&) {
    problem = "the input is too large: it needs more memory than the program can address";
  } catch (const std::system_error& e) {
    problem = std::string("the system refused what the work needs: ") + e.what();
  }
  std::fflush(stdout);
  printError(problem);
  return kExitBadCommandLine;
}
