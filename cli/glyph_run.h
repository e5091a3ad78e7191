// bezier-hausdorff --glyph and --glyphs: the certified distance between glyph outlines of two
// fonts, for one glyph or for every glyph the fonts share.
#ifndef CLI_GLYPH_RUN_H
#define CLI_GLYPH_RUN_H

#include "cli/options.h"

// Returns the exit status: 2 when a font or the glyph cannot be read.
int runGlyphs(const CliOptions& options);

#endif  // CLI_GLYPH_RUN_H
