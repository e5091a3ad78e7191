// The second half of every frame: where the Hausdorff distance is attained, as a red arrow.
#ifndef VIEWER_OVERLAY_H
#define VIEWER_OVERLAY_H

#include "geometry/cubic.h"

// Runs hausdorffDistance(curveA, curveB), whose trace goes to standard output and is flushed
// here, and whose nearest-point searches draw their red and green marks. Then marks the witness
// point's nearest point on the other curve (red dot, red segment from the witness), draws the
// arrowhead there, and swaps the buffers.
void drawDistanceOverlay();

// Two red strokes (width 2) of 0.05 model units from `nearest`, along the direction back to
// `witness` turned 30 degrees counter-clockwise, then 30 degrees clockwise. When the two points
// coincide there is no direction, and nothing is drawn.
void drawArrowhead(Point2 witness, Point2 nearest);

#endif  // VIEWER_OVERLAY_H
