// bezier-hausdorff's default: the certified search on pairs from the command line or from
// standard input, the latter spread over worker threads with the output kept in input order.
#ifndef CLI_CERTIFIED_RUN_H
#define CLI_CERTIFIED_RUN_H

#include "cli/options.h"

#include <new>
#include <stdexcept>
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
  int status;  // 0, kExitBeyond or kExitUndecided; kExitSomeFailed when refused
  beziercurve::Distance distance;
  // Not empty when the pair could not be measured: why, as one line (nothing was appended to
  // the output then).
  std::string refusal = "";
};

// The refusal of a pair whose search ran out of memory (or would have passed what a vector can
// hold), naming how large the shapes are.
std::string tooLargeToMeasure(const beziercurve::Shape& a, const beziercurve::Shape& b);

// Runs `measure` (returning a Measured) so that a search that cannot give a result refuses the
// pair instead of ending the program: running out of memory, and a pair the search itself
// refuses (std::invalid_argument: the Fréchet grid's limit), each as one line. Whatever it
// allocated is released by then.
template <typename Measure>
Measured guardedMeasurement(const beziercurve::Shape& a, const beziercurve::Shape& b,
                            const Measure& measure) {
  Measured refused{kExitSomeFailed, {}};
  try {
    return measure();
  } catch (const std::invalid_argument& e) {
    refused.refusal = e.what();
    return refused;
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  refused.refusal = tooLargeToMeasure(a, b);
  return refused;
}

// Appends the result line of a Hausdorff distance (or, deciding --within, its verdict) measured
// as the options ask, with the prefixes of CertifiedLine.
void appendHausdorffLine(std::string& out, const beziercurve::Distance& distance,
                         beziercurve::Verdict verdict, const CliOptions& options, bool showSegments,
                         std::string_view textPrefix, std::string_view jsonPrefix);

// Measures the pair as the options ask (to the tolerance, or deciding --within) and appends its
// result line to `out`, with the prefixes of CertifiedLine; or refuses it (guardedMeasurement).
Measured measurePair(const beziercurve::Shape& a, const beziercurve::Shape& b,
                     const CliOptions& options, bool showSegments, std::string_view textPrefix,
                     std::string_view jsonPrefix, std::string& out);

// The worker threads asked for with -j, or one per core: never more than the cores (more would
// only cost memory), which standard error is told once.
int workerCount(const CliOptions& options);

// Says once on standard error that fewer worker threads than asked could be started (the work
// is done all the same, by those that did).
void reportMissingWorkers();

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
