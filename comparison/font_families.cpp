// Pairing the fonts of two families: folders and variable fonts' named instances turned into
// lists of fonts, and the lists paired by the names the fonts give themselves.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <beziercurve/beziercurve.h>

namespace beziercurve {

namespace {

constexpr const char* kInstancesSuffix = "@instances";

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool isFontFileName(const std::string& name) {
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* extension : {".otf", ".ttf", ".otc", ".ttc"}) {
    if (endsWith(lower, extension)) return true;
  }
  return false;
}

// The font files directly in `folder`, sorted by name; false when it cannot be listed.
bool fontFilesIn(const std::string& folder, std::vector<std::string>& files, std::string& error) {
  std::error_code code;
  std::filesystem::directory_iterator entries(folder, code);
  if (code) {
    error = printableText(folder) + ": cannot list the folder: " + code.message();
    return false;
  }
  for (const auto& entry : entries) {
    std::error_code kind;
    if (entry.is_regular_file(kind) && isFontFileName(entry.path().filename().string())) {
      files.push_back(entry.path().string());
    }
  }
  std::sort(files.begin(), files.end());
  return true;
}

// A variable font's named instances as font arguments; a static font as itself.
std::vector<std::string> instancesOf(const std::string& font, const Font& info) {
  if (info.instances.empty()) return {font};
  std::vector<std::string> named;
  for (const std::string& instance : info.instances) named.push_back(font + "@" + instance);
  return named;
}

bool isFolder(const std::string& path) {
  std::error_code code;
  return std::filesystem::is_directory(path, code);
}

// Letter case, spaces, hyphens and underscores aside.
std::string looseKey(const std::string& text) {
  std::string key;
  for (const char c : text) {
    if (c == ' ' || c == '-' || c == '_') continue;
    key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return key;
}

struct Named {
  std::string font;
  std::string postScript;
  std::string familyStyle;  // looseKey of family and style, "" when the font gives neither
  bool paired = false;
};

std::vector<Named> namesOf(const std::vector<std::string>& fonts,
                           std::vector<std::string>& errors) {
  std::vector<Named> named;
  for (const std::string& font : fonts) {
    const Font info = readFontInfo(font);
    if (!info.ok) {
      errors.push_back(info.error);
      continue;
    }
    const std::string familyStyle =
        info.familyName.empty() && info.styleName.empty()
            ? ""
            : looseKey(info.familyName) + "\n" + looseKey(info.styleName);
    named.push_back({font, info.postScriptName, familyStyle});
  }
  return named;
}

// Pairs what is still unpaired on both sides by `key`; the first font of a side with a key
// takes it.
template <typename Key>
void pairBy(std::vector<Named>& a, std::vector<Named>& b, const Key& key,
            std::vector<std::pair<std::size_t, std::size_t>>& pairs) {
  std::map<std::string, std::size_t> inB;
  for (std::size_t k = 0; k < b.size(); ++k) {
    if (!b[k].paired && !key(b[k]).empty()) inB.emplace(key(b[k]), k);
  }
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (a[k].paired || key(a[k]).empty()) continue;
    const auto at = inB.find(key(a[k]));
    if (at == inB.end() || b[at->second].paired) continue;
    a[k].paired = b[at->second].paired = true;
    pairs.emplace_back(k, at->second);
  }
}

}  // namespace

std::vector<std::string> fontsOf(const std::string& operand, std::string& error) {
  error.clear();
  const bool instances = endsWith(operand, kInstancesSuffix);
  const std::string base =
      instances ? operand.substr(0, operand.size() - std::string(kInstancesSuffix).size())
                : operand;
  std::vector<std::string> fonts;
  if (isFolder(base)) {
    std::vector<std::string> files;
    if (!fontFilesIn(base, files, error)) return {};
    if (files.empty()) {
      error = printableText(base) + ": the folder holds no font file (.otf, .ttf, .otc, .ttc)";
      return {};
    }
    if (!instances) return files;
    for (const std::string& file : files) {
      const Font info = readFontInfo(file);
      if (!info.ok) {
        fonts.push_back(file);  // its error is reported when it is paired
        continue;
      }
      for (std::string& font : instancesOf(file, info)) fonts.push_back(std::move(font));
    }
    return fonts;
  }
  if (!instances) return {operand};
  const Font info = readFontInfo(base);
  if (!info.ok) {
    error = info.error;
    return {};
  }
  if (info.instances.empty()) {
    error = printableText(base) + ": not a variable font with named instances, so '" +
            std::string(kInstancesSuffix) + "' names nothing";
    return {};
  }
  return instancesOf(base, info);
}

FontFilePairing pairFonts(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  FontFilePairing pairing;
  std::vector<Named> namedA = namesOf(a, pairing.errors), namedB = namesOf(b, pairing.errors);
  std::vector<std::pair<std::size_t, std::size_t>> pairs;
  pairBy(
      namedA, namedB, [](const Named& n) { return n.postScript; }, pairs);
  pairBy(
      namedA, namedB, [](const Named& n) { return n.familyStyle; }, pairs);
  std::sort(pairs.begin(), pairs.end());
  for (const auto& [inA, inB] : pairs)
    pairing.pairs.emplace_back(namedA[inA].font, namedB[inB].font);
  for (const Named& n : namedA) {
    if (!n.paired) pairing.onlyInA.push_back(n.font);
  }
  for (const Named& n : namedB) {
    if (!n.paired) pairing.onlyInB.push_back(n.font);
  }
  return pairing;
}

}  // namespace beziercurve
