#include "shapes/svg_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <pugixml.hpp>
#include <string>
#include <unordered_map>
#include <vector>

#include "shapes/affine.h"
#include "shapes/message_text.h"
#include "shapes/path_data.h"
#include "shapes/svg_attributes.h"
#include "shapes/svg_basic_shapes.h"
#include "shapes/svg_number.h"
#include "shapes/svg_transform.h"

namespace {

constexpr const char* kSvgNamespace = "http://www.w3.org/2000/svg";
constexpr long long kMaxFileBytes = 256LL << 20;
constexpr std::size_t kMostNamedKinds = 8;  // the warning names this many kinds, counts the rest

enum class ElementKind {
  kShape,      // drawn
  kContainer,  // its content is drawn
  kSilent,     // draws nothing by itself
  kSkipped,    // would change the drawing, but is not read: counted in the warning
};

ElementKind kindOf(std::string_view name) {
  for (const char* shape : {"path", "line", "polyline", "polygon", "rect", "circle", "ellipse"}) {
    if (name == shape) return ElementKind::kShape;
  }
  if (name == "svg" || name == "g" || name == "a") return ElementKind::kContainer;
  for (const char* silent : {"defs", "title", "desc", "metadata", "style", "script",
                             "linearGradient", "radialGradient", "stop"}) {
    if (name == silent) return ElementKind::kSilent;
  }
  return ElementKind::kSkipped;
}

// A namespace declaration in scope; `parent` is the next one further out, -1 for none.
struct NamespaceDeclaration {
  std::string_view prefix;
  std::string_view uri;
  int parent;
};

// An element waiting to be read, with what it inherits.
struct Pending {
  pugi::xml_node node;
  Affine toRoot;   // its parent's user space to the root's
  bool visible;    // the visibility it inherits
  int namespaces;  // its parent's innermost namespace declaration, -1 for none
};

struct SkippedKind {
  std::string name;
  int count;
};

struct Reader {
  std::string source;     // the file as messages name it
  std::string_view text;  // what was parsed, for line numbers; empty when offsets differ
  std::vector<NamespaceDeclaration> declarations;
  std::vector<SkippedKind> skipped;
  std::unordered_map<std::string, std::size_t> skippedIndex;
  Shape shape;
  std::string error;
};

// --- Names, messages ------------------------------------------------------------------------

std::string_view localName(std::string_view name) {
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view prefixOf(std::string_view name) {
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

// A name from the file in a message: printable ASCII only, cut after 30 bytes.
std::string printableName(std::string_view name) {
  std::string result;
  for (std::size_t i = 0; i < name.size() && i < 30; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    result += c >= 0x20 && c <= 0x7e ? static_cast<char>(c) : '?';
  }
  if (name.size() > 30) result += "...";
  return result;
}

int lineAt(const Reader& reader, std::ptrdiff_t offset) {
  if (reader.text.empty() || offset < 0 || static_cast<std::size_t>(offset) > reader.text.size()) {
    return 0;
  }
  return 1 + static_cast<int>(std::count(reader.text.begin(), reader.text.begin() + offset, '\n'));
}

// "drawing.svg, line 12, <path id='outline'>"
std::string describeElement(const Reader& reader, pugi::xml_node node) {
  std::string where = reader.source;
  // offset_debug points at the name, just after '<'.
  const int line = lineAt(reader, node.offset_debug());
  if (line > 0) where += ", line " + std::to_string(line);
  where += ", <" + printableName(node.name());
  const pugi::xml_attribute id = node.attribute("id");
  if (id) where += " id=" + quoted(id.value());
  return where + ">";
}

bool failAt(Reader& reader, pugi::xml_node node, const std::string& problem) {
  reader.error = describeElement(reader, node) + ": " + problem;
  return false;
}

std::string warningOf(const std::vector<SkippedKind>& kinds) {
  if (kinds.empty()) return "";
  std::string warning = "skipped";
  int otherElements = 0;
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    if (i < kMostNamedKinds) {
      warning += (i == 0 ? " " : ", ") + std::to_string(kinds[i].count) + " " + kinds[i].name;
    } else {
      otherElements += kinds[i].count;
    }
  }
  if (kinds.size() > kMostNamedKinds) {
    warning += ", and " + std::to_string(otherElements) + " elements of " +
               std::to_string(kinds.size() - kMostNamedKinds) + " other kinds";
  }
  return warning;
}

void countSkipped(Reader& reader, std::string_view name) {
  const std::string shown = printableName(name);
  const auto found = reader.skippedIndex.find(shown);
  if (found != reader.skippedIndex.end()) {
    ++reader.skipped[found->second].count;
    return;
  }
  reader.skippedIndex.emplace(shown, reader.skipped.size());
  reader.skipped.push_back({shown, 1});
}

// --- Namespaces -----------------------------------------------------------------------------

// Records the namespaces `node` declares; returns the innermost declaration in scope for it.
int declareNamespaces(Reader& reader, pugi::xml_node node, int outer) {
  int innermost = outer;
  for (const pugi::xml_attribute attribute : node.attributes()) {
    const std::string_view name = attribute.name();
    if (name == "xmlns" || name.substr(0, 6) == "xmlns:") {
      const std::string_view prefix = name == "xmlns" ? std::string_view() : name.substr(6);
      reader.declarations.push_back({prefix, attribute.value(), innermost});
      innermost = static_cast<int>(reader.declarations.size()) - 1;
    }
  }
  return innermost;
}

// SVG's elements: in SVG's namespace, or unprefixed where no default namespace is declared (as
// hand-written files often are).
bool isSvgElement(const Reader& reader, pugi::xml_node node, int namespaces) {
  const std::string_view prefix = prefixOf(node.name());
  for (int at = namespaces; at >= 0; at = reader.declarations[at].parent) {
    const NamespaceDeclaration& declaration = reader.declarations[at];
    if (declaration.prefix == prefix) {
      return declaration.uri == kSvgNamespace || (prefix.empty() && declaration.uri.empty());
    }
  }
  return prefix.empty();
}

// --- Attributes -----------------------------------------------------------------------------

std::string_view valueOf(pugi::xml_node node, const char* name) {
  return node.attribute(name).value();
}

// The value of a presentation property: the style attribute's declaration, or the attribute.
std::string propertyOf(pugi::xml_node node, const char* name) {
  const std::string fromStyle = styleProperty(valueOf(node, "style"), name);
  if (!fromStyle.empty()) return fromStyle;
  return keyword(node.attribute(name).value());
}

bool displayNone(pugi::xml_node node) {
  return propertyOf(node, "display") == "none";
}

bool visibilityOf(pugi::xml_node node, bool inherited) {
  const std::string visibility = propertyOf(node, "visibility");
  if (visibility == "hidden" || visibility == "collapse") return false;
  if (visibility == "visible") return true;
  return inherited;
}

bool isAbsentOrAuto(pugi::xml_node node, const char* name) {
  const pugi::xml_attribute attribute = node.attribute(name);
  if (!attribute) return true;
  return keyword(attribute.value()) == "auto";
}

// Reads the length attribute `name` into `value`, which keeps its default when it is absent.
bool readLength(Reader& reader, pugi::xml_node node, const char* name, double& value) {
  const pugi::xml_attribute attribute = node.attribute(name);
  if (!attribute) return true;
  const LengthParse length = parseLength(attribute.value());
  if (!length.ok) {
    return failAt(
        reader, node,
        std::string("attribute ") + name + " " + quoted(attribute.value()) + ": " + length.problem);
  }
  value = length.value;
  return true;
}

bool readNonNegativeLength(Reader& reader, pugi::xml_node node, const char* name, double& value) {
  if (!readLength(reader, node, name, value)) return false;
  if (value < 0) {
    return failAt(
        reader, node,
        std::string("attribute ") + name + " " + quoted(valueOf(node, name)) + ": negative");
  }
  return true;
}

bool readTransform(Reader& reader, pugi::xml_node node, Affine& map) {
  const TransformParse parsed = parseTransformList(valueOf(node, "transform"));
  if (!parsed.ok) return failAt(reader, node, parsed.error);
  map = parsed.map;
  return true;
}

// --- Basic shapes ---------------------------------------------------------------------------

bool readPath(Reader& reader, pugi::xml_node node, Shape& shape) {
  const std::string_view data = valueOf(node, "d");
  if (keyword(data) == "none") return true;
  ShapeRead read = parsePathData(data);
  if (!read.ok) return failAt(reader, node, read.error);
  shape = std::move(read.shape);
  return true;
}

bool readLine(Reader& reader, pugi::xml_node node, Shape& shape) {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  if (!readLength(reader, node, "x1", x1) || !readLength(reader, node, "y1", y1) ||
      !readLength(reader, node, "x2", x2) || !readLength(reader, node, "y2", y2)) {
    return false;
  }
  shape = polylineShape({x1, y1, x2, y2}, false);
  return true;
}

bool readPolyline(Reader& reader, pugi::xml_node node, bool closed, Shape& shape) {
  const NumberListParse points = parseNumberList(valueOf(node, "points"), "points");
  if (!points.ok) return failAt(reader, node, points.error);
  if (points.values.size() % 2 != 0) {
    return failAt(
        reader, node,
        "points: odd number of coordinates (" + std::to_string(points.values.size()) + ")");
  }
  shape = polylineShape(points.values, closed);
  return true;
}

// The rx and ry of a rect or an ellipse: a missing or "auto" one takes the other's value (both
// missing: 0).
bool readRadii(Reader& reader, pugi::xml_node node, double& rx, double& ry) {
  const bool autoX = isAbsentOrAuto(node, "rx");
  const bool autoY = isAbsentOrAuto(node, "ry");
  if (!autoX && !readNonNegativeLength(reader, node, "rx", rx)) return false;
  if (!autoY && !readNonNegativeLength(reader, node, "ry", ry)) return false;
  if (autoX) rx = ry;
  if (autoY) ry = rx;
  return true;
}

// SVG's corner radii: read as above, then each clamped to half the side it rounds.
bool readCornerRadii(Reader& reader, pugi::xml_node node, double width, double height, double& rx,
                     double& ry) {
  if (!readRadii(reader, node, rx, ry)) return false;
  rx = std::min(rx, width / 2);
  ry = std::min(ry, height / 2);
  return true;
}

bool readRect(Reader& reader, pugi::xml_node node, Shape& shape) {
  double x = 0, y = 0, width = 0, height = 0, rx = 0, ry = 0;
  if (!readLength(reader, node, "x", x) || !readLength(reader, node, "y", y)) return false;
  if (!isAbsentOrAuto(node, "width") && !readNonNegativeLength(reader, node, "width", width)) {
    return false;
  }
  if (!isAbsentOrAuto(node, "height") && !readNonNegativeLength(reader, node, "height", height)) {
    return false;
  }
  if (!readCornerRadii(reader, node, width, height, rx, ry)) return false;
  if (width > 0 && height > 0) shape = rectShape(x, y, width, height, rx, ry);
  return true;
}

bool readEllipse(Reader& reader, pugi::xml_node node, bool circle, Shape& shape) {
  double cx = 0, cy = 0, rx = 0, ry = 0;
  if (!readLength(reader, node, "cx", cx) || !readLength(reader, node, "cy", cy)) return false;
  if (circle) {
    if (!readNonNegativeLength(reader, node, "r", rx)) return false;
    ry = rx;
  } else if (!readRadii(reader, node, rx, ry)) {
    return false;
  }
  if (rx > 0 && ry > 0) shape = ellipseShape(cx, cy, rx, ry);
  return true;
}

bool readShapeElement(Reader& reader, pugi::xml_node node, std::string_view name, Shape& shape) {
  if (name == "path") return readPath(reader, node, shape);
  if (name == "line") return readLine(reader, node, shape);
  if (name == "polyline" || name == "polygon") {
    return readPolyline(reader, node, name == "polygon", shape);
  }
  if (name == "rect") return readRect(reader, node, shape);
  return readEllipse(reader, node, name == "circle", shape);
}

bool withinRange(const Shape& shape) {
  for (const CubicCurve& segment : shape.segments) {
    for (const Point2& p : segment.p) {
      if (!withinCoordinateRange(p)) return false;
    }
  }
  return std::isfinite(shape.approximationError);
}

// Reads a drawn element and adds its segments, mapped to the root's user space.
bool addShapeElement(Reader& reader, pugi::xml_node node, std::string_view name,
                     const Affine& toRoot) {
  Shape local;
  Affine own = kIdentity;
  if (!readShapeElement(reader, node, name, local) || !readTransform(reader, node, own)) {
    return false;
  }
  if (local.segments.empty()) return true;
  const Shape mapped = mapShape(composeAffine(toRoot, own), local);
  if (!withinRange(mapped)) {
    return failAt(reader, node, "reaches a coordinate beyond 1e150 (transforms applied)");
  }
  reader.shape.segments.insert(reader.shape.segments.end(), mapped.segments.begin(),
                               mapped.segments.end());
  reader.shape.approximationError =
      std::max(reader.shape.approximationError, mapped.approximationError);
  return true;
}

// --- Nested viewports -----------------------------------------------------------------------

struct Alignment {
  double x;  // 0 min, 0.5 mid, 1 max
  double y;
  bool none;
  bool slice;
};

bool readAlignment(Reader& reader, pugi::xml_node node, Alignment& alignment) {
  alignment = {0.5, 0.5, false, false};
  const std::string_view text = valueOf(node, "preserveAspectRatio");
  std::vector<std::string_view> words;
  for (std::size_t at = skipSpaces(text, 0); at < text.size(); at = skipSpaces(text, at)) {
    const std::size_t start = at;
    while (at < text.size() && !isSvgSpace(text[at])) ++at;
    words.push_back(text.substr(start, at - start));
  }
  if (!words.empty() && words[0] == "defer") words.erase(words.begin());
  const auto refuse = [&] {
    return failAt(reader, node, "attribute preserveAspectRatio " + quoted(text) + ": not valid");
  };
  if (words.size() > 2) return refuse();
  if (words.size() == 2) {
    if (words[1] != "meet" && words[1] != "slice") return refuse();
    alignment.slice = words[1] == "slice";
  }
  if (words.empty()) return true;
  const std::string_view align = words[0];
  if (align == "none") {
    alignment.none = true;
    return true;
  }
  const auto position = [](std::string_view word, double& value) {
    if (word == "Min") return value = 0, true;
    if (word == "Mid") return value = 0.5, true;
    if (word == "Max") return value = 1, true;
    return false;
  };
  if (align.size() != 8 || align[0] != 'x' || align[4] != 'Y' ||
      !position(align.substr(1, 3), alignment.x) || !position(align.substr(5, 3), alignment.y)) {
    return refuse();
  }
  return true;
}

// The map from a nested <svg>'s content to its parent's user space: x, y and the viewBox.
// `drawsNothing` is set for a zero-sized viewBox or viewport, which SVG does not render.
bool nestedViewport(Reader& reader, pugi::xml_node node, Affine& map, bool& drawsNothing) {
  double x = 0, y = 0;
  if (!readLength(reader, node, "x", x) || !readLength(reader, node, "y", y)) return false;
  map = {1, 0, 0, 1, x, y};
  if (!node.attribute("viewBox")) return true;
  const NumberListParse box = parseNumberList(valueOf(node, "viewBox"), "viewBox");
  if (!box.ok) return failAt(reader, node, box.error);
  if (box.values.size() != 4) {
    return failAt(reader, node,
                  "viewBox: expected 4 numbers, found " + std::to_string(box.values.size()));
  }
  const double boxWidth = box.values[2], boxHeight = box.values[3];
  if (boxWidth < 0 || boxHeight < 0) return failAt(reader, node, "viewBox: negative size");
  double width = 0, height = 0;
  if (isAbsentOrAuto(node, "width") || isAbsentOrAuto(node, "height")) {
    return failAt(reader, node, "a nested <svg> with a viewBox needs a width and a height");
  }
  if (!readNonNegativeLength(reader, node, "width", width) ||
      !readNonNegativeLength(reader, node, "height", height)) {
    return false;
  }
  Alignment alignment;
  if (!readAlignment(reader, node, alignment)) return false;
  drawsNothing = boxWidth == 0 || boxHeight == 0 || width == 0 || height == 0;
  if (drawsNothing) return true;
  double sx = width / boxWidth, sy = height / boxHeight;
  if (!alignment.none) sx = sy = alignment.slice ? std::max(sx, sy) : std::min(sx, sy);
  const double tx = x - box.values[0] * sx + alignment.x * (width - boxWidth * sx);
  const double ty = y - box.values[1] * sy + alignment.y * (height - boxHeight * sy);
  map = {sx, 0, 0, sy, tx, ty};
  return true;
}

// The map from a container's content to the root's user space.
bool contentToRoot(Reader& reader, pugi::xml_node node, bool isRoot, const Affine& toRoot,
                   Affine& content, bool& drawsNothing) {
  Affine own = kIdentity;
  if (!readTransform(reader, node, own)) return false;
  content = composeAffine(toRoot, own);
  if (isRoot || localName(node.name()) != "svg") return true;
  Affine viewport = kIdentity;
  if (!nestedViewport(reader, node, viewport, drawsNothing)) return false;
  content = composeAffine(content, viewport);
  return true;
}

// --- The walk -------------------------------------------------------------------------------

void pushChildren(std::vector<Pending>& pending, pugi::xml_node node, const Affine& toRoot,
                  bool visible, int namespaces) {
  // Last child first, so that the first is read first.
  for (pugi::xml_node child = node.last_child(); child; child = child.previous_sibling()) {
    if (child.type() == pugi::node_element) pending.push_back({child, toRoot, visible, namespaces});
  }
}

// Reads one element in drawing mode; `selected` when it is the element the caller named.
bool readElement(Reader& reader, const Pending& element, bool isRoot, bool selected,
                 std::vector<Pending>& pending) {
  const pugi::xml_node node = element.node;
  const int namespaces = declareNamespaces(reader, node, element.namespaces);
  if (!isSvgElement(reader, node, namespaces)) return true;
  if (!selected && displayNone(node)) return true;
  const bool visible = selected || visibilityOf(node, element.visible);
  const std::string_view name = localName(node.name());
  switch (kindOf(name)) {
    case ElementKind::kShape:
      return !visible || addShapeElement(reader, node, name, element.toRoot);
    case ElementKind::kContainer: {
      Affine content = kIdentity;
      bool drawsNothing = false;
      if (!contentToRoot(reader, node, isRoot, element.toRoot, content, drawsNothing)) return false;
      if (!drawsNothing) pushChildren(pending, node, content, visible, namespaces);
      return true;
    }
    case ElementKind::kSilent:
      return true;
    case ElementKind::kSkipped:
      if (visible) countSkipped(reader, name);
      return true;
  }
  return true;
}

// Looks into one element for the one named `elementId`, carrying the transforms down.
bool searchElement(Reader& reader, const Pending& element, bool isRoot,
                   std::vector<Pending>& pending) {
  const pugi::xml_node node = element.node;
  const int namespaces = declareNamespaces(reader, node, element.namespaces);
  Affine content = element.toRoot;
  if (isSvgElement(reader, node, namespaces)) {
    bool drawsNothing = false;
    if (!contentToRoot(reader, node, isRoot, element.toRoot, content, drawsNothing)) return false;
  }
  pushChildren(pending, node, content, element.visible, namespaces);
  return true;
}

bool readDocument(Reader& reader, const pugi::xml_document& document,
                  const std::string& elementId) {
  const pugi::xml_node root = document.document_element();
  if (!isSvgElement(reader, root, declareNamespaces(reader, root, -1)) ||
      localName(root.name()) != "svg") {
    return failAt(reader, root, "the root element is not <svg>");
  }
  reader.declarations.clear();
  std::vector<Pending> pending{{root, kIdentity, true, -1}};
  bool found = elementId.empty();
  while (!pending.empty()) {
    const Pending element = pending.back();
    pending.pop_back();
    const bool isRoot = element.node == root;
    if (found) {
      if (!readElement(reader, element, isRoot, false, pending)) return false;
    } else if (elementId == element.node.attribute("id").value()) {
      found = true;
      pending.clear();
      if (!readElement(reader, element, isRoot, true, pending)) return false;
    } else if (!searchElement(reader, element, isRoot, pending)) {
      return false;
    }
  }
  if (!found) {
    reader.error = reader.source + ": no element with id " + quoted(elementId);
    return false;
  }
  return true;
}

ShapeRead readSvg(const std::string& source, std::string_view text, const std::string& elementId) {
  ShapeRead result;
  pugi::xml_document document;
  const pugi::xml_parse_result parsed =
      document.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_auto);
  Reader reader;
  reader.source = source;
  // Offsets count in the parsed text only when it was not converted from another encoding.
  if (parsed.encoding == pugi::encoding_utf8) reader.text = text;
  if (!parsed) {
    const int line = lineAt(reader, parsed.offset);
    result.error = source + (line > 0 ? ", line " + std::to_string(line) : "") +
                   ": not XML: " + parsed.description();
    return result;
  }
  if (!readDocument(reader, document, elementId)) {
    result.error = reader.error;
    return result;
  }
  result.ok = true;
  result.shape = std::move(reader.shape);
  result.warning = warningOf(reader.skipped);
  return result;
}

}  // namespace

ShapeRead readSvgText(std::string_view xml, const std::string& elementId) {
  return readSvg("SVG text", xml, elementId);
}

ShapeRead readSvgFile(const std::string& path, const std::string& elementId) {
  const std::string name = printableInMessage(path);
  ShapeRead result;
  struct stat status;
  if (stat(path.c_str(), &status) != 0) {
    result.error = name + ": cannot read: " + std::strerror(errno);
    return result;
  }
  if (S_ISDIR(status.st_mode)) {
    result.error = name + ": is a directory";
    return result;
  }
  if (!S_ISREG(status.st_mode)) {
    result.error = name + ": not a regular file";
    return result;
  }
  if (status.st_size > kMaxFileBytes) {
    result.error = name + ": larger than 256 MiB";
    return result;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    result.error = name + ": cannot read: " + std::strerror(errno);
    return result;
  }
  std::string text;
  char buffer[65536];
  std::size_t read = 0;
  while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    text.append(buffer, read);
    if (static_cast<long long>(text.size()) > kMaxFileBytes) break;
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    result.error = name + ": cannot read: input/output error";
    return result;
  }
  if (static_cast<long long>(text.size()) > kMaxFileBytes) {
    result.error = name + ": larger than 256 MiB";
    return result;
  }
  return readSvg(name, text, elementId);
}
