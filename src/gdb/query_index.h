// The in-memory copy of an input class that answers spatial queries: every
// feature read once, with an envelope grid over them, and the features each
// where clause selects. Internal to src/gdb.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gdb/envelope_grid.h"
#include "gdb/feature.h"

class OGRLayer;
class OGRFeature;

namespace tarvik::detail {

class QueryIndex {
 public:
  // Reads every feature of the layer (its reading position is reset).
  explicit QueryIndex(OGRLayer* layer);
  const std::vector<Feature>& features() const { return features_; }
  const EnvelopeGrid& grid() const { return grid_; }

 private:
  std::vector<Feature> features_;
  EnvelopeGrid grid_;
};

// A detached copy of a GDAL feature; `names` are the layer's field names.
Feature CopyFeature(OGRFeature* f, const std::shared_ptr<const std::vector<std::string>>& names);
std::shared_ptr<const std::vector<std::string>> FieldNamesOf(OGRLayer* layer);

}  // namespace tarvik::detail
