#include "fonts/cff_outline.h"

#include <cmath>

namespace {

using Bytes = std::vector<std::uint8_t>;

// An INDEX: `count` objects, object i in [start + offsets[i], start + offsets[i + 1]).
struct Index {
  std::size_t count = 0;
  std::vector<std::size_t> bounds;  // count + 1 absolute positions
  std::size_t end = 0;              // the first byte after the INDEX
};

bool readIndex(const Bytes& b, std::size_t at, Index& index) {
  if (at + 2 > b.size()) return false;
  index.count = std::size_t(b[at]) << 8 | b[at + 1];
  index.bounds.clear();
  if (index.count == 0) {
    index.end = at + 2;
    return true;
  }
  if (at + 3 > b.size()) return false;
  const unsigned offSize = b[at + 2];
  if (offSize < 1 || offSize > 4) return false;
  const std::size_t offsets = at + 3;
  if (offsets + (index.count + 1) * offSize > b.size()) return false;
  const std::size_t data = offsets + (index.count + 1) * offSize - 1;
  for (std::size_t i = 0; i <= index.count; ++i) {
    std::size_t value = 0;
    for (unsigned k = 0; k < offSize; ++k) value = value << 8 | b[offsets + i * offSize + k];
    if (value < 1 || data + value > b.size()) return false;
    if (i > 0 && data + value < index.bounds.back()) return false;
    index.bounds.push_back(data + value);
  }
  index.end = index.bounds.back();
  return true;
}

// A DICT's operators with their operands (only the ones this reader needs).
struct Dict {
  std::vector<std::pair<int, std::vector<double>>> entries;  // operator (12 x as 1200 + x)
  const std::vector<double>* find(int op) const {
    for (const auto& [key, values] : entries) {
      if (key == op) return &values;
    }
    return nullptr;
  }
};

bool readReal(const Bytes& b, std::size_t& at, std::size_t end, double& value) {
  std::string text;
  for (;;) {
    if (at >= end) return false;
    const std::uint8_t byte = b[at++];
    for (const int nibble : {byte >> 4, byte & 15}) {
      if (nibble <= 9)
        text += char('0' + nibble);
      else if (nibble == 0xa)
        text += '.';
      else if (nibble == 0xb)
        text += 'E';
      else if (nibble == 0xc)
        text += "E-";
      else if (nibble == 0xe)
        text += '-';
      else if (nibble == 0xf) {
        value = std::strtod(text.c_str(), nullptr);
        return true;
      } else {
        return false;
      }
    }
  }
}

bool readDict(const Bytes& b, std::size_t at, std::size_t end, Dict& dict) {
  std::vector<double> operands;
  while (at < end) {
    const std::uint8_t b0 = b[at];
    if (b0 <= 21) {
      int op = b0;
      ++at;
      if (b0 == 12) {
        if (at >= end) return false;
        op = 1200 + b[at++];
      }
      dict.entries.emplace_back(op, operands);
      operands.clear();
    } else if (b0 == 28 && at + 3 <= end) {
      operands.push_back(std::int16_t(b[at + 1] << 8 | b[at + 2]));
      at += 3;
    } else if (b0 == 29 && at + 5 <= end) {
      operands.push_back(std::int32_t(std::uint32_t(b[at + 1]) << 24 |
                                      std::uint32_t(b[at + 2]) << 16 |
                                      std::uint32_t(b[at + 3]) << 8 | b[at + 4]));
      at += 5;
    } else if (b0 == 30) {
      double value = 0;
      ++at;
      if (!readReal(b, at, end, value)) return false;
      operands.push_back(value);
    } else if (b0 >= 32 && b0 <= 246) {
      operands.push_back(int(b0) - 139);
      ++at;
    } else if (b0 >= 247 && b0 <= 250 && at + 2 <= end) {
      operands.push_back((int(b0) - 247) * 256 + b[at + 1] + 108);
      at += 2;
    } else if (b0 >= 251 && b0 <= 254 && at + 2 <= end) {
      operands.push_back(-(int(b0) - 251) * 256 - b[at + 1] - 108);
      at += 2;
    } else {
      return false;
    }
  }
  return true;
}

// A DICT operand as an offset or size into a table of `size` bytes: false unless it is a whole
// number from 0 to size.
bool offsetIn(const std::vector<double>* operands, std::size_t which, std::size_t size,
              std::size_t& offset) {
  if (operands == nullptr || operands->size() <= which) return false;
  const double value = (*operands)[which];
  if (!(value >= 0 && value <= double(size)) || value != std::floor(value)) return false;
  offset = static_cast<std::size_t>(value);
  return true;
}

double bias(std::size_t count) {
  return count < 1240 ? 107 : count < 33900 ? 1131 : 32768;
}

}  // namespace

struct CffFont {
  Bytes bytes;
  Index charStrings;
  Index globalSubrs;
  std::vector<Index> localSubrs;        // one per Font DICT (one for a font that is not CID-keyed)
  std::vector<std::uint8_t> fdOfGlyph;  // CID-keyed: each glyph's Font DICT; else empty
};

namespace {

bool readPrivate(const Bytes& b, const Dict& fontDict, Index& subrs) {
  const std::vector<double>* at = fontDict.find(18);
  if (at == nullptr || at->size() != 2) return true;  // no Private DICT: no local subrs
  std::size_t size = 0, offset = 0;
  if (!offsetIn(at, 0, b.size(), size) || !offsetIn(at, 1, b.size(), offset) ||
      offset + size > b.size()) {
    return false;
  }
  Dict priv;
  if (!readDict(b, offset, offset + size, priv)) return false;
  const std::vector<double>* local = priv.find(19);
  if (local == nullptr || local->size() != 1) return true;
  std::size_t subrsAt = 0;
  return offsetIn(local, 0, b.size() - offset, subrsAt) && readIndex(b, offset + subrsAt, subrs);
}

bool readFdSelect(const Bytes& b, std::size_t at, std::size_t glyphs,
                  std::vector<std::uint8_t>& fd) {
  if (at >= b.size()) return false;
  fd.assign(glyphs, 0);
  if (b[at] == 0) {
    if (at + 1 + glyphs > b.size()) return false;
    for (std::size_t g = 0; g < glyphs; ++g) fd[g] = b[at + 1 + g];
    return true;
  }
  if (b[at] != 3 || at + 3 > b.size()) return false;
  const std::size_t ranges = std::size_t(b[at + 1]) << 8 | b[at + 2];
  if (at + 3 + ranges * 3 + 2 > b.size()) return false;
  for (std::size_t r = 0; r < ranges; ++r) {
    const std::size_t p = at + 3 + r * 3;
    const std::size_t first = std::size_t(b[p]) << 8 | b[p + 1];
    const std::size_t next = std::size_t(b[p + 3]) << 8 | b[p + 4];
    for (std::size_t g = first; g < next && g < glyphs; ++g) fd[g] = b[p + 2];
  }
  return true;
}

}  // namespace

std::shared_ptr<const CffFont> parseCffTable(std::vector<std::uint8_t> table, unsigned unitsPerEm) {
  auto font = std::make_shared<CffFont>();
  font->bytes = std::move(table);
  const Bytes& b = font->bytes;
  if (b.size() < 4 || b[0] != 1) return nullptr;  // CFF2 (major version 2) is FreeType's
  Index names, topDicts, strings;
  if (!readIndex(b, b[2], names) || !readIndex(b, names.end, topDicts) || topDicts.count < 1 ||
      !readIndex(b, topDicts.end, strings) || !readIndex(b, strings.end, font->globalSubrs)) {
    return nullptr;
  }
  Dict top;
  if (!readDict(b, topDicts.bounds[0], topDicts.bounds[1], top)) return nullptr;
  if (const auto* type = top.find(1206); type != nullptr && type->size() == 1 && (*type)[0] != 2) {
    return nullptr;
  }
  // The FontMatrix scales charstring units to the em; fonts write 1 / unitsPerEm to five or so
  // significant digits (0.00035511 for 2816 units), which FreeType and fontTools take for font
  // units as they are. Any other matrix is left to FreeType.
  if (const auto* matrix = top.find(1207); matrix != nullptr) {
    if (matrix->size() != 6) return nullptr;
    const std::vector<double>& m = *matrix;
    const bool diagonal = m[1] == 0 && m[2] == 0 && m[4] == 0 && m[5] == 0;
    if (!diagonal || m[0] != m[3] || std::fabs(m[0] * unitsPerEm - 1) > 1e-4) return nullptr;
  } else if (unitsPerEm != 1000) {
    return nullptr;
  }
  std::size_t charStrings = 0;
  if (!offsetIn(top.find(17), 0, b.size(), charStrings) ||
      !readIndex(b, charStrings, font->charStrings)) {
    return nullptr;
  }
  std::size_t fdArray = 0, fdSelect = 0;
  if (offsetIn(top.find(1236), 0, b.size(), fdArray) &&
      offsetIn(top.find(1237), 0, b.size(), fdSelect)) {
    Index fonts;
    if (!readIndex(b, fdArray, fonts)) return nullptr;
    for (std::size_t f = 0; f < fonts.count; ++f) {
      Dict fontDict;
      font->localSubrs.emplace_back();
      if (!readDict(b, fonts.bounds[f], fonts.bounds[f + 1], fontDict) ||
          !readPrivate(b, fontDict, font->localSubrs.back())) {
        return nullptr;
      }
    }
    if (!readFdSelect(b, fdSelect, font->charStrings.count, font->fdOfGlyph)) {
      return nullptr;
    }
  } else {
    font->localSubrs.emplace_back();
    if (!readPrivate(b, top, font->localSubrs.back())) return nullptr;
  }
  return font;
}

namespace {

constexpr int kMaxSubrDepth = 10;
constexpr std::size_t kMaxStack = 513;
// Subroutines calling subroutines can multiply the work of a short charstring without end; no
// real glyph comes near this many operators.
constexpr long kMaxOperators = 1 << 20;

struct Machine {
  const CffFont& font;
  const Index& localSubrs;
  GlyphPoints* out = nullptr;
  std::vector<double> stack{};
  std::size_t stems = 0;
  bool widthSeen = false;
  bool open = false;  // a contour has been started
  Point2 at{0, 0};
  std::string problem{};
  bool unsupported = false;
  bool ended = false;
  long operators = 0;

  void closeContour() {
    if (open) out->contourEnds.push_back(out->points.size() - 1);
    open = false;
  }
  void moveBy(double dx, double dy) {
    closeContour();
    at = {at.x + dx, at.y + dy};
    out->points.push_back({at, PointKind::kOn});
    open = true;
  }
  bool lineBy(double dx, double dy) {
    if (!open) return fail("a line before the first moveto");
    at = {at.x + dx, at.y + dy};
    out->points.push_back({at, PointKind::kOn});
    return true;
  }
  bool curveBy(double dx1, double dy1, double dx2, double dy2, double dx3, double dy3) {
    if (!open) return fail("a curve before the first moveto");
    const Point2 c1{at.x + dx1, at.y + dy1};
    const Point2 c2{c1.x + dx2, c1.y + dy2};
    at = {c2.x + dx3, c2.y + dy3};
    out->points.push_back({c1, PointKind::kCubic});
    out->points.push_back({c2, PointKind::kCubic});
    out->points.push_back({at, PointKind::kOn});
    return true;
  }
  bool fail(const char* why) {
    if (problem.empty()) problem = why;
    return false;
  }
  // The first stack-clearing operator may carry the advance width as an extra first operand.
  void takeWidth(bool extra) {
    if (!widthSeen && extra && !stack.empty()) stack.erase(stack.begin());
    widthSeen = true;
  }
  bool run(std::size_t from, std::size_t to, int depth);
  bool op(int code, std::size_t& pc, std::size_t to, int depth);
};

bool Machine::run(std::size_t pc, std::size_t to, int depth) {
  const Bytes& b = font.bytes;
  while (pc < to && !ended) {
    const std::uint8_t b0 = b[pc];
    if (b0 >= 32 || b0 == 28) {
      if (stack.size() >= kMaxStack) return fail("its operand stack overflows");
      if (b0 == 28) {
        if (pc + 3 > to) return fail("a number runs past its charstring");
        stack.push_back(std::int16_t(b[pc + 1] << 8 | b[pc + 2]));
        pc += 3;
      } else if (b0 <= 246) {
        stack.push_back(int(b0) - 139);
        ++pc;
      } else if (b0 <= 254) {
        if (pc + 2 > to) return fail("a number runs past its charstring");
        const int value = (int(b0 <= 250 ? b0 - 247 : b0 - 251)) * 256 + b[pc + 1] + 108;
        stack.push_back(b0 <= 250 ? value : -value);
        pc += 2;
      } else {
        if (pc + 5 > to) return fail("a number runs past its charstring");
        const std::int32_t fixed =
            std::int32_t(std::uint32_t(b[pc + 1]) << 24 | std::uint32_t(b[pc + 2]) << 16 |
                         std::uint32_t(b[pc + 3]) << 8 | b[pc + 4]);
        stack.push_back(fixed / 65536.0);
        pc += 5;
      }
      continue;
    }
    ++pc;
    if (++operators > kMaxOperators) return fail("its charstring runs too long");
    int code = b0;
    if (b0 == 12) {
      if (pc >= to) return fail("an operator runs past its charstring");
      code = 1200 + b[pc++];
    }
    if (!op(code, pc, to, depth)) return false;
  }
  return true;
}

bool Machine::op(int code, std::size_t& pc, std::size_t to, int depth) {
  std::vector<double>& s = stack;
  const std::size_t n = s.size();
  switch (code) {
    case 1:
    case 3:
    case 18:
    case 23:  // hstem, vstem, hstemhm, vstemhm
      takeWidth(n % 2 == 1);
      stems += s.size() / 2;
      s.clear();
      return true;
    case 19:
    case 20: {  // hintmask, cntrmask: an implied vstem first, then the mask bytes
      takeWidth(n % 2 == 1);
      stems += s.size() / 2;
      s.clear();
      pc += (stems + 7) / 8;
      if (pc > to) return fail("a hint mask runs past its charstring");
      return true;
    }
    case 21:  // rmoveto
      takeWidth(n > 2);
      if (s.size() < 2) return fail("rmoveto lacks operands");
      moveBy(s[0], s[1]);
      s.clear();
      return true;
    case 22:
    case 4:  // hmoveto, vmoveto
      takeWidth(n > 1);
      if (s.empty()) return fail("a moveto lacks operands");
      code == 22 ? moveBy(s[0], 0) : moveBy(0, s[0]);
      s.clear();
      return true;
    case 5:  // rlineto
      for (std::size_t i = 0; i + 1 < n; i += 2) {
        if (!lineBy(s[i], s[i + 1])) return false;
      }
      s.clear();
      return true;
    case 6:
    case 7: {  // hlineto, vlineto: alternating
      bool horizontal = code == 6;
      for (std::size_t i = 0; i < n; ++i, horizontal = !horizontal) {
        if (!(horizontal ? lineBy(s[i], 0) : lineBy(0, s[i]))) return false;
      }
      s.clear();
      return true;
    }
    case 8:  // rrcurveto
      for (std::size_t i = 0; i + 5 < n; i += 6) {
        if (!curveBy(s[i], s[i + 1], s[i + 2], s[i + 3], s[i + 4], s[i + 5])) return false;
      }
      s.clear();
      return true;
    case 24: {  // rcurveline: curves, then a line
      if (n < 8) return fail("rcurveline lacks operands");
      std::size_t i = 0;
      for (; i + 6 <= n - 2; i += 6) {
        if (!curveBy(s[i], s[i + 1], s[i + 2], s[i + 3], s[i + 4], s[i + 5])) return false;
      }
      if (!lineBy(s[i], s[i + 1])) return false;
      s.clear();
      return true;
    }
    case 25: {  // rlinecurve: lines, then a curve
      if (n < 8) return fail("rlinecurve lacks operands");
      std::size_t i = 0;
      for (; i + 2 <= n - 6; i += 2) {
        if (!lineBy(s[i], s[i + 1])) return false;
      }
      if (!curveBy(s[i], s[i + 1], s[i + 2], s[i + 3], s[i + 4], s[i + 5])) return false;
      s.clear();
      return true;
    }
    case 26:
    case 27: {  // vvcurveto, hhcurveto: an optional first sideways delta
      std::size_t i = 0;
      double side = 0;
      if (n % 4 == 1) side = s[i++];
      for (; i + 3 < n; i += 4, side = 0) {
        const bool ok = code == 26 ? curveBy(side, s[i], s[i + 1], s[i + 2], 0, s[i + 3])
                                   : curveBy(s[i], side, s[i + 1], s[i + 2], s[i + 3], 0);
        if (!ok) return false;
      }
      s.clear();
      return true;
    }
    case 30:
    case 31: {  // vhcurveto, hvcurveto: alternating, the last with an optional delta
      bool horizontal = code == 31;
      for (std::size_t i = 0; i + 3 < n; horizontal = !horizontal) {
        const bool last = n - i == 5;
        const double extra = last ? s[i + 4] : 0;
        const bool ok = horizontal ? curveBy(s[i], 0, s[i + 1], s[i + 2], extra, s[i + 3])
                                   : curveBy(0, s[i], s[i + 1], s[i + 2], s[i + 3], extra);
        if (!ok) return false;
        i += last ? 5 : 4;
      }
      s.clear();
      return true;
    }
    case 10:
    case 29: {  // callsubr, callgsubr
      if (s.empty()) return fail("a subroutine call lacks its number");
      const Index& subrs = code == 10 ? localSubrs : font.globalSubrs;
      const double number = s.back() + bias(subrs.count);
      s.pop_back();
      if (depth >= kMaxSubrDepth) return fail("its subroutines nest too deeply");
      if (number < 0 || number >= double(subrs.count) || number != std::floor(number)) {
        return fail("it calls a subroutine that does not exist");
      }
      const auto k = static_cast<std::size_t>(number);
      return run(subrs.bounds[k], subrs.bounds[k + 1], depth + 1);
    }
    case 11:  // return
      pc = to;
      return true;
    case 14:  // endchar; with four operands more, an accented character (seac)
      takeWidth(n == 1 || n == 5);
      if (s.size() >= 4) {
        unsupported = true;
        return fail("an accent built with seac");
      }
      closeContour();
      ended = true;
      return true;
    case 1235:  // flex
      if (n < 13) return fail("flex lacks operands");
      if (!curveBy(s[0], s[1], s[2], s[3], s[4], s[5]) ||
          !curveBy(s[6], s[7], s[8], s[9], s[10], s[11])) {
        return false;
      }
      s.clear();
      return true;
    case 1234:  // hflex
      if (n < 7) return fail("hflex lacks operands");
      if (!curveBy(s[0], 0, s[1], s[2], s[3], 0) || !curveBy(s[4], 0, s[5], -s[2], s[6], 0)) {
        return false;
      }
      s.clear();
      return true;
    case 1236:  // hflex1
      if (n < 9) return fail("hflex1 lacks operands");
      if (!curveBy(s[0], s[1], s[2], s[3], s[4], 0) ||
          !curveBy(s[5], 0, s[6], s[7], s[8], -(s[1] + s[3] + s[7]))) {
        return false;
      }
      s.clear();
      return true;
    case 1237: {  // flex1: the last delta along the longer direction
      if (n < 11) return fail("flex1 lacks operands");
      const double dx = s[0] + s[2] + s[4] + s[6] + s[8];
      const double dy = s[1] + s[3] + s[5] + s[7] + s[9];
      const bool alongX = std::fabs(dx) > std::fabs(dy);
      if (!curveBy(s[0], s[1], s[2], s[3], s[4], s[5]) ||
          !curveBy(s[6], s[7], s[8], s[9], alongX ? s[10] : -dx, alongX ? -dy : s[10])) {
        return false;
      }
      s.clear();
      return true;
    }
    default:
      unsupported = true;
      return fail("an operator this reader does not run");
  }
}

}  // namespace

CffGlyph runCffGlyph(const CffFont& font, unsigned index) {
  CffGlyph glyph{CffRun::kRead, "", {}};
  if (index >= font.charStrings.count) {
    return {CffRun::kMalformed, "the font has no charstring for it", {}};
  }
  std::size_t fd = 0;
  if (!font.fdOfGlyph.empty()) fd = font.fdOfGlyph[index];
  if (fd >= font.localSubrs.size()) return {CffRun::kMalformed, "its Font DICT does not exist", {}};
  Machine machine{font, font.localSubrs[fd]};
  machine.out = &glyph.points;
  const bool ok =
      machine.run(font.charStrings.bounds[index], font.charStrings.bounds[index + 1], 0);
  if (!ok || !machine.ended) {
    glyph.run = machine.unsupported ? CffRun::kUnsupported : CffRun::kMalformed;
    glyph.problem = machine.problem.empty() ? "its charstring does not end" : machine.problem;
    glyph.points = {};
  }
  return glyph;
}
