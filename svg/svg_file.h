// SVG files read into a shape: the outlines of their paths and basic shapes, as a browser draws
// them.
//
// What is drawn: <path>, <line>, <polyline>, <polygon>, <rect> (rounded corners with SVG's rules
// for rx and ry: a missing or "auto" one takes the other's value, both are clamped to half the
// width and height), <circle> and <ellipse>, each under the transforms of the element and all its
// ancestors, inside <g>, <a> and nested <svg> elements, and the copies <use> makes. Segments are
// in document order; approximationError is the largest bound of any arc (circles, ellipses,
// rounded corners and the A command), after the transforms, at most `arcError` (rounding aside).
//
// Decisions where SVG leaves a reader choice, and the limits of this reader:
//   - Coordinates are the root <svg>'s user units: the root's width, height and viewBox are not
//     applied (its transform is). A nested <svg> (and a used <symbol>) maps its content as SVG
//     says (x, y, width and height, 100% by default, and viewBox with preserveAspectRatio); it
//     does not clip.
//   - <use> (href, else xlink:href, "#id" within the file) draws its target as if it stood in
//     its place, under the use's transform and then translate(x, y); a <symbol> or <svg> target
//     takes the use's width and height before its own. A target that is missing or outside the
//     file, and a use that refers to itself through its target (a cycle), draw nothing and are
//     named in the warning. Copies beyond 1,048,576 elements or 32 MiB of segments, contours and
//     paints refuse the file (uses of uses multiply). A <symbol> draws only through a <use>.
//   - Paints: each drawn element (and each copy a <use> makes) is one paint over its own
//     contours (svg/path_data.h; a basic shape is one contour), none when it draws no segment.
//     Its rule is its computed fill-rule, and it is filled unless its computed fill paints
//     nothing: fill and fill-rule inherit (a copy from its <use>), values that cannot be read are
//     dropped from the cascade as CSS drops them, and fill is black initially. Colours of any
//     kind (transparent too) and currentColor paint; url(#id) paints when it names a pattern or
//     a gradient with stops (its own or, through href, another's), nothing for a gradient without
//     any, and its fallback (none: nothing) when it names no paint server or a file outside;
//     context-fill and context-stroke are the <use>'s fill and stroke in its copies, nothing
//     elsewhere.
//   - CSS: <style> sheets and style attributes cascade display, visibility and transform (see
//     css/svg_css.h for the selectors read; a selector or at-rule that cannot be read is
//     skipped, never matched, and counted in the warning). A CSS transform that cannot be read
//     is dropped, as CSS drops invalid declarations, and the transform attribute applies; one
//     beyond the attribute's limits is refused as the attribute is. Matching takes at most
//     CssCascade::kMostSelectorSteps steps (css/svg_css.h); a sheet that needs more refuses the
//     file.
//   - Lengths: unitless, px and absolute units (at 96 px to the inch); em and rem at 16 px, ex
//     and ch at 8; percentages of the viewport (the nearest viewBox, else the viewport's width
//     and height): x-like attributes of its width, y-like of its height, r of its normalised
//     diagonal. The root's viewport is its viewBox, else its absolute width and height, else
//     300 x 150 (a browser's default for an embedded SVG); vw, vh, vmin and vmax refer to it.
//   - Internal DOCTYPE entities are expanded (svg/svg_entities.h); external ones are never
//     fetched.
//   - display="none" (attribute, style or sheet) hides an element with its content; visibility
//     hidden/collapse hides an element but not content that sets visibility="visible".
//   - Path data with an error draws up to the command at fault, as SVG says; the first such path
//     is named in the warning with the position, e.g. "line 3, <path id='a'> drawn up to the
//     error in its path data, character 7: ..." (and a count of the others).
//   - Elements that would change what is drawn but are not read (text, image, clipPath, mask,
//     pattern, marker, switch, filter, foreignObject, animations, unknown SVG elements) are
//     skipped with their content and counted in the warning, e.g. "skipped 2 text, 1 clipPath".
//     Elements that draw nothing by themselves (defs and its content, symbol, gradients, title,
//     desc, metadata, style, script) and elements of other namespaces (editors' metadata) are
//     skipped silently. The warning's parts are joined with "; ".
//   - A negative width, height or radius is refused; a zero one draws nothing. A path without
//     data draws nothing.
//
// elementId non-empty reads only the element with that id (the first one in document order) and,
// for a group, its drawable content, under its ancestors' transforms. It is read even when it is
// hidden or lies inside defs or a symbol: naming it is asking for it. An unknown id is refused.
//
// Refusals are one line naming the file (or "SVG text"), and when an element is at fault the
// element and its line, e.g.
//   drawing.svg, line 12, <rect id='frame'>: attribute width '-1': negative
// for a file that cannot be read, a directory or another non-regular file, a file over 256 MiB,
// text that is not XML, entities that expand beyond 64 MiB or refer to themselves, a root that
// is not <svg>, a malformed attribute (points, transform, a length, viewBox,
// preserveAspectRatio), coordinates beyond 1e150 after the transforms, too many copies, and
// selectors that take too many steps to match.
//
// Time and memory: linear in the document and in what the copies draw; the segments drawn take
// little more than the shape's own 64 bytes each at the peak (shapes/segment_blocks.h).
#ifndef SVG_SVG_FILE_H
#define SVG_SVG_FILE_H

#include <string>
#include <string_view>

#include "shapes/shape_read.h"

// arcError: the bound on approximationError asked, in the root's user units (see
// shapes/shape_read.h); arcs are cut for it under the transforms they are drawn with.
ShapeRead readSvgFile(const std::string& path, const std::string& elementId,
                      double arcError = kDefaultArcError);

// The same for SVG text in memory; messages name it "SVG text".
ShapeRead readSvgText(std::string_view xml, const std::string& elementId,
                      double arcError = kDefaultArcError);

#endif  // SVG_SVG_FILE_H
