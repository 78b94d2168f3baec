#include "frame/utstandardMap.h"

#include <algorithm>
#include <cmath>

#include "gdb/geometry.h"

namespace tarvik {

void TstandardMap::ComputeOuterCorners() {
  long double dE = FFrameGap, dN = FFrameGap;
  if (S.GeodeticOutput) {
    FSheetLon = FInnerEast[0];
    FSheetLat = FInnerNorth[0];
    FSheetWidth = FInnerEast[2] - FSheetLon;
    FSheetHeight = FInnerNorth[2] - FSheetLat;
    dE = GeoDeltaEast(FFrameGap, FSheetLat, FSheetLon);
    dN = GeoDeltaNorth(FFrameGap, FSheetLat, FSheetLon);
  }
  // Lower-left, upper-left, upper-right, lower-right: each moved outwards.
  const int eastSign[4] = {-1, -1, 1, 1};
  const int northSign[4] = {-1, 1, 1, -1};
  for (int i = 0; i < 4; ++i) {
    FOuterEast[i] = FInnerEast[i] + eastSign[i] * dE;
    FOuterNorth[i] = FInnerNorth[i] + northSign[i] * dN;
  }
}

void TstandardMap::InnerEnvelope(long double& eMin, long double& nMin, long double& eMax,
                                 long double& nMax) const {
  eMin = *std::min_element(FInnerEast.begin(), FInnerEast.end());
  eMax = *std::max_element(FInnerEast.begin(), FInnerEast.end());
  nMin = *std::min_element(FInnerNorth.begin(), FInnerNorth.end());
  nMax = *std::max_element(FInnerNorth.begin(), FInnerNorth.end());
}

std::optional<long double> TstandardMap::NorthingAtEasting(long double E,
                                                           const std::array<long double, 4>& north,
                                                           const std::array<long double, 4>& east,
                                                           int a, int b) const {
  long double Y = 0, X = 0;
  // The north-south line through E, given by two of its points.
  if (!LineIntersection(Y, X, north[a], E, north[a] + 1000, E, north[a], east[a], north[b],
                        east[b]))
    return std::nullopt;
  return X;
}

std::optional<long double> TstandardMap::EastingAtNorthing(long double N,
                                                           const std::array<long double, 4>& north,
                                                           const std::array<long double, 4>& east,
                                                           int a, int b) const {
  long double Y = 0, X = 0;
  // The east-west line through N, given by two of its points.
  if (!LineIntersection(Y, X, N, east[a], N, east[a] + 1000, north[a], east[a], north[b], east[b]))
    return std::nullopt;
  return Y;
}

void TstandardMap::DrawFrame() {
  const bool geo = S.GeodeticOutput;
  // A rectangular sheet's corners are labelled in kilometres: its grid may be
  // a local one without latitudes and longitudes.
  const CornerLabelMode labelMode = S.rgdmsmode;
  if (FRectSheet) S.rgdmsmode = CornerLabelMode::Planar;
  for (int i = 0; i < 4; ++i) {
    if (geo)
      LabelCornerGeo(i, FInnerNorth[i], FInnerEast[i]);
    else
      LabelCorner(i, FInnerNorth[i], FInnerEast[i]);
  }
  S.rgdmsmode = labelMode;
  DrawInnerFrame();
  DrawOuterFrame();
  DrawCornerMarks();

  // Scale bar below the middle of the outer bottom edge. It is built in
  // planar metres; in geographic mode its anchor is converted to planar first
  // so the bar's ground lengths stay metres.
  const long double midNorth = (FOuterNorth[0] + FOuterNorth[3]) / 2;
  const long double midEast = (FOuterEast[0] + FOuterEast[3]) / 2;
  if (geo) {
    const PlanarXY p = GeoToPlanar(midNorth, midEast);
    DrawScaleBar(p.northing, p.easting);
  } else {
    DrawScaleBar(midNorth, midEast);
  }

  if (geo) {
    DrawLeftTextsGeo(FOuterNorth[0], FOuterEast[0], FInnerNorth[0], FInnerEast[0]);
    DrawRightBottomTextGeo(FOuterNorth[3], FInnerEast[3]);
    DrawScaleTextGeo((FOuterNorth[0] + FOuterNorth[3]) / 2, FOuterEast[3], FOuterEast[0]);
    DrawRightTopTextsGeo(FOuterNorth[2], FInnerEast[2]);
    DrawTitlesGeo((FOuterNorth[1] + FOuterNorth[2]) / 2, FOuterEast[2], FOuterEast[1]);
  } else {
    DrawLeftTexts(FOuterNorth[0], FOuterEast[0]);
    DrawRightBottomText(FOuterNorth[3], FOuterEast[3]);
    DrawScaleText((FOuterNorth[0] + FOuterNorth[3]) / 2, FOuterEast[3], FOuterEast[0]);
    DrawRightTopTexts(FOuterNorth[2], FOuterEast[2]);
    DrawTitles((FOuterNorth[1] + FOuterNorth[2]) / 2, FOuterEast[2], FOuterEast[1]);
  }

  DrawAdjacentTable();
  if (geo) ToPlanarCorners();

  DrawGrid();
  DrawMask();
}

void TstandardMap::DrawGrid() {
  // Rectangular sheets have their own line and crosshair grids.
  if (FRectSheet && (S.rgGrid == GridType::Kilometre || S.rgGrid == GridType::Crosshair)) {
    DrawRectSheetGrid();
    return;
  }
  switch (S.rgGrid) {
    case GridType::Kilometre:
      DrawKilometreGrid(true);
      break;
    case GridType::Crosshair: {
      DrawKilometreGrid(false);
      long double eMin, nMin, eMax, nMax;
      InnerEnvelope(eMin, nMin, eMax, nMax);
      DrawCrossGrid(kInnerLine, nMax, nMin, eMax, eMin);
      break;
    }
    case GridType::Graticule:
      DrawGraticule();
      break;
    case GridType::GraticuleCrosses:
      DrawGraticuleCrosses();
      break;
    case GridType::None:
      break;
  }
}

void TstandardMap::DrawInnerFrame() {
  if (!S.GeodeticOutput) {
    for (int i = 0; i < 4; ++i) {
      const int j = (i + 1) % 4;
      AddLine(kInnerLine, {FInnerNorth[j], FInnerEast[j]}, {FInnerNorth[i], FInnerEast[i]});
    }
    return;
  }
  // The sides of the geographic rectangle, each extended by the frame gap
  // beyond both ends so that they cross at the corners and reach the outer frame.
  FGapLon = GeoDeltaEast(FFrameGap, FSheetLat, FSheetLon);
  FGapLat = GeoDeltaNorth(FFrameGap, FSheetLat, FSheetLon);
  const long double top = FSheetLat + FSheetHeight, right = FSheetLon + FSheetWidth;
  AddLineDirect(kInnerLine, {top + FGapLat, FSheetLon}, {FSheetLat - FGapLat, FSheetLon});
  AddLineDirect(kInnerLine, {top, right + FGapLon}, {top, FSheetLon - FGapLon});
  AddLineDirect(kInnerLine, {top + FGapLat, right}, {FSheetLat - FGapLat, right});
  AddLineDirect(kInnerLine, {FSheetLat, right + FGapLon}, {FSheetLat, FSheetLon - FGapLon});
}

void TstandardMap::DrawOuterFrame() {
  if (!S.GeodeticOutput) {
    for (int i = 0; i < 4; ++i) {
      const int j = (i + 1) % 4;
      AddLine(kOuterLine, {FOuterNorth[j], FOuterEast[j]}, {FOuterNorth[i], FOuterEast[i]});
    }
    return;
  }
  const long double south = FSheetLat - FGapLat, north = FSheetLat + FSheetHeight + FGapLat;
  const long double west = FSheetLon - FGapLon, east = FSheetLon + FSheetWidth + FGapLon;
  AddLineDirect(kOuterLine, {north, west}, {south, west});
  AddLineDirect(kOuterLine, {north, east}, {north, west});
  AddLineDirect(kOuterLine, {north, east}, {south, east});
  AddLineDirect(kOuterLine, {south, east}, {south, west});
}

void TstandardMap::DrawCornerMarks() {
  if (S.GeodeticOutput) return;  // the extended inner sides mark the corners
  // Outer side reached by the horizontal mark (left for corners 0 and 1, right
  // for 2 and 3) and by the vertical one (bottom for 0 and 3, top for 1 and 2).
  const int sideA[4] = {0, 0, 2, 2}, sideB[4] = {1, 1, 3, 3};
  const int endA[4] = {0, 1, 1, 0}, endB[4] = {3, 2, 2, 3};
  for (int i = 0; i < 4; ++i) {
    const long double N = FInnerNorth[i], E = FInnerEast[i];
    // A side without an intersection (parallel or degenerate) gets no mark.
    if (const auto e = EastingAtNorthing(N, FOuterNorth, FOuterEast, sideA[i], sideB[i]))
      AddLine(kInnerLine, {N, *e}, {N, E});
    if (const auto n = NorthingAtEasting(E, FOuterNorth, FOuterEast, endA[i], endB[i]))
      AddLine(kInnerLine, {*n, E}, {N, E});
  }
}

void TstandardMap::ToPlanarCorners() {
  for (int i = 0; i < 4; ++i) {
    const PlanarXY inner = GeoToPlanar(FInnerNorth[i], FInnerEast[i]);
    FInnerNorth[i] = inner.northing;
    FInnerEast[i] = inner.easting;
    const PlanarXY outer = GeoToPlanar(FOuterNorth[i], FOuterEast[i]);
    FOuterNorth[i] = outer.northing;
    FOuterEast[i] = outer.easting;
  }
}

void TstandardMap::DrawMask() {
  if (S.RGYaSet == 2 || FSheetShape.isNull() || FSheetShape.isEmpty()) return;
  // The sheet's envelope enlarged by the mask distance, minus the sheet. In
  // geographic mode the ground distance is turned into degrees at the sheet.
  long double dx = S.ScaleFactor * S.seYaDIS, dy = dx;
  if (S.GeodeticOutput) {
    dy = GeoDeltaNorth(dx, FSheetLat, FSheetLon);
    dx = GeoDeltaEast(dx, FSheetLat, FSheetLon);
  }
  const Envelope env = FSheetShape.envelope();
  const Geometry mask = GeometryDifference(
      EnvelopePolygon({env.xMin - static_cast<double>(dx), env.yMin - static_cast<double>(dy),
                       env.xMax + static_cast<double>(dx), env.yMax + static_cast<double>(dy)}),
      FSheetShape);
  if (!mask.isNull() && !mask.isEmpty()) StorePolygon(kMaskRing, mask);
}

}  // namespace tarvik
