#include "gdb/gdal_handles.h"

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace tarvik::gdal {

void EnsureRegistered() {
  static std::once_flag once;
  std::call_once(once, [] {
    GDALAllRegister();
    // GDAL lists at most 10 000 tables of a GeoPackage unless told
    // otherwise, and a table it does not list cannot be opened by name: a
    // store of more than 3333 frames of the per-frame layout would hide its
    // frame catalog, and a writer adding to it would miss names already
    // taken. Every store this program opens lists all its tables.
    CPLSetConfigOption("OGR_TABLE_LIMIT", "0");
  });
}

std::string LastError(const std::string& fallback) {
  const char* msg = CPLGetLastErrorMsg();
  if (msg && *msg) return msg;
  return fallback;
}

namespace {

GDALDataset* OpenWith(const std::string& path, const char* driver, unsigned flags) {
  const char* drivers[] = {driver, nullptr};
  QuickIdentification quick;
  return Quietly([&] {
    return GDALDataset::FromHandle(
        GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | flags, drivers, nullptr, nullptr));
  });
}

}  // namespace

DatasetPtr OpenStoreForReading(const std::string& path, bool geoPackage) {
  EnsureRegistered();
  const char* driver = geoPackage ? "GPKG" : "OpenFileGDB";
  DatasetPtr ds(OpenWith(path, driver, GDAL_OF_READONLY));
  if (ds || !geoPackage) return ds;
  std::error_code ec;
  const auto journal = std::filesystem::file_size(path + "-journal", ec);
  if (ec || journal == 0) return ds;
  const std::string why = LastError();
  // SQLite rolls the journal back when this connection first reads.
  DatasetPtr(OpenWith(path, driver, GDAL_OF_UPDATE));
  ds.reset(OpenWith(path, driver, GDAL_OF_READONLY));
  if (!ds && !why.empty()) CPLError(CE_Failure, CPLE_AppDefined, "%s", why.c_str());
  return ds;
}

DatasetPtr OpenForUpdate(const std::string& path, const char* driver) {
  return DatasetPtr(OpenWith(path, driver, GDAL_OF_UPDATE));
}

std::string NumberText(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", value);
  return buf;
}

}  // namespace tarvik::gdal
