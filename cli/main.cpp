// bezier-hausdorff: the viewer's Hausdorff search for the user's own pairs of cubic curves,
// given as 16 arguments or as lines on standard input.
#include <sys/resource.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cli/line_reader.h"
#include "cli/parse.h"
#include "cli/report_format.h"
#include "geometry/hausdorff_report.h"

namespace {

constexpr const char* kProgram = "bezier-hausdorff";
// Exit statuses: 1 when some input lines were refused (or output could not be written), 2 when
// the command line itself is wrong.
constexpr int kExitSomeFailed = 1;
constexpr int kExitBadCommandLine = 2;
constexpr rlim_t kMemoryCap = rlim_t{1} << 30;
constexpr const char* kOutOfMemory =
    "the search ran out of memory (its tolerance is 0.001 in the curves' units: scale very large "
    "curves down)";

const char kUsage[] =
    "Usage: bezier-hausdorff [--trace] [--json] AX0 AY0 AX1 AY1 AX2 AY2 AX3 AY3"
    " BX0 BY0 BX1 BY1 BX2 BY2 BX3 BY3\n"
    "       bezier-hausdorff [--trace] [--json] -\n";

const char kDescription[] =
    "Computes the Hausdorff distance between two cubic Bezier curves A and B, each given by its\n"
    "four control points P0 P1 P2 P3, by the same branch-and-bound search as the viewer.\n"
    "With '-', reads one pair per line from standard input (16 numbers separated by spaces or\n"
    "commas; blank lines and lines starting with '#' are skipped) and prints one result per\n"
    "pair, in input order. Coordinates must be finite with magnitude at most 1e150.\n";

const char kFooter[] =
    "Result: the distance interval [lower,upper], the witness (curve A or B, its parameter t\n"
    "and point), its nearest point on the other curve (t and point) and the number of search\n"
    "steps. Text numbers have six decimals; --json prints one object per line with the keys\n"
    "lower, upper, witness {curve, t, x, y}, nearest {t, x, y} and steps, at full precision.\n"
    "A pair whose search needs more than 1 GiB of memory is refused with an error.\n"
    "Exit status: 0 on success, 1 when some pairs were refused or output failed, 2 on a bad\n"
    "command line.";

// Help opens with our synopsis instead of CLI11's "[OPTIONS]" line (the numbers are not CLI11
// options), then the description.
class UsageFormatter : public CLI::Formatter {
 public:
  std::string make_description(const CLI::App*) const override { return ""; }
  std::string make_usage(const CLI::App* app, std::string) const override {
    return std::string(kUsage) + "\n" + app->get_description();
  }
};

struct RunOptions {
  bool trace;
  ReportFormat format;
};

int commandLineError(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n%sRun with --help for more information.\n", kProgram,
               message.c_str(), kUsage);
  return kExitBadCommandLine;
}

// Sanitizer runtimes reserve far more address space than any cap would allow.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kUnderSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
constexpr bool kUnderSanitizer = true;
#else
constexpr bool kUnderSanitizer = false;
#endif
#else
constexpr bool kUnderSanitizer = false;
#endif

// The searches subdivide towards fixed tolerances of 0.001, so on curves millions of units
// across their queues grow with the scale and would take all the machine's memory. Capping
// the address space (never raising a lower cap) turns that into std::bad_alloc, which costs
// only the pair that caused it.
void capMemory() {
  if (kUnderSanitizer) return;
  rlimit limit;
  if (getrlimit(RLIMIT_AS, &limit) != 0) return;
  if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur <= kMemoryCap) return;
  limit.rlim_cur = kMemoryCap;
  setrlimit(RLIMIT_AS, &limit);
}

// False when the search ran out of memory; nothing but trace lines is written then.
bool computeAndWrite(const CurvePair& pair, const RunOptions& options) {
  HausdorffReport report;
  try {
    report = hausdorffReport(pair.a, pair.b, options.trace ? stdout : nullptr);
  } catch (const std::bad_alloc&) {
    return false;  // the search's queues are released on the way out
  }
  writeReport(stdout, report, options.format);
  return true;
}

int runOnArguments(const std::vector<std::string>& numbers, const RunOptions& options) {
  const PairParse parsed = parsePairArguments(numbers);
  if (!parsed.ok) {
    std::fprintf(stderr, "%s: %s\n", kProgram, parsed.error.c_str());
    return kExitBadCommandLine;
  }
  if (!computeAndWrite(parsed.pair, options)) {
    std::fprintf(stderr, "%s: %s\n", kProgram, kOutOfMemory);
    return kExitSomeFailed;
  }
  return 0;
}

// A refused line costs only its own result: the lines after it are still read.
int runOnStandardInput(const RunOptions& options) {
  static LineReader reader;  // too large for comfort on the stack
  startReading(reader, stdin);
  bool anyRefused = false;
  for (long lineNumber = 1;; ++lineNumber) {
    const LineRead read = readLine(reader);
    if (read.status == LineStatus::kEnd) break;
    if (read.status == LineStatus::kTooLong) {
      std::fprintf(stderr, "%s: line %ld: longer than %zu bytes\n", kProgram, lineNumber,
                   kMaxLineLength);
      anyRefused = true;
      continue;
    }
    if (isSkippedLine(read.text)) continue;
    const PairParse parsed = parsePairLine(read.text);
    if (!parsed.ok) {
      std::fprintf(stderr, "%s: line %ld: %s\n", kProgram, lineNumber, parsed.error.c_str());
      anyRefused = true;
      continue;
    }
    if (!computeAndWrite(parsed.pair, options)) {
      std::fprintf(stderr, "%s: line %ld: %s\n", kProgram, lineNumber, kOutOfMemory);
      anyRefused = true;
    }
  }
  if (std::ferror(stdin)) {
    std::fprintf(stderr, "%s: cannot read standard input\n", kProgram);
    return kExitSomeFailed;
  }
  return anyRefused ? kExitSomeFailed : 0;
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

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{kDescription, kProgram};
  app.formatter(std::make_shared<UsageFormatter>());
  app.footer(kFooter);
  bool trace = false;
  bool json = false;
  app.add_flag("--trace", trace, "Print the search's trace lines before each result");
  app.add_flag("--json", json, "Print each result as one JSON object per line");
  app.set_version_flag("--version", std::string(kProgram) + " " + BEZIER_VERSION);
  // The numbers are collected from the leftovers rather than by a positional option, so that
  // words such as -.5 and -inf reach the number parser and get its messages.
  app.allow_extras();
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {  // --help or --version
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    return commandLineError(e.what());
  }

  std::vector<std::string> operands;
  std::string unknown;
  if (!collectOperands(app.remaining(), operands, unknown)) {
    return commandLineError("unknown option " + quotedToken(unknown));
  }
  if (operands.empty()) return commandLineError("no curves given");

  capMemory();
  const RunOptions options{trace, json ? ReportFormat::kJson : ReportFormat::kText};
  const bool fromInput = operands.size() == 1 && operands[0] == "-";
  const int status = fromInput ? runOnStandardInput(options) : runOnArguments(operands, options);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "%s: cannot write standard output\n", kProgram);
    return kExitSomeFailed;
  }
  return status;
}
