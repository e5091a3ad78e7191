// The trace check must accept the traces the search writes and reject each way a trace can go
// wrong; otherwise the tests and the fuzz target that rely on it would pass vacuously.
#include "trace_check.h"

#include <gtest/gtest.h>

#include <string>

#include "fixtures.h"
#include "geometry/hausdorff.h"

namespace {

// Two whole steps: the first updates L, the second does not.
const std::string kSound =
    "initial : 0.721110(0.721110)\n"
    "dist : [-1000000000.000000,0.721110]\n"
    "par : [0.000000,1.000000]\n"
    "L updated to 0.481421\n"
    "next up : 0.500000\n"
    "next up : 0.600000\n"
    "dist : [0.481421,0.600000]\n"
    "par : [0.500000,1.000000]\n"
    "next up : 0.490000\n"
    "next up : 0.480000\n";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  text.replace(text.find(from), from.size(), to);
  return text;
}

TEST(TraceCheck, AcceptsRealTraces) {
  EXPECT_EQ(checkTrace(kSound).error, "");
  EXPECT_EQ(checkTrace(kSound).steps, 2);
  HausdorffResult result{};
  const std::string trace = fixtures::captureTrace(
      [&](std::FILE* file) { result = hausdorffSearch(fixtures::kLoop, fixtures::kCusp, file); });
  const TraceCheck check = checkTrace(trace);
  EXPECT_EQ(check.error, "");
  EXPECT_EQ(check.steps, result.steps);
}

TEST(TraceCheck, RejectsEachFault) {
  const struct {
    const char* fault;
    std::string trace;
  } broken[] = {
      {"nan", replaced(kSound, "next up : 0.490000", "next up : nan")},
      {"-nan in dist", replaced(kSound, "0.600000]", "-nan]")},
      {"exponent", replaced(kSound, "next up : 0.500000", "next up : 5e-01")},
      {"five decimals", replaced(kSound, "par : [0.000000", "par : [0.00000")},
      {"trailing text", replaced(kSound, "L updated to 0.481421", "L updated to 0.481421 ")},
      {"unequal root bounds", replaced(kSound, "(0.721110)", "(0.721111)")},
      {"no initial line", kSound.substr(kSound.find('\n') + 1)},
      {"par before dist", replaced(kSound, "dist : [0.481421,0.600000]\npar : [0.500000,1.000000]",
                                   "par : [0.500000,1.000000]\ndist : [0.481421,0.600000]")},
      {"dist shows a stale L", replaced(kSound, "[0.481421,0.6", "[0.481420,0.6")},
      {"bound within the gap", replaced(kSound, "[0.481421,0.600000]", "[0.481421,0.482000]")},
      {"first step keeps L", replaced(kSound, "L updated to 0.481421\n", "")},
      {"L decreases", replaced(kSound, "next up : 0.490000\n", "L updated to 0.3\n")},
      {"interval reversed", replaced(kSound, "[0.500000,1.000000]", "[1.000000,0.500000]")},
      {"interval beyond 1", replaced(kSound, "[0.500000,1.000000]", "[0.500000,1.500000]")},
      {"three next up", kSound + "next up : 0.1\n"},
      {"ends inside a step", kSound.substr(0, kSound.rfind("next up"))},
  };
  for (const auto& b : broken) {
    EXPECT_NE(checkTrace(b.trace).error, "") << b.fault;
  }
}

}  // namespace
