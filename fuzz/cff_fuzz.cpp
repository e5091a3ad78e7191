// CFF tables on arbitrary bytes: the table parser and the charstring interpreter of
// fonts/cff_outline.h. Whatever the bytes, parsing and running every glyph ends, and a glyph
// that runs gives contours whose ends lie within its points and whose coordinates are finite.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fonts/cff_outline.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::shared_ptr<const CffFont> font =
      parseCffTable(std::vector<std::uint8_t>(data, data + size), 1000);
  if (font == nullptr) return 0;
  for (unsigned glyph = 0; glyph < 64; ++glyph) {
    const CffGlyph read = runCffGlyph(*font, glyph);
    if (read.run != CffRun::kRead) continue;
    std::size_t previous = 0;
    for (const std::size_t end : read.points.contourEnds) {
      if (end >= read.points.points.size() || end < previous) std::abort();
      previous = end;
    }
    for (const OutlinePoint& p : read.points.points) {
      if (!std::isfinite(p.at.x) || !std::isfinite(p.at.y)) std::abort();
    }
  }
  return 0;
}
