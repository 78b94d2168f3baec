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
  std::array<long double, 4> east{}, north{};
  for (std::size_t i = 0; i < 4; ++i) {
    east[i] = S.GeodeticOutput ? FInnerGeo[i].lon : FInner[i].easting;
    north[i] = S.GeodeticOutput ? FInnerGeo[i].lat : FInner[i].northing;
  }
  const long double centreEast = (east[0] + east[1] + east[2] + east[3]) / 4;
  const long double centreNorth = (north[0] + north[1] + north[2] + north[3]) / 4;
  long double lon = centreEast, lat = centreNorth;
  if (!S.GeodeticOutput && !XYToLB(FCoords, centreNorth, centreEast, lon, lat)) return;
  const auto cell = SheetCellAt(scaleIndex, lon, lat);
  if (!cell) return;
  const std::string number = SheetNumberOfCell(*cell);
  const auto extent = DecodeMapNo(number);
  if (!extent) return;
  // The polygon must be that sheet, not merely lie in it: its corners agree
  // with the sheet's to a ten-thousandth of the sheet's side.
  const auto corners = SheetCorners(*extent, FCoords, S.GeodeticOutput);
  const long double tolerance =
      1e-4L * std::min(std::fabs(east[3] - east[0]), std::fabs(north[1] - north[0]));
  for (std::size_t i = 0; i < 4; ++i) {
    if (std::fabs(corners[i].x - east[i]) > tolerance || std::fabs(corners[i].y - north[i]) > tolerance)
      return;
  }
  FNeighbourNumbers = SheetNeighbours(number).value_or(NeighbourNumbers{});
}

}  // namespace tarvik
