#include "cli/certified_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <beziercurve/beziercurve.h>

#include "cli/certified_format.h"
#include "cli/frechet_run.h"
#include "cli/line_reader.h"
#include "cli/pair_input.h"
#include "cli/parallel.h"
#include "cli/parse.h"

using namespace beziercurve;

// Each shape's arcs are read to a quarter of the tolerance, so that a pair of readings widens
// the interval by at most half of it and identical shapes always meet it. --within has no
// tolerance of its own: it reads arcs to --tolerance's (default 0.001) quarter, 2.5e-4, which
// only blurs a decision when the distance lies that close to D.
double arcErrorFor(const CliOptions& options) {
  return options.tolerance / 4;
}

namespace {

// Lines are read, measured and written a batch at a time: large enough that starting the
// workers costs nothing, small enough to keep the memory flat.
constexpr std::size_t kBatchLines = 4096;
constexpr std::size_t kLinesPerGrab = 16;

// With --metric frechet, an operand that is not one path refuses the pair.
void refuseWhatCannotBeWalked(PairInput& input, const CliOptions& options) {
  // Paired contour by contour, each contour is a path of its own.
  if (!input.ok || options.metric != Metric::kFrechet || options.pairContours) return;
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
  Distance distance{};
  std::string names[2];  // the shapes as given, for the picture's legend
};

// `names`: the two shapes as written (path data or FILE.svg), or empty for 16 numbers.
void consider(PlotChoice& choice, PairInput& input, const Distance& distance,
              std::string_view nameA, std::string_view nameB) {
  if (choice.chosen && distance.upper <= choice.distance.upper) return;
  choice.chosen = true;
  choice.input = std::move(input);
  choice.distance = distance;
  choice.names[0] = choice.input.fromShapes ? std::string(nameA) : "";
  choice.names[1] = choice.input.fromShapes ? std::string(nameB) : "";
}

// The two shapes of a line of standard input: its text before and after the TAB.
void lineNames(std::string_view text, std::string_view& nameA, std::string_view& nameB) {
  const std::size_t tab = text.find('\t');
  nameA = text.substr(0, tab);
  nameB = tab == std::string_view::npos ? std::string_view() : text.substr(tab + 1);
}

int writeChosenPlot(const CliOptions& options, const PlotChoice& choice) {
  if (options.plotPath.empty()) return 0;
  if (!choice.chosen) {
    const std::string destination = options.plotPath == "-" ? "standard output" : options.plotPath;
    printError("no picture written to " + destination + ": no pair was measured");
    return kExitSomeFailed;
  }
  if (options.metric == Metric::kFrechet) {
    return writeFrechetPicture(options, choice.input.a, choice.input.b, !choice.input.fromShapes);
  }
  std::string caption = options.fill ? "Fill distance in " : "Hausdorff distance in ";
  appendInterval(
      caption, choice.distance,
      intervalDecimals(choice.distance, options.tolerance, decimalsFor(options.tolerance)));
  Picture request{&choice.input.a,          &choice.input.b, choice.distance, caption,
                  !choice.input.fromShapes, choice.names[0], choice.names[1]};
  request.fill = options.fill;
  std::string error;
  if (savePlot(options.plotPath, request, error)) return 0;
  printError(error);
  return kExitSomeFailed;
}

struct Slot {
  long lineNumber;
  std::string text;
  bool refused;
  std::string output;   // the result record, or the refusal's message
  std::string warning;  // what a file held that is not drawn
  Measured measured;
  PairInput input;  // kept for --plot
};

void processSlot(Slot& slot, const CliOptions& options) {
  slot.measured = {0, {}};
  slot.warning.clear();
  if (slot.refused) return;  // its message is already in place
  slot.output.clear();
  PairInput input = readPairLine(slot.text, arcErrorFor(options), fillRuleOf(options));
  refuseWhatCannotBeWalked(input, options);
  slot.warning = input.warning;
  if (!input.ok) {
    slot.refused = true;
    slot.output = input.error;
    return;
  }
  const std::string lineMember = "\"line\":" + std::to_string(slot.lineNumber) + ",";
  slot.measured =
      measurePair(input.a, input.b, options, input.fromShapes, "", lineMember, slot.output);
  if (!slot.measured.refusal.empty()) {
    slot.refused = true;
    slot.output = std::move(slot.measured.refusal);
    return;
  }
  if (!options.plotPath.empty()) slot.input = std::move(input);
}

// A batch of lines being measured and written. Slots are written in input order, each as soon
// as it and every slot before it are measured, by whichever thread finishes the next one.
struct Batch {
  std::vector<Slot> slots = std::vector<Slot>(kBatchLines);
  std::unique_ptr<std::atomic<bool>[]> measured { new std::atomic<bool>[ kBatchLines ] };
  std::size_t count = 0;
  std::mutex writing;                   // held while writing; guards what follows
  std::atomic<std::size_t> written{0};  // slots written so far
  bool flushEach = false;               // the input paused: deliver each record at once
  int status = 0;
  PlotChoice plot;
  FILE* results = stdout;
  std::set<std::string>
      warned;  // warnings already printed: each is printed once, on its first line
};

// One record per line on the results stream: the result, or for a refused line an error record
// (its message also goes to standard error, with any warning).
void writeSlot(Batch& batch, Slot& slot, const CliOptions& options) {
  if (!slot.warning.empty() && batch.warned.insert(slot.warning).second) {
    printLineError(slot.lineNumber, slot.warning);
  }
  if (slot.refused) {
    printLineError(slot.lineNumber, slot.output);
    std::string record;
    appendErrorRecord(record, slot.lineNumber, slot.output, options.json);
    std::fwrite(record.data(), 1, record.size(), batch.results);
    batch.status = combinedStatus(batch.status, kExitSomeFailed);
  } else {
    std::fwrite(slot.output.data(), 1, slot.output.size(), batch.results);
    batch.status = combinedStatus(batch.status, slot.measured.status);
    if (slot.input.ok) {
      std::string_view nameA, nameB;
      lineNames(slot.text, nameA, nameB);
      consider(batch.plot, slot.input, slot.measured.distance, nameA, nameB);
    }
    slot.input = PairInput{};
  }
  if (batch.flushEach) std::fflush(batch.results);
}

// Writes the measured slots that are next in order; another thread may be doing so already,
// and then writes what this one made ready.
void writeReady(Batch& batch, const CliOptions& options) {
  const auto nextReady = [&] {
    const std::size_t next = batch.written.load();
    return next < batch.count && batch.measured[next].load();
  };
  // A thread that finds the lock taken leaves its slot to the holder, which looks again after
  // letting go; the end of the batch writes whatever is left.
  while (nextReady()) {
    std::unique_lock<std::mutex> lock(batch.writing, std::try_to_lock);
    if (!lock.owns_lock()) return;
    while (nextReady()) writeSlot(batch, batch.slots[batch.written++], options);
  }
}

// Reads up to a batch of lines, stopping early when the input pauses after the first (so that
// a writer waiting for answers gets them). False at the end of the input with nothing read.
bool readBatch(LineReader& reader, Batch& batch) {
  batch.count = 0;
  batch.written = 0;
  batch.flushEach = false;
  while (batch.count < kBatchLines) {
    const InputLine line = readInputLine(reader, batch.count == 0);
    if (line.status == LineStatus::kEnd) break;
    if (line.status == LineStatus::kPaused) {
      batch.flushEach = true;
      break;
    }
    Slot& slot = batch.slots[batch.count];
    batch.measured[batch.count].store(false);
    ++batch.count;
    slot.lineNumber = line.number;
    slot.refused = line.status == LineStatus::kTooLong;
    if (slot.refused) {
      slot.output = tooLongMessage(reader);
    } else {
      slot.text.assign(line.text.data(), line.text.size());
    }
  }
  return batch.count > 0;
}

int runOnStandardInput(const CliOptions& options) {
  static LineReader reader;  // too large for the stack
  startReading(reader, stdin);
  const int jobs = workerCount(options);
  static Batch batch;
  batch.results = resultStream(options);
  while (readBatch(reader, batch)) {
    const bool allStarted = forEachInParallel(batch.count, jobs, kLinesPerGrab, [&](std::size_t i) {
      processSlot(batch.slots[i], options);
      batch.measured[i].store(true);
      // At the end of each grab: often enough to stream, seldom enough not to contend.
      if ((i + 1) % kLinesPerGrab == 0 || i + 1 == batch.count) writeReady(batch, options);
    });
    if (!allStarted) reportMissingWorkers();
    writeReady(batch, options);  // any slot a busy writer left behind
    std::fflush(batch.results);
  }
  if (reader.readFailed) {
    printError("cannot read standard input");
    return kExitSomeFailed;
  }
  return combinedStatus(batch.status, writeChosenPlot(options, batch.plot));
}

int runOnArguments(const CliOptions& options) {
  PairInput input = readPairOperands(options.operands, arcErrorFor(options), fillRuleOf(options));
  refuseWhatCannotBeWalked(input, options);
  if (!input.warning.empty()) printError(input.warning);
  if (!input.ok) {
    printError(input.error);
    return kExitBadCommandLine;
  }
  std::string out;
  const Measured measured = measure(input, options, out);
  if (!measured.refusal.empty()) {  // as an argument that cannot be read: nothing is computed
    printError(measured.refusal);
    return kExitBadCommandLine;
  }
  std::fwrite(out.data(), 1, out.size(), resultStream(options));
  PlotChoice plot;
  consider(plot, input, measured.distance, options.operands.front(), options.operands.back());
  return combinedStatus(measured.status, writeChosenPlot(options, plot));
}

}  // namespace

namespace {

Measured measureUnguarded(const Shape& a, const Shape& b, const CliOptions& options,
                          bool showSegments, std::string_view textPrefix,
                          std::string_view jsonPrefix, std::string& out) {
  if (options.metric == Metric::kFrechet) {
    return measureFrechetPair(a, b, options, showSegments, textPrefix, jsonPrefix, out);
  }
  Measured measured{0, {}};
  Verdict verdict = Verdict::kWithin;
  if (options.deciding) {
    const Decision decision = within(a, b, options.threshold, measureOf(options));
    measured.distance = decision.distance;
    // The decision asks no width of the interval; toleranceMet keeps its one meaning, that the
    // interval is at most the tolerance wide.
    measured.distance.toleranceMet =
        measured.distance.upper - measured.distance.lower <= options.tolerance;
    verdict = decision.verdict;
    if (decision.verdict == Verdict::kBeyond) measured.status = kExitBeyond;
    if (decision.verdict == Verdict::kUndecided) measured.status = kExitUndecided;
  } else {
    measured.distance = hausdorff(a, b, options.tolerance, measureOf(options));
  }
  appendHausdorffLine(out, measured.distance, verdict, options, showSegments, textPrefix,
                      jsonPrefix);
  return measured;
}

std::string segmentCount(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " segment" : " segments");
}

}  // namespace

void appendHausdorffLine(std::string& out, const Distance& distance, Verdict verdict,
                         const CliOptions& options, bool showSegments, std::string_view textPrefix,
                         std::string_view jsonPrefix) {
  CertifiedLine line{};
  line.textPrefix = textPrefix;
  line.jsonPrefix = jsonPrefix;
  line.distance = &distance;
  line.json = options.json;
  line.showSegments = showSegments;
  line.tolerance = options.tolerance;
  line.deciding = options.deciding;
  line.threshold = options.threshold;
  line.verdict = verdict;
  line.fill = options.fill;
  line.fillRule = options.evenOdd ? "evenodd" : "nonzero";
  appendCertifiedLine(out, line);
}

std::string tooLargeToMeasure(const Shape& a, const Shape& b) {
  return "A (" + segmentCount(a.segments.size()) + ") against B (" +
         segmentCount(b.segments.size()) + "): too large to measure: the search ran out of memory";
}

Measured measurePair(const Shape& a, const Shape& b, const CliOptions& options, bool showSegments,
                     std::string_view textPrefix, std::string_view jsonPrefix, std::string& out) {
  return guardedMeasurement(a, b, [&] {
    return measureUnguarded(a, b, options, showSegments, textPrefix, jsonPrefix, out);
  });
}

std::string plotDestinationProblem(const std::string& path) {
  if (path == "-") return "";
  const auto problem = [&](const char* reason) {
    return "--plot: cannot write " + path + ": " + reason;
  };
  struct stat status;
  if (stat(path.c_str(), &status) == 0) {
    if (S_ISDIR(status.st_mode)) return problem("it is a folder");
    return access(path.c_str(), W_OK) == 0 ? "" : problem(std::strerror(errno));
  }
  if (errno != ENOENT && errno != ENOTDIR) return problem(std::strerror(errno));
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  if (stat(folder.c_str(), &status) != 0) {
    return problem(("no folder " + folder).c_str());
  }
  if (!S_ISDIR(status.st_mode)) return problem((folder + " is not a folder").c_str());
  return access(folder.c_str(), W_OK | X_OK) == 0 ? "" : problem(std::strerror(errno));
}

namespace {

bool writePictureFile(const std::string& path, const std::string& svg, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
  const int writeErrno = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    error = "cannot write " + path + ": " + std::strerror(written ? errno : writeErrno);
    return false;
  }
  return true;
}

// The picture in `path`, or on standard output for "-"; one line naming the destination in
// `error` when it cannot be written.
bool writePicture(const std::string& path, const std::string& svg, std::string& error) {
  if (path != "-") return writePictureFile(path, svg, error);
  std::fwrite(svg.data(), 1, svg.size(), stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    error = "cannot write the picture to standard output";
    return false;
  }
  return true;
}

}  // namespace

bool savePlot(const std::string& path, const Picture& request, std::string& error) {
  return writePicture(path, pictureSvg(request), error);
}

bool saveFrechetPlot(const std::string& path, const Picture& request, const LeashList& leashes,
                     std::string& error) {
  return writePicture(path, frechetPictureSvg(request, leashes), error);
}

int workerCount(const CliOptions& options) {
  const unsigned cores = std::thread::hardware_concurrency();
  if (options.jobs <= 0) return cores > 0 ? static_cast<int>(cores) : 1;
  // When the system does not say how many cores it has, -j is taken as given.
  if (cores == 0 || static_cast<unsigned>(options.jobs) <= cores) return options.jobs;
  static std::once_flag told;
  std::call_once(told, [&] {
    printError("--jobs " + std::to_string(options.jobs) + ": this machine has " +
               std::to_string(cores) + (cores == 1 ? " core" : " cores") + ", so " +
               std::to_string(cores) +
               (cores == 1 ? " worker thread runs" : " worker threads run"));
  });
  return static_cast<int>(cores);
}

void reportMissingWorkers() {
  static std::once_flag told;
  std::call_once(told, [] {
    printError(
        "the system could not start every worker thread asked for: the work is done by those "
        "that started");
  });
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
