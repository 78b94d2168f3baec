#include "gdb/runtime_check.h"

#include "coords/spatial_reference.h"
#include "gdb/gdal_handles.h"

namespace tarvik {

std::vector<std::string> MissingRuntimeParts(const std::vector<std::string>& drivers, int epsgCode) {
  gdal::EnsureRegistered();
  std::vector<std::string> missing;
  for (const std::string& name : drivers)
    if (!GetGDALDriverManager()->GetDriverByName(name.c_str()))
      missing.push_back("GDAL缺少驱动" + name);
  const bool known = gdal::Quietly([&] { return !SpatialReference::FromEpsgAsIs(epsgCode).empty(); });
  if (!known) missing.push_back("PROJ数据库中找不到EPSG:" + std::to_string(epsgCode));
  return missing;
}

std::vector<std::string> MissingRuntimeParts() {
  return MissingRuntimeParts({"OpenFileGDB", "GPKG", "ESRI Shapefile"}, 4610);
}

}  // namespace tarvik
