// Which kind of output store a path names. One rule for the whole program:
// the ending of the path, letter case ignored.
#pragma once

#include <string>

namespace tarvik {

enum class OutputKind {
  FileGdb,     // a directory ending in ".gdb", written with GDAL's OpenFileGDB driver
  GeoPackage,  // a single file ending in ".gpkg"
};

// The kind of the output path. Any other ending (".mdb" included) ends the
// run with a RunError that says personal geodatabases cannot be written and
// names the two kinds that can.
OutputKind OutputKindOf(const std::string& path);

// Whether the path names a File Geodatabase (never throws).
bool IsFileGdbPath(const std::string& path);

// The path without trailing separators: "D:/out/frames.gdb/" still names
// the directory "D:/out/frames.gdb". A lone "/" stays.
std::string WithoutTrailingSeparators(const std::string& path);

// Whether the output of that kind exists: the directory for a .gdb, the file
// for a .gpkg.
bool OutputExists(const std::string& path);

}  // namespace tarvik
