#include "gdb/geopackage_sql.h"

#include <gdal_priv.h>
#include <sqlite3.h>

namespace tarvik::detail::gpkg {

namespace {

sqlite3* Connection(GDALDataset* ds) {
  return ds ? static_cast<sqlite3*>(ds->GetInternalHandle("SQLITE_HANDLE")) : nullptr;
}

// GDAL updates a class's row of gpkg_contents (its extent, the time of its
// last change) whenever its frame is committed, finding the row by
// lower(table_name), which no index of the file serves: every frame
// committed scanned the whole table, thousands of rows, several times. An
// index on that very expression makes each update a lookup; it is dropped
// when the store is closed, so the finished file is as without it (a killed
// run leaves it behind, which any reader ignores).
constexpr const char* kContentsIndex = "tarvik_gpkg_contents_lower_name";

// SQLite's page cache of the connection, in KiB. Every new class makes
// SQLite (and GDAL's checks for its metadata tables) scan sqlite_master,
// which grows by a row per table; the default 2 MB stops holding it after
// a few thousand classes, and each scan then reads it from the operating
// system again. SQLite takes the memory only as pages are used.
constexpr int kCacheKiB = 256 * 1024;

}  // namespace

bool Execute(GDALDataset* ds, const std::string& sql) {
  sqlite3* db = Connection(ds);
  if (!db) {
    // Not a GeoPackage of GDAL's SQLite driver family: GDAL's way.
    CPLErrorReset();
    if (OGRLayer* result = ds ? ds->ExecuteSQL(sql.c_str(), nullptr, nullptr) : nullptr)
      ds->ReleaseResultSet(result);
    return ds && CPLGetLastErrorType() < CE_Failure;
  }
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
  CPLError(CE_Failure, CPLE_AppDefined, "%s", message ? message : sqlite3_errmsg(db));
  sqlite3_free(message);
  return false;
}

void PrepareForWriting(GDALDataset* ds) {
  sqlite3* db = Connection(ds);
  if (!db) return;
  sqlite3_exec(db, ("PRAGMA cache_size = -" + std::to_string(kCacheKiB)).c_str(), nullptr, nullptr, nullptr);
  sqlite3_exec(db,
               (std::string("CREATE INDEX IF NOT EXISTS \"") + kContentsIndex +
                "\" ON gpkg_contents(lower(table_name))")
                   .c_str(),
               nullptr, nullptr, nullptr);
}

void FinishWriting(GDALDataset* ds) {
  sqlite3* db = Connection(ds);
  if (!db) return;
  sqlite3_exec(db, (std::string("DROP INDEX IF EXISTS \"") + kContentsIndex + "\"").c_str(), nullptr, nullptr,
               nullptr);
}

}  // namespace tarvik::detail::gpkg
