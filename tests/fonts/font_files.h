// What the glyph and plot tests share: the real fonts they read, files they write into the
// build tree, and measures of shapes computed independently of the code under test.
#ifndef TESTS_GLYPHS_FONT_FILES_H
#define TESTS_GLYPHS_FONT_FILES_H

#include <string>
#include <vector>

#include "distance/shape.h"

namespace font_files {

// Debian's FreeFont: the same design with cubic (OTF) and quadratic (TTF) outlines.
extern const char* const kSerifOtf;
extern const char* const kSerifTtf;
extern const char* const kSansTtf;

std::string readBytes(const std::string& path);
// A path in the build tree for a file the tests write.
std::string outputPath(const std::string& name);
void writeBytes(const std::string& path, const std::string& bytes);

// A font collection ("ttcf") holding the given OpenType/TrueType files as faces 0, 1, ...
std::string makeCollection(const std::vector<std::string>& fonts);

struct Box {
  double minX, minY, maxX, maxY;
};
Box controlBox(const Shape& shape);

// The larger of the two one-sided distances between the shapes, measured from 33 points on each
// segment to polylines of 32 chords per segment of the other shape: close to the Hausdorff
// distance when the segments are no longer than a glyph's strokes.
double sampledDistance(const Shape& a, const Shape& b);

}  // namespace font_files

#endif  // TESTS_GLYPHS_FONT_FILES_H
