// Reading a written output store back from disk: the frames it holds and
// each frame's lines, polygons and texts, in either layout (output_layout.h:
// a frame's own classes, or its features of the shared classes). Used by the
// preview, the deliveries and the tests; it never sees the writer's memory.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "coords/spatial_reference.h"
#include "gdb/annotation.h"
#include "gdb/geometry.h"
#include "gdb/output_kind.h"

namespace tarvik {

struct FrameInfo {
  std::string frame;                                     // frame name
  std::string dataset;                                   // "y" + frame name
  std::string lineClass, polygonClass, annotationClass;  // empty when not created
  SpatialReference ref;                                  // with its XY domain when one was set
  double referenceScale = 0;                             // of the annotation class
  std::string referenceUnits;                            // "meters"
  std::string annotationClasses;                         // "Default"
  // The shared layout: the field that names the frame in its classes
  // ("FrameName"), which the classes share with other frames; empty when
  // the classes are the frame's own.
  std::string frameField;
  // The extent of the frame's features, store coordinates (recorded by the
  // shared layout only).
  std::optional<Envelope> extent;
  // The shared layout: the OBJECTIDs the frame's features lie between in
  // each class (0 when not recorded).
  struct IdRange {
    std::int64_t first = 0, last = 0;
  };
  IdRange lineIds, polygonIds, textIds;
  // The numbers of the frame's three-north diagram
  // ("convergence=0.302600 declination=-3.400000 ..."); empty when none.
  std::string northDiagram;
};

struct StoredLine {
  std::int64_t objectId = 0;
  std::int32_t id = 0;
  std::vector<std::vector<Point2>> paths;
};

struct StoredPolygon {
  std::int64_t objectId = 0;
  std::int32_t id = 0;
  std::vector<std::vector<Point2>> rings;  // outer ring first
};

struct StoredText {
  std::int64_t objectId = 0;
  std::string text;
  Point2 anchor;
  TextSymbol symbol;
  int annotationClassId = 0;
};

// What a reader that does not list them knows of the frames of one dataset
// of the shared layout.
struct SharedFramesSummary {
  std::string dataset;
  std::int64_t frames = 0;      // frame rows
  std::int64_t withExtent = 0;  // of them, those that record their extent
  // By scale denominator: the widest and the tallest extent recorded.
  std::map<double, std::pair<double, double>> largest;
};

class OutputReader {
 public:
  // Whether the frames of the shared layout are each listed, or only the
  // first of each dataset with a summary of the rest (a reader of 300 000
  // frames needs some 150 MB to list them).
  enum class Listing { EveryFrame, FirstSharedFrame };
  // Opens the store read-only, after putting back what a killed run left
  // (output_recovery.h: RecoverOutput; `callerHoldsLock` for the run that
  // wrote it). RunError when it does not open, when another run is writing
  // a File GDB, or when a killed run's leftovers could not be used.
  explicit OutputReader(const std::string& path, bool callerHoldsLock = false,
                        Listing listing = Listing::EveryFrame);
  ~OutputReader();
  OutputReader(OutputReader&&) noexcept;
  OutputReader& operator=(OutputReader&&) noexcept;

  OutputKind kind() const;
  // What was put back before the store was read, for the person ("" when
  // nothing).
  const std::string& recovered() const;
  // The frames in the order they were written (Listing::FirstSharedFrame:
  // of a dataset of the shared layout only its first).
  const std::vector<FrameInfo>& frames() const;
  // Listing::FirstSharedFrame: each dataset of the shared layout, in the
  // order of their first frames; empty otherwise.
  const std::vector<SharedFramesSummary>& sharedSummaries() const;
  std::vector<StoredLine> lines(const FrameInfo& frame) const;
  std::vector<StoredPolygon> polygons(const FrameInfo& frame) const;
  std::vector<StoredText> texts(const FrameInfo& frame) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tarvik
