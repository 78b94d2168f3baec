#include "support/test_shapefile.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "support/test_support.h"

namespace tarvik::test {

void WriteTestShapefile(const std::string& path, int epsg, const std::vector<std::string>& fields,
                        const std::vector<TestFeature>& features, TestShape shape) {
  GDALAllRegister();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
  GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  ASSERT_NE(ds, nullptr) << path;
  OGRSpatialReference srs;
  if (epsg) srs.importFromEPSG(epsg);
  char** options = CSLSetNameValue(nullptr, "ENCODING", "UTF-8");
  OGRLayer* layer = ds->CreateLayer(std::filesystem::path(path).stem().c_str(), epsg ? &srs : nullptr,
                                    shape == TestShape::Polygon ? wkbPolygon : wkbLineString, options);
  CSLDestroy(options);
  ASSERT_NE(layer, nullptr);
  for (const auto& name : fields) {
    OGRFieldDefn f(name.c_str(), OFTString);
    f.SetWidth(40);
    ASSERT_EQ(layer->CreateField(&f), OGRERR_NONE);
  }
  for (const auto& tf : features) {
    OGRFeature* f = OGRFeature::CreateFeature(layer->GetLayerDefn());
    for (const auto& [name, value] : tf.fields) f->SetField(name.c_str(), value.c_str());
    if (shape == TestShape::Line) {
      auto* multi = new OGRMultiLineString();
      for (const auto& part : tf.parts) {
        auto* line = new OGRLineString();
        for (const auto& p : part) line->addPoint(p.x, p.y);
        multi->addGeometryDirectly(line);
      }
      f->SetGeometryDirectly(multi);
    } else {
      auto* multi = new OGRMultiPolygon();
      for (const auto& part : tf.parts) {
        auto* ring = new OGRLinearRing();
        for (const auto& p : part) ring->addPoint(p.x, p.y);
        ring->closeRings();
        auto* polygon = new OGRPolygon();
        polygon->addRingDirectly(ring);
        multi->addGeometryDirectly(polygon);
      }
      if (multi->getNumGeometries() == 1) {
        f->SetGeometry(multi->getGeometryRef(0));
        delete multi;
      } else {
        f->SetGeometryDirectly(multi);
      }
    }
    ASSERT_EQ(layer->CreateFeature(f), OGRERR_NONE);
    OGRFeature::DestroyFeature(f);
  }
  GDALClose(ds);
}

void PoisonShapefileCoordinate(const std::string& shpPath, double value) {
  std::string bytes = ReadFile(shpPath);
  char pattern[sizeof value], nan[sizeof value];
  const double quietNaN = std::nan("");
  std::memcpy(pattern, &value, sizeof value);  // little-endian, as the .shp stores it
  std::memcpy(nan, &quietNaN, sizeof value);
  int replaced = 0;
  for (std::size_t at = bytes.find(std::string(pattern, sizeof pattern)); at != std::string::npos;
       at = bytes.find(std::string(pattern, sizeof pattern), at + sizeof value)) {
    bytes.replace(at, sizeof value, nan, sizeof nan);
    ++replaced;
  }
  ASSERT_GT(replaced, 0) << value << " is not in " << shpPath;
  WriteFile(shpPath, bytes);
}

std::vector<XY> Rectangle(double xMin, double yMin, double xMax, double yMax) {
  return {{xMin, yMin}, {xMin, yMax}, {xMax, yMax}, {xMax, yMin}};
}

}  // namespace tarvik::test
