// The one-line forms of a certified result that bezier-hausdorff prints.
#ifndef CLI_CERTIFIED_FORMAT_H
#define CLI_CERTIFIED_FORMAT_H

#include <string>
#include <string_view>

#include <beziercurve/beziercurve.h>

struct CertifiedLine {
  std::string_view textPrefix;  // written before "distance", e.g. "glyph a U+0061: "
  std::string_view jsonPrefix;  // members written first in the object, each followed by a comma
  const beziercurve::Distance* distance;
  bool json;
  bool showSegments;  // name the segments in text (always named in JSON)
  double tolerance;   // the width asked for: decides the decimals of text
  bool deciding;      // --within
  double threshold;
  beziercurve::Verdict verdict;
  // The fill measure: "fill distance" in text, "measure":"fill" and "fillRule" in JSON (the rule
  // that path data and curves fill by).
  bool fill = false;
  const char* fillRule = "nonzero";
};

// Appends the result as one line, newline included.
//   text: [prefix][fill ]distance [L,U] witness B t=… (x,y) nearest t=… (x,y) steps N
//         [ within D: yes|no|undecided][ tolerance not met]
//   where "tolerance not met" says toleranceMet is false: the interval is wider than the
//   tolerance (with --within too, whose search stops as soon as the answer is certain).
//   JSON:
//   {[prefix]"method":"certified"[,"measure":"fill","fillRule":"nonzero"],"lower":…,"upper":…,
//         "witness":{"curve":"B","segment":0,"t":…,
//         "x":…,"y":…},"nearest":{"segment":0,"t":…,"x":…,"y":…},"steps":N,
//         "toleranceMet":true[,"within":{"threshold":D,"verdict":"yes"}]}
// Text bounds are rounded outward, so the printed interval still holds the distance; numbers of
// magnitude 1e12 and above are printed in scientific notation. JSON numbers, and the threshold
// in text, are the shortest decimals that read back as the same double.
void appendCertifiedLine(std::string& out, const CertifiedLine& line);

// Appends the record of an input line that was refused, newline included:
//   text: line N: error: MESSAGE
//   JSON: {"line":N,"error":"MESSAGE"}
void appendErrorRecord(std::string& out, long lineNumber, const std::string& message, bool json);

// Appends `text` as a JSON string: quotes, backslashes and control characters escaped, other
// bytes as they are.
void appendJsonString(std::string& out, std::string_view text);

// Appends "[L,U]" as text prints it: rounded outward to `decimals` digits.
void appendInterval(std::string& out, const beziercurve::Distance& distance, int decimals);

// Appends an upper bound as text prints it: rounded up to `decimals` digits.
void appendUpperBound(std::string& out, double value, int decimals);

// The shortest decimal that reads back as the same double.
void appendExact(std::string& out, double value);

// "yes", "no" or "undecided".
const char* verdictWord(beziercurve::Verdict verdict);

// The end of a text result: " within D: VERDICT" when deciding, " tolerance not met" when the
// interval is wider than the tolerance.
void appendTextVerdict(std::string& out, bool toleranceMet, bool deciding, double threshold,
                       beziercurve::Verdict verdict);

// The end of a JSON result: ,"toleranceMet":..., the "within" member when deciding, and the
// closing brace and newline.
void appendJsonVerdict(std::string& out, bool toleranceMet, bool deciding, double threshold,
                       beziercurve::Verdict verdict);

// A place as text prints it: "[segment S ]t=T (X,Y)", numbers to `decimals` digits; a point of
// a fill on no segment (kFillPoint) as "fill (X,Y)".
void appendPlace(std::string& out, const beziercurve::ShapePoint& place, bool showSegment,
                 int decimals);

// A place as JSON members: "segment":S,"t":T,"x":X,"y":Y; a point of a fill on no segment as
// "fill":true,"x":X,"y":Y.
void appendJsonPlace(std::string& out, const beziercurve::ShapePoint& place);

// The decimals text needs so that its rounding costs at most a tenth of the tolerance, and at
// least six.
int decimalsFor(double tolerance);

// At least `decimals`, and enough that the interval as text prints it (rounded outward) is at
// most `tolerance` wide whenever the computed one is, as far as kMaxFixedDecimals digits allow.
int intervalDecimals(const beziercurve::Distance& d, double tolerance, int decimals);

#endif  // CLI_CERTIFIED_FORMAT_H
