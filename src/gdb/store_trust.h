// Which frames of an output GDAL reads whole, for the message that tells a
// person what they may rely on when a killed run's leftovers could not be
// used: every class of a frame opens and reads to its end; in the shared
// layout every OBJECTID the catalog gives the frame in each class is there.
#pragma once

#include <string>
#include <vector>

namespace tarvik::detail {

struct StoreTrust {
  bool readable = false;                // GDAL opens the store and reads its frame catalog
  int listed = 0;                       // frames the catalog lists
  int whole = 0;                        // of those, the ones read whole
  std::vector<std::string> incomplete;  // the first few of the others
};

// Reads the store at `path` with GDAL as it is (nothing is put back first).
StoreTrust AssessStore(const std::string& path);

// "GDAL能完整读出其中的 5 个图廓（共列出 7 个；不完整：A、B）" and the like.
std::string DescribeTrust(const StoreTrust& trust);

}  // namespace tarvik::detail
