#include "gdb/runtime_check.h"

#include <sys/resource.h>

#include "coords/spatial_reference.h"
#include "gdb/gdal_handles.h"

namespace tarvik {

std::vector<std::string> MissingRuntimeParts(const std::vector<std::string>& drivers, int epsgCode) {
  gdal::EnsureRegistered();
  std::vector<std::string> missing;
  for (const std::string& name : drivers)
    if (!GetGDALDriverManager()->GetDriverByName(name.c_str())) missing.push_back("GDAL缺少驱动" + name);
  const bool known = gdal::Quietly([&] { return !SpatialReference::FromEpsgAsIs(epsgCode).empty(); });
  if (!known) missing.push_back("PROJ数据库中找不到EPSG:" + std::to_string(epsgCode));
  return missing;
}

std::vector<std::string> MissingRuntimeParts() {
  return MissingRuntimeParts({"OpenFileGDB", "GPKG", "ESRI Shapefile"}, 4610);
}

std::string RaiseOpenFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return {};
  if (limit.rlim_cur != limit.rlim_max) {
    rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  }
  if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= static_cast<rlim_t>(kMinOpenFiles)) return {};
  return "可以同时打开的文件数上限只有" + std::to_string(limit.rlim_cur) + "个，至少需要" +
         std::to_string(kMinOpenFiles) + "个，写入文件地理数据库(.gdb)可能中途失败；请提高上限（ulimit -n）";
}

}  // namespace tarvik
