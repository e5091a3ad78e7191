// Comparing the cubics the readers produce with hand-worked ones.
#ifndef TESTS_SHAPES_SHAPE_MATCHERS_H
#define TESTS_SHAPES_SHAPE_MATCHERS_H

#include <gtest/gtest.h>

#include <vector>

#include "distance/shape.h"

// Every control point within `tolerance` of the expected one, and as many segments.
::testing::AssertionResult sameSegments(const std::vector<CubicCurve>& actual,
                                        const std::vector<CubicCurve>& expected,
                                        double tolerance = 1e-12);

// The straight cubic from a to b with inner points at the thirds: what a line becomes.
CubicCurve straight(Point2 a, Point2 b);

#endif  // TESTS_SHAPES_SHAPE_MATCHERS_H
