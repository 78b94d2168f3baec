#include "gdb/fdb_index_list.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "common/text_util.h"
#include "gdb/gdal_handles.h"
#include "gdb/output_layout.h"
#include "gdb/store.h"

namespace tarvik::detail {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kSpatialKind = 4;
// A list longer than this is none GDAL or ArcGIS wrote for our classes.
constexpr std::uintmax_t kMaxListBytes = 1 << 20;

std::uint32_t U32(const std::string& b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

void PutU32(std::string& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

void PutU16(std::string& b, std::uint16_t v) {
  b.push_back(static_cast<char>(v & 0xff));
  b.push_back(static_cast<char>(v >> 8));
}

void PutName(std::string& b, const std::string& ascii) {
  PutU32(b, static_cast<std::uint32_t>(ascii.size()));
  for (char c : ascii) PutU16(b, static_cast<unsigned char>(c));
}

struct Entry {
  std::string bytes;       // as in the file
  std::uint32_t kind = 0;  // see the header
  std::string expression;  // upper-cased; code units beyond ASCII as '?'
};

// Reads a counted UTF-16 text at `at`, moving past it; false when it runs
// past the end.
bool ReadText(const std::string& b, std::size_t& at, std::string* ascii) {
  if (b.size() - at < 4) return false;
  const std::uint32_t units = U32(b, at);
  at += 4;
  if (units > 1024 || (b.size() - at) / 2 < units) return false;
  for (std::uint32_t i = 0; i < units; ++i, at += 2) {
    const unsigned lo = static_cast<unsigned char>(b[at]), hi = static_cast<unsigned char>(b[at + 1]);
    if (ascii) ascii->push_back(hi == 0 && lo < 0x80 ? static_cast<char>(lo) : '?');
  }
  return true;
}

std::string ListPath(const std::string& gdb, const std::string& stem) {
  return (fs::path(gdb) / (stem + ".gdbindexes")).string();
}

// The entries of the table's list; none when it cannot be read whole. A
// table without a list has no indexes.
std::optional<std::vector<Entry>> ReadList(const std::string& path) {
  std::error_code ec;
  if (!fs::exists(path, ec))
    return ec ? std::nullopt : std::optional<std::vector<Entry>>(std::vector<Entry>{});
  const auto size = fs::file_size(path, ec);
  if (ec || size > kMaxListBytes) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) return std::nullopt;
  if (b.size() < 4) return std::nullopt;
  const std::uint32_t count = U32(b, 0);
  std::vector<Entry> entries;
  std::size_t at = 4;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t start = at;
    Entry e;
    if (!ReadText(b, at, nullptr) || b.size() - at < 12) return std::nullopt;
    e.kind = U32(b, at + 2);
    at += 12;
    if (!ReadText(b, at, &e.expression) || b.size() - at < 2) return std::nullopt;
    at += 2;
    e.expression = ToUpperAscii(e.expression);
    e.bytes = b.substr(start, at - start);
    entries.push_back(std::move(e));
  }
  if (at != b.size()) return std::nullopt;
  return entries;
}

// Whether the entry is the spatial index (on `field`, upper-cased).
bool IsSpatial(const Entry& e, const std::string& field) {
  return e.kind == kSpatialKind || e.expression == field;
}

bool HoldsSpatial(const std::vector<Entry>& entries, const std::string& field) {
  return std::any_of(entries.begin(), entries.end(), [&](const Entry& e) { return IsSpatial(e, field); });
}

// Replaces the list whole: written beside it, then renamed over it.
bool WriteList(const std::string& path, const std::vector<Entry>& entries) {
  std::string b;
  PutU32(b, static_cast<std::uint32_t>(entries.size()));
  for (const Entry& e : entries) b += e.bytes;
  const std::string part = path + ".part";
  {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    out.write(b.data(), static_cast<std::streamsize>(b.size()));
    out.close();
    if (!out) {
      std::error_code ec;
      fs::remove(part, ec);
      return false;
    }
  }
  std::error_code ec;
  fs::rename(part, path, ec);
  if (ec) fs::remove(part, ec);
  return !ec;
}

}  // namespace

std::optional<std::vector<std::pair<std::string, std::uint64_t>>> FdbSystemCatalog(const std::string& gdb) {
  gdal::EnsureRegistered();
  const char* drivers[] = {"OpenFileGDB", nullptr};
  const char* options[] = {"LIST_ALL_TABLES=YES", nullptr};
  gdal::DatasetPtr ds(gdal::Quietly([&] {
    gdal::QuickIdentification quick;
    return GDALDataset::FromHandle(
        GDALOpenEx(gdb.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, drivers, options, nullptr));
  }));
  OGRLayer* catalog = ds ? ds->GetLayerByName("GDB_SystemCatalog") : nullptr;
  if (!catalog) return std::nullopt;
  std::vector<std::pair<std::string, std::uint64_t>> tables;
  gdal::Quietly([&] {
    const int name = catalog->GetLayerDefn()->GetFieldIndex("Name");
    catalog->ResetReading();
    while (gdal::FeaturePtr f{catalog->GetNextFeature()})
      tables.emplace_back(name >= 0 ? f->GetFieldAsString(name) : "",
                          static_cast<std::uint64_t>(f->GetFID()));
    return 0;
  });
  return tables;
}

std::string FdbTableStem(std::uint64_t number) {
  char stem[24];
  std::snprintf(stem, sizeof stem, "a%08llx", static_cast<unsigned long long>(number));
  return stem;
}

std::map<std::string, std::string> FdbTableStems(const std::string& gdb) {
  std::map<std::string, std::string> stems;
  if (const auto tables = FdbSystemCatalog(gdb))
    for (const auto& [name, number] : *tables) stems[ToUpperAscii(name)] = FdbTableStem(number);
  return stems;
}

bool UnlistSpatialIndex(const std::string& gdb, const std::string& stem, const std::string& geometryField) {
  const std::string path = ListPath(gdb, stem);
  auto entries = ReadList(path);
  if (!entries) return false;
  const std::string field = ToUpperAscii(geometryField);
  const auto before = entries->size();
  std::erase_if(*entries, [&](const Entry& e) { return IsSpatial(e, field); });
  if (entries->size() != before && !WriteList(path, *entries)) return false;
  std::error_code ec;
  fs::remove(fs::path(gdb) / (stem + ".spx"), ec);
  return !ec;
}

bool ListsSpatialIndex(const std::string& gdb, const std::string& stem, const std::string& geometryField) {
  const auto entries = ReadList(ListPath(gdb, stem));
  return entries && HoldsSpatial(*entries, ToUpperAscii(geometryField));
}

bool ListSpatialIndex(const std::string& gdb, const std::string& stem, const std::string& geometryField) {
  const std::string path = ListPath(gdb, stem);
  auto entries = ReadList(path);
  if (!entries) return false;
  const std::string field = ToUpperAscii(geometryField);
  if (HoldsSpatial(*entries, field)) return true;
  // As GDAL's writer lists the index it makes with a class.
  Entry spatial;
  spatial.kind = kSpatialKind;
  spatial.expression = field;
  PutName(spatial.bytes, "FDO_" + field);
  PutU16(spatial.bytes, 0);
  PutU32(spatial.bytes, kSpatialKind);
  PutU16(spatial.bytes, 0);
  PutU32(spatial.bytes, 1);
  PutName(spatial.bytes, geometryField);
  PutU16(spatial.bytes, 0);
  auto at = entries->begin();
  if (at != entries->end() && at->kind == 16) ++at;
  entries->insert(at, std::move(spatial));
  return WriteList(path, *entries);
}

bool HasSpatialIndexFile(const std::string& gdb, const std::string& stem) {
  std::error_code ec;
  return fs::is_regular_file(fs::path(gdb) / (stem + ".spx"), ec);
}

IndexBuild RebuildListedIndexes(OGRLayer* layer, const std::string& gdb) {
  errno = 0;  // DiskFull reads it
  return gdal::Quietly([&] {
    IndexBuild build;
    layer->ResetReading();
    gdal::FeaturePtr first{layer->GetNextFeature()};
    layer->ResetReading();
    build.rows = first != nullptr;
    // GDAL does not report an index file it could not write whole; on a
    // full disk it was not.
    build.built = first && layer->SetFeature(first.get()) == OGRERR_NONE &&
                  layer->SyncToDisk() == OGRERR_NONE && CPLGetLastErrorType() < CE_Failure && !DiskFull(gdb);
    return build;
  });
}

void SettleSpatialIndex(const std::string& gdb, const std::string& stem, const std::string& geometryField,
                        const IndexBuild& build) {
  if (build.rows && (!build.built || !HasSpatialIndexFile(gdb, stem)))
    UnlistSpatialIndex(gdb, stem, geometryField);
}

namespace {

void Close(gdal::DatasetPtr& ds) {
  gdal::Quietly([&] {
    ds.reset();
    return 0;
  });
}

}  // namespace

void RestoreSharedSpatialIndexes(const std::string& gdb) {
  struct Unlisted {
    std::string cls, stem, field;
    IndexBuild build;  // a class that cannot be opened counts as one with rows, not built
  };
  const auto stems = FdbTableStems(gdb);
  std::vector<Unlisted> unlisted;
  gdal::DatasetPtr ds = gdal::OpenForUpdate(gdb, "OpenFileGDB");
  if (!ds) return;
  for (const char* cls : {kSharedLineClass, kSharedPolygonClass, kSharedTextClass}) {
    const auto it = stems.find(ToUpperAscii(cls));
    OGRLayer* layer = ds->GetLayerByName(cls);
    if (it == stems.end() || !layer || HasSpatialIndexFile(gdb, it->second)) continue;
    unlisted.push_back({cls, it->second, layer->GetGeometryColumn(), {}});
  }
  Close(ds);
  std::erase_if(unlisted, [&](const Unlisted& u) {
    return u.field.empty() || !ListSpatialIndex(gdb, u.stem, u.field);
  });
  if (unlisted.empty()) return;
  ds = gdal::OpenForUpdate(gdb, "OpenFileGDB");
  for (Unlisted& u : unlisted)
    if (OGRLayer* layer = ds ? ds->GetLayerByName(u.cls.c_str()) : nullptr)
      u.build = RebuildListedIndexes(layer, gdb);
  Close(ds);
  for (const Unlisted& u : unlisted) SettleSpatialIndex(gdb, u.stem, u.field, u.build);
}

}  // namespace tarvik::detail
