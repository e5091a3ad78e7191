// bezier-hausdorff's command line: what it asks for, read and checked before anything runs.
#ifndef CLI_OPTIONS_H
#define CLI_OPTIONS_H

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include <beziercurve/beziercurve.h>

enum class Method {
  kCertified,  // the certified search: an interval that always holds the distance
  kViewer,     // the viewer's own search, its output unchanged
};

enum class Metric {
  kHausdorff,  // the distance between the figures as sets of points
  kFrechet,    // the shortest leash for two walkers going forwards along two paths
};

struct CliOptions {
  Method method = Method::kCertified;
  Metric metric = Metric::kHausdorff;
  bool anyStart = false;         // --any-start: Fréchet walks on closed paths may start anywhere
  bool eitherDirection = false;  // --either-direction: the walk along B may go backwards
  bool pairContours = false;     // --pair-contours: contours paired by shape, not stored order
  bool fill = false;             // --fill: the distance between what the shapes paint
  bool evenOdd = false;          // --fill-rule evenodd: how path data and curves fill
  double tolerance = 1e-3;       // absolute width asked of the certified interval
  bool deciding = false;         // --within given
  double threshold = 0.0;        // its D
  int jobs = 0;                  // worker threads; 0: one per core
  bool json = false;
  bool trace = false;
  std::string plotPath;        // --plot, empty when not asked
  std::string reportPath;      // --report, empty when not asked
  std::string glyph;           // --glyph G, empty when not asked
  bool allGlyphs = false;      // --glyphs all
  bool printOutlines = false;  // --print-outlines: print the operands' cubics, measure nothing
  // --match: how --glyphs pairs glyphs (0 automatic, 1 by name, 2 by code point; GlyphMatch)
  int match = 0;
  bool fontUnits = false;        // --units font: fonts of different ems are compared unscaled
  bool metrics = true;           // --metrics on: glyphs' advance widths are compared too
  double changeThreshold = 1.0;  // --threshold: a glyph certainly farther apart has changed
  std::size_t top = 10;          // --top: the most changed glyphs the summary lists
  std::vector<std::string> operands;
};

struct CommandLine {
  // -1: go on and run; otherwise exit with this status at once (after --help, --version or a
  // refused command line, whose message has been printed).
  int exitStatus;
  CliOptions options;
};

constexpr int kExitSomeFailed = 1;
constexpr int kExitBadCommandLine = 2;
constexpr int kExitBeyond = 3;
constexpr int kExitUndecided = 4;

extern const char* const kProgramName;

// Reads and checks the whole command line.
CommandLine parseCommandLine(int argc, char** argv);

// Prints "bezier-hausdorff: MESSAGE" on standard error.
void printError(const std::string& message);

// Prints "bezier-hausdorff: line N: MESSAGE" on standard error, for a line of standard input.
void printLineError(long lineNumber, const std::string& message);

// Whether the pairs come from standard input: the one operand is "-".
bool readsStandardInput(const CliOptions& options);

// bezier-hausdorff --help: the forms of the command, the options in groups, examples, within 80
// columns.
std::string helpText();

// Every option the command line takes, as written: "-j", "--jobs", "--tolerance", ...
std::vector<std::string> knownOptions();

// The known option nearest to an unknown word of four characters or more (at most two edits
// away), or "".
std::string nearestOption(std::string_view word);

// "one argument", "2 arguments".
std::string argumentCount(std::size_t count);

// The fill rule --fill-rule gives path data and curves.
beziercurve::FillRule fillRuleOf(const CliOptions& options);

// The measure the options ask for: the outlines, or with --fill what the shapes paint.
beziercurve::Measure measureOf(const CliOptions& options);

// Where results go: standard output, or standard error when --plot - takes standard output.
std::FILE* resultStream(const CliOptions& options);

#endif  // CLI_OPTIONS_H
