// The sheets of a standard sheet index: whether a polygon of the index is a
// sheet at all, which scale of the national series its size belongs to, and
// the scale its sheet numbers name. A run over an index draws every text and
// distance at the run's scale, so an index of another scale (1:10 000 sheets
// drawn at 1:50 000) or a file of other polygons (rotated frames around
// counties) must be refused before anything is written.
//
// Angles are decimal degrees; planar corners are Gauss-Krueger metres in
// store order (easting, northing), converted with the run's coordinate
// parameters.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "coords/utlbxy.h"
#include "gdb/feature_class.h"
#include "gdb/geometry.h"

namespace tarvik {

// What the four corners of an index polygon are.
struct IndexSheet {
  // true: the corners lie on two meridians and two parallels (a sheet of the
  // national series, or some other graticule sheet); false: a rectangle of
  // the planar grid (a large-scale rectangular sheet).
  bool graticule = true;
  // For a graticule sheet: the scale index (0 for 1:1,000,000 .. 7 for
  // 1:5,000) whose sheet size it has; -1 when its size is of no scale of the
  // series.
  int scaleIndex = -1;
};

// Reads the first four corners of the polygon (one ring of four corners
// already checked by FrameShapeProblem): the corners must be four distinct
// points on two meridians and two parallels to a thousandth of the sheet's
// side (planar ones converted with `coords`, geographic ones as stored when
// `geographic`), or, for planar ones, the corners of a rectangle of the
// grid. The reason, for the user, when they are neither.
std::variant<IndexSheet, std::string> ReadIndexSheet(const Geometry& shape, const CoordParams& coords,
                                                     bool geographic);

// "1:1万" for a scale denominator (10000), "1:2.5万", "1:5000", "1:100万".
std::string ScaleName(long double denominator);

// "1:5万标准图幅（经差15′、纬差10′）" for a scale index of the series.
std::string SeriesSheetName(int scaleIndex);

}  // namespace tarvik
