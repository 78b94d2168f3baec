// Removing an existing output before a run writes it anew. Only a real File
// Geodatabase or GeoPackage is ever removed, and of a File Geodatabase only
// the files it consists of: those of the tables its system catalog lists
// ("aXXXXXXXX.*", XXXXXXXX the table's number) and its own system files; a
// file of the person's own inside the folder is never removed.
#pragma once

#include <string>
#include <vector>

namespace tarvik {

// True when `path` is a File Geodatabase directory (nothing in it but the
// files of a geodatabase) or a GeoPackage file (SQLite with the GPKG
// application id).
bool IsOutputStore(const std::string& path);

// The system files of a File Geodatabase, by name: "gdb", "timestamps" and
// lock files ("*.lock", ArcGIS's).
bool IsGeodatabaseSystemFile(const std::string& name);

// The files inside the File Geodatabase folder `gdbPath` that are not the
// store's (no table its system catalog lists, no system file), by name.
// RunError when its system catalog cannot be read (then no file can be
// told to be its own).
std::vector<std::string> ForeignFilesInGdb(const std::string& gdbPath);

// Removes the store at `path` (a GeoPackage with its -wal/-shm/-journal
// files; a File GDB with what its runs keep beside it: checkpoints, the note
// of a frame in progress) and returns what the person should be told (a
// checkpoint that could not be used, removed with it), "" when nothing.
// RunError when the path is not a store we may remove, when a File GDB
// folder holds files that are not the store's (nothing is removed; they are
// named), or when it cannot be removed ("%s文件已存在，且无法删除").
std::string RemoveOutputStore(const std::string& path);

namespace detail {
// Removes the files of the tables GDAL was making when a per-frame run of
// ours was killed (numbered after the last table the system catalog lists,
// not listed in it), while the note of that frame (frame_marker.h) proves
// the run; how many files. Never throws.
int RemoveHalfMadeTables(const std::string& gdbPath);
}  // namespace detail

// Removes what runs kept beside a store that is no longer there (a File
// GDB's checkpoints, the note of a frame in progress): they belong to
// nothing, and must not be taken for those of the store made next.
void RemoveOrphanedSideFiles(const std::string& path);

}  // namespace tarvik
