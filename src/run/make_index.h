// Standard sheet indexes for an area: every sheet of a scale of the
// national series that overlaps a box (decimal degrees) or the polygons of
// a cover file (in any coordinate system), written as a shapefile of
// four-corner polygons with the sheet number in TFH, made from the
// sheet-number codec so that its sheets are exactly the sheets a typed
// number gives. The command line's make-index and the window call it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "coords/datum.h"
#include "gdb/coordinate_transform.h"
#include "sheets/sheet_index.h"

namespace tarvik {

struct IndexRequest {
  long scale = 0;             // a denominator of the series (1000000 .. 5000)
  std::optional<GeoBox> box;  // the area in decimal degrees (latitudes 0..88), or
  std::string coverPath;      // the polygons of this file
  // The index's system; unset members: the cover's own Gauss-Krueger
  // system where it has one, else the defaults, the meridian the zone of
  // the area's centre.
  std::optional<Datum> datum;
  std::optional<bool> is3DegreeZone;
  std::optional<int> centralMeridian;
  std::optional<bool> zonePrefix;
  bool geographic = false;                            // corners in longitude/latitude
  std::optional<GivenTransformation> transformation;  // a cover on another datum
  std::string output;                                 // .shp
  bool overwrite = false;
};

struct IndexResult {
  std::size_t sheets = 0;
  std::string system;                // the index's coordinate system
  std::vector<std::string> skipped;  // cover features left out, with the reason
};

// At most this many sheets in one index (1:5 000 sheets over a whole
// province would be millions: a mistake rather than a wish).
inline constexpr std::int64_t kMaxIndexSheets = 1000000;

// Writes the index. RunError with the reason for a request that cannot be
// made (a scale off the series, a box out of range, neither or both of box
// and cover, an output that exists without overwrite, too many sheets, a
// meridian too far, a cover that cannot be read or reprojected).
IndexResult MakeStandardIndex(const IndexRequest& request);

}  // namespace tarvik
