#include "cli/pair_input.h"

#include <sys/stat.h>

#include <algorithm>
#include <new>
#include <pugixml.hpp>
#include <stdexcept>

#include <beziercurve/beziercurve.h>

#include "cli/options.h"
#include "cli/parse.h"

using namespace beziercurve;

namespace {

constexpr std::string_view kUnicodeMinus = "\xE2\x88\x92";  // U+2212 in UTF-8

char lowered(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool endsWithSvg(std::string_view text) {
  constexpr std::string_view kSuffix = ".svg";
  if (text.size() < kSuffix.size()) return false;
  const std::string_view tail = text.substr(text.size() - kSuffix.size());
  return std::equal(tail.begin(), tail.end(), kSuffix.begin(),
                    [](char a, char b) { return lowered(a) == b; });
}

struct FileAndId {
  std::string file;
  std::string id;
};

// "drawing.svg#outline" names the element with id "outline"; the last ".svg#" splits.
FileAndId splitFileAndId(std::string_view argument) {
  if (endsWithSvg(argument)) return {std::string(argument), ""};
  for (std::size_t hash = argument.rfind('#'); hash != std::string_view::npos;
       hash = hash == 0 ? std::string_view::npos : argument.rfind('#', hash - 1)) {
    if (endsWithSvg(argument.substr(0, hash)) && hash + 1 < argument.size()) {
      return {std::string(argument.substr(0, hash)), std::string(argument.substr(hash + 1))};
    }
  }
  return {"", ""};
}

std::string_view trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

struct OneShape {
  bool ok;
  std::string error;
  std::string warning;
  Shape shape;
};

// Up to ten ids of the file's elements, for a message about an id it does not have: "; its ids
// are a, b and 3 more", or "; it has no ids".
std::string idsOfFile(const std::string& file) {
  pugi::xml_document document;
  if (!document.load_file(file.c_str())) return "";
  std::vector<std::string> ids;
  for (const pugi::xpath_node& node : document.select_nodes("//*[@id]")) {
    ids.push_back(node.node().attribute("id").value());
  }
  if (ids.empty()) return "; it has no ids";
  std::string list = "; its ids are ";
  for (std::size_t i = 0; i < ids.size() && i < 10; ++i) {
    list += (i == 0 ? "" : ", ") + quotedToken(ids[i]);
  }
  if (ids.size() > 10) list += " and " + std::to_string(ids.size() - 10) + " more";
  return list;
}

// `kind` is the argument's classification, a file or path data; `where` names the shape in
// messages: "shape A", "argument 2", ... Messages about a file name the file itself.
OneShape readShape(std::string_view argument, ShapeArgument kind, const std::string& where,
                   double arcError) {
  ShapeRead read;
  std::string source = where;
  if (kind == ShapeArgument::kSvgFile) {
    const FileAndId named = splitFileAndId(argument);
    read = readSvgFile(named.file, named.id, arcError);
    source = named.file;
    if (!read.ok && !named.id.empty() &&
        read.error.find(": no element with id ") != std::string::npos) {
      return {false, read.error + idsOfFile(named.file), "", {}};
    }
    if (!read.ok) return {false, read.error, "", {}};
  } else {
    read = readPathData(trimmed(argument), arcError);
    if (!read.ok && argument.find(kUnicodeMinus) != std::string_view::npos) {
      return {
          false, where + ": " + read.error + " (U+2212 MINUS SIGN is not '-': write '-')", "", {}};
    }
    if (!read.ok) return {false, where + ": " + read.error, "", {}};
  }
  if (read.shape.segments.empty()) {
    // What the file held instead, when it held anything: "skipped 2 text".
    const std::string instead = read.warning.empty() ? "" : "; " + read.warning;
    return {
        false,
        where + " " + quotedToken(argument) + ": nothing to measure: it draws no segment" + instead,
        "",
        {}};
  }
  return {true, "", read.warning.empty() ? "" : source + ": " + read.warning,
          std::move(read.shape)};
}

// The refusal of a shape whose reading ran out of memory, naming it and its size.
std::string tooLargeToRead(std::string_view argument, ShapeArgument kind,
                           const std::string& where) {
  const std::string tail = ": too large to read: the reader ran out of memory";
  if (kind != ShapeArgument::kSvgFile) {
    return where + " (path data of " + std::to_string(argument.size()) + " bytes)" + tail;
  }
  const std::string file = splitFileAndId(argument).file;
  struct stat status;
  const std::string size = stat(file.c_str(), &status) == 0
                               ? " (" + std::to_string(status.st_size) + " bytes)"
                               : std::string();
  return printableText(file) + size + tail;
}

// Path data and curves carry no fill rule of their own: every paint fills under `rule`.
void fillUnder(Shape& shape, FillRule rule) {
  shape.paints = paintsOf(shape, rule);
  for (Paint& paint : shape.paints) paint.rule = rule;
}

// `names`: how messages call the two shapes.
PairInput readShapes(std::string_view first, std::string_view second, const char* firstName,
                     const char* secondName, double arcError, FillRule rule) {
  PairInput input{false, "", "", {}, {}, true};
  const std::string names[2] = {firstName, secondName};
  const std::string_view arguments[2] = {first, second};
  Shape* shapes[2] = {&input.a, &input.b};
  for (int i = 0; i < 2; ++i) {
    const ShapeArgument kind = classifyShapeArgument(arguments[i]);
    if (kind == ShapeArgument::kNeither) {
      input.error = names[i] + " " + quotedToken(arguments[i]) +
                    ": not a shape: give SVG path data (starting with M or m), FILE.svg or "
                    "FILE.svg#id";
      return input;
    }
    OneShape read;
    try {
      read = readShape(arguments[i], kind, names[i], arcError);
      if (read.ok && kind == ShapeArgument::kPathData) fillUnder(read.shape, rule);
    } catch (const std::bad_alloc&) {
      read = {false, tooLargeToRead(arguments[i], kind, names[i]), "", {}};
    } catch (const std::length_error&) {
      read = {false, tooLargeToRead(arguments[i], kind, names[i]), "", {}};
    }
    if (!read.ok) {
      input.error = read.error;
      return input;
    }
    *shapes[i] = std::move(read.shape);
    // The same file given twice warns once.
    if (!read.warning.empty() && read.warning != input.warning) {
      input.warning += (input.warning.empty() ? "" : "; ") + read.warning;
    }
  }
  input.ok = true;
  return input;
}

Shape curveShape(const Cubic& curve) {
  Shape shape;
  shape.segments.push_back(curve);
  return shape;
}

PairInput fromNumbers(const PairParse& parsed, FillRule rule) {
  PairInput input{parsed.ok, parsed.error, "", {}, {}, false};
  if (parsed.ok) {
    input.a = curveShape(parsed.pair.a);
    input.b = curveShape(parsed.pair.b);
    fillUnder(input.a, rule);
    fillUnder(input.b, rule);
  }
  return input;
}

}  // namespace

ShapeArgument classifyShapeArgument(std::string_view argument) {
  if (!splitFileAndId(argument).file.empty()) return ShapeArgument::kSvgFile;
  const std::string_view text = trimmed(argument);
  if (!text.empty() && (text.front() == 'M' || text.front() == 'm')) {
    return ShapeArgument::kPathData;
  }
  return ShapeArgument::kNeither;
}

PairInput readPairOperands(const std::vector<std::string>& operands, double arcError,
                           FillRule rule) {
  const bool anyShape = std::any_of(operands.begin(), operands.end(), [](const std::string& word) {
    return classifyShapeArgument(word) != ShapeArgument::kNeither;
  });
  if (anyShape) {
    if (operands.size() != 2) {
      PairInput input{false, "", "", {}, {}, true};
      input.error = "expected two shapes, SHAPE_A SHAPE_B, got " + argumentCount(operands.size());
      return input;
    }
    return readShapes(operands[0], operands[1], "argument 1", "argument 2", arcError, rule);
  }
  return fromNumbers(parsePairOperands(operands), rule);
}

PairInput readPairLine(std::string_view text, double arcError, FillRule rule) {
  const std::size_t tab = text.find('\t');
  const std::string_view first = trimmed(text.substr(0, tab));
  if (tab != std::string_view::npos && classifyShapeArgument(first) != ShapeArgument::kNeither) {
    return readShapes(first, trimmed(text.substr(tab + 1)), "shape A", "shape B", arcError, rule);
  }
  const std::string_view firstWord = first.substr(0, first.find(' '));
  if (tab == std::string_view::npos &&
      classifyShapeArgument(firstWord) != ShapeArgument::kNeither) {
    PairInput input{false, "", "", {}, {}, true};
    input.error =
        "two shapes need one TAB between them, and this line has none (16 numbers need "
        "no TAB)";
    return input;
  }
  return fromNumbers(parsePairLine(text), rule);
}
