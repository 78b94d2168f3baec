// Statements on a GeoPackage output's own SQLite connection, for the
// store's bookkeeping. Internal to src/gdb.
//
// GDAL's ExecuteSQL on a GeoPackage first visits every layer of the dataset
// and searches the statement for the layer's name (to flush what that layer
// holds back): with thousands of frame classes that search costs far more
// than the statement. The store's own statements touch only tables GDAL does
// not manage (sqlite_sequence, an index of ours), so they go to SQLite
// directly, inside whatever transaction GDAL has open.
#pragma once

#include <string>

class GDALDataset;

namespace tarvik::detail::gpkg {

// Runs statements that give no rows; false when SQLite refused one (its
// reason is then GDAL's last error, as for GDAL's own failures).
bool Execute(GDALDataset* ds, const std::string& sql);

// Makes a GeoPackage faster to write frame by frame, and undoes what would
// stay in the file (see geopackage_sql.cpp). Neither is needed for
// correctness: failures are ignored.
void PrepareForWriting(GDALDataset* ds);
void FinishWriting(GDALDataset* ds);

}  // namespace tarvik::detail::gpkg
