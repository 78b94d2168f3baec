// The state behind a FeatureClass handle. Internal to src/gdb.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "coords/spatial_reference.h"
#include "gdb/feature_class.h"
#include "gdb/gdal_handles.h"
#include "gdb/store.h"

namespace tarvik::detail {

class QueryIndex;

struct ClassState {
  std::shared_ptr<Store> store;
  mutable OGRLayer* layer = nullptr;
  mutable std::uint64_t generation = 0;  // of the store's dataset that `layer` belongs to
  std::string name;
  FrameClassKind kind = FrameClassKind::Other;
  bool annotation = false;
  double referenceScale = 0;
  SpatialReference ref;
  SpatialReference::Domain domain;  // checked by every store when set
  int idField = -1;
  mutable gdal::FeaturePtr scratch;   // reused for every feature written
  std::shared_ptr<QueryIndex> index;  // input classes: built by the first spatial query

  ~ClassState();
  // The layer while the store is open, else null (looked up again after the
  // store reopened its dataset).
  OGRLayer* live() const;
  OGRFeature* scratchFeature();
};

// Creates a frame class (lines, polygons or annotation points) in the
// dataset, with OBJECTID and Shape, the XY domain of the dataset's reference
// and `documentation` (File GDB item documentation, GeoPackage description;
// none when empty). Null when the name is taken or the store refuses.
std::shared_ptr<ClassState> CreateClassIn(const FrameDataset& dataset, const std::string& name,
                                          FrameClassKind kind, const std::string& documentation);

// Whether the envelope lies inside the class's domain (true when no domain
// is set). NaN coordinates are outside.
bool InsideDomain(const ClassState& cls, const OGREnvelope& e);

// Writes the scratch feature (geometry and fields already set) as a new
// feature; false when the store refused it. A full disk ends the run
// (Store::fail throws).
bool InsertScratch(ClassState& cls);

// Adds a field to a class just created; false when the store refused it (a
// full disk ends the run).
bool AddField(ClassState& cls, OGRFieldDefn& field);

}  // namespace tarvik::detail
