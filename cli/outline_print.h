// --print-outlines: what bezier-hausdorff measures, shown as SVG path data instead of measured.
#ifndef CLI_OUTLINE_PRINT_H
#define CLI_OUTLINE_PRINT_H

#include <string>

#include "cli/options.h"
#include "distance/shape.h"

// The shape's cubics as SVG path data, in the shape's own coordinates: "M x y C x y x y x y"
// for each segment, the M left out when the segment starts where the previous one ended. Numbers
// are in shortest round-trip form (read back, each gives the same double); "" for no segments.
std::string pathDataOf(const Shape& shape);

// Prints the two operands' (curves or shapes) path data, one line each. Returns the exit
// status: 2 when an operand cannot be read.
int printOperandOutlines(const CliOptions& options);

#endif  // CLI_OUTLINE_PRINT_H
