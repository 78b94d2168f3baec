// Frames of standard map sheets: the corner model of one sheet and the whole
// drawing of its frame (corner labels, inner and outer frame, corner marks,
// scale bar, marginal texts, adjacent-sheet table, grid, mask ring).
//
// Corner arrays have four entries: 0 lower-left, 1 upper-left, 2 upper-right,
// 3 lower-right. In planar mode a corner is (northing, easting) in metres; in
// geographic mode (latitude, longitude) in degrees until ToPlanarCorners.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "frame/utTkBaseClass.h"

namespace tarvik {

class TstandardMap : public TtkBaseClass {
 public:
  using TtkBaseClass::TtkBaseClass;

  // Name of the sheet of the index that contains a point (store order), for
  // the adjacent-sheet table; empty when no sheet contains it. Set by the
  // index-file run; unset for a typed sheet number.
  std::function<std::string(double x, double y)> FNeighbourName;

  // Fills the outer corners (and in geographic mode the geographic rectangle)
  // from the inner corners.
  void ComputeOuterCorners();
  // Draws everything of one sheet from the corner arrays.
  void DrawFrame();
  // Envelope of the inner corners: minimum easting, minimum northing,
  // maximum easting, maximum northing.
  void InnerEnvelope(long double& eMin, long double& nMin, long double& eMax,
                     long double& nMax) const;

  // Grids (planar after ToPlanarCorners) and the adjacent-sheet table.
  void DrawKilometreGrid(bool full);
  void DrawGraticule();
  void DrawGraticuleCrosses();
  void DrawAdjacentTable();

  // Inner corners: easting (or longitude) and northing (or latitude).
  std::array<long double, 4> FInnerEast{}, FInnerNorth{};
  std::array<long double, 4> FOuterEast{}, FOuterNorth{};
  // Geographic rectangle of the sheet (degrees): lower-left corner and size.
  long double FSheetLon = 0, FSheetLat = 0, FSheetWidth = 0, FSheetHeight = 0;
  // The frame gap and a table cell in degrees at the sheet (geographic mode).
  long double FGapLon = 0, FGapLat = 0, FTableCellLon = 0, FTableCellLat = 0;
  // The sheet polygon (store coordinates) when the sheet comes from an index.
  Geometry FSheetShape;

 protected:
  void DrawInnerFrame();
  void DrawOuterFrame();
  void DrawCornerMarks();
  void ToPlanarCorners();
  void DrawMask();
  void DrawTableNames(long double N0, long double E0, long double CW, long double CH);

  // Intersection of the north-south line at easting E (or east-west line at
  // northing N) with the side from corner a to corner b of a corner array.
  std::optional<long double> NorthingAtEasting(long double E, const std::array<long double, 4>& north,
                                               const std::array<long double, 4>& east, int a,
                                               int b) const;
  std::optional<long double> EastingAtNorthing(long double N, const std::array<long double, 4>& north,
                                               const std::array<long double, 4>& east, int a,
                                               int b) const;
};

}  // namespace tarvik
