// The one seam through which the searches draw their markers.
//
// The entries mirror the immediate-mode OpenGL calls that a marker makes, with OpenGL's own
// argument types and primitive codes, so the viewer installs glPointSize, glLineWidth,
// glColor3f, glBegin, glVertex2f and glEnd as they are, and tests install recorders. While no
// canvas is installed (the default), searches draw nothing and behave otherwise the same.
#ifndef GEOMETRY_MARKER_CANVAS_H
#define GEOMETRY_MARKER_CANVAS_H

// Primitive codes, equal to OpenGL's GL_POINTS, GL_LINES and GL_LINE_STRIP.
constexpr unsigned int kCanvasPoints = 0x0000;
constexpr unsigned int kCanvasLines = 0x0001;
constexpr unsigned int kCanvasLineStrip = 0x0003;

struct MarkerCanvas {
  void (*pointSize)(float size);
  void (*lineWidth)(float width);
  void (*colour)(float red, float green, float blue);
  void (*begin)(unsigned int primitive);
  void (*vertex)(float x, float y);
  void (*end)();
};

// The canvas in use; null draws nothing. Every entry of an installed canvas must be set.
extern const MarkerCanvas* markerCanvas;

#endif  // GEOMETRY_MARKER_CANVAS_H
