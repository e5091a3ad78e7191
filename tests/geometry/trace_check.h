// Reads a Hausdorff search trace line by line and finds the first line that breaks its format,
// its order or the bounds its numbers must keep. Shared by the tests and the fuzz target, which
// feeds it lines as the search writes them, without keeping the trace.
#ifndef TESTS_GEOMETRY_TRACE_CHECK_H
#define TESTS_GEOMETRY_TRACE_CHECK_H

#include <string>

// The order the search prints in: "initial" once, then per step "dist", "par", at most one
// "L updated" and exactly two "next up".
enum class TraceExpects { kInitial, kStep, kPar, kUpdateOrNextUp, kNextUp, kSecondNextUp };

struct TraceCheck {
  TraceExpects expects = TraceExpects::kInitial;
  int lines = 0;
  int steps = 0;  // "dist" lines seen
  // L as the trace last printed it: the starting -1e9, then each "L updated" value.
  std::string lowerText = "-1000000000.000000";
  double lower = -1e9;
  std::string error;  // the first fault found, with its line number; empty while sound
};

// Checks one line (without its newline). Every line must reprint bit for bit from the numbers
// it holds with its own printf format, so "nan", "inf", exponents and stray text all fail.
// Once an error is recorded, later lines are ignored.
void checkTraceLine(TraceCheck& check, const std::string& line);

// Checks that the trace ended after a whole step and held at least one.
void finishTrace(TraceCheck& check);

// Runs checkTraceLine over every line of `text`, then finishTrace.
TraceCheck checkTrace(const std::string& text);

#endif  // TESTS_GEOMETRY_TRACE_CHECK_H
