#include "cli/viewer_run.h"

#include <sys/resource.h>

#include <cstdio>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include <beziercurve/beziercurve.h>

#include "cli/certified_format.h"
#include "cli/line_reader.h"
#include "cli/parse.h"
#include "cli/report_format.h"

using namespace beziercurve;

namespace {

constexpr rlim_t kMemoryCap = rlim_t{1} << 30;
constexpr const char* kOutOfMemory =
    "the search ran out of memory (its tolerance is 0.001 in the curves' units: scale very large "
    "curves down)";

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

// The viewer's searches subdivide towards fixed tolerances of 0.001, so on curves millions of
// units across their queues grow with the scale and would take all the machine's memory.
// Capping the address space (never raising a lower cap) turns that into std::bad_alloc, which
// costs only the pair that caused it.
void capMemory() {
  if (kUnderSanitizer) return;
  rlimit limit;
  if (getrlimit(RLIMIT_AS, &limit) != 0) return;
  if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur <= kMemoryCap) return;
  limit.rlim_cur = kMemoryCap;
  setrlimit(RLIMIT_AS, &limit);
}

// False when the search ran out of memory; nothing but trace lines is written then.
bool computeAndWrite(const CurvePair& pair, const CliOptions& options) {
  ViewerSearch report;
  try {
    report = viewerHausdorff(pair.a, pair.b, options.trace ? stdout : nullptr);
  } catch (const std::bad_alloc&) {
    return false;  // the search's queues are released on the way out
  }
  writeReport(stdout, report, options.json ? ReportFormat::kJson : ReportFormat::kText);
  return true;
}

int runOnArguments(const CliOptions& options) {
  const PairParse parsed = parsePairOperands(options.operands);
  if (!parsed.ok) {
    printError(parsed.error);
    return kExitBadCommandLine;
  }
  if (!computeAndWrite(parsed.pair, options)) {
    printError(kOutOfMemory);
    return kExitSomeFailed;
  }
  return 0;
}

// A refused line's message on standard error, and its error record in its place on standard
// output, as the certified method writes them.
void refuseLine(long lineNumber, const std::string& message, const CliOptions& options) {
  printLineError(lineNumber, message);
  std::string record;
  appendErrorRecord(record, lineNumber, message, options.json);
  std::fwrite(record.data(), 1, record.size(), stdout);
}

// A refused line costs only its own result: the lines after it are still read.
int runOnStandardInput(const CliOptions& options) {
  static LineReader reader;  // too large for comfort on the stack
  startReading(reader, stdin);
  bool anyRefused = false;
  // Before waiting for a line that has not arrived, deliver every result so far: a writer that
  // sends one line and waits for its answer gets it.
  const auto nextLine = [] {
    if (!lineReady(reader)) std::fflush(stdout);
    return readInputLine(reader);
  };
  for (InputLine line = nextLine(); line.status != LineStatus::kEnd; line = nextLine()) {
    if (line.status == LineStatus::kTooLong) {
      refuseLine(line.number, tooLongMessage(reader), options);
      anyRefused = true;
      continue;
    }
    const PairParse parsed = parsePairLine(line.text);
    if (!parsed.ok) {
      refuseLine(line.number, parsed.error, options);
      anyRefused = true;
      continue;
    }
    if (!computeAndWrite(parsed.pair, options)) {
      refuseLine(line.number, kOutOfMemory, options);
      anyRefused = true;
    }
  }
  if (reader.readFailed) {
    printError("cannot read standard input");
    return kExitSomeFailed;
  }
  return anyRefused ? kExitSomeFailed : 0;
}

}  // namespace

int runViewerMethod(const CliOptions& options) {
  capMemory();
  return readsStandardInput(options) ? runOnStandardInput(options) : runOnArguments(options);
}
