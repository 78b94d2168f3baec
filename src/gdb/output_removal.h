// Removing an existing output before a run writes it anew. Only a real File
// Geodatabase or GeoPackage is ever removed: a folder that merely ends in
// ".gdb" and holds other files is left alone.
#pragma once

#include <string>

namespace tarvik {

// True when `path` is a File Geodatabase directory (nothing in it but the
// files of a geodatabase) or a GeoPackage file (SQLite with the GPKG
// application id).
bool IsOutputStore(const std::string& path);

// Removes the store at `path` (a GeoPackage with its -wal/-shm/-journal
// files). RunError when the path is not a store we may remove, or when it
// cannot be removed ("%s文件已存在，且无法删除").
void RemoveOutputStore(const std::string& path);

}  // namespace tarvik
