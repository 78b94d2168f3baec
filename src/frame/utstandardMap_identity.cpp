// Which sheet the corners of an index polygon are: the adjacent-sheet table
// of an index run gets the neighbours' numbers from it, and a rectangular
// sheet its own grid.
#include <algorithm>
#include <cmath>

#include "common/error.h"
#include "sheets/sheet_index.h"
#include "frame/utstandardMap.h"

namespace tarvik {

void TstandardMap::IdentifySheet() {
  FRectSheet.reset();
  FNeighbourNumbers = {};
  const long denominator = std::lround(static_cast<double>(S.ScaleFactor * 10000));
  if (!S.GeodeticOutput) {
    if (const auto rect = RectSheetOfCorners(denominator, FInnerEast, FInnerNorth)) {
      FRectSheet = rect;
      FNeighbourNumbers = RectNeighbours(*rect);
      return;
    }
    // A rectangular sheet of another scale would be framed with texts and
    // distances many times too large or small: refused rather than drawn.
    for (const long other : {500L, 1000L, 2000L, 5000L}) {
      if (const auto rect = RectSheetOfCorners(other, FInnerEast, FInnerNorth))
        throw RunError("图幅" + rect->number() + "是1:" + std::to_string(other) + "的矩形图幅，而比例尺是1:" +
                       std::to_string(denominator) + "；请把比例尺设为" + std::to_string(other));
    }
  }
  const int scaleIndex = ScaleIndexOfDenominator(denominator);
  if (scaleIndex < 0) return;
  SilentFeedback quiet;  // corners that are no sheet of the series just give no numbers
  const long double east = (FInnerEast[0] + FInnerEast[1] + FInnerEast[2] + FInnerEast[3]) / 4;
  const long double north = (FInnerNorth[0] + FInnerNorth[1] + FInnerNorth[2] + FInnerNorth[3]) / 4;
  long double lon = east, lat = north;
  if (!S.GeodeticOutput && !XYToLB(FCoords, north, east, lon, lat, quiet)) return;
  const auto cell = SheetCellAt(scaleIndex, lon, lat);
  if (!cell) return;
  const std::string number = SheetNumberOfCell(*cell);
  const auto extent = DecodeMapNo(number, quiet);
  if (!extent) return;
  // The polygon must be that sheet, not merely lie in it: its corners agree
  // with the sheet's to a ten-thousandth of the sheet's side.
  const auto corners = SheetCorners(*extent, FCoords, S.GeodeticOutput);
  const long double tolerance =
      1e-4L * std::min(std::fabs(FInnerEast[3] - FInnerEast[0]), std::fabs(FInnerNorth[1] - FInnerNorth[0]));
  for (std::size_t i = 0; i < 4; ++i) {
    if (std::fabs(corners[i].x - FInnerEast[i]) > tolerance || std::fabs(corners[i].y - FInnerNorth[i]) > tolerance)
      return;
  }
  FNeighbourNumbers = SheetNeighbours(number, quiet).value_or(NeighbourNumbers{});
}

}  // namespace tarvik
