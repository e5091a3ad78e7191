#include "cli/options.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <memory>

#include "cli/parse.h"

const char* const kProgramName = "bezier-hausdorff";

namespace {

const char kUsage[] =
    "Usage: bezier-hausdorff [OPTIONS] AX0 AY0 AX1 AY1 AX2 AY2 AX3 AY3"
    " BX0 BY0 BX1 BY1 BX2 BY2 BX3 BY3\n"
    "       bezier-hausdorff [OPTIONS] SHAPE_A SHAPE_B\n"
    "       bezier-hausdorff [OPTIONS] -\n"
    "       bezier-hausdorff [OPTIONS] --glyph G FONT_A FONT_B\n"
    "       bezier-hausdorff [OPTIONS] --glyphs all FONT_A FONT_B\n";

const char kDescription[] =
    "Computes the Hausdorff distance between two cubic Bezier curves, each given by its four\n"
    "control points P0 P1 P2 P3, or between two shapes, each SVG path data (\"M 0 0 C ...\"), an\n"
    "SVG file (FILE.svg) or one element of it (FILE.svg#id), or between glyph outlines of two\n"
    "fonts. The answer is a certified interval: the true distance always lies in [lower,upper],\n"
    "and upper - lower is at most the tolerance (unless rounding at the coordinates' magnitude\n"
    "forbids it; the result then says so).\n"
    "With '-', reads one pair per line from standard input, 16 numbers separated by spaces or\n"
    "commas or two shapes separated by one TAB ('#' at the start or after a blank begins a\n"
    "comment; blank lines are skipped), and prints one result per pair, in input order.\n"
    "Coordinates must be finite with magnitude at most 1e150.\n";

const char kFooter[] =
    "Result: the distance interval [lower,upper], the witness (on A or B: its segment for shapes,\n"
    "its parameter t and point), where the distance is attained, its nearest point on the\n"
    "other side (segment, t and point) and the number of search steps. The witness's own\n"
    "distance to the other side is at least lower. Text numbers have six decimals (more for a\n"
    "finer tolerance), the bounds rounded outward; --json prints one object per line with the\n"
    "keys method, lower, upper, witness {curve, segment, t, x, y}, nearest {segment, t, x, y},\n"
    "steps, toleranceMet and, with --within, within {threshold, verdict}, at full precision.\n"
    "Exit status: 0 on success (with --within: the distance is at most D); 1 when some inputs\n"
    "were refused or output failed; 2 on a bad command line or an unreadable input; with\n"
    "--within, 3 when the distance certainly exceeds D and 4 when D is within rounding of it\n"
    "(undecided).";

// Help opens with our synopsis instead of CLI11's "[OPTIONS]" line (the numbers are not CLI11
// options), then the description.
class UsageFormatter : public CLI::Formatter {
 public:
  std::string make_description(const CLI::App*) const override { return ""; }
  std::string make_usage(const CLI::App* app, std::string) const override {
    return std::string(kUsage) + "\n" + app->get_description();
  }
};

int commandLineError(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n%sRun with --help for more information.\n", kProgramName,
               message.c_str(), kUsage);
  return kExitBadCommandLine;
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

// A number option's value, read with the coordinates' own number syntax.
bool readNumber(const std::string& option, const std::string& text, double& value,
                std::string& error) {
  const CoordinateParse parsed = parseCoordinate(text);
  if (!parsed.ok) {
    error = option + " " + quotedToken(text) + ": " + parsed.problem;
    return false;
  }
  value = parsed.value;
  return true;
}

// The checks that need all the options together; an empty string when they agree.
std::string disagreement(const CliOptions& options, bool tracing) {
  if (tracing && options.method != Method::kViewer) {
    return "--trace prints the viewer search's trace: use it with --method viewer";
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
  if (options.metric == Metric::kFrechet && !options.plotPath.empty() && glyphs) {
    return "--plot with --metric frechet draws a pair of paths: glyphs are not drawn";
  }
  if (options.operands.empty()) return glyphs ? "no fonts given" : "no curves given";
  if (glyphs && options.operands.size() != 2) {
    return "expected two fonts, FONT_A FONT_B, got " + std::to_string(options.operands.size()) +
           (options.operands.size() == 1 ? " argument" : " arguments");
  }
  if (!glyphs && options.operands.front() == "-" && options.operands.size() > 1) {
    return "'-' takes no other arguments: it reads every pair from standard input";
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

CommandLine parseCommandLine(int argc, char** argv) {
  CommandLine line{-1, {}};
  CliOptions& options = line.options;
  CLI::App app{kDescription, kProgramName};
  app.formatter(std::make_shared<UsageFormatter>());
  app.footer(kFooter);
  std::string tolerance, within, method = "certified", metric = "hausdorff";
  app.add_option("--tolerance", tolerance,
                 "Largest width of the certified interval, in the curves' units (default 0.001)")
      ->type_name("T");
  app.add_option("--within", within,
                 "Decide whether the distance is at most D: exit 0 if so, 3 if not, 4 if "
                 "undecided; narrows the interval only as far as the answer needs")
      ->type_name("D");
  app.add_option("-j,--jobs", options.jobs,
                 "Worker threads for '-' (default: one per core); output stays in input order")
      ->type_name("N")
      ->check(CLI::Range(1, 1024));
  app.add_option("--method", method,
                 "certified (default): the certified search; viewer: the viewer's own search, "
                 "whose interval is not certified")
      ->type_name("M")
      ->check(CLI::IsMember({"certified", "viewer"}));
  app.add_option("--metric", metric,
                 "hausdorff (default): the distance between the figures as sets; frechet: the "
                 "Frechet distance, each operand one continuous path walked from its start to "
                 "its end (glyphs contour by contour)")
      ->type_name("M")
      ->check(CLI::IsMember({"hausdorff", "frechet"}));
  app.add_flag("--any-start", options.anyStart,
               "With --metric frechet, closed paths: the walk may start anywhere, both walkers "
               "going once around");
  app.add_flag("--trace", options.trace,
               "Print the viewer search's trace lines before each result (--method viewer)");
  app.add_flag("--json", options.json, "Print each result as one JSON object per line");
  app.add_option("--plot", options.plotPath,
                 "Write an SVG picture of the result (in '-' mode the pair with the largest upper "
                 "bound, with --glyphs the glyph with the largest one)")
      ->type_name("FILE.svg");
  app.add_option("--glyph", options.glyph,
                 "Compare one glyph of FONT_A and FONT_B: a character, U+XXXX or a glyph name")
      ->type_name("G");
  std::string allGlyphs;
  app.add_option("--glyphs", allGlyphs,
                 "With 'all': compare every glyph present in both FONT_A and FONT_B, one line "
                 "each, and sum up on standard error")
      ->type_name("all")
      ->check(CLI::IsMember({"all"}));
  app.set_version_flag("--version", std::string(kProgramName) + " " + BEZIER_VERSION);
  // The numbers are collected from the leftovers rather than by a positional option, so that
  // words such as -.5 and -inf reach the number parser and get its messages.
  app.allow_extras();
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {  // --help or --version
    line.exitStatus = app.exit(e);
    return line;
  } catch (const CLI::ParseError& e) {
    line.exitStatus = commandLineError(e.what());
    return line;
  }

  std::string unknown;
  if (!collectOperands(app.remaining(), options.operands, unknown)) {
    line.exitStatus = commandLineError("unknown option " + quotedToken(unknown));
    return line;
  }
  options.method = method == "viewer" ? Method::kViewer : Method::kCertified;
  options.metric = metric == "frechet" ? Metric::kFrechet : Metric::kHausdorff;
  options.allGlyphs = allGlyphs == "all";
  std::string error;
  if (!tolerance.empty()) {
    if (!readNumber("--tolerance", tolerance, options.tolerance, error)) {
    } else if (!(options.tolerance > 0.0)) {
      error = "--tolerance " + quotedToken(tolerance) + ": must be greater than 0";
    } else if (options.method == Method::kViewer) {
      error = "--tolerance applies to the certified method; the viewer's search has its own";
    }
  }
  if (error.empty() && !within.empty()) {
    options.deciding = true;
    if (readNumber("--within", within, options.threshold, error) && options.threshold < 0.0) {
      error = "--within " + quotedToken(within) + ": a distance is never negative";
    }
  }
  if (error.empty()) error = disagreement(options, options.trace);
  if (!error.empty()) line.exitStatus = commandLineError(error);
  return line;
}
