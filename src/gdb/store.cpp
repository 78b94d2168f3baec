#include "gdb/store.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>

#include "common/error.h"
#include "common/text_util.h"
#include "gdb/frame_catalog.h"
#include "gdb/frame_marker.h"
#include "gdb/gdb_checkpoint.h"
#include "gdb/geopackage_sql.h"

namespace tarvik::detail {

namespace fs = std::filesystem;

Store::Store() = default;

Store::~Store() {
  try {
    close();
  } catch (...) {}
}

bool Store::nameTaken(const std::string& name) const { return names.count(ToUpperAscii(name)) > 0; }

void Store::addName(const std::string& name) {
  const std::string upper = ToUpperAscii(name);
  if (names.insert(upper).second && frameOpen) frameNames.push_back(upper);
}

void Store::addFrameTable(OGRLayer* layer, const std::string& name) {
  frameTables.push_back(name);
  touched.push_back({layer, name, true, {}});
}

void Store::addFeature(OGRLayer* layer, const std::string& name, std::int64_t fid) {
  // Searched from the end: the class written last is nearly always the one
  // written again.
  for (auto it = touched.rbegin(); it != touched.rend(); ++it) {
    if (it->layer != layer) continue;
    if (!it->created) it->fids.push_back(fid);
    return;
  }
  touched.push_back({layer, name, false, {fid}});
}

void Store::addCatalogRow(const CatalogRow& row) { pendingRows.push_back(row); }

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

// Runs a statement that gives no rows on a GeoPackage; false when SQLite
// refused it.
bool Execute(GDALDataset* ds, const std::string& sql) {
  return Succeeds([&] { return gpkg::Execute(ds, sql) ? OGRERR_NONE : OGRERR_FAILURE; });
}

// The free space on the disk that holds `path` (or its nearest existing
// parent), in bytes; none when it cannot be told.
std::optional<std::uint64_t> FreeBytes(const std::string& path) {
  fs::path p = path;
  std::error_code ec;
  while (!p.empty() && !fs::exists(p, ec)) p = p.parent_path();
  if (p.empty()) p = ".";
  struct statvfs s {};
  if (statvfs(p.c_str(), &s) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(s.f_bavail) * s.f_frsize;
}

// Below this a disk counts as full: no frame is started with less free,
// and a write that fails with less left failed for want of space.
constexpr std::uint64_t kMinFreeBytes = std::uint64_t{1} << 20;

// The free space a frame is not started below: the margin grows with the
// largest frame written so far.
bool TooLittle(std::uint64_t freeBytes, std::uint64_t largestFrameBytes) {
  return freeBytes < std::max(kMinFreeBytes, 3 * largestFrameBytes);
}

// Writes the files of a closed store through to the disk, so that a finished
// run survives a power loss too (during the run each frame is handed to the
// operating system, which is what a killed or crashed program needs). A
// GeoPackage is one file; a File GDB of a large run has tens of thousands,
// for which one syncfs of their file system costs less than an fsync each.
void WriteThrough(const std::string& path) {
  std::error_code ec;
  const bool directory = fs::is_directory(path, ec);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  if (directory) {
    ::syncfs(fd);
  } else {
    ::fsync(fd);
    fs::path parent = fs::path(path).parent_path();
    if (parent.empty()) parent = ".";
    const int dir = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
  }
  ::close(fd);
}

}  // namespace

bool DiskFull(const std::string& path) {
  const int saved = errno;
  if (saved == ENOSPC || saved == EDQUOT) return true;
  const std::string reason = ToLowerAscii(gdal::LastError());
  if (reason.find("disk is full") != std::string::npos || reason.find("no space left") != std::string::npos)
    return true;
  const auto free = FreeBytes(path);
  return free && *free < kMinFreeBytes;
}

void Store::fail(const std::string& what) {
  const std::string reason = gdal::LastError("未知原因");
  const bool full = DiskFull(path);
  abandon();
  failure = full ? "磁盘已满，不能继续写入" + path : "写入" + path + "失败（" + what + "）：" + reason;
  throw RunError(failure);
}

// GeoPackage feature tables are AUTOINCREMENT tables, and SQLite looks up a
// table's counter in sqlite_sequence, which has no index, at every INSERT:
// with thousands of frame classes in one file every feature would cost a
// scan of thousands of rows. A finished frame's counters are therefore set
// aside (deleted: SQLite then continues from the largest OBJECTID, which for
// a table nobody deleted from is the same number) and put back when the
// store is closed, so the file ends up exactly as without this.
void Store::commit() {
  if (!ds) return;
  if (broken()) throw RunError(failure);
  if (!frameOpen && touched.empty() && pendingRows.empty()) return;
  if (kind == OutputKind::FileGdb) {
    // The classes first, then the catalog: a frame is listed only once
    // everything it wrote is in the files.
    for (const Touched& t : touched) {
      // Flushing a class builds its spatial index.
      indexTransforms.stock(t.layer->GetSpatialRef());
      if (!Succeeds([&] { return t.layer->SyncToDisk(); })) fail(t.name);
    }
  }
  if (!pendingRows.empty()) {
    OGRLayer* table = EnsureCatalog(*this);
    if (!table) fail(kCatalogTable);
    if (!inputTransform.empty() && !AddInputTransformColumn(table)) fail(kCatalogTable);
    if (std::any_of(pendingRows.begin(), pendingRows.end(),
                    [](const CatalogRow& r) { return !r.northDiagram.empty(); }) &&
        !AddNorthDiagramColumn(table))
      fail(kCatalogTable);
    for (CatalogRow row : pendingRows) {
      row.inputTransform = inputTransform;
      if (!AppendCatalogRow(table, row)) fail(kCatalogTable);
    }
    if (kind == OutputKind::FileGdb && !Succeeds([&] { return table->SyncToDisk(); })) fail(kCatalogTable);
  }
  std::vector<std::string> nowCounted;
  bool setAside = false;
  if (kind == OutputKind::GeoPackage) {
    nowCounted = counted;
    nowCounted.insert(nowCounted.end(), frameTables.begin(), frameTables.end());
    // Done every few frames, so that the counters in sqlite_sequence stay
    // at most a few dozen.
    constexpr std::size_t kSetAsideBatch = 60;
    setAside = nowCounted.size() >= kSetAsideBatch;
    if (setAside) {
      std::string list;
      for (const auto& t : nowCounted) {
        if (!list.empty()) list.push_back(',');
        list += SqlText(t);
      }
      if (!Execute(ds.get(), "DELETE FROM sqlite_sequence WHERE name IN (" + list + ")"))
        fail("sqlite_sequence");
    }
    if (inTransaction && !Succeeds([&] { return ds->CommitTransaction(); })) fail("COMMIT");
    inTransaction = false;
    if (setAside) {
      setAsideCounters.insert(setAsideCounters.end(), nowCounted.begin(), nowCounted.end());
      nowCounted.clear();
    }
    counted = std::move(nowCounted);
  }
  if (frameOpen && freeAtFrameStart > 0) {
    if (const auto free = FreeBytes(path); free && *free < freeAtFrameStart)
      largestFrameBytes = std::max(largestFrameBytes, freeAtFrameStart - *free);
  }
  frameTables.clear();
  frameNames.clear();
  touched.clear();
  pendingRows.clear();
  frameOpen = false;
}

void Store::abandon() {
  if (ds) {
    // Undoing is as good as the store allows: what cannot be removed (on a
    // failing disk) stays behind, but unlisted, since the frame's catalog
    // rows were never written.
    gdal::Quietly([&] {
      bool undone = true;
      if (kind == OutputKind::GeoPackage) {
        if (!inTransaction) return undone;
        undone = ds->RollbackTransaction() == OGRERR_NONE;
        // GDAL keeps its objects of the classes created in the rolled-back
        // transaction, which would block their names: the dataset is opened
        // anew (rarely: only after a failure).
        ++generation;
        catalog = nullptr;
        ds.reset();
        const char* drivers[] = {"GPKG", nullptr};
        ds.reset(GDALDataset::FromHandle(
            GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE, drivers, nullptr, nullptr)));
        if (ds) {
          catalog = ds->GetLayerByName(kCatalogTable);
          gpkg::PrepareForWriting(ds.get());
        } else if (failure.empty())
          failure = "不能重新打开输出" + path + "：" + gdal::LastError("未知原因");
        return undone;
      }
      // Features added to classes of earlier frames, then the classes this
      // frame created (the newest first).
      for (const Touched& t : touched)
        if (!t.created)
          for (const std::int64_t fid : t.fids) undone = t.layer->DeleteFeature(fid) == OGRERR_NONE && undone;
      for (auto it = touched.rbegin(); it != touched.rend(); ++it) {
        if (!it->created) continue;
        for (int i = 0; i < ds->GetLayerCount(); ++i) {
          if (ds->GetLayer(i) != it->layer) continue;
          undone = ds->DeleteLayer(i) == OGRERR_NONE && undone;
          break;
        }
      }
      return undone;
    });
  }
  inTransaction = false;
  for (const std::string& name : frameNames) names.erase(name);
  frameTables.clear();
  frameNames.clear();
  touched.clear();
  pendingRows.clear();
  frameOpen = false;
}

void Store::restoreCounters() {
  if (!ds || setAsideCounters.empty()) return;
  // SQLite allows at most 500 terms in a compound SELECT.
  constexpr std::size_t kChunk = 400;
  const bool started = !inTransaction && Succeeds([&] { return ds->StartTransaction(); });
  bool restored = true;
  for (std::size_t i = 0; restored && i < setAsideCounters.size(); i += kChunk) {
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
    restored = Execute(ds.get(), "INSERT INTO sqlite_sequence (name, seq) " + select);
  }
  setAsideCounters.clear();
  // Counters that cannot be put back (no room left) cost nothing but their
  // rows: SQLite goes on from the largest OBJECTID, the same number.
  if (started) gdal::Quietly([&] { return restored ? ds->CommitTransaction() : ds->RollbackTransaction(); });
}

void Store::finishGeoPackage() {
  // At closing GDAL writes every class's extent and time of change to
  // gpkg_contents, one statement and one SQLite transaction (a journal file
  // made and removed) per class. Done here first in one transaction, while
  // the index of gpkg::PrepareForWriting still finds the rows, which is
  // dropped in the same transaction. Should any of it fail, it is rolled
  // back and the closing does it the usual way (and reports its failure).
  gdal::Quietly([&] {
    if (ds->StartTransaction() != OGRERR_NONE) return 0;
    ds->FlushCache();
    const bool flushed = CPLGetLastErrorType() < CE_Failure;
    gpkg::FinishWriting(ds.get());
    if (!flushed || ds->CommitTransaction() != OGRERR_NONE) ds->RollbackTransaction();
    return 0;
  });
}

// GDAL's File GDB driver keeps the files of every class it has written in
// this session open (about six per frame). Closing and reopening the dataset
// releases them; it is done when the frames since the last opening would
// come near the process's limit of open files (the usual 1024 allows about a
// hundred frames), and not otherwise, since it costs time.
int FramesPerOpen() {
  constexpr int kFilesPerFrame = 7;
  constexpr int kReserved = 256;  // for everything else the program opens
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 100;
  const rlim_t soft = limit.rlim_cur == RLIM_INFINITY ? rlim_t{1} << 20 : limit.rlim_cur;
  const long frames =
      (static_cast<long>(std::min<rlim_t>(soft, rlim_t{1} << 20)) - kReserved) / kFilesPerFrame;
  return static_cast<int>(std::max(20L, frames));
}

bool Store::lowOnSpace() const {
  const auto free = FreeBytes(path);
  return free && TooLittle(*free, largestFrameBytes);
}

void Store::beginFrame() {
  if (!ds) return;
  if (broken()) throw RunError(failure);
  if (frameOpen) commit();
  // A frame is not started on a disk that is (nearly) full: a File GDB
  // whose class creation runs out of space is left with catalog entries
  // that point past the end of its files. The margin grows with the largest
  // frame written so far.
  const auto free = FreeBytes(path);
  freeAtFrameStart = free.value_or(0);
  if (free && TooLittle(*free, largestFrameBytes)) {
    failure = "磁盘已满，不能继续写入" + path + "（只剩 " + std::to_string(*free / 1024) + " KB）";
    throw RunError(failure);
  }
  if (kind == OutputKind::GeoPackage) {
    frameOpen = true;
    if (!Succeeds([&] { return ds->StartTransaction(); })) fail("BEGIN");
    inTransaction = true;
    return;
  }
  if (++framesSinceOpen > FramesPerOpen()) {
    framesSinceOpen = 1;
    reopen();
  }
  frameOpen = true;
}

void Store::reopen(const std::function<void()>& whileClosed) {
  catalog = nullptr;
  ++generation;
  gdal::Quietly([&] {
    ds.reset();
    return 0;
  });
  if (CPLGetLastErrorType() >= CE_Failure) fail("关闭后重新打开");
  if (whileClosed) whileClosed();
  ds = gdal::OpenForUpdate(path, "OpenFileGDB");
  if (!ds) {
    failure = "不能重新打开输出" + path + "：" + gdal::LastError("未知原因");
    throw RunError(failure);
  }
  catalog = ds->GetLayerByName(kCatalogTable);
}

void Store::close() {
  if (!ds) return;
  if (broken()) {
    // The failure was reported when it happened; what the earlier frames
    // wrote is on disk already.
    catalog = nullptr;
    gdal::Quietly([&] {
      ds.reset();
      return 0;
    });
    return;
  }
  try {
    commit();
    restoreCounters();
    if (output && kind == OutputKind::GeoPackage) finishGeoPackage();
  } catch (...) {
    catalog = nullptr;
    gdal::Quietly([&] {
      ds.reset();
      return 0;
    });
    throw;
  }
  catalog = nullptr;
  gdal::Quietly([&] {
    ds.reset();
    return 0;
  });
  if (!output) return;  // an input file: nothing was written
  if (CPLGetLastErrorType() >= CE_Failure) {
    failure =
        (DiskFull(path) ? "磁盘已满，不能完成写入" + path : "关闭" + path + "失败：" + gdal::LastError());
    throw RunError(failure);
  }
  // Closed whole: nothing a killed run leaves is needed any more.
  if (checkpointed) DropCheckpoint(path);
  if (kind == OutputKind::FileGdb) ClearFrameInProgress(path);
  WriteThrough(path);
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
  ForEachCatalogRow(store.catalog, [&](const CatalogRow& row) { store.addName(row.dataset); });
  if (store.kind == OutputKind::FileGdb) {
    if (auto root = store.ds->GetRootGroup())
      for (const auto& group : root->GetGroupNames()) store.addName(group);
  }
}

OGRLayer* EnsureCatalog(Store& store) {
  if (store.catalog) return store.catalog;
  gdal::Options options;
  if (store.kind == OutputKind::GeoPackage) options.set("FID", "OBJECTID");
  OGRLayer* layer =
      gdal::Quietly([&] { return store.ds->CreateLayer(kCatalogTable, nullptr, wkbNone, options.get()); });
  if (!layer || CPLGetLastErrorType() >= CE_Failure) return nullptr;
  struct Field {
    const char* name;
    OGRFieldType type;
  };
  const Field fields[] = {{"frame", OFTString},
                          {"dataset", OFTString},
                          {"item", OFTString},
                          {"kind", OFTString},
                          {"reference_scale", OFTReal},
                          {"reference_units", OFTString},
                          {"annotation_classes", OFTString},
                          {"srs_wkt", OFTString},
                          {"epsg", OFTInteger},
                          {"domain_xmin", OFTReal},
                          {"domain_ymin", OFTReal},
                          {"domain_xmax", OFTReal},
                          {"domain_ymax", OFTReal},
                          {"xy_resolution", OFTReal}};
  for (const auto& f : fields) {
    OGRFieldDefn defn(f.name, f.type);
    if (!Succeeds([&] { return layer->CreateField(&defn); })) return nullptr;
  }
  store.catalog = layer;
  store.addName(kCatalogTable);
  return layer;
}

}  // namespace tarvik::detail
