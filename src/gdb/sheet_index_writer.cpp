#include "gdb/sheet_index_writer.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/error.h"
#include "common/text_util.h"
#include "gdb/gdal_handles.h"

namespace tarvik {

void WriteSheetIndex(const std::string& path, const SpatialReference& ref, const std::string& nameField,
                     const std::vector<IndexPolygon>& sheets, bool replace) {
  if (!EndsWithNoCase(path, ".shp")) throw RunError(path + "：图幅索引必须是 .shp 文件");
  gdal::EnsureRegistered();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
  if (!driver) throw RunError("GDAL 没有 ESRI Shapefile 驱动");
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    if (!replace) throw RunError(path + " 已存在");
    if (gdal::Quietly([&] { return driver->Delete(path.c_str()); }) != CE_None)
      throw RunError(path + " 已存在，且无法删除：" + gdal::LastError());
  }
  const auto parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);

  gdal::DatasetPtr ds(
      gdal::Quietly([&] { return driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr); }));
  if (!ds) throw RunError("不能创建" + path + "：" + gdal::LastError());
  gdal::Options options;
  options.set("ENCODING", "UTF-8");  // also writes the .cpg
  const std::string layerName = std::filesystem::path(path).stem().string();
  // The layer takes its own reference to the copy.
  OGRSpatialReference* srs = ref.empty() ? nullptr : ref.ogr()->Clone();
  OGRLayer* layer =
      gdal::Quietly([&] { return ds->CreateLayer(layerName.c_str(), srs, wkbPolygon, options.get()); });
  if (srs) srs->Release();
  if (!layer) throw RunError("不能创建" + path + "：" + gdal::LastError());
  std::size_t width = 10;
  for (const auto& s : sheets) width = std::max(width, s.name.size());
  OGRFieldDefn field(nameField.c_str(), OFTString);
  field.SetWidth(static_cast<int>(std::min<std::size_t>(width, 254)));
  if (layer->CreateField(&field) != OGRERR_NONE)
    throw RunError("不能创建字段" + nameField + "：" + gdal::LastError());

  gdal::FeaturePtr feature(OGRFeature::CreateFeature(layer->GetLayerDefn()));
  for (const auto& s : sheets) {
    OGRLinearRing* ring = new OGRLinearRing();
    for (const auto& p : s.ring) ring->addPoint(p.x, p.y);
    ring->closeRings();
    OGRPolygon* polygon = new OGRPolygon();
    polygon->addRingDirectly(ring);
    feature->SetFID(OGRNullFID);
    feature->SetField(0, s.name.c_str());
    feature->SetGeometryDirectly(polygon);
    if (gdal::Quietly([&] { return layer->CreateFeature(feature.get()); }) != OGRERR_NONE)
      throw RunError("不能写入" + path + "：" + gdal::LastError());
  }
  // Closing writes the header, the index and the side files.
  const bool closed = gdal::Quietly([&] {
    ds.reset();
    return CPLGetLastErrorType() < CE_Failure;
  });
  if (!closed) throw RunError("不能写入" + path + "：" + gdal::LastError());
}

}  // namespace tarvik
