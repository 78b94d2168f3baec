#include "gdb/store.h"

#include <algorithm>

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

void Store::addFrameTable(const std::string& name) {
  if (kind == OutputKind::GeoPackage) frameTables.push_back(name);
}

namespace {

// `s` between `quote` characters, quotes inside doubled (SQL literals and
// identifiers).
std::string Quoted(const std::string& s, char quote) {
  std::string out;
  out.reserve(s.size() + 2);
  out.push_back(quote);
  for (char c : s) {
    out.push_back(c);
    if (c == quote) out.push_back(quote);
  }
  out.push_back(quote);
  return out;
}
std::string SqlText(const std::string& s) { return Quoted(s, '\''); }
std::string SqlName(const std::string& s) { return Quoted(s, '"'); }

void Execute(GDALDataset* ds, const std::string& sql) {
  gdal::Quietly([&] {
    if (OGRLayer* result = ds->ExecuteSQL(sql.c_str(), nullptr, nullptr)) ds->ReleaseResultSet(result);
    return 0;
  });
}

}  // namespace

// GeoPackage feature tables are AUTOINCREMENT tables, and SQLite looks up a
// table's counter in sqlite_sequence, which has no index, at every INSERT:
// with thousands of frame classes in one file every feature would cost a
// scan of thousands of rows. A finished frame's counters are therefore set
// aside (deleted: SQLite then continues from the largest OBJECTID, which for
// a table nobody deleted from is the same number) and put back when the
// store is closed, so the file ends up exactly as without this.
void Store::commit() {
  if (!ds) return;
  if (kind == OutputKind::GeoPackage && !frameTables.empty()) {
    std::string list;
    for (const auto& t : frameTables) {
      if (!list.empty()) list.push_back(',');
      list += SqlText(t);
    }
    Execute(ds.get(), "DELETE FROM sqlite_sequence WHERE name IN (" + list + ")");
    setAsideCounters.insert(setAsideCounters.end(), frameTables.begin(), frameTables.end());
    frameTables.clear();
  }
  if (inTransaction) {
    inTransaction = false;
    gdal::Quietly([&] { return ds->CommitTransaction(); });
  }
}

void Store::restoreCounters() {
  if (!ds || setAsideCounters.empty()) return;
  // SQLite allows at most 500 terms in a compound SELECT.
  constexpr std::size_t kChunk = 400;
  const bool started = !inTransaction && gdal::Quietly([&] { return ds->StartTransaction(); }) == OGRERR_NONE;
  for (std::size_t i = 0; i < setAsideCounters.size(); i += kChunk) {
    std::string select;
    for (std::size_t k = i; k < std::min(i + kChunk, setAsideCounters.size()); ++k) {
      const auto& t = setAsideCounters[k];
      if (!select.empty()) select += " UNION ALL ";
      select += "SELECT ";
      select += SqlText(t);
      select += ", MAX(OBJECTID) FROM ";
      select += SqlName(t);
      select += " HAVING MAX(OBJECTID) IS NOT NULL";
    }
    Execute(ds.get(), "INSERT INTO sqlite_sequence (name, seq) " + select);
  }
  setAsideCounters.clear();
  if (started) gdal::Quietly([&] { return ds->CommitTransaction(); });
}

void Store::beginFrame() {
  if (!ds || kind != OutputKind::GeoPackage) return;
  commit();
  inTransaction = gdal::Quietly([&] { return ds->StartTransaction(); }) == OGRERR_NONE;
}

void Store::close() {
  if (!ds) return;
  commit();
  restoreCounters();
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
