// Standard sheet indexes made from the sheet-number codec: every sheet of a
// scale that overlaps an area, as a four-corner polygon with its number, so
// that the frames drawn over the index are exactly the frames of the typed
// numbers.
//
// Angles are decimal degrees (east and north positive). Corners go to the
// store as (easting, northing) in Gauss-Krueger metres or as (longitude,
// latitude), in the order lower-left, upper-left, upper-right, lower-right.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "coords/utlbxy.h"
#include "gdb/geometry.h"
#include "gdb/sheet_index_writer.h"
#include "sheets/uttfhao.h"

namespace tarvik {

struct GeoBox {
  long double west = 0, south = 0, east = 0, north = 0;
};

// The scale index ("A" = 0 .. "H" = 7) of a scale denominator of the series
// (1000000, 500000, 250000, 100000, 50000, 25000, 10000, 5000); -1 otherwise.
int ScaleIndexOfDenominator(long denominator);

// The current ten-character number of the sheet of the scale in global
// column gx (counted from 180 degrees west) and row gy (counted from the
// equator northwards); a 1:1,000,000 sheet gets its three characters (J50).
std::string SheetNumberAt(int scaleIndex, std::int64_t gx, std::int64_t gy);

// How many sheets of the scale overlap the box (sheets that only touch its
// edges do not count), and their numbers, row by row from north to south,
// west to east within a row. The box must lie within latitudes 0..88 and
// longitudes -180..180.
std::int64_t SheetCountInBox(int scaleIndex, const GeoBox& box);
std::vector<std::string> SheetNumbersInBox(int scaleIndex, const GeoBox& box);

// Corners of a decoded sheet in store order: geographic (longitude,
// latitude), or planar (easting, northing) converted with `coords` exactly
// as the frame of a typed number converts them.
std::array<Point2, 4> SheetCorners(const SheetExtent& sheet, const CoordParams& coords, bool geographic);

// The index polygons of the numbers (decoded with the codec), converted as
// SheetCorners does; `keep` (when set) is asked about every sheet first.
std::vector<IndexPolygon> SheetIndexPolygons(const std::vector<std::string>& numbers,
                                             const CoordParams& coords, bool geographic,
                                             const std::function<bool(const SheetExtent&)>& keep = {});

}  // namespace tarvik
