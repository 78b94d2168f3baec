#include "gdb/layer_styles.h"

#include "gdb/gdal_handles.h"
#include "gdb/store.h"

namespace tarvik {
namespace {

constexpr const char* kStyleTable = "layer_styles";

// The table as QGIS creates it, so that QGIS and GDAL both read it.
OGRLayer* StyleTable(detail::Store& store) {
  if (OGRLayer* layer = store.ds->GetLayerByName(kStyleTable)) return layer;
  gdal::Options options;
  options.set("FID", "id");
  OGRLayer* layer =
      gdal::Quietly([&] { return store.ds->CreateLayer(kStyleTable, nullptr, wkbNone, options.get()); });
  if (!layer) return nullptr;
  struct Field {
    const char* name;
    OGRFieldType type;
    int width;
  };
  const Field fields[] = {{"f_table_catalog", OFTString, 256},
                          {"f_table_schema", OFTString, 256},
                          {"f_table_name", OFTString, 256},
                          {"f_geometry_column", OFTString, 256},
                          {"styleName", OFTString, 30},
                          {"styleQML", OFTString, 0},
                          {"styleSLD", OFTString, 0},
                          {"useAsDefault", OFTInteger, 0},
                          {"description", OFTString, 0},
                          {"owner", OFTString, 30},
                          {"ui", OFTString, 0},
                          {"update_time", OFTDateTime, 0}};
  for (const auto& f : fields) {
    OGRFieldDefn defn(f.name, f.type);
    defn.SetWidth(f.width);
    if (f.type == OFTInteger) defn.SetSubType(OFSTBoolean);
    if (layer->CreateField(&defn) != OGRERR_NONE) return nullptr;
  }
  store.addName(kStyleTable);
  return layer;
}

}  // namespace

bool WriteLayerStyles(OutputWorkspace& workspace, const std::vector<LayerStyleRow>& rows) {
  const auto& store = workspace.store();
  if (!store || !store->open() || store->kind != OutputKind::GeoPackage) return true;
  OGRLayer* table = StyleTable(*store);
  if (!table) return false;
  bool ok = true;
  for (const auto& row : rows) {
    gdal::FeaturePtr f(OGRFeature::CreateFeature(table->GetLayerDefn()));
    f->SetField("f_table_catalog", "");
    f->SetField("f_table_schema", "");
    f->SetField("f_table_name", row.table.c_str());
    f->SetField("f_geometry_column", row.geometryColumn.c_str());
    f->SetField("styleName", row.styleName.c_str());
    f->SetField("styleQML", row.qml.c_str());
    f->SetField("styleSLD", "");
    f->SetField("useAsDefault", 1);
    f->SetField("description", row.description.c_str());
    f->SetField("owner", "");
    f->SetField("ui", "");
    // The time of writing, as SQLite's CURRENT_TIMESTAMP would give it.
    const time_t now = time(nullptr);
    struct tm t {};
    gmtime_r(&now, &t);
    f->SetField(f->GetFieldIndex("update_time"), t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                t.tm_min, static_cast<float>(t.tm_sec), 100);
    ok = gdal::Quietly([&] { return table->CreateFeature(f.get()); }) == OGRERR_NONE && ok;
  }
  return ok;
}

void RegisterClassesInOrder(OutputWorkspace& workspace, const std::vector<std::string>& topFirst) {
  const auto& store = workspace.store();
  if (!store || !store->open() || store->kind != OutputKind::GeoPackage) return;
  for (const auto& name : topFirst) {
    // The classes of the frame being written are at hand; GDAL's lookup by
    // name walks every class of the store.
    OGRLayer* layer = nullptr;
    for (const auto& t : store->touched)
      if (t.name == name) layer = t.layer;
    if (!layer) layer = store->ds->GetLayerByName(name.c_str());
    if (layer) gdal::Quietly([&] { return layer->SyncToDisk(); });
  }
}

}  // namespace tarvik
