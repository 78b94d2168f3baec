#include <gtest/gtest.h>

#include "gdb/runtime_check.h"

namespace tarvik {
namespace {

TEST(RuntimeCheck, NamesEveryMissingPart) {
  struct Case {
    std::vector<std::string> drivers;
    int epsg;
    std::vector<std::string> missing;
  };
  const Case cases[] = {
      {{"OpenFileGDB", "GPKG", "ESRI Shapefile"}, 4610, {}},
      {{"OpenFileGDB", "NoSuchDriver"}, 4214, {"GDAL缺少驱动NoSuchDriver"}},
      {{"GPKG"}, 999999, {"PROJ数据库中找不到EPSG:999999"}},
      {{"Nope1", "Nope2"},
       999998,
       {"GDAL缺少驱动Nope1", "GDAL缺少驱动Nope2", "PROJ数据库中找不到EPSG:999998"}},
  };
  for (const Case& c : cases) EXPECT_EQ(MissingRuntimeParts(c.drivers, c.epsg), c.missing);
  // This machine has everything the program needs.
  EXPECT_TRUE(MissingRuntimeParts().empty());
}

}  // namespace
}  // namespace tarvik
