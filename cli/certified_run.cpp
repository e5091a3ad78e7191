#include "cli/certified_run.h"

#include <cstdio>
#include <new>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cli/certified_format.h"
#include "cli/frechet_run.h"
#include "cli/line_reader.h"
#include "cli/pair_input.h"
#include "cli/parallel.h"
#include "cli/parse.h"
#include "distance/certified_hausdorff.h"
#include "shapes/svg_plot.h"

namespace {

// Lines are read, measured and written a batch at a time: large enough that starting the
// workers costs nothing, small enough to keep the memory flat.
constexpr std::size_t kBatchLines = 4096;
constexpr std::size_t kLinesPerGrab = 16;

// With --metric frechet, an operand that is not one path refuses the pair.
void refuseWhatCannotBeWalked(PairInput& input, const CliOptions& options) {
  if (!input.ok || options.metric != Metric::kFrechet) return;
  input.error = frechetRefusal(input.a, input.b);
  input.ok = input.error.empty();
}

Measured measure(const PairInput& input, const CliOptions& options, std::string& out) {
  return measurePair(input.a, input.b, options, input.fromShapes, "", "", out);
}

// The pair to draw with --plot: in '-' mode, the one with the largest upper bound so far.
struct PlotChoice {
  bool chosen = false;
  PairInput input;
  CertifiedDistance distance{};
};

void consider(PlotChoice& choice, PairInput& input, const CertifiedDistance& distance) {
  if (choice.chosen && distance.upper <= choice.distance.upper) return;
  choice.chosen = true;
  choice.input = std::move(input);
  choice.distance = distance;
}

int writeChosenPlot(const CliOptions& options, const PlotChoice& choice) {
  if (options.plotPath.empty()) return 0;
  if (!choice.chosen) {
    printError("no picture written to " + options.plotPath + ": no pair was measured");
    return kExitSomeFailed;
  }
  if (options.metric == Metric::kFrechet) {
    return writeFrechetPicture(options, choice.input.a, choice.input.b, !choice.input.fromShapes);
  }
  std::string caption = "Hausdorff distance in ";
  appendInterval(caption, choice.distance, decimalsFor(options.tolerance));
  const PlotRequest request{&choice.input.a, &choice.input.b, choice.distance, caption,
                            !choice.input.fromShapes};
  std::string error;
  if (writePlot(options.plotPath, request, error)) return 0;
  printError(error);
  return kExitSomeFailed;
}

struct Slot {
  long lineNumber;
  std::string text;
  bool refused;
  std::string output;   // the result line, or the refusal's message
  std::string warning;  // what a file held that is not drawn
  Measured measured;
  PairInput input;  // kept for --plot
};

void processSlot(Slot& slot, const CliOptions& options) {
  slot.measured = {0, {}};
  slot.warning.clear();
  if (slot.refused) return;  // its message is already in place
  slot.output.clear();
  PairInput input = readPairLine(slot.text);
  refuseWhatCannotBeWalked(input, options);
  slot.warning = input.warning;
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
  if (!options.plotPath.empty()) slot.input = std::move(input);
}

int writeBatch(std::vector<Slot>& slots, std::size_t count, PlotChoice& plot) {
  int status = 0;
  for (std::size_t i = 0; i < count; ++i) {
    Slot& slot = slots[i];
    if (!slot.warning.empty()) printLineError(slot.lineNumber, slot.warning);
    if (slot.refused) {
      printLineError(slot.lineNumber, slot.output);
      status = combinedStatus(status, kExitSomeFailed);
      continue;
    }
    std::fwrite(slot.output.data(), 1, slot.output.size(), stdout);
    status = combinedStatus(status, slot.measured.status);
    if (slot.input.ok) consider(plot, slot.input, slot.measured.distance);
    slot.input = PairInput{};
  }
  return status;
}

int runOnStandardInput(const CliOptions& options) {
  static LineReader reader;  // too large for the stack
  startReading(reader, stdin);
  const int jobs = workerCount(options);
  std::vector<Slot> slots(kBatchLines);
  PlotChoice plot;
  int status = 0;
  for (bool more = true; more;) {
    std::size_t count = 0;
    while (count < kBatchLines) {
      const InputLine line = readInputLine(reader);
      if (line.status == LineStatus::kEnd) {
        more = false;
        break;
      }
      Slot& slot = slots[count++];
      slot.lineNumber = line.number;
      slot.refused = line.status == LineStatus::kTooLong;
      if (slot.refused) {
        slot.output = tooLongMessage(reader);
      } else {
        slot.text.assign(line.text.data(), line.text.size());
      }
    }
    forEachInParallel(count, jobs, kLinesPerGrab,
                      [&](std::size_t i) { processSlot(slots[i], options); });
    status = combinedStatus(status, writeBatch(slots, count, plot));
  }
  if (std::ferror(stdin)) {
    printError("cannot read standard input");
    return kExitSomeFailed;
  }
  return combinedStatus(status, writeChosenPlot(options, plot));
}

int runOnArguments(const CliOptions& options) {
  PairInput input = readPairOperands(options.operands);
  refuseWhatCannotBeWalked(input, options);
  if (!input.warning.empty()) printError(input.warning);
  if (!input.ok) {
    printError(input.error);
    return kExitBadCommandLine;
  }
  std::string out;
  const Measured measured = measure(input, options, out);
  std::fwrite(out.data(), 1, out.size(), stdout);
  PlotChoice plot;
  consider(plot, input, measured.distance);
  return combinedStatus(measured.status, writeChosenPlot(options, plot));
}

}  // namespace

Measured measurePair(const Shape& a, const Shape& b, const CliOptions& options, bool showSegments,
                     std::string_view textPrefix, std::string_view jsonPrefix, std::string& out) {
  if (options.metric == Metric::kFrechet) {
    return measureFrechetPair(a, b, options, showSegments, false, textPrefix, jsonPrefix, out);
  }
  Measured measured{0, {}};
  CertifiedLine line{};
  line.textPrefix = textPrefix;
  line.jsonPrefix = jsonPrefix;
  line.distance = &measured.distance;
  line.json = options.json;
  line.showSegments = showSegments;
  line.tolerance = options.tolerance;
  line.deciding = options.deciding;
  line.threshold = options.threshold;
  if (options.deciding) {
    const WithinDecision decision = decideWithin(a, b, options.threshold);
    measured.distance = decision.distance;
    line.verdict = decision.verdict;
    if (decision.verdict == Verdict::kBeyond) measured.status = kExitBeyond;
    if (decision.verdict == Verdict::kUndecided) measured.status = kExitUndecided;
  } else {
    measured.distance = certifiedHausdorff(a, b, options.tolerance);
  }
  appendCertifiedLine(out, line);
  return measured;
}

int workerCount(const CliOptions& options) {
  if (options.jobs > 0) return options.jobs;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? static_cast<int>(cores) : 1;
}

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
  return readsStandardInput(options) ? runOnStandardInput(options) : runOnArguments(options);
}
