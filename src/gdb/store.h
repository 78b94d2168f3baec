// The shared state behind a workspace and its classes: the open GDAL dataset,
// the names already used in it, the frame catalog and the GeoPackage
// transaction of the current frame. Internal to src/gdb.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "gdb/gdal_handles.h"
#include "gdb/output_kind.h"

namespace tarvik::detail {

struct Store {
  gdal::DatasetPtr ds;
  std::string path;
  OutputKind kind = OutputKind::GeoPackage;
  bool output = false;         // an output workspace (false: a read-only input)
  bool inTransaction = false;  // GeoPackage only: the current frame's transaction
  OGRLayer* catalog = nullptr;
  // Upper-cased names of every table, class and feature dataset in the
  // store: both stores compare names without regard to letter case.
  std::unordered_set<std::string> names;
  // Classes created in the current frame, and, on a GeoPackage, classes
  // whose AUTOINCREMENT counters were set aside (see store.cpp).
  std::vector<std::string> frameTables;
  std::vector<std::string> counted;  // finished classes whose counters are still in place
  std::vector<std::string> setAsideCounters;
  // File GDB: the dataset is closed and opened again every few frames
  // (see store.cpp); class handles notice the new generation and look their
  // layer up again.
  std::uint64_t generation = 0;
  int framesSinceOpen = 0;

  ~Store();
  bool open() const { return static_cast<bool>(ds); }
  bool nameTaken(const std::string& name) const;
  void addName(const std::string& name);
  // Notes a class created in the current frame.
  void addFrameTable(const std::string& name);
  // Ends the current frame, keeping what it wrote (GeoPackage: commits its
  // transaction; a File GDB is written when its dataset closes).
  void commit();
  // Starts a new frame after ending the previous one: GeoPackage: starts a
  // transaction (never on a File Geodatabase: its driver emulates one by
  // copying the whole directory); File GDB: reopens the dataset when too
  // many files are open (see store.cpp).
  void beginFrame();
  // GeoPackage: puts back the AUTOINCREMENT counters set aside by commit().
  void restoreCounters();
  // Commits and closes; afterwards every class of the store is unusable.
  void close();
};

// The catalog table that records frames, their classes and class
// properties, so that readers can list the frames of either kind of store.
inline constexpr const char* kCatalogTable = "tarvik_frames";

// Fills `names` from the layers (and File GDB feature datasets) of the
// store, and finds the catalog table.
void LoadNames(Store& store);
OGRLayer* EnsureCatalog(Store& store);

}  // namespace tarvik::detail
