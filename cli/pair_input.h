// What bezier-hausdorff measures, read from its operands or from a line of standard input: two
// cubic curves as 16 numbers, or two shapes, each SVG path data or an SVG file.
#ifndef CLI_PAIR_INPUT_H
#define CLI_PAIR_INPUT_H

#include <string>
#include <string_view>
#include <vector>

#include <beziercurve/beziercurve.h>

struct PairInput {
  bool ok;
  std::string error;    // when !ok: one line
  std::string warning;  // one line or empty: what an SVG file held that is not drawn
  beziercurve::Shape a;
  beziercurve::Shape b;
  bool fromShapes;  // path data or SVG files: segments are named, and y points down
};

enum class ShapeArgument {
  kSvgFile,   // ends in ".svg", or ".svg#id" for one element (any case)
  kPathData,  // starts, after blanks, with the moveto command M or m
  kNeither,
};

// The file test comes first, so that "Map.svg" is a file.
ShapeArgument classifyShapeArgument(std::string_view argument);

// Operands other than "-": two shapes, or 16 numbers (commas between them are allowed, so that
// "0,0 1,2 ..." gives the same pair as on a line of standard input). `arcError`: the bound each
// shape's arcs are read to (see shapes/shape_read.h). `rule`: how path data and curves fill (an
// SVG file's elements fill by their own fill-rule).
PairInput readPairOperands(const std::vector<std::string>& operands, double arcError,
                           beziercurve::FillRule rule = beziercurve::FillRule::kNonzero);

// One line of standard input, its comment already removed (readInputLine does): two shapes
// separated by one TAB, or 16 numbers.
PairInput readPairLine(std::string_view text, double arcError,
                       beziercurve::FillRule rule = beziercurve::FillRule::kNonzero);

#endif  // CLI_PAIR_INPUT_H
