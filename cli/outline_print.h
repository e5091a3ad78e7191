// --print-outlines: what bezier-hausdorff measures, shown as SVG path data instead of measured.
#ifndef CLI_OUTLINE_PRINT_H
#define CLI_OUTLINE_PRINT_H

#include <cstddef>
#include <string>

#include <beziercurve/beziercurve.h>

#include "cli/options.h"

// Whether segment i of `shape` begins a new subpath: it is the first, or it does not start where
// segment i - 1 ends (coordinate for coordinate).
bool startsSubpath(const beziercurve::Shape& shape, std::size_t i);

// The shape's cubics as SVG path data, in the shape's own coordinates: "M x y C x y x y x y"
// for each segment, the M left out when the segment starts where the previous one ended. Numbers
// are in shortest round-trip form (read back, each gives the same double); "" for no segments.
std::string pathDataOf(const beziercurve::Shape& shape);

// Prints the two operands' (curves or shapes) path data, one line each. Returns the exit
// status: 2 when an operand cannot be read.
int printOperandOutlines(const CliOptions& options);

#endif  // CLI_OUTLINE_PRINT_H
