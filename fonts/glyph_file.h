// The checks a font file passes before and after FreeType opens it, so that every failure gets
// a message of its own and a truncated file is never read as a font with missing glyphs.
#ifndef FONTS_GLYPH_FILE_H
#define FONTS_GLYPH_FILE_H

#include <string>
#include <vector>

struct FontLocation {
  std::string path;
  long faceIndex;
  bool faceNumberIsBad;       // the text after '#' is not a face number
  std::string badFaceNumber;  // that text
  bool hasLocation;           // "@..." followed
  std::string location;       // the text after '@': a variable font's location or instance
};

// "FILE#N" (N a decimal number up to 65535) names face N of FILE, unless a file of that whole
// name exists; anything else names face 0 of the file. When the text after the last '#' is not
// a number but the text before it names an existing file, faceNumberIsBad is set. Either may be
// followed by "@LOCATION" when the text before the last '@' names an existing file (or face).
FontLocation locateFont(const std::string& argument);

// Why `path` cannot be read as a font file, or "" when it is a readable, non-empty regular
// file. Only regular files are handed to FreeType: a FIFO or a device could block or never end.
std::string fileProblem(const std::string& path);

// For an OpenType or TrueType file (or collection): whether face `faceIndex`'s table directory
// and tables lie within the file. FreeType reads such a font without complaint and leaves out
// what is missing, so each problem is worth a line of its own.
struct SfntDamage {
  std::string directory;            // why the table directory cannot be read, or ""
  std::vector<std::string> tables;  // one line per table that runs past the end of the file
  bool outlinesCut = false;         // one of them holds outlines (glyf, loca, CFF , CFF2, gvar)
};
SfntDamage sfntDamage(const std::string& path, long faceIndex);

#endif  // FONTS_GLYPH_FILE_H
