#include "cli/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string_view>

#include "cli/parse.h"

const char* const kProgramName = "bezier-hausdorff";

namespace {

constexpr std::size_t kHelpWidth = 80;
constexpr std::size_t kOptionColumn = 20;  // where an option's description starts
constexpr int kMaxJobs = 1024;

const char kUsage[] =
    "Usage: bezier-hausdorff [OPTIONS] AX0 AY0 AX1 AY1 AX2 AY2 AX3 AY3\n"
    "                                  BX0 BY0 BX1 BY1 BX2 BY2 BX3 BY3\n"
    "       bezier-hausdorff [OPTIONS] SHAPE_A SHAPE_B\n"
    "       bezier-hausdorff [OPTIONS] -\n"
    "       bezier-hausdorff [OPTIONS] --glyph G FONT_A FONT_B\n"
    "       bezier-hausdorff [OPTIONS] --glyphs all FONT_A FONT_B\n";

const char kDescription[] =
    "The Hausdorff distance between two cubic Bezier curves (16 numbers: the control points P0 "
    "to P3 of curve A, then of curve B, x before y), two shapes (SVG path data such as "
    "'M 0 0 C 1 2 3 2 4 0', FILE.svg or FILE.svg#id), the pairs of standard input or the glyphs "
    "of two fonts. The answer is certified: an interval [lower,upper] that always holds the true "
    "distance, at most the tolerance wide.";

// The option groups of --help, in order. A new option takes a row of kOptionHelp.
enum class HelpGroup { kInputs, kMeasuring, kOutput };

struct OptionHelp {
  HelpGroup group;
  const char* names;  // as the user writes them, with the value's placeholder
  const char* text;   // wrapped to the help's width
};

const OptionHelp kOptionHelp[] = {
    {HelpGroup::kInputs, "-",
     "read one pair per line from standard input: 16 numbers, or two shapes separated by a TAB; "
     "'#' begins a comment. One record per pair line, in input order, each as soon as it is "
     "ready (a refused line: 'line N: error: ...')"},
    {HelpGroup::kInputs, "--glyph G",
     "compare glyph G of FONT_A and FONT_B: a character, U+XXXX or a glyph name"},
    {HelpGroup::kInputs, "--glyphs all",
     "compare every glyph present in both fonts, one line each, then sum up on standard error; "
     "a variable font's location is FONT@wght=700,wdth=100 or FONT@Bold"},
    {HelpGroup::kInputs, "--match M",
     "how --glyphs all pairs glyphs: name or codepoint (default: by name when both fonts have "
     "glyph names, else by code point)"},
    {HelpGroup::kInputs, "--units U",
     "em (default): scale FONT_B to FONT_A's units per em when they differ; font: compare the "
     "fonts' raw units"},
    {HelpGroup::kInputs, "--threshold D",
     "with --glyphs all: what counts as a changed glyph, certainly more than D apart (default "
     "1, in FONT_A's units); the summary also counts glyphs beyond 1, 5 and 10"},
    {HelpGroup::kInputs, "--top N",
     "with --glyphs all: how many of the most changed glyphs the summary lists (default 10)"},
    {HelpGroup::kInputs, "--metrics M",
     "with --glyphs: on (default) compares advance widths too, off does not"},
    {HelpGroup::kMeasuring, "--tolerance T",
     "the largest width of the interval, in the inputs' units: a positive, finite number "
     "(default 0.001)"},
    {HelpGroup::kMeasuring, "--within D",
     "decide whether the distance is at most D (0 or more): exit 0 if so, 3 if not, 4 if "
     "undecided; narrows the interval only as far as the answer needs"},
    {HelpGroup::kMeasuring, "-j, --jobs N",
     "worker threads for '-' and --glyphs, 1 to 1024 (default: one per core)"},
    {HelpGroup::kMeasuring, "--metric M",
     "hausdorff (default): the distance between the figures as sets; frechet: the Frechet "
     "distance, each operand one continuous path walked from its start to its end (glyphs "
     "contour by contour)"},
    {HelpGroup::kMeasuring, "--any-start",
     "with --metric frechet, closed paths: the walk may start anywhere, both walkers going once "
     "around"},
    {HelpGroup::kMeasuring, "--either-direction",
     "with --metric frechet: the walk along B may go backwards (open paths: B reversed; closed "
     "ones with --any-start: either way round); the result says which way won"},
    {HelpGroup::kMeasuring, "--pair-contours",
     "with --metric frechet, glyphs and shapes of several contours: pair each contour of A with "
     "one of B by shape (least certified Hausdorff bound) rather than in stored order; the "
     "result names the pairing when it differs and any contour left unpaired"},
    {HelpGroup::kMeasuring, "--fill",
     "measure what the shapes paint: each one's filled regions together with its outlines (an "
     "element with fill=\"none\" its outline alone), rather than the outlines alone"},
    {HelpGroup::kMeasuring, "--fill-rule R",
     "with --fill, how path data and curves fill: nonzero (default) or evenodd; SVG elements "
     "fill by their own fill-rule, glyphs by nonzero"},
    {HelpGroup::kMeasuring, "--method M",
     "certified (default), or viewer: the viewer's own search on 16 numbers, its output as it "
     "always was (not certified)"},
    {HelpGroup::kOutput, "--json", "one JSON object per result line"},
    {HelpGroup::kOutput, "--print-outlines",
     "print each operand's cubics as SVG path data, one line each, instead of measuring (glyphs "
     "as read from the fonts, in font units, y up)"},
    {HelpGroup::kOutput, "--plot FILE.svg",
     "also draw the result as SVG ('-': on standard output, the results then on standard "
     "error); in '-' mode the pair with the largest upper bound, with --glyphs that glyph"},
    {HelpGroup::kOutput, "--report FILE.html",
     "with --glyphs all: also write one self-contained page to look through: the summaries, "
     "every glyph in a table to sort and filter, a picture of each of the --top most changed"},
    {HelpGroup::kOutput, "--trace",
     "print the viewer search's trace before each result (with --method viewer)"},
    {HelpGroup::kOutput, "-h, --help", "print this help and exit"},
    {HelpGroup::kOutput, "--version", "print the version and exit"},
};

const char kExamples[] =
    "Examples:\n"
    "  bezier-hausdorff 0 0 1 2 3 2 4 0  0 0 1.1 1.9 2.9 2.1 4 0\n"
    "  bezier-hausdorff --within 0.05 0 0 1 2 3 2 4 0  0 0 1.1 1.9 2.9 2.1 4 0\n"
    "  bezier-hausdorff --tolerance 1e-6 'M 0 0 C 1 2 3 2 4 0' drawing.svg#outline\n"
    "  bezier-hausdorff -j 2 --json - < pairs.txt > results.txt\n"
    "  bezier-hausdorff --glyphs all --plot worst.svg FONT_A.otf FONT_B.ttf\n";

const char kExitStatus[] =
    "Exit status: 0 success (with --within: the distance is at most D); 1 some inputs were "
    "refused or output failed; 2 a bad command line or an unreadable input; 3 with --within, "
    "the distance exceeds D; 4 with --within, undecided. More: man bezier-hausdorff.";

// `text` broken into lines of at most kHelpWidth columns, the first starting at `column` (the
// columns before it already written), the others indented by `indent` spaces.
std::string wrapped(std::string_view text, std::size_t indent, std::size_t column) {
  std::string out;
  bool lineEmpty = true;
  while (!text.empty()) {
    const std::size_t space = text.find(' ');
    const std::string_view word = text.substr(0, space);
    text.remove_prefix(space == std::string_view::npos ? text.size() : space + 1);
    if (!lineEmpty && column + 1 + word.size() > kHelpWidth) {
      out += '\n' + std::string(indent, ' ');
      column = indent;
      lineEmpty = true;
    }
    if (!lineEmpty) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    lineEmpty = false;
  }
  return out + '\n';
}

const char* groupTitle(HelpGroup group) {
  switch (group) {
    case HelpGroup::kInputs:
      return "Inputs:";
    case HelpGroup::kMeasuring:
      return "Measuring:";
    case HelpGroup::kOutput:
      break;
  }
  return "Output:";
}

}  // namespace

std::string helpText() {
  std::string help = kUsage;
  help += '\n' + wrapped(kDescription, 0, 0);
  for (const HelpGroup group : {HelpGroup::kInputs, HelpGroup::kMeasuring, HelpGroup::kOutput}) {
    help += '\n' + std::string(groupTitle(group)) + '\n';
    for (const OptionHelp& option : kOptionHelp) {
      if (option.group != group) continue;
      std::string names = "  " + std::string(option.names);
      if (names.size() + 1 > kOptionColumn) {
        help += names + '\n';
        names.clear();
      }
      names.resize(kOptionColumn, ' ');
      help += names + wrapped(option.text, kOptionColumn, kOptionColumn);
    }
  }
  help += '\n' + std::string(kExamples);
  help += '\n' + wrapped(kExitStatus, 0, 0);
  return help;
}

namespace {

// Writes `text` to standard output; a failed write is reported, with exit status 1.
int printToStandardOutput(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    printError("cannot write standard output");
    return kExitSomeFailed;
  }
  return 0;
}

int commandLineError(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n%sRun 'bezier-hausdorff --help' for more information.\n",
               kProgramName, message.c_str(), kUsage);
  return kExitBadCommandLine;
}

std::size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string nearestOption(std::string_view word) {
  word = word.substr(0, word.find('='));
  if (word.size() < 4) return "";  // "-x": one letter is no evidence of any option
  std::string best;
  std::size_t bestDistance = 3;  // farther than two edits is no longer a likely slip
  for (const std::string& option : knownOptions()) {
    const std::size_t distance = editDistance(word, option);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = option;
    }
  }
  return best;
}

namespace {

std::string unknownOptionMessage(const std::string& word) {
  const std::string nearest = nearestOption(word);
  return "unknown option " + quotedToken(word) +
         (nearest.empty() ? "" : " (did you mean " + nearest + "?)");
}

// Splits what CLI11 left over into the operands, in order. The first "--" ends the options;
// before it, a word that looks like an option is an unknown one and is returned in `unknown`.
bool collectOperands(const std::vector<std::string>& leftovers, std::vector<std::string>& operands,
                     std::string& unknown) {
  bool optionsEnded = false;
  for (const std::string& word : leftovers) {
    if (!optionsEnded && word == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && looksLikeOption(word)) {
      unknown = word;
      return false;
    } else {
      operands.push_back(word);
    }
  }
  return true;
}

// A decimal number filling `text` (the coordinates' syntax, without their magnitude limit), or
// NaN when there is none.
double decimalValue(std::string_view text) {
  if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
  double value = 0.0;
  const char* end = text.data() + text.size();
  const std::from_chars_result read = std::from_chars(text.data(), end, value);
  if (text.empty() || read.ptr != end || read.ec == std::errc::invalid_argument) return NAN;
  if (read.ec == std::errc::result_out_of_range) {
    // Too small for a double reads as zero, too large as infinity.
    const bool tiny = text.find_first_of("eE") != std::string_view::npos &&
                      text.find('-', text.find_first_of("eE")) != std::string_view::npos;
    value = tiny ? 0.0 : HUGE_VAL;
  }
  return value;
}

// What an option's value must be, for its messages: "the tolerance must be a positive, finite
// number (such as 1e-6)".
struct ValueRule {
  const char* option;
  const char* must;
};

const ValueRule kTolerance{"--tolerance",
                           "the tolerance must be a positive, finite number"
                           " (such as 1e-6)"};
const ValueRule kThreshold{"--within",
                           "the threshold D must be a finite distance, 0 or more (such as 0.5)"};
const ValueRule kJobs{"--jobs", "the worker threads must be a whole number from 1 to 1024"};
const ValueRule kMethod{"--method", "the method is certified or viewer"};
const ValueRule kGlyphs{"--glyphs", "the one value is all (for one glyph: --glyph G)"};
const ValueRule kGlyph{"--glyph", "the glyph is a character, U+XXXX or a glyph name"};
const ValueRule kPlot{"--plot", "give the picture's file name, or - for standard output"};
const ValueRule kMetric{"--metric", "the metric is hausdorff or frechet"};
const ValueRule kFillRule{"--fill-rule", "the fill rule is nonzero or evenodd"};
const ValueRule kMatch{"--match", "glyphs are matched by name or by codepoint"};
const ValueRule kUnits{"--units", "the units are em or font"};
const ValueRule kChangeThreshold{
    "--threshold", "the threshold D must be a finite distance, 0 or more (such as 1)"};
const ValueRule kTop{"--top", "the glyphs listed are a whole number from 0 to 100000"};
const ValueRule kMetrics{"--metrics", "metrics are on or off"};
const ValueRule kReport{"--report", "give the page's file name (FILE.html)"};

// What `option` ("--tolerance", "-j", ...) needs, for a value missing altogether.
std::string missingValue(const std::string& option) {
  for (const ValueRule* rule :
       {&kTolerance, &kThreshold, &kJobs, &kMethod, &kGlyphs, &kGlyph, &kPlot, &kMatch, &kUnits,
        &kMetric, &kFillRule, &kChangeThreshold, &kTop, &kMetrics, &kReport}) {
    if (option == rule->option || (option == "-j" && rule == &kJobs)) {
      return option + " needs a value: " + rule->must;
    }
  }
  return option + " needs a value";
}

std::string badValue(const ValueRule& rule, const std::string& text) {
  if (text.empty()) return std::string(rule.option) + " needs a value: " + rule.must;
  return std::string(rule.option) + " " + quotedToken(text) + ": " + rule.must;
}

// Refuses, unless an earlier check already did, a given option whose value is none of `choices`.
void checkChoice(std::string& error, const CLI::Option* option, const std::string& value,
                 std::initializer_list<const char*> choices, const ValueRule& rule) {
  if (!error.empty() || option->count() == 0) return;
  for (const char* choice : choices) {
    if (value == choice) return;
  }
  error = badValue(rule, value);
}

std::string readTolerance(const std::string& text, double& tolerance) {
  tolerance = decimalValue(text);
  if (!(tolerance > 0.0) || !std::isfinite(tolerance)) return badValue(kTolerance, text);
  return "";
}

std::string readThreshold(const std::string& text, double& threshold) {
  threshold = decimalValue(text);
  if (threshold < 0.0) return "--within " + quotedToken(text) + ": a distance is never negative";
  if (!(threshold >= 0.0) || !std::isfinite(threshold)) return badValue(kThreshold, text);
  return "";
}

std::string readChangeThreshold(const std::string& text, double& threshold) {
  threshold = decimalValue(text);
  if (!(threshold >= 0.0) || !std::isfinite(threshold)) return badValue(kChangeThreshold, text);
  return "";
}

std::string readTop(const std::string& text, std::size_t& top) {
  const char* end = text.data() + text.size();
  unsigned long value = 0;
  const std::from_chars_result read = std::from_chars(text.data(), end, value);
  if (text.empty() || read.ptr != end || read.ec != std::errc() || value > 100000) {
    return badValue(kTop, text);
  }
  top = value;
  return "";
}

std::string readJobs(const std::string& text, int& jobs) {
  const char* end = text.data() + text.size();
  const std::from_chars_result read = std::from_chars(text.data(), end, jobs);
  if (text.empty() || read.ptr != end || read.ec != std::errc() || jobs < 1 || jobs > kMaxJobs) {
    return badValue(kJobs, text);
  }
  return "";
}

// The checks that need all the options together; an empty string when they agree.
std::string disagreement(const CliOptions& options, bool tracing, bool toleranceGiven,
                         bool fillRuleGiven) {
  if (tracing && options.method != Method::kViewer) {
    return "--trace prints the viewer search's trace: use it with --method viewer";
  }
  if (toleranceGiven && options.method == Method::kViewer) {
    return "--tolerance applies to the certified method; the viewer's search has its own";
  }
  if (options.deciding && options.method == Method::kViewer) {
    return "--within needs the certified method: the viewer's search gives no certain bounds";
  }
  const bool glyphs = !options.glyph.empty() || options.allGlyphs;
  if (glyphs && options.method == Method::kViewer) {
    return "--glyph and --glyphs need the certified method: the viewer's search takes one curve "
           "a side";
  }
  if (!options.glyph.empty() && options.allGlyphs) {
    return "--glyph compares one glyph and --glyphs all of them: give one of the two";
  }
  if (options.printOutlines &&
      (options.method == Method::kViewer || options.deciding || !options.plotPath.empty())) {
    return "--print-outlines prints the operands instead of measuring them: give it alone";
  }
  if (options.printOutlines && !glyphs && !options.operands.empty() &&
      options.operands.front() == "-") {
    return "--print-outlines prints operands given as arguments, not lines of standard input";
  }
  if (!options.plotPath.empty() && options.method == Method::kViewer) {
    return "--plot draws a certified result: use it with the certified method";
  }
  if (options.metric == Metric::kFrechet && options.method == Method::kViewer) {
    return "--metric frechet needs the certified method: the viewer's search measures the "
           "Hausdorff distance";
  }
  if (options.anyStart && options.metric != Metric::kFrechet) {
    return "--any-start chooses where Frechet walks start: use it with --metric frechet";
  }
  if (options.eitherDirection && options.metric != Metric::kFrechet) {
    return "--either-direction chooses which way Frechet walks go: use it with --metric frechet";
  }
  if (options.pairContours && !options.plotPath.empty()) {
    return "--plot draws one walk along whole paths, and --pair-contours measures contour by "
           "contour: give one of the two";
  }
  if (options.pairContours && options.metric != Metric::kFrechet) {
    return "--pair-contours pairs the contours Frechet walks follow: use it with --metric "
           "frechet";
  }
  if (options.fill && options.metric == Metric::kFrechet) {
    return "--fill measures what shapes paint, and --metric frechet walks along outlines: give "
           "one of the two";
  }
  if (options.fill && options.method == Method::kViewer) {
    return "--fill needs the certified method: the viewer's search measures two curves";
  }
  if (fillRuleGiven && !options.fill) {
    return "--fill-rule says how path data and curves fill: use it with --fill";
  }
  if (fillRuleGiven && glyphs) {
    return "--fill-rule is for path data and curves: glyphs fill under the nonzero rule, as "
           "fonts do";
  }
  if (options.metric == Metric::kFrechet && !options.plotPath.empty() && glyphs) {
    return "--plot with --metric frechet draws a pair of paths: glyphs are not drawn";
  }
  if (options.operands.empty()) {
    return glyphs ? "no fonts given: expected FONT_A FONT_B"
                  : "nothing to measure: give 16 numbers, two shapes or '-'";
  }
  if (glyphs && options.operands.size() != 2) {
    return "expected two fonts, FONT_A FONT_B, got " + argumentCount(options.operands.size());
  }
  if (!glyphs && options.operands.front() == "-" && options.operands.size() > 1) {
    return "'-' takes no other arguments: it reads every pair from standard input";
  }
  return "";
}

// CLI11's own complaints, in our words: a value missing at the end, a value given to a flag.
std::string parseErrorMessage(const CLI::ParseError& error, int argc, char** argv) {
  const std::string what = error.what();
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (word == "--") break;
    const std::size_t equals = word.find('=');
    if (word.rfind("--", 0) == 0 && equals != std::string_view::npos &&
        what.find(std::string(word.substr(0, equals))) != std::string::npos) {
      return std::string(word.substr(0, equals)) + " takes no value";
    }
  }
  if (what.find("missing") != std::string::npos || what.find("required") != std::string::npos) {
    return missingValue(argv[argc - 1]);
  }
  return what;
}

// "--within=" gives no value, where CLI11 would take the next word as the value.
std::string emptyAssignment(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (word == "--") break;
    if (word.size() > 3 && word.rfind("--", 0) == 0 && word.back() == '=') {
      return missingValue(std::string(word.substr(0, word.size() - 1)));
    }
  }
  return "";
}

}  // namespace

void printError(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", kProgramName, message.c_str());
}

void printLineError(long lineNumber, const std::string& message) {
  std::fprintf(stderr, "%s: line %ld: %s\n", kProgramName, lineNumber, message.c_str());
}

bool readsStandardInput(const CliOptions& options) {
  return options.operands.size() == 1 && options.operands[0] == "-";
}

beziercurve::FillRule fillRuleOf(const CliOptions& options) {
  return options.evenOdd ? beziercurve::FillRule::kEvenOdd : beziercurve::FillRule::kNonzero;
}

beziercurve::Measure measureOf(const CliOptions& options) {
  return options.fill ? beziercurve::Measure::kFill : beziercurve::Measure::kOutline;
}

std::FILE* resultStream(const CliOptions& options) {
  return options.plotPath == "-" ? stderr : stdout;
}

std::string argumentCount(std::size_t count) {
  if (count == 1) return "one argument";
  return std::to_string(count) + " arguments";
}

namespace {

// The options' values as given, each read by its own rules once all are parsed.
struct GivenValues {
  std::string tolerance, within, jobs, method = "certified", allGlyphs, match = "auto",
                                       units = "em", metric = "hausdorff", fillRule = "nonzero",
                                       changeThreshold, top, metrics = "on";
  bool help = false, version = false;
  CLI::Option* toleranceOption;
  CLI::Option* withinOption;
  CLI::Option* jobsOption;
  CLI::Option* methodOption;
  CLI::Option* plotOption;
  CLI::Option* glyphOption;
  CLI::Option* glyphsOption;
  CLI::Option* matchOption;
  CLI::Option* unitsOption;
  CLI::Option* metricOption;
  CLI::Option* fillRuleOption;
  CLI::Option* changeThresholdOption;
  CLI::Option* topOption;
  CLI::Option* metricsOption;
  CLI::Option* reportOption;
};

// Every option the command line takes; a new one is declared here and described in
// kOptionHelp (a test checks that --help names every option declared here).
void declareOptions(CLI::App& app, CliOptions& options, GivenValues& given) {
  app.set_help_flag();  // --help is ours: helpText
  given.toleranceOption = app.add_option("--tolerance", given.tolerance);
  given.withinOption = app.add_option("--within", given.within);
  given.jobsOption = app.add_option("-j,--jobs", given.jobs);
  given.methodOption = app.add_option("--method", given.method);
  given.metricOption = app.add_option("--metric", given.metric);
  app.add_flag("--any-start", options.anyStart);
  app.add_flag("--either-direction", options.eitherDirection);
  app.add_flag("--pair-contours", options.pairContours);
  app.add_flag("--fill", options.fill);
  given.fillRuleOption = app.add_option("--fill-rule", given.fillRule);
  app.add_flag("--trace", options.trace);
  app.add_flag("--json", options.json);
  given.plotOption = app.add_option("--plot", options.plotPath);
  given.reportOption = app.add_option("--report", options.reportPath);
  given.glyphOption = app.add_option("--glyph", options.glyph);
  given.glyphsOption = app.add_option("--glyphs", given.allGlyphs);
  given.matchOption = app.add_option("--match", given.match);
  given.unitsOption = app.add_option("--units", given.units);
  given.changeThresholdOption = app.add_option("--threshold", given.changeThreshold);
  given.topOption = app.add_option("--top", given.top);
  given.metricsOption = app.add_option("--metrics", given.metrics);
  app.add_flag("--print-outlines", options.printOutlines);
  app.add_flag("-h,--help", given.help);
  app.add_flag("--version", given.version);
  for (CLI::Option* option : app.get_options()) {
    if (option->get_expected_min() > 0) {
      option->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);  // the last given counts
    }
  }
}

}  // namespace

std::vector<std::string> knownOptions() {
  CLI::App app;
  CliOptions options;
  GivenValues given;
  declareOptions(app, options, given);
  std::vector<std::string> names;
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_snames()) names.push_back("-" + name);
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
  }
  return names;
}

CommandLine parseCommandLine(int argc, char** argv) {
  CommandLine line{-1, {}};
  CliOptions& options = line.options;
  CLI::App app{"", kProgramName};
  GivenValues given;
  declareOptions(app, options, given);
  // The numbers are collected from the leftovers rather than by a positional option, so that
  // words such as -.5 and -inf reach the number parser and get its messages.
  app.allow_extras();
  if (const std::string empty = emptyAssignment(argc, argv); !empty.empty()) {
    line.exitStatus = commandLineError(empty);
    return line;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    line.exitStatus = commandLineError(parseErrorMessage(e, argc, argv));
    return line;
  }
  if (given.help || given.version) {
    line.exitStatus = printToStandardOutput(
        given.help ? helpText() : std::string(kProgramName) + " " + BEZIER_VERSION + "\n");
    return line;
  }

  std::string unknown;
  if (!collectOperands(app.remaining(), options.operands, unknown)) {
    line.exitStatus = commandLineError(unknownOptionMessage(unknown));
    return line;
  }
  std::string error;
  if (given.toleranceOption->count() > 0) error = readTolerance(given.tolerance, options.tolerance);
  if (error.empty() && given.withinOption->count() > 0) {
    options.deciding = true;
    error = readThreshold(given.within, options.threshold);
  }
  if (error.empty() && given.jobsOption->count() > 0) error = readJobs(given.jobs, options.jobs);
  checkChoice(error, given.methodOption, given.method, {"certified", "viewer"}, kMethod);
  checkChoice(error, given.metricOption, given.metric, {"hausdorff", "frechet"}, kMetric);
  checkChoice(error, given.fillRuleOption, given.fillRule, {"nonzero", "evenodd"}, kFillRule);
  if (error.empty() && given.glyphsOption->count() > 0 && given.allGlyphs != "all") {
    error = badValue(kGlyphs, given.allGlyphs);
  }
  checkChoice(error, given.matchOption, given.match, {"name", "codepoint"}, kMatch);
  checkChoice(error, given.unitsOption, given.units, {"em", "font"}, kUnits);
  checkChoice(error, given.metricsOption, given.metrics, {"on", "off"}, kMetrics);
  if (error.empty() && given.changeThresholdOption->count() > 0) {
    error = readChangeThreshold(given.changeThreshold, options.changeThreshold);
  }
  if (error.empty() && given.topOption->count() > 0) error = readTop(given.top, options.top);
  const bool summaryOptions =
      given.changeThresholdOption->count() > 0 || given.topOption->count() > 0;
  if (error.empty() && summaryOptions && !options.allGlyphs && given.glyphsOption->count() == 0) {
    error = "--threshold and --top shape the summary of --glyphs all: use them with it";
  }
  if (error.empty() && given.reportOption->count() > 0 && options.reportPath.empty()) {
    error = badValue(kReport, "");
  }
  if (error.empty() && given.reportOption->count() > 0 && given.glyphsOption->count() == 0) {
    error = "--report writes the page of a --glyphs all run: use it with --glyphs all";
  }
  if (error.empty() && given.metricsOption->count() > 0 && options.glyph.empty() &&
      given.glyphsOption->count() == 0) {
    error = "--metrics compares glyphs' advance widths: use it with --glyph or --glyphs all";
  }
  if (error.empty() && given.glyphOption->count() > 0 && options.glyph.empty()) {
    error = badValue(kGlyph, "");
  }
  if (error.empty() && given.plotOption->count() > 0 && options.plotPath.empty()) {
    error = badValue(kPlot, "");
  }
  options.method = given.method == "viewer" ? Method::kViewer : Method::kCertified;
  options.metric = given.metric == "frechet" ? Metric::kFrechet : Metric::kHausdorff;
  options.evenOdd = given.fillRule == "evenodd";
  options.allGlyphs = given.allGlyphs == "all";
  options.match = given.match == "name" ? 1 : given.match == "codepoint" ? 2 : 0;
  options.fontUnits = given.units == "font";
  options.metrics = given.metrics == "on";
  if (error.empty()) {
    error = disagreement(options, options.trace, given.toleranceOption->count() > 0,
                         given.fillRuleOption->count() > 0);
  }
  if (!error.empty()) line.exitStatus = commandLineError(error);
  return line;
}
