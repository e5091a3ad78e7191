// Reading a pair of curves from text: 16 numbers, curve A's four control points first.
//
// Everything here is pure and bounded: any input, however long or binary, yields either 16
// finite coordinates or a one-line message, in time linear in its length and with memory
// bounded independently of it.
#ifndef CLI_PARSE_H
#define CLI_PARSE_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <beziercurve/beziercurve.h>

constexpr int kPairNumberCount = 16;
// A longer token is refused before it is converted. The exact decimal of any double that
// matters here is shorter; printf's %.17g needs at most 24 characters.
constexpr std::size_t kMaxTokenLength = 100;

struct CurvePair {
  beziercurve::Cubic a;
  beziercurve::Cubic b;
};

// One coordinate, or what is wrong with the token.
struct CoordinateParse {
  bool ok;
  double value;         // when ok: finite, magnitude at most kMaxCoordinate
  const char* problem;  // when not ok: e.g. "not a number", "magnitude exceeds 1e150"
};

// A whole pair, or a message naming the first offending token.
struct PairParse {
  bool ok;
  CurvePair pair;     // when ok
  std::string error;  // when not ok: one line, no newline, at most a few hundred characters
};

// Reads one decimal number that fills the token: an optional sign, digits with an optional
// point, an optional exponent. Refuses NaN, infinities, hexadecimal, magnitudes above 1e150
// and tokens longer than kMaxTokenLength. A value too small for a double reads as zero. A token
// holding the Unicode minus sign (U+2212, which word processors put for '-') is refused with a
// hint saying so.
CoordinateParse parseCoordinate(std::string_view token);

// True for lines the pair reader skips: empty or blank (spaces, tabs, carriage returns), or
// whose first non-blank character is '#'.
bool isSkippedLine(std::string_view line);

// The line without its comment: a '#' at the start or after a space or tab begins one, which
// runs to the end of the line. (A '#' inside a word, as in "drawing.svg#outline", does not.)
std::string_view withoutComment(std::string_view line);

// The input without a UTF-8 byte-order mark at its start.
std::string_view withoutByteOrderMark(std::string_view text);

// Reads exactly 16 numbers separated by blanks (spaces, tabs, carriage returns) or by a comma
// with optional blanks around it. A comma before the first number, after the last or next to
// another comma leaves a field empty and is refused. The error names the token by its position
// (1 to 16) and coordinate name, e.g. "token 3 (AX1) 'abc': not a number".
PairParse parsePairLine(std::string_view line);

// Reads 16 command-line arguments, one number each. The error names the argument, e.g.
// "argument 3 (AX1) 'abc': not a number".
PairParse parsePairArguments(const std::vector<std::string>& arguments);

// Reads 16 numbers from command-line operands: one number each (as parsePairArguments), or, when
// any holds a comma, the operands joined as one line (as parsePairLine), so that "0,0 1,2 ..."
// gives the pair it gives on a line of standard input.
PairParse parsePairOperands(const std::vector<std::string>& operands);

// "AX0", "AY0", … "BY3" for index 0 … 15.
const char* coordinateName(int index);

// The token in single quotes for a message: bytes outside printable ASCII, quotes and
// backslashes as \xHH escapes, cut after 40 bytes with "..." appended.
std::string quotedToken(std::string_view token);

// True for a command-line word that is meant as an option rather than a number: "--" followed
// by anything, or "-" followed by a letter, except the spellings of negative infinity and NaN
// (which are numbers, if unacceptable ones).
bool looksLikeOption(std::string_view argument);

#endif  // CLI_PARSE_H
