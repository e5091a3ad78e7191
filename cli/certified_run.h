// bezier-hausdorff's default: the certified search on pairs from the command line or from
// standard input, the latter spread over worker threads with the output kept in input order.
#ifndef CLI_CERTIFIED_RUN_H
#define CLI_CERTIFIED_RUN_H

#include "cli/options.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <beziercurve/beziercurve.h>

// The walk's leashes for a Fréchet picture: a point of A and a point of B at evenly spaced
// moments.
using LeashList = std::vector<std::pair<beziercurve::Point, beziercurve::Point>>;

// Returns the exit status.
int runCertifiedMethod(const CliOptions& options);

// The error each shape's arcs are read to: a quarter of the tolerance, so that a pair of
// readings widens the interval by at most half of it and identical shapes always meet it.
double arcErrorFor(const CliOptions& options);

// What one measurement gave.
struct Measured {
  int status;  // 0, kExitBeyond or kExitUndecided
  beziercurve::Distance distance;
};

// Measures the pair as the options ask (to the tolerance, or deciding --within) and appends its
// result line to `out`, with the prefixes of CertifiedLine.
Measured measurePair(const beziercurve::Shape& a, const beziercurve::Shape& b,
                     const CliOptions& options, bool showSegments, std::string_view textPrefix,
                     std::string_view jsonPrefix, std::string& out);

// The worker threads asked for with -j, or one per core.
int workerCount(const CliOptions& options);

// The exit status of several results together: a refused input (1) outweighs a distance beyond
// the threshold (3), which outweighs an undecided one (4), which outweighs success (0).
int combinedStatus(int a, int b);

// Why --plot's destination cannot be written, checked before any work (the file itself is only
// written at the end); "" when it can, and always for "-" (standard output).
std::string plotDestinationProblem(const std::string& path);

// Writes the picture to `path`, or to standard output for "-". On failure returns false with
// one line in `error` naming the destination.
bool savePlot(const std::string& path, const beziercurve::Picture& request, std::string& error);
// The same for a Fréchet picture, with the walk's leashes.
bool saveFrechetPlot(const std::string& path, const beziercurve::Picture& request,
                     const LeashList& leashes, std::string& error);

#endif  // CLI_CERTIFIED_RUN_H
