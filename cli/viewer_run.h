// bezier-hausdorff --method viewer: the viewer's own search, its output unchanged.
#ifndef CLI_VIEWER_RUN_H
#define CLI_VIEWER_RUN_H

#include "cli/options.h"

// One pair from the 16 operands, or one per line of standard input for "-". Returns the exit
// status.
int runViewerMethod(const CliOptions& options);

#endif  // CLI_VIEWER_RUN_H
