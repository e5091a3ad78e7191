#include "geometry/marker_canvas.h"

const MarkerCanvas* markerCanvas = nullptr;
