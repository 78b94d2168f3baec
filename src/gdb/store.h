// The shared state behind a workspace and its classes: the open GDAL dataset,
// the names already used in it, the frame catalog and the frame being
// written. Internal to src/gdb.
//
// A frame is the unit that is kept or undone: beginFrame() starts it,
// commit() makes everything written since durable (GeoPackage: commits its
// transaction; File GDB: flushes every class written in it to the files, then
// adds the frame's catalog rows and flushes the catalog), abandon() undoes it.
// The catalog rows of a frame are written only at its commit, after its
// classes are on disk, so a reader that lists frames from the catalog never
// sees a frame that a kill or a failure left half written. Nothing here is
// tied to the classes a frame has: whatever classes it created or wrote to
// are flushed (or undone) together.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "gdb/gdal_handles.h"
#include "gdb/output_kind.h"
#include "gdb/spatial_index_transforms.h"

namespace tarvik::detail {

struct CatalogRow;

struct Store {
  gdal::DatasetPtr ds;
  std::string path;
  OutputKind kind = OutputKind::GeoPackage;
  bool output = false;         // an output workspace (false: a read-only input)
  bool inTransaction = false;  // GeoPackage only: the current frame's transaction
  bool frameOpen = false;      // beginFrame() was called and the frame is not yet committed or undone
  OGRLayer* catalog = nullptr;
  // Upper-cased names of every table, class and feature dataset in the
  // store: both stores compare names without regard to letter case.
  std::unordered_set<std::string> names;
  // Classes created in the current frame, and, on a GeoPackage, classes
  // whose AUTOINCREMENT counters were set aside (see store.cpp).
  std::vector<std::string> frameTables;
  std::vector<std::string> counted;  // finished classes whose counters are still in place
  std::vector<std::string> setAsideCounters;
  // Names added in the current frame (given back when it is undone).
  std::vector<std::string> frameNames;
  // Every class the current frame created or wrote to, with the features it
  // added: flushed at commit, undone by abandon on a File GDB.
  struct Touched {
    OGRLayer* layer = nullptr;
    std::string name;
    bool created = false;  // created in this frame: undone by deleting it
    std::vector<std::int64_t> fids;
  };
  std::vector<Touched> touched;
  std::vector<CatalogRow> pendingRows;  // the current frame's catalog rows
  // How the run's input reached the output's system, written into every
  // catalog row of the run (empty: nothing to say).
  std::string inputTransform;
  // Set when a write, commit or flush failed for a reason that concerns the
  // whole store (a full disk, an I/O error): the message the run ended with.
  // The store takes nothing more afterwards.
  std::string failure;
  // Bytes the largest frame so far took on the disk (File GDB and
  // GeoPackage alike), for the free-space check before each frame.
  std::uint64_t largestFrameBytes = 0;
  std::uint64_t freeAtFrameStart = 0;
  // File GDB: the dataset is closed and opened again every few frames
  // (see store.cpp); class handles notice the new generation and look their
  // layer up again.
  std::uint64_t generation = 0;
  int framesSinceOpen = 0;
  // File GDB of the shared layout: a checkpoint is kept beside it
  // (gdb_checkpoint.h), dropped when the store is closed whole.
  bool checkpointed = false;
  // File GDB: what makes the spatial index of a flushed class cheap.
  SpatialIndexTransforms indexTransforms;

  Store();
  ~Store();
  bool open() const { return static_cast<bool>(ds); }
  bool broken() const { return !failure.empty(); }
  bool nameTaken(const std::string& name) const;
  void addName(const std::string& name);
  // Notes a class created in the current frame.
  void addFrameTable(OGRLayer* layer, const std::string& name);
  // Notes a feature the current frame added to a class.
  void addFeature(OGRLayer* layer, const std::string& name, std::int64_t fid);
  // Keeps a catalog row of the current frame, written at its commit.
  void addCatalogRow(const CatalogRow& row);
  // Ends the current frame, keeping what it wrote (see above). RunError when
  // the store does not take it; the frame is then undone and the store
  // refuses everything afterwards.
  void commit();
  // Undoes the current frame: GeoPackage: rolls its transaction back; File
  // GDB: deletes the classes it created and the features it added to older
  // ones. Never throws.
  void abandon();
  // Starts a new frame, committing an open one: checks the free space,
  // GeoPackage: starts a transaction (never on a File Geodatabase: its
  // driver emulates one by copying the whole directory); File GDB: reopens
  // the dataset when too many files are open (see store.cpp).
  void beginFrame();
  // File GDB: closes the dataset, runs `whileClosed` (which must not
  // throw), and opens it again; RunError (the store failed) when it cannot.
  void reopen(const std::function<void()>& whileClosed = {});
  // Whether the disk has less free space than beginFrame() asks for.
  bool lowOnSpace() const;
  // GeoPackage: puts back the AUTOINCREMENT counters set aside by commit().
  void restoreCounters();
  // GeoPackage, before closing: GDAL's last updates in one transaction, and
  // the file left without what made writing it faster.
  void finishGeoPackage();
  // Commits and closes; afterwards every class of the store is unusable.
  // RunError when the last frame or the closing fails (a store that already
  // failed is closed without a further error).
  void close();
  // Ends the run on a failure of the store: records it and throws the
  // RunError that says what happened (a full disk is told as such).
  [[noreturn]] void fail(const std::string& what);
};

// Runs `fn`, a GDAL call on the store that returns an OGRErr, and tells
// whether it succeeded: it returned OGRERR_NONE and GDAL raised no error
// meanwhile. GDAL's File GDB writer reports some failed writes (a full disk
// among them) only as an error message while returning success.
template <typename Fn>
bool Succeeds(Fn&& fn) {
  const OGRErr err = gdal::Quietly([&] { return fn(); });
  return err == OGRERR_NONE && CPLGetLastErrorType() < CE_Failure;
}

// Whether the disk that holds `path` is (all but) full: the reason a write
// failed when it is.
bool DiskFull(const std::string& path);

// The catalog table that records frames, their classes and class
// properties, so that readers can list the frames of either kind of store.
inline constexpr const char* kCatalogTable = "tarvik_frames";

// Fills `names` from the layers (and File GDB feature datasets) of the
// store, and finds the catalog table.
void LoadNames(Store& store);
OGRLayer* EnsureCatalog(Store& store);

}  // namespace tarvik::detail
