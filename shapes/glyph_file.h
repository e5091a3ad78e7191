// The checks a font file passes before and after FreeType opens it, so that every failure gets
// a message of its own and a truncated file is never read as a font with missing glyphs.
#ifndef SHAPES_GLYPH_FILE_H
#define SHAPES_GLYPH_FILE_H

#include <string>

struct FontLocation {
  std::string path;
  long faceIndex;
  bool faceNumberIsBad;       // the text after '#' is not a face number
  std::string badFaceNumber;  // that text
};

// "FILE#N" (N a decimal number up to 65535) names face N of FILE, unless a file of that whole
// name exists; anything else names face 0 of the file. When the text after the last '#' is not
// a number but the text before it names an existing file, faceNumberIsBad is set.
FontLocation locateFont(const std::string& argument);

// Why `path` cannot be read as a font file, or "" when it is a readable, non-empty regular
// file. Only regular files are handed to FreeType: a FIFO or a device could block or never end.
std::string fileProblem(const std::string& path);

// For an OpenType or TrueType file (or collection), why face `faceIndex`'s table directory or
// one of its tables does not lie within the file, or "" when they all do, or the file is of
// another kind. FreeType reads such a font without complaint and leaves out the missing tables,
// which loses glyph outlines and names silently.
std::string sfntTruncation(const std::string& path, long faceIndex);

#endif  // SHAPES_GLYPH_FILE_H
