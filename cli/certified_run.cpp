#include "cli/certified_run.h"

#include <atomic>
#include <cstdio>
#include <new>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cli/certified_format.h"
#include "cli/line_reader.h"
#include "cli/parse.h"
#include "distance/certified_hausdorff.h"

namespace {

// Lines are read, measured and written a batch at a time: large enough that starting the
// workers costs nothing, small enough to keep the memory flat.
constexpr std::size_t kBatchLines = 4096;
constexpr std::size_t kLinesPerGrab = 16;

// Two shapes to measure, or why not.
struct PairInput {
  bool ok;
  std::string error;
  Shape a;
  Shape b;
  bool showSegments;  // shapes of several segments: results name the segments
};

Shape curveShape(const CubicCurve& curve) {
  Shape shape;
  shape.segments.push_back(curve);
  return shape;
}

PairInput fromPair(const PairParse& parsed) {
  PairInput input{parsed.ok, parsed.error, {}, {}, false};
  if (parsed.ok) {
    input.a = curveShape(parsed.pair.a);
    input.b = curveShape(parsed.pair.b);
  }
  return input;
}

// What one measurement printed and how it ended.
struct Measured {
  int status;  // 0, kExitBeyond or kExitUndecided
  double upper;
};

Measured measure(const PairInput& input, const CliOptions& options, std::string& out) {
  CertifiedLine line{};
  CertifiedDistance distance;
  line.distance = &distance;
  line.json = options.json;
  line.showSegments = input.showSegments;
  line.tolerance = options.tolerance;
  line.deciding = options.deciding;
  line.threshold = options.threshold;
  int status = 0;
  if (options.deciding) {
    const WithinDecision decision = decideWithin(input.a, input.b, options.threshold);
    distance = decision.distance;
    line.verdict = decision.verdict;
    if (decision.verdict == Verdict::kBeyond) status = kExitBeyond;
    if (decision.verdict == Verdict::kUndecided) status = kExitUndecided;
  } else {
    distance = certifiedHausdorff(input.a, input.b, options.tolerance);
  }
  appendCertifiedLine(out, line);
  return {status, distance.upper};
}

struct Slot {
  long lineNumber;
  std::string text;
  bool refused;
  std::string output;  // the result line, or the refusal's message
  Measured measured;
};

// A UTF-8 byte-order mark at the very start of the input is not part of the first line.
std::string_view withoutByteOrderMark(std::string_view text) {
  constexpr std::string_view kMark = "\xEF\xBB\xBF";
  return text.substr(0, kMark.size()) == kMark ? text.substr(kMark.size()) : text;
}

void processSlot(Slot& slot, const CliOptions& options) {
  slot.measured = {0, 0.0};
  if (slot.refused) return;  // its message is already in place
  slot.output.clear();
  const PairInput input = fromPair(parsePairLine(slot.text));
  if (!input.ok) {
    slot.refused = true;
    slot.output = input.error;
    return;
  }
  try {
    slot.measured = measure(input, options, slot.output);
  } catch (const std::bad_alloc&) {
    slot.refused = true;
    slot.output = "out of memory";
  }
}

int jobCount(const CliOptions& options) {
  if (options.jobs > 0) return options.jobs;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? static_cast<int>(cores) : 1;
}

// Workers take lines a few at a time, so that slow pairs do not hold the others up.
void processBatch(std::vector<Slot>& slots, std::size_t count, const CliOptions& options,
                  int jobs) {
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (;;) {
      const std::size_t first = next.fetch_add(kLinesPerGrab);
      if (first >= count) return;
      const std::size_t last = std::min(count, first + kLinesPerGrab);
      for (std::size_t i = first; i < last; ++i) processSlot(slots[i], options);
    }
  };
  std::vector<std::thread> workers;
  const std::size_t wanted =
      std::min<std::size_t>(jobs, (count + kLinesPerGrab - 1) / kLinesPerGrab);
  for (std::size_t k = 1; k < wanted; ++k) workers.emplace_back(work);
  work();
  for (std::thread& worker : workers) worker.join();
}

int writeBatch(const std::vector<Slot>& slots, std::size_t count) {
  int status = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const Slot& slot = slots[i];
    if (slot.refused) {
      std::fprintf(stderr, "%s: line %ld: %s\n", kProgramName, slot.lineNumber,
                   slot.output.c_str());
      status = combinedStatus(status, kExitSomeFailed);
    } else {
      std::fwrite(slot.output.data(), 1, slot.output.size(), stdout);
      status = combinedStatus(status, slot.measured.status);
    }
  }
  return status;
}

int runOnStandardInput(const CliOptions& options) {
  static LineReader reader;  // too large for comfort on the stack
  startReading(reader, stdin);
  const int jobs = jobCount(options);
  std::vector<Slot> slots(kBatchLines);
  int status = 0;
  long lineNumber = 0;
  for (bool more = true; more;) {
    std::size_t count = 0;
    while (count < kBatchLines) {
      const LineRead read = readLine(reader);
      if (read.status == LineStatus::kEnd) {
        more = false;
        break;
      }
      ++lineNumber;
      const std::string_view text = lineNumber == 1 ? withoutByteOrderMark(read.text) : read.text;
      if (read.status == LineStatus::kLine && isSkippedLine(text)) continue;
      Slot& slot = slots[count++];
      slot.lineNumber = lineNumber;
      slot.refused = read.status == LineStatus::kTooLong;
      if (slot.refused) {
        slot.output = "longer than " + std::to_string(kMaxLineLength) + " bytes";
      } else {
        slot.text.assign(text.data(), text.size());
      }
    }
    processBatch(slots, count, options, jobs);
    status = combinedStatus(status, writeBatch(slots, count));
  }
  if (std::ferror(stdin)) {
    printError("cannot read standard input");
    return kExitSomeFailed;
  }
  return status;
}

int runOnArguments(const CliOptions& options) {
  const PairInput input = fromPair(parsePairArguments(options.operands));
  if (!input.ok) {
    printError(input.error);
    return kExitBadCommandLine;
  }
  std::string out;
  const Measured measured = measure(input, options, out);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return measured.status;
}

}  // namespace

int combinedStatus(int a, int b) {
  const auto weight = [](int status) {
    switch (status) {
      case 0:
        return 0;
      case kExitUndecided:
        return 1;
      case kExitBeyond:
        return 2;
      default:
        return 3;
    }
  };
  return weight(a) >= weight(b) ? a : b;
}

int runCertifiedMethod(const CliOptions& options) {
  const bool fromInput = options.operands.size() == 1 && options.operands[0] == "-";
  return fromInput ? runOnStandardInput(options) : runOnArguments(options);
}
