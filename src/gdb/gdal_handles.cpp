#include "gdb/gdal_handles.h"

#include <cstdio>
#include <mutex>

namespace tarvik::gdal {

void EnsureRegistered() {
  static std::once_flag once;
  std::call_once(once, [] { GDALAllRegister(); });
}

std::string LastError(const std::string& fallback) {
  const char* msg = CPLGetLastErrorMsg();
  if (msg && *msg) return msg;
  return fallback;
}

std::string NumberText(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", value);
  return buf;
}

}  // namespace tarvik::gdal
