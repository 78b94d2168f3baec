// What the output store does for each new frame so that a GIS opens it
// styled: on a GeoPackage the frame's classes are registered texts first,
// then lines, then polygons (QGIS draws the first on top, so the white mask
// ring stays under the lines), each with its default QGIS style.
#pragma once

#include <string>

#include "gdb/workspace.h"

namespace tarvik::deliver {

struct FrameClassNames {
  std::string lines, polygons, texts;
};

// False when the store refused a style row (the frame itself is unharmed).
bool StyleNewFrame(OutputWorkspace& workspace, const FrameClassNames& classes, double referenceScale);

}  // namespace tarvik::deliver
