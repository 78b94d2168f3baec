#include "frame/input_checks.h"

#include <variant>

#include "common/error.h"
#include "common/text_util.h"
#include "frame/index_sheets.h"
#include "gdb/class_queries.h"

namespace tarvik {

std::optional<std::string> FrameShapeProblem(const Geometry& shape, bool sheetIndex) {
  if (shape.isEmpty()) return std::string("没有图形");
  if (!shape.isFinite()) return std::string("坐标中有无效的数值(NaN或无穷大)");
  if (!sheetIndex) return std::nullopt;
  if (PartCount(shape) != 1) return std::string("图形对象个数错误（多个部分或带洞，不是一个图幅）");
  const std::size_t n = shape.pointCount();
  if (n != 4 && n != 5) return std::string("对象节点个数错误,可能不是结合图表,因为接幅表只有4，或5个节点");
  return std::nullopt;
}

std::optional<std::string> IndexSheetProblem(const Geometry& shape, const CoordParams& coords,
                                             bool geographic) {
  if (auto why = FrameShapeProblem(shape, true)) return why;
  const auto sheet = ReadIndexSheet(shape, coords, geographic);
  if (const auto* why = std::get_if<std::string>(&sheet)) return *why;
  return std::nullopt;
}

std::string FeatureLabel(const Feature& feature, const std::string& nameField) {
  std::string label = "要素(FID=" + std::to_string(feature.fid());
  if (!nameField.empty() && !EqualsNoCase(nameField, "FID")) {
    const std::string value = FieldValueText(feature, nameField);
    if (!value.empty()) label += ", " + nameField + "=" + value;
  }
  return label + ")";
}

void CheckPolygonInput(const FeatureClass& input, const std::string& path) {
  if (!input) throw RunError("不能打开" + path + "，它不是可以读取的shapefile");
  if (!IsPolygonClass(input)) throw RunError(path + "不是面(多边形)图层，不能生成图廓");
}

void CheckIndexCoordinates(const SpatialReference& indexRef, const std::string& path, bool geodeticOutput) {
  if (indexRef.empty()) throw RunError(path + "必须设置坐标系统");
  // Sheet corners are read as they are stored: degrees for the geographic
  // frame, metres for the planar one. Mixing them gives no meaningful frame.
  const bool geographicIndex = indexRef.isGeographic();
  if (geographicIndex && !geodeticOutput) throw RunError(path + "是经纬度坐标，必须选择大地(经纬度)坐标输出");
  if (!geographicIndex && geodeticOutput) throw RunError(path + "是平面坐标，不能选择大地(经纬度)坐标输出");
}

void CheckAreaCoordinates(const SpatialReference& inputRef, const std::string& path) {
  if (inputRef.empty()) throw RunError("没有定义坐标系统");
  // The frame is computed in metres from the polygon's envelope; degrees
  // would be taken for metres.
  if (inputRef.isGeographic())
    throw RunError(path + "是经纬度坐标，行政区划文件必须是平面(高斯-克吕格)坐标才能生成图廓");
}

}  // namespace tarvik
