#include "geometry/geometry_scene.h"

GeometryScene geometryScene;
