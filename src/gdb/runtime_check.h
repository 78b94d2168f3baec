// What the program needs of its GIS libraries at run time: GDAL with the
// drivers that write and read our stores (OpenFileGDB, GPKG) and the input
// shapefiles (ESRI Shapefile), and a PROJ database that knows the Chinese
// systems (EPSG:4610, Xi'an 1980 geographic, stands for all of them).
#pragma once

#include <string>
#include <vector>

namespace tarvik {

// One line per missing part, in Chinese for the user ("GDAL缺少驱动
// OpenFileGDB", "PROJ数据库中找不到EPSG:4610"); empty when everything is there.
std::vector<std::string> MissingRuntimeParts();

// The same check with the driver names and EPSG code given (for tests).
std::vector<std::string> MissingRuntimeParts(const std::vector<std::string>& drivers, int epsgCode);

// Open files a run needs at the least: a File Geodatabase keeps about seven
// files open per frame for some twenty frames between reopenings, besides
// the input, GDAL's own files and the window's.
inline constexpr long kMinOpenFiles = 256;

// Raises the process's soft limit of open files to its hard limit, at
// program start. Returns the message for the user when the limit stays
// below kMinOpenFiles (a File Geodatabase run would fail part way), empty
// otherwise.
std::string RaiseOpenFileLimit();

}  // namespace tarvik
