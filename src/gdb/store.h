// The shared state behind a workspace and its classes: the open GDAL dataset,
// the names already used in it, the frame catalog and the GeoPackage
// transaction of the current frame. Internal to src/gdb.
#pragma once

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
  // GeoPackage: classes created in the current frame, and classes whose
  // AUTOINCREMENT counters were set aside (see store.cpp).
  std::vector<std::string> frameTables;
  std::vector<std::string> setAsideCounters;

  ~Store();
  bool open() const { return static_cast<bool>(ds); }
  bool nameTaken(const std::string& name) const;
  void addName(const std::string& name);
  // Notes a class created in the current frame.
  void addFrameTable(const std::string& name);
  // GeoPackage: ends the current frame's transaction, keeping what it wrote.
  void commit();
  // GeoPackage: starts a transaction for a new frame (after committing the
  // previous one). Never used on a File Geodatabase: its driver emulates a
  // transaction by copying the whole directory.
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
