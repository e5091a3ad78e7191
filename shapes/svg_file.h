// SVG files read into a shape: the outlines of their paths and basic shapes.
//
// What is drawn: <path>, <line>, <polyline>, <polygon>, <rect> (rounded corners with SVG's rules
// for rx and ry: a missing or "auto" one takes the other's value, both are clamped to half the
// width and height), <circle> and <ellipse>, each under the transforms of the element and all its
// ancestors, inside <g>, <a> and nested <svg> elements. Segments are in document order;
// approximationError is the largest bound of any arc (circles, ellipses, rounded corners and the
// A command), after the transforms.
//
// Decisions where SVG leaves a reader choice:
//   - Coordinates are the root <svg>'s user units: the root's width, height and viewBox are not
//     applied (its transform is). A nested <svg> maps its content as SVG says (x, y, and viewBox
//     with preserveAspectRatio), and then needs an absolute width and height; it does not clip.
//   - Lengths are unitless or px, or absolute units converted at 96 px to the inch (in, cm, mm,
//     Q, pt, pc). Percentages and font- or viewport-relative units (em, ex, vw, ...) are refused.
//   - display="none" (attribute or style) hides an element with its content; visibility
//     hidden/collapse hides an element but not content that sets visibility="visible". Style
//     sheets (<style>) are not read.
//   - Elements that would change what is drawn but are not read (text, image, use, clipPath,
//     mask, pattern, marker, symbol, switch, filter, foreignObject, animations, unknown SVG
//     elements) are skipped with their content and counted in the warning, e.g.
//     "skipped 2 text, 1 use, 1 clipPath". Elements that draw nothing by themselves (defs and its
//     content, gradients, title, desc, metadata, style, script) and elements of other namespaces
//     (editors' metadata) are skipped silently.
//   - A negative width, height or radius is refused; a zero one draws nothing. A path without
//     data draws nothing.
//
// elementId non-empty reads only the element with that id (the first one in document order) and,
// for a group, its drawable content, under its ancestors' transforms. It is read even when it is
// hidden or lies inside defs or a symbol: naming it is asking for it. An unknown id is refused.
//
// Refusals are one line naming the file (or "SVG text"), and when an element is at fault the
// element and its line, e.g.
//   drawing.svg, line 12, <path id='outline'>: path data, character 7: expected a number after
//   'L', found the end
// for a file that cannot be read, a directory or another non-regular file, a file over 256 MiB,
// text that is not XML, a root that is not <svg>, a malformed attribute (d, points, transform,
// a length, viewBox, preserveAspectRatio), and coordinates beyond 1e150 after the transforms.
#ifndef SHAPES_SVG_FILE_H
#define SHAPES_SVG_FILE_H

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

#endif  // SHAPES_SVG_FILE_H
