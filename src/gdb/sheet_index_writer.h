// Writing a standard sheet index: a polygon shapefile with one feature per
// sheet, the sheet number in a text field, a .prj of the reference and a
// .cpg saying the texts are UTF-8.
#pragma once

#include <string>
#include <vector>

#include "coords/spatial_reference.h"
#include "gdb/geometry.h"

namespace tarvik {

struct IndexPolygon {
  std::string name;          // the sheet number (UTF-8)
  std::vector<Point2> ring;  // store coordinates; closed when written
};

// Writes `sheets` into the shapefile at `path` (".shp"), its field
// `nameField` holding each name. An existing shapefile of that name is
// replaced only when `replace` is set (then all its side files go too).
// RunError when the path is not a .shp, the file exists and may not be
// replaced, or GDAL cannot write it (with GDAL's reason).
void WriteSheetIndex(const std::string& path, const SpatialReference& ref, const std::string& nameField,
                     const std::vector<IndexPolygon>& sheets, bool replace);

}  // namespace tarvik
