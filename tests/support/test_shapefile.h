// Writing small shapefiles with GDAL itself, for tests that need input files
// with shapes the program would never write (several parts, odd vertex
// counts, lines, no coordinate system).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "support/gdal_readback.h"

namespace tarvik::test {

struct TestFeature {
  std::map<std::string, std::string> fields;  // text values by field name
  // Polygons: the rings (closed by the writer); more than one ring makes a
  // multipolygon of one-ring parts. Lines: the paths.
  std::vector<std::vector<XY>> parts;
};

enum class TestShape { Polygon, Line };

// A shapefile with text fields `fields` (in that order) holding the
// features, in EPSG `epsg` (0: no .prj), with a UTF-8 .cpg.
void WriteTestShapefile(const std::string& path, int epsg, const std::vector<std::string>& fields,
                        const std::vector<TestFeature>& features, TestShape shape = TestShape::Polygon);

// Replaces every coordinate equal to `value` in the .shp (its header's
// extent included) by NaN, as a damaged file or another program may leave
// it: GDAL refuses to write such coordinates itself.
void PoisonShapefileCoordinate(const std::string& shpPath, double value);

// The four corners of an axis-parallel rectangle as a ring.
std::vector<XY> Rectangle(double xMin, double yMin, double xMax, double yMax);

}  // namespace tarvik::test
