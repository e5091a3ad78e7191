// --print-outlines: what bezier-hausdorff measures, shown as SVG path data instead of measured.
#ifndef CLI_OUTLINE_PRINT_H
#define CLI_OUTLINE_PRINT_H

#include <string>

#include <beziercurve/beziercurve.h>

#include "cli/options.h"

// The shape's cubics as SVG path data, in the shape's own coordinates, contour by contour
// (contoursOf): "M x y" at each contour's start, "C x y x y x y" for each segment, and " Z" after
// a closed contour, so that the data read back gives the same segments and the same contours.
// Numbers are in shortest round-trip form (read back, each gives the same double); "" for no
// segments.
std::string pathDataOf(const beziercurve::Shape& shape);

// Prints the two operands' (curves or shapes) path data, one line each. Returns the exit
// status: 2 when an operand cannot be read.
int printOperandOutlines(const CliOptions& options);

#endif  // CLI_OUTLINE_PRINT_H
