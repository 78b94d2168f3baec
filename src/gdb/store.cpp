#include "gdb/store.h"

#include "common/text_util.h"
#include "gdb/frame_catalog.h"

namespace tarvik::detail {

Store::~Store() {
  try {
    close();
  } catch (...) {
  }
}

bool Store::nameTaken(const std::string& name) const { return names.count(ToUpperAscii(name)) > 0; }

void Store::addName(const std::string& name) { names.insert(ToUpperAscii(name)); }

void Store::commit() {
  if (ds && inTransaction) {
    inTransaction = false;
    gdal::Quietly([&] { return ds->CommitTransaction(); });
  }
}

void Store::beginFrame() {
  if (!ds || kind != OutputKind::GeoPackage) return;
  commit();
  inTransaction = gdal::Quietly([&] { return ds->StartTransaction(); }) == OGRERR_NONE;
}

void Store::close() {
  if (!ds) return;
  commit();
  catalog = nullptr;
  ds.reset();
}

void LoadNames(Store& store) {
  store.names.clear();
  store.catalog = nullptr;
  for (int i = 0; i < store.ds->GetLayerCount(); ++i) {
    OGRLayer* layer = store.ds->GetLayer(i);
    if (!layer) continue;
    store.addName(layer->GetName());
    if (EqualsNoCase(layer->GetName(), kCatalogTable)) store.catalog = layer;
  }
  // Feature datasets recorded by earlier runs (the only record on a
  // GeoPackage).
  for (const auto& row : ReadCatalog(store.catalog)) store.addName(row.dataset);
  if (store.kind == OutputKind::FileGdb) {
    if (auto root = store.ds->GetRootGroup())
      for (const auto& group : root->GetGroupNames()) store.addName(group);
  }
}

OGRLayer* EnsureCatalog(Store& store) {
  if (store.catalog) return store.catalog;
  gdal::Options options;
  if (store.kind == OutputKind::GeoPackage) options.set("FID", "OBJECTID");
  OGRLayer* layer = gdal::Quietly([&] { return store.ds->CreateLayer(kCatalogTable, nullptr, wkbNone, options.get()); });
  if (!layer) return nullptr;
  struct Field {
    const char* name;
    OGRFieldType type;
  };
  const Field fields[] = {{"frame", OFTString},          {"dataset", OFTString},
                          {"item", OFTString},           {"kind", OFTString},
                          {"reference_scale", OFTReal},  {"reference_units", OFTString},
                          {"annotation_classes", OFTString}, {"srs_wkt", OFTString},
                          {"epsg", OFTInteger},          {"domain_xmin", OFTReal},
                          {"domain_ymin", OFTReal},      {"domain_xmax", OFTReal},
                          {"domain_ymax", OFTReal},      {"xy_resolution", OFTReal}};
  for (const auto& f : fields) {
    OGRFieldDefn defn(f.name, f.type);
    if (layer->CreateField(&defn) != OGRERR_NONE) return nullptr;
  }
  store.catalog = layer;
  store.addName(kCatalogTable);
  return layer;
}

}  // namespace tarvik::detail
