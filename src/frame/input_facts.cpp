#include "frame/input_facts.h"

#include <filesystem>
#include <system_error>

#include "common/error.h"
#include "gdb/class_queries.h"

namespace tarvik {

const InputCoordinates& InputInspection::coordinates() const {
  if (!coords) throw RunError(coordinateError);
  return *coords;
}

InputInspection InspectInput(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) throw RunError("文件" + path + ",不存在");
  InputInspection in;
  in.path = path;
  in.cls = OpenShapefileClass(path);
  if (!in.cls) throw RunError("不能打开" + path + "，它不是可以读取的shapefile");
  in.ref = DatasetSpatialReference(in.cls);
  in.polygons = IsPolygonClass(in.cls);
  in.featureCount = FeatureCount(in.cls, "");
  in.nameFields = IdentifyingFields(in.cls);
  try {
    in.coords = InputCoordinatesOf(in.ref);
  } catch (const RunError& e) {
    in.coordinateError = e.what();
  }
  return in;
}

}  // namespace tarvik
