// bezier-hausdorff: the Hausdorff distance between the user's own cubic curves, as a certified
// interval (or, on request, by the viewer's own search), for one pair given as arguments or for
// every line of standard input.
#include <cstdio>

#include "cli/certified_run.h"
#include "cli/options.h"
#include "cli/viewer_run.h"

int main(int argc, char** argv) {
  const CommandLine line = parseCommandLine(argc, argv);
  if (line.exitStatus >= 0) return line.exitStatus;
  const CliOptions& options = line.options;
  const int status =
      options.method == Method::kViewer ? runViewerMethod(options) : runCertifiedMethod(options);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    printError("cannot write standard output");
    return kExitSomeFailed;
  }
  return status;
}
