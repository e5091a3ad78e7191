#include "fonts/glyph_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

bool pathExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

// Reads `size` bytes at `offset`; false when the file ends before them.
bool readAt(int descriptor, std::uint64_t offset, std::size_t size, unsigned char* bytes) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got =
        ::pread(descriptor, bytes + done, size - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

std::uint32_t bigEndian32(const unsigned char* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

std::uint32_t bigEndian16(const unsigned char* bytes) {
  return (std::uint32_t{bytes[0]} << 8) | std::uint32_t{bytes[1]};
}

std::uint32_t tagOf(const char* text) {
  return bigEndian32(reinterpret_cast<const unsigned char*>(text));
}

bool isSfntVersion(std::uint32_t version) {
  return version == 0x00010000 || version == tagOf("OTTO") || version == tagOf("true") ||
         version == tagOf("typ1");
}

std::string tagText(const unsigned char* bytes) {
  std::string text;
  for (int i = 0; i < 4; ++i) text += bytes[i] >= 0x20 && bytes[i] < 0x7F ? char(bytes[i]) : '?';
  return text;
}

const char kTruncated[] = ": the file is truncated or damaged";

// The table directory's offset for face `faceIndex`: 0 for a single font, from the header of a
// collection; false when the file's header says neither or names no such face.
bool directoryOffset(int descriptor, long faceIndex, std::uint64_t& offset) {
  unsigned char header[12];
  if (!readAt(descriptor, 0, sizeof header, header)) return false;
  if (bigEndian32(header) != tagOf("ttcf")) {
    offset = 0;
    return faceIndex == 0 && isSfntVersion(bigEndian32(header));
  }
  if (faceIndex >= static_cast<long>(bigEndian32(header + 8))) return false;
  unsigned char entry[4];
  if (!readAt(descriptor, 12 + 4 * static_cast<std::uint64_t>(faceIndex), 4, entry)) return false;
  offset = bigEndian32(entry);
  return true;
}

void checkTables(int descriptor, std::uint64_t offset, std::uint64_t fileSize, SfntDamage& damage) {
  unsigned char header[12];
  if (!readAt(descriptor, offset, sizeof header, header)) {
    damage.directory =
        "the table directory lies beyond the end of the file" + std::string(kTruncated);
    return;
  }
  if (!isSfntVersion(bigEndian32(header))) return;
  const std::size_t tables = bigEndian16(header + 4);
  std::vector<unsigned char> directory(16 * tables);
  if (!readAt(descriptor, offset + 12, directory.size(), directory.data())) {
    damage.directory =
        "the table directory runs past the end of the file" + std::string(kTruncated);
    return;
  }
  for (std::size_t i = 0; i < tables; ++i) {
    const unsigned char* record = &directory[16 * i];
    const std::uint64_t end = std::uint64_t{bigEndian32(record + 8)} + bigEndian32(record + 12);
    if (end > fileSize) {
      const std::string tag = tagText(record);
      damage.outlinesCut = damage.outlinesCut || tag == "glyf" || tag == "loca" || tag == "CFF " ||
                           tag == "CFF2" || tag == "gvar";
      damage.tables.push_back("its '" + tagText(record) + "' table ends at byte " +
                              std::to_string(end) + ", beyond the file's " +
                              std::to_string(fileSize) + kTruncated);
    }
  }
}

}  // namespace

namespace {

FontLocation locateFace(const std::string& argument) {
  const std::size_t hash = argument.rfind('#');
  if (hash == std::string::npos || pathExists(argument)) return {argument, 0, false, "", false, ""};
  const std::string path = argument.substr(0, hash);
  const std::string number = argument.substr(hash + 1);
  const bool digits = !number.empty() && number.size() <= 5 &&
                      number.find_first_not_of("0123456789") == std::string::npos;
  if (digits && std::stol(number) <= 0xFFFF) {
    return {path, std::stol(number), false, "", false, ""};
  }
  // A name with a '#' that names nothing is reported as a missing file, under its whole name.
  if (!pathExists(path)) return {argument, 0, false, "", false, ""};
  return {path, 0, true, number, false, ""};
}

}  // namespace

FontLocation locateFont(const std::string& argument) {
  const std::size_t at = argument.rfind('@');
  if (at != std::string::npos && !pathExists(argument)) {
    FontLocation font = locateFace(argument.substr(0, at));
    if (pathExists(font.path)) {
      font.hasLocation = true;
      font.location = argument.substr(at + 1);
      return font;
    }
  }
  return locateFace(argument);
}

std::string fileProblem(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) {
    return errno == ENOENT ? "no such file" : std::strerror(errno);
  }
  if (S_ISDIR(info.st_mode)) return "is a directory, not a font file";
  if (!S_ISREG(info.st_mode)) return "is not a regular file";
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return std::strerror(errno);
  ::close(descriptor);
  if (info.st_size == 0) return "is empty, not a font file";
  return "";
}

SfntDamage sfntDamage(const std::string& path, long faceIndex) {
  SfntDamage damage;
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    damage.directory = std::strerror(errno);
    return damage;
  }
  struct stat info;
  std::uint64_t offset = 0;
  if (::fstat(descriptor, &info) == 0 && directoryOffset(descriptor, faceIndex, offset)) {
    checkTables(descriptor, offset, static_cast<std::uint64_t>(info.st_size), damage);
  }
  ::close(descriptor);
  return damage;
}
