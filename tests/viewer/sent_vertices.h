// Counts the vertices the code under test sends with glVertex2f, before OpenGL clips them: a
// vertex with a NaN coordinate never reaches feedback mode, so only here can it be seen.
// Works in executables linked with -Wl,--wrap=glVertex2f, which routes every call (and every
// use of its address, such as the marker canvas's) through the counter.
#ifndef TESTS_VIEWER_SENT_VERTICES_H
#define TESTS_VIEWER_SENT_VERTICES_H

namespace viewer_test {

struct SentVertices {
  long all = 0;
  long nonFinite = 0;
};

// The counts since the last reset.
SentVertices& sentVertices();

}  // namespace viewer_test

#endif  // TESTS_VIEWER_SENT_VERTICES_H
