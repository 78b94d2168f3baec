// The state behind a FeatureClass handle. Internal to src/gdb.
#pragma once

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
  OGRLayer* layer = nullptr;
  std::string name;
  FrameClassKind kind = FrameClassKind::Other;
  bool annotation = false;
  double referenceScale = 0;
  SpatialReference ref;
  SpatialReference::Domain domain;  // checked by every store when set
  int idField = -1;
  gdal::FeaturePtr scratch;  // reused for every feature written
  std::shared_ptr<QueryIndex> index;  // input classes: built by the first spatial query

  ~ClassState();
  // The layer while the store is open, else null.
  OGRLayer* live() const { return store && store->open() ? layer : nullptr; }
  OGRFeature* scratchFeature();
};

// Whether the envelope lies inside the class's domain (true when no domain
// is set). NaN coordinates are outside.
bool InsideDomain(const ClassState& cls, const OGREnvelope& e);

// Writes the scratch feature (geometry and fields already set) as a new
// feature; OGRERR_NONE on success.
OGRErr InsertScratch(ClassState& cls);

}  // namespace tarvik::detail
