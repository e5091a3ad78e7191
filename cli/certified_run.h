// bezier-hausdorff's default: the certified search on pairs from the command line or from
// standard input, the latter spread over worker threads with the output kept in input order.
#ifndef CLI_CERTIFIED_RUN_H
#define CLI_CERTIFIED_RUN_H

#include "cli/options.h"

// Returns the exit status.
int runCertifiedMethod(const CliOptions& options);

// The exit status of several results together: a refused input (1) outweighs a distance beyond
// the threshold (3), which outweighs an undecided one (4), which outweighs success (0).
int combinedStatus(int a, int b);

#endif  // CLI_CERTIFIED_RUN_H
