#include "deliver/frame_styles.h"

#include "deliver/qgis_styles.h"
#include "gdb/layer_styles.h"

namespace tarvik::deliver {

bool StyleNewFrame(OutputWorkspace& workspace, const FrameClassNames& classes, double referenceScale) {
  if (workspace.kind() != OutputKind::GeoPackage) return true;
  RegisterClassesInOrder(workspace, {classes.texts, classes.lines, classes.polygons});
  std::vector<LayerStyleRow> rows;
  const auto add = [&](const std::string& table, FrameLayerKind kind, const char* description) {
    if (table.empty()) return;
    rows.push_back(
        {table, "Shape", table, StyleDocument(FrameLayerStyle(kind, referenceScale)), description});
  };
  add(classes.texts, FrameLayerKind::Texts, "图廓注记");
  add(classes.lines, FrameLayerKind::Lines, "图廓线");
  add(classes.polygons, FrameLayerKind::Polygons, "图廓面");
  return WriteLayerStyles(workspace, rows);
}

}  // namespace tarvik::deliver
