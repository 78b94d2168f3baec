// RAII holders for GDAL objects, and the few GDAL helpers every file of the
// geodatabase layer uses. Internal to src/gdb: nothing above this folder
// includes it.
#pragma once

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <memory>
#include <string>

namespace tarvik::gdal {

struct DatasetCloser {
  void operator()(GDALDataset* ds) const {
    if (ds) GDALClose(GDALDataset::ToHandle(ds));
  }
};
using DatasetPtr = std::unique_ptr<GDALDataset, DatasetCloser>;

struct FeatureDeleter {
  void operator()(OGRFeature* f) const { OGRFeature::DestroyFeature(f); }
};
using FeaturePtr = std::unique_ptr<OGRFeature, FeatureDeleter>;

// A NULL-terminated list of NAME=VALUE options.
class Options {
 public:
  Options() = default;
  ~Options() { CSLDestroy(list_); }
  Options(const Options&) = delete;
  Options& operator=(const Options&) = delete;
  Options& set(const char* name, const std::string& value) {
    list_ = CSLSetNameValue(list_, name, value.c_str());
    return *this;
  }
  char** get() const { return list_; }

 private:
  char** list_ = nullptr;
};

// Registers the drivers once (GDAL keeps the registry itself), and lets
// GeoPackages of any number of tables be opened whole (OGR_TABLE_LIMIT).
void EnsureRegistered();

// GDAL's last error message, or `fallback` when there is none.
std::string LastError(const std::string& fallback = "");

// Runs `fn` with GDAL's error output kept from stderr, starting from a
// clean error state; the messages stay available through LastError().
template <typename Fn>
auto Quietly(Fn&& fn) {
  CPLErrorHandlerPusher quiet(CPLQuietErrorHandler);
  CPLErrorReset();
  return fn();
}

// While alive, GDAL's File GDB driver identifies the coordinate systems of
// the classes it opens or creates the quick way. Its thorough way searches
// PROJ's database for an EPSG code for every class whose system the file
// does not name by code, and for our custom systems (a transverse Mercator
// on WGS84, or on a meridian that is no zone's) finds none after 0.1-0.3 s
// per class: minutes for opening a store of a few hundred frames. A system
// named by code is read by its code either way, so what is read and written
// is the same.
class QuickIdentification {
 public:
  QuickIdentification() : setter_("USE_OSR_FIND_MATCHES", "NO", true) {}

 private:
  CPLConfigOptionSetter setter_;
};

// Opens an output store read-only (GeoPackage when `geoPackage`, else File
// GDB); none when it does not open (GDAL's reason in LastError()). A
// GeoPackage whose writer was killed mid-frame carries SQLite's hot journal,
// which only a connection that may write can roll back: such a store is
// opened once for update, which restores its last committed state, and then
// read.
DatasetPtr OpenStoreForReading(const std::string& path, bool geoPackage);

// Opens `path` for update with the one driver named, quietly (GDAL's reason
// in LastError() when it does not open).
DatasetPtr OpenForUpdate(const std::string& path, const char* driver);

// A number written so that GDAL's option parser reads it back exactly.
std::string NumberText(double value);

}  // namespace tarvik::gdal
