// Which sheet the corners of an index polygon are: the adjacent-sheet table
// of an index run gets the neighbours' numbers from it, and a rectangular
// sheet its own grid.
#include <algorithm>
#include <cmath>

#include "common/error.h"
#include "frame/utstandardMap.h"
#include "sheets/sheet_index.h"

namespace tarvik {

void TstandardMap::IdentifySheet() {
  FRectSheet.reset();
  FSheetCell.reset();
  FNeighbourNumbers = {};
  const long denominator = std::lround(static_cast<double>(S.ScaleFactor * 10000));
  if (!S.GeodeticOutput) {
    std::array<long double, 4> east{}, north{};
    for (std::size_t i = 0; i < 4; ++i) {
      east[i] = FInner[i].easting;
      north[i] = FInner[i].northing;
    }
    if (const auto rect = RectSheetOfCorners(denominator, east, north)) {
      FRectSheet = rect;
      FNeighbourNumbers = RectNeighbours(*rect);
      return;
    }
    // A rectangular sheet of another scale would be framed with texts and
    // distances many times too large or small: refused rather than drawn.
    for (const long other : {500L, 1000L, 2000L, 5000L}) {
      if (const auto rect = RectSheetOfCorners(other, east, north))
        throw RunError("图幅" + rect->number() + "是1:" + std::to_string(other) + "的矩形图幅，而比例尺是1:" +
                       std::to_string(denominator) + "；请把比例尺设为" + std::to_string(other));
    }
  }
  const int scaleIndex = ScaleIndexOfDenominator(denominator);
  if (scaleIndex < 0) return;
  // The corners as read: degrees in geographic mode, metres otherwise.
  std::array<Point2, 4> corners{};
  for (std::size_t i = 0; i < 4; ++i)
    corners[i] =
        S.GeodeticOutput
            ? Point2{static_cast<double>(FInnerGeo[i].lon), static_cast<double>(FInnerGeo[i].lat)}
            : Point2{static_cast<double>(FInner[i].easting), static_cast<double>(FInner[i].northing)};
  FSheetCell = SheetCellOfCorners(scaleIndex, corners, FCoords, S.GeodeticOutput);
  if (!FSheetCell) return;
  const auto cells = NeighbourCells(*FSheetCell);
  for (std::size_t i = 0; i < cells.size(); ++i)
    if (cells[i]) FNeighbourNumbers[i] = SheetNumberOfCell(*cells[i]);
}

}  // namespace tarvik
