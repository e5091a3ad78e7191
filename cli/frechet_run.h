// bezier-hausdorff's --metric frechet: the certified Fréchet distance between two paths as one
// result line (glyphs are measured contour by contour by the font comparison).
#ifndef CLI_FRECHET_RUN_H
#define CLI_FRECHET_RUN_H

#include <string>
#include <string_view>
#include <vector>

#include <beziercurve/beziercurve.h>

#include "cli/certified_run.h"
#include "cli/options.h"

// Why the pair cannot be walked, as one line: an operand that is not one continuous path. Empty
// when it can.
std::string frechetRefusal(const beziercurve::Shape& a, const beziercurve::Shape& b);

// Measures the pair as the options ask (to the tolerance, or deciding --within) and appends its
// result line to `out`, with the prefixes of CertifiedLine:
//   text: [prefix]frechet distance [L,U] bottleneck A [segment S ]t=T (X,Y) B [segment S ]t=T
//         (X,Y) steps N [ within D: yes|no|undecided] [ tolerance not met (why)]
//   JSON: {[prefix]"metric":"frechet","method":"certified","lower":…,"upper":…,
//         "bottleneck":{"a":{"segment":S,"t":…,"x":…,"y":…},"b":{…}},"steps":N,
//         ["unmetReason":"why",]"toleranceMet":true[,"within":{"threshold":D,"verdict":"yes"}]}
// The returned distance carries the interval only.
Measured measureFrechetPair(const beziercurve::Shape& a, const beziercurve::Shape& b,
                            const CliOptions& options, bool showSegments,
                            std::string_view textPrefix, std::string_view jsonPrefix,
                            std::string& out);

// What --either-direction and --pair-contours add to a result line: which way each pair was
// walked, the pairing, the contours left unpaired.
struct FrechetPairs {
  bool byContours = false;  // the pairs are contours (else one pair of whole paths)
  std::vector<beziercurve::ContourPair> pairs;
  std::vector<int> unmatchedA, unmatchedB;
  std::string unmetReason;  // why the tolerance was not met, when it was not
};

// Appends the line measureFrechetPair appends for a result already measured: the interval,
// the bottleneck (distance.witness on A, distance.nearest on B), steps and verdict; with
// --either-direction after the steps " direction forward|reversed" (contour by contour:
// " directions D,D,…" in A's contour order; JSON "direction" / "directions"), with
// --pair-contours " pairing A0-B1,A1-B0" when not the stored order and " unmatched A 2" /
// " unmatched B 3,4" (JSON "pairing":[[0,1],…] and "unmatched":{"a":[…],"b":[…]} always).
void appendFrechetResult(std::string& out, const beziercurve::Distance& distance,
                         beziercurve::Verdict verdict, const CliOptions& options, bool showSegments,
                         std::string_view textPrefix, std::string_view jsonPrefix,
                         const FrechetPairs& pairs = {});

// Appends the line measureFrechetPair appends when the contour counts differ.
void appendFrechetContourCounts(std::string& out, int inA, int inB, const CliOptions& options,
                                std::string_view textPrefix, std::string_view jsonPrefix);

// Writes options.plotPath: both paths, the bottleneck leash in red and the walk's leashes at
// evenly spaced moments, lightly, for the interval at options.tolerance. Returns 0, or
// kExitSomeFailed after printing why the file could not be written.
int writeFrechetPicture(const CliOptions& options, const beziercurve::Shape& a,
                        const beziercurve::Shape& b, bool yUp);

#endif  // CLI_FRECHET_RUN_H
