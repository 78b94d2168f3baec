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

}  // namespace tarvik
