// Writing frames into the classes of the shared layout (output_layout.h):
// one line, one polygon and one text class for every frame of the store,
// each feature naming its frame in FrameName, and a catalog row per frame
// with its reference scale and the extent of its features.
//
// Frames are kept in batches: a batch is one transaction of a GeoPackage,
// and on a File Geodatabase one flush of the classes and then of the
// catalog. A frame is on disk (a killed program keeps it) once its batch is
// written, which keptFrames() tells; until then it is held. Batches are
// written every fraction of a second, and on a File GDB, whose writer
// rebuilds every index of a class at every flush, no more often than keeps
// the flushes a small share of the run, yet at least every
// SharedBatchLimits frames or seconds, so that a kill loses at most that
// much of any run. The classes of a File GDB are therefore written without
// their spatial index, which is built once, when the store is closed (a
// killed run's classes are put back without one, and the recovery that
// puts them back builds it: fdb_index_list.h). A frame that
// fails is undone alone; the frames held with it stay.
//
// The classes have one spatial reference and one annotation reference
// scale, those of the store's first frame: a frame in another coordinate
// system or at another scale is refused (RunError saying why). Their XY
// domain spans the whole zone (or the globe), not one frame, so that frames
// anywhere in it can be added.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "coords/spatial_reference.h"
#include "gdb/feature_class.h"
#include "gdb/geometry.h"
#include "gdb/workspace.h"

namespace tarvik {

namespace detail {
struct IndexBuild;
}

struct SharedFrameClasses {
  FeatureClass lines, polygons, texts;
};

// The most a batch holds: frames, and seconds from its first frame.
struct SharedBatchLimits {
  int frames = 25000;
  double seconds = 120;
};

class SharedFrameWriter {
 public:
  // Reads the shared classes the store already holds (a store added to),
  // and the names of its frames.
  explicit SharedFrameWriter(OutputWorkspace workspace, SharedBatchLimits limits = {});
  ~SharedFrameWriter();  // closes; errors are lost (call close())
  SharedFrameWriter(const SharedFrameWriter&) = delete;
  SharedFrameWriter& operator=(const SharedFrameWriter&) = delete;

  OutputWorkspace& workspace() { return workspace_; }

  // Whether the frame `name` (already cleaned) may be added, and reserves
  // its name: false when the name is taken by a frame, class or table of
  // the store (the caller reports it); RunError when the frame's coordinate
  // system or scale is not the classes' (those of the first frame admitted
  // when the store has none yet). Touches neither the store nor GDAL, so a
  // caller that draws frames on one thread and writes them on another asks
  // this on the drawing thread, before it draws.
  bool admit(const std::string& name, const SpatialReference& ref, double referenceScale);
  // Gives back the name of an admitted frame that will not be begun.
  void release(const std::string& name);
  // Starts the admitted frame `name`: the classes, made with the first
  // frame, ready to take its features. RunError when the store fails.
  SharedFrameClasses beginFrame(const std::string& name, const SpatialReference& ref, double referenceScale);
  // Whether the last beginFrame made the classes (the caller styles them).
  bool madeClasses() const { return madeClasses_; }
  // The frame is drawn: listed with the extent of its features (none when
  // it has none), written with its batch. RunError when the store fails
  // (the batch is then undone).
  void finishFrame(const std::optional<Envelope>& extent, const std::string& northDiagram = "");
  // The frame failed: its features are removed. Never throws.
  void abandonFrame();
  // Frames finished and on disk so far, and the most of them one batch
  // wrote.
  int keptFrames() const { return kept_; }
  int largestBatch() const { return largestBatch_; }
  // Writes the last batch, indexes FrameName and closes the store.
  // RunError when that fails.
  void close();

 private:
  void openClasses();
  void makeClasses(const SpatialReference& ref, double referenceScale);
  void checkSystem(const SpatialReference& ref, double referenceScale, const std::string& name);
  void writeBatch();
  void deferSpatialIndexes();
  std::vector<detail::IndexBuild> buildSpatialIndexes();
  void indexFrameNames();

  OutputWorkspace workspace_;
  std::vector<FeatureClass> classes_;  // lines, polygons, texts once made
  SpatialReference ref_;               // of the classes
  double referenceScale_ = 0;
  int epsg_ = 0;  // of ref_, for the frames' catalog rows
  // What admit() knows, apart from the store: the upper-cased names of
  // frame datasets ("y" + name) taken or reserved (the one record of the
  // shared frames' names: the store's names are those of its tables,
  // classes and datasets), and the system frames must have (the classes',
  // or the first admitted frame's).
  std::unordered_set<std::string> admitted_;
  bool systemSet_ = false;
  SpatialReference systemRef_;
  double systemScale_ = 0;
  const void* checkedRef_ = nullptr;  // the reference last found the system
  int checkedEpsg_ = 0;
  std::string frame_;  // the frame being drawn
  bool frameOpen_ = false, batchOpen_ = false, madeClasses_ = false;
  std::vector<std::size_t> marks_;  // features of each class before the frame
  SharedBatchLimits limits_;
  int kept_ = 0, held_ = 0, largestBatch_ = 0;
  std::chrono::steady_clock::time_point batchStart_;
  double batchSeconds_ = 0;  // how long a batch gathers frames
  // File GDB: the classes' tables and geometry fields, once their spatial
  // indexes are left to the close (deferSpatialIndexes), and whether that
  // was tried.
  struct Deferred {
    std::string stem, field;
  };
  std::vector<Deferred> deferred_;
  bool deferTried_ = false;
};

}  // namespace tarvik
