#include "shapes/message_text.h"

#include <cstdio>

long singleUtf8Character(std::string_view text) {
  if (text.empty()) return -1;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned lead = byte(0);
  std::size_t length;
  long codePoint;
  if (lead < 0x80) {
    length = 1, codePoint = lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, codePoint = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, codePoint = lead & 0x07;
  } else {
    return -1;
  }
  if (text.size() != length) return -1;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return -1;
    codePoint = (codePoint << 6) | (byte(i) & 0x3F);
  }
  const long smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
  if (codePoint < smallest[length] || codePoint > 0x10FFFF || surrogate) return -1;
  return codePoint;
}

long utf8CharacterAt(std::string_view text, std::size_t at, std::size_t& length) {
  const unsigned lead = static_cast<unsigned char>(text[at]);
  length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  if (at + length > text.size()) return -1;
  return singleUtf8Character(text.substr(at, length));
}

namespace {

bool isValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t length;
    if (utf8CharacterAt(text, i, length) < 0) return false;
    i += length;
  }
  return true;
}

}  // namespace

std::string printableInMessage(std::string_view text) {
  const bool utf8 = isValidUtf8(text);
  std::string out;
  for (const char c : text) {
    const unsigned byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && !utf8)) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out;
}
