// GeoPackage extras that QGIS reads when a file is opened: the layer_styles
// table (a default style per class) and the stacking order of the classes
// (QGIS draws the class registered first in gpkg_contents on top).
// A File Geodatabase has no place for either: both do nothing there.
#pragma once

#include <string>
#include <vector>

#include "gdb/workspace.h"

namespace tarvik {

struct LayerStyleRow {
  std::string table;  // the class the style is for
  std::string geometryColumn = "Shape";
  std::string styleName;
  std::string qml;  // the style document
  std::string description;
};

// Adds the rows to layer_styles as the classes' default styles, creating the
// table (registered in gpkg_contents, as QGIS requires) when it is missing.
// Catalog and schema are '' (QGIS ignores rows where they are NULL). False
// when the store refused a row.
bool WriteLayerStyles(OutputWorkspace& workspace, const std::vector<LayerStyleRow>& rows);

// Registers the classes in gpkg_contents in this order, top first, when
// they are not registered yet (GDAL registers a GeoPackage class only when
// its first feature is written, so the order would be that of the first
// writes).
void RegisterClassesInOrder(OutputWorkspace& workspace, const std::vector<std::string>& topFirst);

}  // namespace tarvik
