#include "svg/svg_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "css/svg_css.h"
#include "shapes/contour_runs.h"
#include "shapes/message_text.h"
#include "svg/affine.h"
#include "svg/path_data.h"
#include "svg/svg_attributes.h"
#include "svg/svg_basic_shapes.h"
#include "svg/svg_entities.h"
#include "svg/svg_number.h"
#include "svg/svg_paint.h"
#include "svg/svg_transform.h"

namespace {

constexpr const char* kSvgNamespace = "http://www.w3.org/2000/svg";
constexpr long long kMaxFileBytes = 256LL << 20;
constexpr std::size_t kMostNamedKinds = 8;  // the warning names this many kinds, counts the rest
constexpr std::size_t kLongestWarning = 500;
// <use> copies stop here: nested uses of uses multiply, and a file of a few kilobytes could
// otherwise ask for more segments than memory holds. The memory is what the copies add to the
// shape read (segments, contours and paints); a program that measures the shape needs a few
// times that again, so 32 MiB (524,288 segments at most) keeps it within a few hundred MiB.
constexpr std::size_t kMaxCopiedBytes = std::size_t{32} << 20;
constexpr std::size_t kMaxCopiedElements = std::size_t{1} << 20;
// The viewport of a root without a viewBox, width or height: a browser's default for an
// embedded SVG, 300 x 150.
constexpr double kDefaultViewportWidth = 300;
constexpr double kDefaultViewportHeight = 150;

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
  // A symbol draws only where a <use> refers to it.
  for (const char* silent : {"defs", "title", "desc", "metadata", "style", "script",
                             "linearGradient", "radialGradient", "stop", "symbol"}) {
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

// The size of the viewport that percentages refer to.
struct Viewport {
  double width;
  double height;
};

// What an element paints, as computed: whether its fill and its stroke paint anything, and its
// fill rule. Its content inherits it, and so does the copy a <use> makes.
struct PaintStyle {
  bool filled;
  bool stroked;
  FillRule rule;
};

// The initial values: fill black, stroke none, fill-rule nonzero.
constexpr PaintStyle kInitialPaint{true, false, FillRule::kNonzero};
// The context of an element outside any <use>: there is no context element, so context-fill
// and context-stroke paint nothing.
constexpr PaintStyle kNoContext{false, false, FillRule::kNonzero};
// Gradients may take their stops from the gradient they refer to, and that from another.
constexpr int kMostGradientReferences = 64;

// The properties cascaded, in the order of kCascaded.
enum Cascaded : std::size_t { kDisplay, kVisibility, kTransform, kFill, kStroke, kFillRule };
const std::vector<CssProperty> kCascaded = {
    {"display", "display", nullptr},    {"visibility", "visibility", nullptr},
    {"transform", nullptr, nullptr},    {"fill", "fill", isPaintValue},
    {"stroke", "stroke", isPaintValue}, {"fill-rule", "fill-rule", isFillRuleValue},
};

// An element waiting to be read, with what it inherits. A null node marks where the copies of
// useFrames[useChain] end: everything pending above it is part of them.
struct Pending {
  pugi::xml_node node;
  Affine toRoot;   // its parent's user space to the root's
  bool visible;    // the visibility it inherits
  int namespaces;  // its parent's innermost namespace declaration, -1 for none
  Viewport viewport;
  int useChain;           // the innermost <use> this element is a copy under, -1 for none
  pugi::xml_node usedBy;  // when this element is a <use>'s target: that <use>
  PaintStyle paint;       // the style it inherits
  PaintStyle context;     // its context element's (the innermost <use> it is a copy under)
};

// A <use> being copied, and the one it is itself copied under (-1 for none).
struct UseFrame {
  pugi::xml_node use;
  int parent;
};

// What url(#id) names: a paint server that paints, one that paints nothing (a gradient without
// stops, which SVG paints as none), or no paint server at all (the fallback then decides).
enum class ServerPaint { kNotAServer, kNothing, kPaints };

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
  double arcError = kDefaultArcError;  // in the root's user units
  StyleSheet sheet;
  std::unique_ptr<CssCascade> cascade;  // over `sheet`, for kCascaded, once the sheets are read
  std::unordered_map<std::string_view, pugi::xml_node> ids;  // the first element of each id
  std::vector<UseFrame> useFrames;
  // The uses whose copies are being read: those of the frames the element being read is a copy
  // under (see Pending).
  std::unordered_set<const void*> usesCopying;
  // Each element's place in document order: its own position and the end of its content's.
  std::unordered_map<const void*, std::pair<std::size_t, std::size_t>> spans;
  std::unordered_map<const void*, int> targetNamespaces;  // namespacesAt, once for each target
  std::unordered_map<std::string, ServerPaint> servers;   // serverPaint, once for each id
  std::size_t copiedElements = 0;
  std::size_t copiedBytes = 0;  // of segments, contours and paints (drawnBytes)
  Viewport viewport{kDefaultViewportWidth, kDefaultViewportHeight};  // the element's being read
  Viewport rootViewport{kDefaultViewportWidth, kDefaultViewportHeight};
  std::string pathError;  // the first path drawn only up to an error in its data
  int pathErrors = 0;
  std::string useProblem;  // the first use not drawn (a missing target, a cycle)
  int useProblems = 0;
  // What is drawn so far: the segments in blocks (growing never copies them), their contours
  // and paints, and the largest approximationError.
  SegmentBlocks segments;
  std::vector<Contour> contours;
  std::vector<Paint> paints;
  double approximationError = 0;
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

// "line 12, <path id='outline'>"
std::string elementPlace(const Reader& reader, pugi::xml_node node) {
  std::string where;
  // offset_debug points at the name, just after '<'.
  const int line = lineAt(reader, node.offset_debug());
  if (line > 0) where += "line " + std::to_string(line) + ", ";
  where += "<" + printableName(node.name());
  const pugi::xml_attribute id = node.attribute("id");
  if (id) where += " id=" + quoted(id.value());
  return where + ">";
}

// "drawing.svg, line 12, <path id='outline'>"
std::string describeElement(const Reader& reader, pugi::xml_node node) {
  return reader.source + ", " + elementPlace(reader, node);
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

// The value of a presentation property after the cascade (sheets, style attribute, attribute),
// as a keyword.
std::string propertyOf(const Reader& reader, pugi::xml_node node, Cascaded property) {
  return keyword(reader.cascade->value(node, property));
}

bool displayNone(const Reader& reader, pugi::xml_node node) {
  return propertyOf(reader, node, kDisplay) == "none";
}

bool visibilityOf(const Reader& reader, pugi::xml_node node, bool inherited) {
  const std::string visibility = propertyOf(reader, node, kVisibility);
  if (visibility == "hidden" || visibility == "collapse") return false;
  if (visibility == "visible") return true;
  return inherited;
}

std::string_view hrefOf(pugi::xml_node node) {
  const std::string_view href = node.attribute("href").value();
  return href.empty() ? node.attribute("xlink:href").value() : href;
}

ServerPaint findServerPaint(const Reader& reader, const std::string& id) {
  if (id.empty()) return ServerPaint::kNotAServer;
  const auto found = reader.ids.find(id);
  if (found == reader.ids.end()) return ServerPaint::kNotAServer;
  pugi::xml_node server = found->second;
  const std::string_view name = localName(server.name());
  if (name == "pattern") return ServerPaint::kPaints;
  if (name != "linearGradient" && name != "radialGradient") return ServerPaint::kNotAServer;
  // A gradient without stops of its own takes those of the gradient its href names.
  for (int step = 0; step < kMostGradientReferences; ++step) {
    for (pugi::xml_node child = server.first_child(); child; child = child.next_sibling()) {
      if (child.type() == pugi::node_element && localName(child.name()) == "stop") {
        return ServerPaint::kPaints;
      }
    }
    const std::string_view href = hrefOf(server);
    if (href.empty() || href.front() != '#') break;
    const auto next = reader.ids.find(href.substr(1));
    if (next == reader.ids.end()) break;
    const std::string_view nextName = localName(next->second.name());
    if (nextName != "linearGradient" && nextName != "radialGradient") break;
    server = next->second;
  }
  return ServerPaint::kNothing;
}

// The same, looked up once for each id: every element painted with it asks again.
ServerPaint serverPaint(Reader& reader, const std::string& id) {
  const auto known = reader.servers.find(id);
  if (known != reader.servers.end()) return known->second;
  const ServerPaint paint = findServerPaint(reader, id);
  reader.servers.emplace(id, paint);
  return paint;
}

// Whether a fill or stroke of cascaded value `value` ("" when none is set) paints anything.
bool paints(Reader& reader, const std::string& value, bool initialPaints, bool inherited,
            const PaintStyle& context) {
  if (value.empty()) return inherited;
  const PaintValue paint = readPaintValue(value, initialPaints);
  switch (paint.kind) {
    case PaintKind::kNone:
      return false;
    case PaintKind::kPaints:
      return true;
    case PaintKind::kInherit:
      return inherited;
    case PaintKind::kContextFill:
      return context.filled;
    case PaintKind::kContextStroke:
      return context.stroked;
    case PaintKind::kServer:
      break;
  }
  switch (serverPaint(reader, paint.serverId)) {
    case ServerPaint::kPaints:
      return true;
    case ServerPaint::kNothing:
      return false;
    case ServerPaint::kNotAServer:
      break;
  }
  return paint.fallbackPaints;
}

// The element's computed paint style, from the cascade, what it inherits and its context.
PaintStyle paintStyleOf(Reader& reader, pugi::xml_node node, const PaintStyle& inherited,
                        const PaintStyle& context) {
  PaintStyle style = inherited;
  style.filled =
      paints(reader, reader.cascade->value(node, kFill), true, inherited.filled, context);
  style.stroked =
      paints(reader, reader.cascade->value(node, kStroke), false, inherited.stroked, context);
  const std::string rule = reader.cascade->value(node, kFillRule);
  if (!rule.empty()) style.rule = readFillRule(rule, inherited.rule);
  return style;
}

bool isAbsentOrAuto(pugi::xml_node node, const char* name) {
  const pugi::xml_attribute attribute = node.attribute(name);
  if (!attribute) return true;
  return keyword(attribute.value()) == "auto";
}

// What a percentage of attribute `name` is of: the viewport's width for x-like attributes, its
// height for y-like ones, its normalised diagonal for r.
double percentBasis(const Viewport& viewport, std::string_view name) {
  if (name == "r") {
    return std::sqrt((viewport.width * viewport.width + viewport.height * viewport.height) / 2);
  }
  const bool vertical = name == "height" || name.find('y') != std::string_view::npos;
  return vertical ? viewport.height : viewport.width;
}

LengthBasis lengthBasis(const Reader& reader, const Viewport& viewport, std::string_view name) {
  return {percentBasis(viewport, name), reader.rootViewport.width, reader.rootViewport.height};
}

// Reads the length attribute `name` into `value`, which keeps its default when it is absent;
// percentages of reader.viewport.
bool readLength(Reader& reader, pugi::xml_node node, const char* name, double& value) {
  const pugi::xml_attribute attribute = node.attribute(name);
  if (!attribute) return true;
  const LengthParse length =
      parseLength(attribute.value(), lengthBasis(reader, reader.viewport, name));
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

// The element's transform: the CSS transform property when a sheet or the style attribute sets
// one that can be read (one that cannot is dropped, as CSS drops invalid declarations, with a
// warning), else the transform attribute. A CSS value beyond the limits the attribute has is
// refused as the attribute would be: dropping it would draw the element at another size.
bool readTransform(Reader& reader, pugi::xml_node node, Affine& map) {
  const std::string css = reader.cascade->value(node, kTransform);
  if (!css.empty()) {
    const TransformParse fromCss = parseCssTransform(css);
    if (fromCss.ok) {
      map = fromCss.map;
      return true;
    }
    if (fromCss.refused) return failAt(reader, node, fromCss.error);
    countSkipped(reader, "CSS transform it cannot read");
  }
  const TransformParse parsed = parseTransformList(valueOf(node, "transform"));
  if (!parsed.ok) return failAt(reader, node, parsed.error);
  map = parsed.map;
  return true;
}

// --- Basic shapes ---------------------------------------------------------------------------

// Appends the path's segments and contours to the reader's, unmapped; `bound` is their
// approximationError.
void readPath(Reader& reader, pugi::xml_node node, double arcError, double& bound) {
  const std::string_view data = valueOf(node, "d");
  if (keyword(data) == "none") return;
  const PathDataRead read = appendPathData(data, arcError, reader.segments, reader.contours);
  bound = read.approximationError;
  // As SVG says, data with an error draws up to the command at fault; the first such path is
  // named in the warning.
  if (!read.ok) {
    if (reader.pathErrors++ == 0) {
      reader.pathError = elementPlace(reader, node) + " drawn up to the error in its " + read.error;
    }
  }
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

bool readRect(Reader& reader, pugi::xml_node node, double arcError, Shape& shape) {
  double x = 0, y = 0, width = 0, height = 0, rx = 0, ry = 0;
  if (!readLength(reader, node, "x", x) || !readLength(reader, node, "y", y)) return false;
  if (!isAbsentOrAuto(node, "width") && !readNonNegativeLength(reader, node, "width", width)) {
    return false;
  }
  if (!isAbsentOrAuto(node, "height") && !readNonNegativeLength(reader, node, "height", height)) {
    return false;
  }
  if (!readCornerRadii(reader, node, width, height, rx, ry)) return false;
  if (width > 0 && height > 0) shape = rectShape(x, y, width, height, rx, ry, arcError);
  return true;
}

bool readEllipse(Reader& reader, pugi::xml_node node, bool circle, double arcError, Shape& shape) {
  double cx = 0, cy = 0, rx = 0, ry = 0;
  if (!readLength(reader, node, "cx", cx) || !readLength(reader, node, "cy", cy)) return false;
  if (circle) {
    if (!readNonNegativeLength(reader, node, "r", rx)) return false;
    ry = rx;
  } else if (!readRadii(reader, node, rx, ry)) {
    return false;
  }
  if (rx > 0 && ry > 0) shape = ellipseShape(cx, cy, rx, ry, arcError);
  return true;
}

// `arcError`: the bound asked of arcs in the element's own units.
bool readShapeElement(Reader& reader, pugi::xml_node node, std::string_view name, double arcError,
                      Shape& shape) {
  if (name == "line") return readLine(reader, node, shape);
  if (name == "polyline" || name == "polygon") {
    return readPolyline(reader, node, name == "polygon", shape);
  }
  if (name == "rect") return readRect(reader, node, arcError, shape);
  return readEllipse(reader, node, name == "circle", arcError, shape);
}

bool withinRange(const SegmentBlocks& segments, std::size_t first, double bound) {
  for (std::size_t i = first; i < segments.size(); ++i) {
    for (const Point2& p : segments[i].p) {
      if (!withinCoordinateRange(p)) return false;
    }
  }
  return std::isfinite(bound);
}

// The bound to ask of arcs drawn under `toRoot` so that, mapped, they keep reader.arcError: the
// map stretches a bound by its largest singular value, and adds its rounding, for which a
// thousandth of the bound is kept.
double localArcError(const Reader& reader, const Affine& toRoot) {
  const double stretch = largestStretch(toRoot);
  if (!(stretch > 0)) return kMaxCoordinate;  // everything collapses to a point
  return reader.arcError * 0.999 / stretch;
}

// Reads a drawn element and adds its segments, mapped to the root's user space, as one paint
// over its contours in `style`. Path data, the bulk of most drawings, is read straight into the
// reader's segments and mapped there.
bool addShapeElement(Reader& reader, pugi::xml_node node, std::string_view name,
                     const Affine& toRoot, const PaintStyle& style) {
  Affine own = kIdentity;
  if (!readTransform(reader, node, own)) return false;
  const Affine toRootOfElement = composeAffine(toRoot, own);
  const double arcError = localArcError(reader, toRootOfElement);
  const std::size_t first = reader.segments.size();
  const std::size_t firstContour = reader.contours.size();
  double bound = 0;
  if (name == "path") {
    readPath(reader, node, arcError, bound);
    if (reader.segments.size() == first) return true;
    bound = mapSegmentsInPlace(toRootOfElement, reader.segments, first, bound);
    for (std::size_t i = firstContour; i < reader.contours.size(); ++i) {
      Contour& contour = reader.contours[i];
      contour.closed =
          samePoint(reader.segments[contour.firstSegment + contour.segmentCount - 1].p[3],
                    reader.segments[contour.firstSegment].p[0]);
    }
  } else {
    Shape local;
    if (!readShapeElement(reader, node, name, arcError, local)) return false;
    if (local.segments.empty()) return true;
    const Shape mapped = mapShape(toRootOfElement, local);
    for (Contour contour : contoursOf(mapped)) {
      contour.firstSegment += static_cast<int>(first);
      reader.contours.push_back(contour);
    }
    reader.segments.append(mapped.segments.begin(), mapped.segments.end());
    bound = mapped.approximationError;
  }
  if (!withinRange(reader.segments, first, bound)) {
    return failAt(reader, node, "reaches a coordinate beyond 1e150 (transforms applied)");
  }
  reader.paints.push_back({static_cast<int>(firstContour),
                           static_cast<int>(reader.contours.size() - firstContour), style.filled,
                           style.rule});
  reader.approximationError = std::max(reader.approximationError, bound);
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

// The viewBox of `node` into `box` (x, y, width, height); false with the error set when it is
// malformed; `present` tells whether there is one.
bool readViewBox(Reader& reader, pugi::xml_node node, double box[4], bool& present) {
  present = static_cast<bool>(node.attribute("viewBox"));
  if (!present) return true;
  const NumberListParse parsed = parseNumberList(valueOf(node, "viewBox"), "viewBox");
  if (!parsed.ok) return failAt(reader, node, parsed.error);
  if (parsed.values.size() != 4) {
    return failAt(reader, node,
                  "viewBox: expected 4 numbers, found " + std::to_string(parsed.values.size()));
  }
  if (parsed.values[2] < 0 || parsed.values[3] < 0) {
    return failAt(reader, node, "viewBox: negative size");
  }
  std::copy(parsed.values.begin(), parsed.values.end(), box);
  return true;
}

// A viewport's width or height: the attribute of `sizeFrom` (a <use> that sets it), else of
// `node`, else 100% of the enclosing viewport; percentages of that viewport.
bool viewportSide(Reader& reader, pugi::xml_node node, pugi::xml_node sizeFrom, const char* name,
                  double& value) {
  const pugi::xml_node owner = sizeFrom && !isAbsentOrAuto(sizeFrom, name) ? sizeFrom : node;
  value = percentBasis(reader.viewport, name);
  if (isAbsentOrAuto(owner, name)) return true;
  return readNonNegativeLength(reader, owner, name, value);
}

// The map from a nested <svg>'s or a used <symbol>'s content to its parent's user space (x, y,
// the size and the viewBox with preserveAspectRatio), and the viewport its content's
// percentages refer to. `drawsNothing` is set for a zero-sized viewBox or viewport, which SVG
// does not render. For a symbol, `usedBy` is the <use>, whose width and height take precedence.
bool nestedViewport(Reader& reader, pugi::xml_node node, pugi::xml_node usedBy, Affine& map,
                    Viewport& content, bool& drawsNothing) {
  double x = 0, y = 0;
  if (!readLength(reader, node, "x", x) || !readLength(reader, node, "y", y)) return false;
  double width = 0, height = 0;
  if (!viewportSide(reader, node, usedBy, "width", width) ||
      !viewportSide(reader, node, usedBy, "height", height)) {
    return false;
  }
  double box[4] = {0, 0, 0, 0};
  bool hasBox = false;
  if (!readViewBox(reader, node, box, hasBox)) return false;
  map = {1, 0, 0, 1, x, y};
  content = {width, height};
  if (!hasBox) return true;
  content = {box[2], box[3]};
  Alignment alignment;
  if (!readAlignment(reader, node, alignment)) return false;
  drawsNothing = box[2] == 0 || box[3] == 0 || width == 0 || height == 0;
  if (drawsNothing) return true;
  double sx = width / box[2], sy = height / box[3];
  if (!alignment.none) sx = sy = alignment.slice ? std::max(sx, sy) : std::min(sx, sy);
  const double tx = x - box[0] * sx + alignment.x * (width - box[2] * sx);
  const double ty = y - box[1] * sy + alignment.y * (height - box[3] * sy);
  map = {sx, 0, 0, sy, tx, ty};
  return true;
}

// The map from a container's content to the root's user space, and its content's viewport.
bool contentToRoot(Reader& reader, const Pending& element, bool isRoot, Affine& content,
                   Viewport& viewport, bool& drawsNothing) {
  const pugi::xml_node node = element.node;
  Affine own = kIdentity;
  if (!readTransform(reader, node, own)) return false;
  content = composeAffine(element.toRoot, own);
  viewport = element.viewport;
  const std::string_view name = localName(node.name());
  if (isRoot || (name != "svg" && name != "symbol")) return true;
  Affine map = kIdentity;
  if (!nestedViewport(reader, node, element.usedBy, map, viewport, drawsNothing)) return false;
  content = composeAffine(content, map);
  return true;
}

// The root's viewport: its viewBox's size, else its width and height when they are absolute,
// else 300 x 150.
bool readRootViewport(Reader& reader, pugi::xml_node root) {
  double box[4] = {0, 0, 0, 0};
  bool hasBox = false;
  if (!readViewBox(reader, root, box, hasBox)) return false;
  if (hasBox) {
    reader.rootViewport = {box[2], box[3]};
    return true;
  }
  for (const char* name : {"width", "height"}) {
    if (isAbsentOrAuto(root, name)) continue;
    const std::string value = keyword(valueOf(root, name));
    if (value.find('%') != std::string::npos) continue;  // of a window this reader has not
    double length = 0;
    reader.viewport = reader.rootViewport;
    if (!readNonNegativeLength(reader, root, name, length)) return false;
    (name[0] == 'w' ? reader.rootViewport.width : reader.rootViewport.height) = length;
  }
  return true;
}

// --- The walk -------------------------------------------------------------------------------

void pushChildren(std::vector<Pending>& pending, const Pending& parent, const Affine& toRoot,
                  bool visible, int namespaces, const Viewport& viewport, const PaintStyle& paint) {
  // Last child first, so that the first is read first.
  for (pugi::xml_node child = parent.node.last_child(); child; child = child.previous_sibling()) {
    if (child.type() == pugi::node_element) {
      pending.push_back({child,
                         toRoot,
                         visible,
                         namespaces,
                         viewport,
                         parent.useChain,
                         {},
                         paint,
                         parent.context});
    }
  }
}

// The namespaces in scope at `node` (declared by it or its ancestors), for a <use>'s target,
// which is read away from its place in the document.
int namespacesAt(Reader& reader, pugi::xml_node node) {
  const auto known = reader.targetNamespaces.find(node.internal_object());
  if (known != reader.targetNamespaces.end()) return known->second;
  std::vector<pugi::xml_node> ancestors;
  for (pugi::xml_node up = node.parent(); up && up.type() == pugi::node_element; up = up.parent()) {
    ancestors.push_back(up);
  }
  int innermost = -1;
  for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
    innermost = declareNamespaces(reader, *it, innermost);
  }
  reader.targetNamespaces.emplace(node.internal_object(), innermost);
  return innermost;
}

void noteUseProblem(Reader& reader, pugi::xml_node use, const std::string& problem) {
  if (reader.useProblems++ == 0) reader.useProblem = elementPlace(reader, use) + problem;
}

// A <use>: its target is read as if it stood here, under the use's transform and x, y. A missing
// or outside target, or a cycle, draws nothing and is named in the warning; copies beyond
// kMaxCopiedElements refuse the file. The copy inherits the use's `style`, which is also its
// context (what context-fill and context-stroke refer to).
bool readUse(Reader& reader, const Pending& element, bool visible, const PaintStyle& style,
             std::vector<Pending>& pending) {
  const pugi::xml_node use = element.node;
  std::string_view href = valueOf(use, "href");
  if (href.empty()) href = valueOf(use, "xlink:href");
  while (!href.empty() && isSvgSpace(href.back())) href.remove_suffix(1);
  while (!href.empty() && isSvgSpace(href.front())) href.remove_prefix(1);
  if (href.empty() || href.front() != '#') {
    noteUseProblem(reader, use,
                   href.empty() ? ": no href" : ": refers outside the file, " + quoted(href));
    return true;
  }
  const std::string_view id = href.substr(1);
  const auto target = reader.ids.find(id);
  if (target == reader.ids.end()) {
    noteUseProblem(reader, use, ": no element with id " + quoted(id));
    return true;
  }
  if (reader.usesCopying.count(use.internal_object()) != 0) {
    noteUseProblem(reader, use, ": refers to itself through id " + quoted(id) + " (a cycle)");
    return true;
  }
  const auto& [targetAt, targetEnd] = reader.spans.at(target->second.internal_object());
  const std::size_t useAt = reader.spans.at(use.internal_object()).first;
  if (targetAt <= useAt && useAt < targetEnd) {
    noteUseProblem(reader, use, ": refers to its own ancestor, id " + quoted(id) + " (a cycle)");
    return true;
  }
  Affine own = kIdentity;
  double x = 0, y = 0;
  if (!readTransform(reader, use, own) || !readLength(reader, use, "x", x) ||
      !readLength(reader, use, "y", y)) {
    return false;
  }
  const Affine toRoot = composeAffine(composeAffine(element.toRoot, own), {1, 0, 0, 1, x, y});
  reader.useFrames.push_back({use, element.useChain});
  const int frame = static_cast<int>(reader.useFrames.size()) - 1;
  reader.usesCopying.insert(use.internal_object());
  pending.push_back({{}, kIdentity, false, -1, element.viewport, frame, {}, style, style});
  pending.push_back({target->second, toRoot, visible, namespacesAt(reader, target->second),
                     element.viewport, frame, use, style, style});
  return true;
}

// Reads one element in drawing mode; `selected` when it is the element the caller named.
bool readElement(Reader& reader, const Pending& element, bool isRoot, bool selected,
                 std::vector<Pending>& pending) {
  const pugi::xml_node node = element.node;
  const int namespaces = declareNamespaces(reader, node, element.namespaces);
  if (!isSvgElement(reader, node, namespaces)) return true;
  if (!selected && displayNone(reader, node)) return true;
  const bool visible = selected || visibilityOf(reader, node, element.visible);
  const std::string_view name = localName(node.name());
  reader.viewport = element.viewport;
  // A used symbol is drawn as a nested viewport; elsewhere it draws nothing.
  const bool usedSymbol = name == "symbol" && (element.usedBy || selected);
  const PaintStyle style = paintStyleOf(reader, node, element.paint, element.context);
  if (name == "use") return readUse(reader, element, visible, style, pending);
  switch (usedSymbol ? ElementKind::kContainer : kindOf(name)) {
    case ElementKind::kShape:
      return !visible || addShapeElement(reader, node, name, element.toRoot, style);
    case ElementKind::kContainer: {
      Affine content = kIdentity;
      Viewport viewport = element.viewport;
      bool drawsNothing = false;
      if (!contentToRoot(reader, element, isRoot, content, viewport, drawsNothing)) return false;
      if (!drawsNothing) {
        pushChildren(pending, element, content, visible, namespaces, viewport, style);
      }
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
  Viewport viewport = element.viewport;
  PaintStyle style = element.paint;
  reader.viewport = element.viewport;
  if (isSvgElement(reader, node, namespaces)) {
    bool drawsNothing = false;
    if (!contentToRoot(reader, element, isRoot, content, viewport, drawsNothing)) return false;
    // The element named is painted with what it inherits from its ancestors.
    style = paintStyleOf(reader, node, element.paint, element.context);
  }
  pushChildren(pending, element, content, element.visible, namespaces, viewport, style);
  return true;
}

// The text of a <style> element: its character data and CDATA sections.
std::string styleText(pugi::xml_node style) {
  std::string text;
  for (pugi::xml_node child = style.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
      text += child.value();
  }
  return text;
}

// Before the walk: the first element of each id, each element's span in document order, and the
// style sheets, wherever they stand.
void indexDocument(Reader& reader, pugi::xml_node root) {
  // An element is entered, then left once its content has been entered (`leaving`).
  std::vector<std::pair<pugi::xml_node, bool>> stack{{root, false}};
  std::vector<pugi::xml_node> styles;
  std::size_t position = 0;
  while (!stack.empty()) {
    const auto [node, leaving] = stack.back();
    stack.pop_back();
    if (leaving) {
      reader.spans[node.internal_object()].second = position;
      continue;
    }
    reader.spans[node.internal_object()] = {position++, 0};
    stack.push_back({node, true});
    const pugi::xml_attribute id = node.attribute("id");
    if (id) reader.ids.emplace(id.value(), node);
    if (localName(node.name()) == "style") {
      const std::string type = keyword(valueOf(node, "type"));
      if (type.empty() || type == "text/css") styles.push_back(node);
    }
    for (pugi::xml_node child = node.last_child(); child; child = child.previous_sibling()) {
      if (child.type() == pugi::node_element) stack.push_back({child, false});
    }
  }
  for (const pugi::xml_node style : styles) addStyleSheet(styleText(style), reader.sheet);
  reader.cascade = std::make_unique<CssCascade>(reader.sheet, kCascaded);
}

// What the shape drawn so far holds, in bytes.
std::size_t drawnBytes(const Reader& reader) {
  return reader.segments.size() * sizeof(CubicCurve) + reader.contours.size() * sizeof(Contour) +
         reader.paints.size() * sizeof(Paint);
}

bool readDocument(Reader& reader, const pugi::xml_document& document,
                  const std::string& elementId) {
  const pugi::xml_node root = document.document_element();
  if (!isSvgElement(reader, root, declareNamespaces(reader, root, -1)) ||
      localName(root.name()) != "svg") {
    return failAt(reader, root, "the root element is not <svg>");
  }
  reader.declarations.clear();
  indexDocument(reader, root);
  if (!readRootViewport(reader, root)) return false;
  std::vector<Pending> pending{
      {root, kIdentity, true, -1, reader.rootViewport, -1, {}, kInitialPaint, kNoContext}};
  bool found = elementId.empty();
  while (!pending.empty()) {
    const Pending element = pending.back();
    pending.pop_back();
    if (!element.node) {
      reader.usesCopying.erase(reader.useFrames[element.useChain].use.internal_object());
      continue;
    }
    const bool isRoot = element.node == root && element.useChain < 0;
    const std::size_t bytesBefore = drawnBytes(reader);
    if (element.useChain >= 0 && ++reader.copiedElements > kMaxCopiedElements) {
      return failAt(reader, reader.useFrames[element.useChain].use,
                    "<use> copies more than " + std::to_string(kMaxCopiedElements) +
                        " elements (uses of uses multiply); stopped");
    }
    if (found) {
      if (!readElement(reader, element, isRoot, false, pending)) return false;
    } else if (elementId == element.node.attribute("id").value()) {
      found = true;
      pending.clear();
      reader.usesCopying.clear();
      if (!readElement(reader, element, isRoot, true, pending)) return false;
    } else if (!searchElement(reader, element, isRoot, pending)) {
      return false;
    }
    if (reader.cascade->exhausted()) {
      reader.error = reader.source + ": CSS selectors take more than " +
                     std::to_string(CssCascade::kMostSelectorSteps) +
                     " steps to match against the elements (rules times elements); stopped";
      return false;
    }
    if (element.useChain >= 0) {
      reader.copiedBytes += drawnBytes(reader) - bytesBefore;
      if (reader.copiedBytes > kMaxCopiedBytes) {
        return failAt(reader, reader.useFrames[element.useChain].use,
                      "<use> copies draw more than " + std::to_string(kMaxCopiedBytes >> 20) +
                          " MiB of segments (uses of uses multiply); stopped");
      }
    }
  }
  if (!found) {
    reader.error = reader.source + ": no element with id " + quoted(elementId);
    return false;
  }
  return true;
}

// The warning: elements skipped, CSS not read, uses not drawn, paths drawn up to an error.
std::string warningOf(const Reader& reader) {
  std::vector<std::string> parts;
  const std::string skipped = warningOf(reader.skipped);
  if (!skipped.empty()) parts.push_back(skipped);
  const std::string css = skippedCssWarning(reader.sheet);
  if (!css.empty()) parts.push_back(css);
  if (reader.useProblems > 0) {
    std::string uses = reader.useProblem + ", not drawn";
    if (reader.useProblems > 1) {
      uses += " (and " + std::to_string(reader.useProblems - 1) + " more uses not drawn)";
    }
    parts.push_back(uses);
  }
  if (reader.pathErrors > 0) {
    std::string paths = reader.pathError;
    if (reader.pathErrors > 1) {
      paths += " (and " + std::to_string(reader.pathErrors - 1) + " more paths with errors)";
    }
    parts.push_back(paths);
  }
  std::string warning;
  for (const std::string& part : parts) warning += (warning.empty() ? "" : "; ") + part;
  // One line of reasonable length, whatever names the file holds.
  if (warning.size() > kLongestWarning) warning = warning.substr(0, kLongestWarning - 3) + "...";
  return warning;
}

ShapeRead readSvg(const std::string& source, std::string_view text, const std::string& elementId,
                  double arcError) {
  ShapeRead result;
  // Internal DOCTYPE entities first: pugixml leaves their references as text.
  EntityExpansion expanded = expandInternalEntities(text);
  if (!expanded.ok) {
    result.error = source + ": " + expanded.error;
    return result;
  }
  if (expanded.changed) text = expanded.text;
  pugi::xml_document document;
  const pugi::xml_parse_result parsed =
      document.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_auto);
  Reader reader;
  reader.source = source;
  reader.arcError = arcError;
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
  result.shape.approximationError = reader.approximationError;
  result.shape.contours = std::move(reader.contours);
  result.shape.paints = std::move(reader.paints);
  reader.segments.moveInto(result.shape.segments);
  result.warning = warningOf(reader);
  return result;
}

}  // namespace

ShapeRead readSvgText(std::string_view xml, const std::string& elementId, double arcError) {
  return readSvg("SVG text", xml, elementId, arcError);
}

ShapeRead readSvgFile(const std::string& path, const std::string& elementId, double arcError) {
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
  return readSvg(name, text, elementId, arcError);
}
