#include "frame/utstandardMap.h"

#include <algorithm>
#include <cmath>

#include "gdb/geometry.h"

namespace tarvik {

void TstandardMap::ComputeOuterCorners() {
  // Lower-left, upper-left, upper-right, lower-right: each moved outwards.
  const int eastSign[4] = {-1, -1, 1, 1};
  const int northSign[4] = {-1, 1, 1, -1};
  if (!S.GeodeticOutput) {
    for (std::size_t i = 0; i < 4; ++i) {
      FOuter[i].easting = FInner[i].easting + eastSign[i] * FFrameGap;
      FOuter[i].northing = FInner[i].northing + northSign[i] * FFrameGap;
    }
    return;
  }
  FSheetLon = FInnerGeo[0].lon;
  FSheetLat = FInnerGeo[0].lat;
  FSheetWidth = FInnerGeo[2].lon - FSheetLon;
  FSheetHeight = FInnerGeo[2].lat - FSheetLat;
  const long double dE = GeoDeltaEast(FFrameGap, FSheetLat, FSheetLon);
  const long double dN = GeoDeltaNorth(FFrameGap, FSheetLat, FSheetLon);
  for (std::size_t i = 0; i < 4; ++i) {
    FOuterGeo[i].lon = FInnerGeo[i].lon + eastSign[i] * dE;
    FOuterGeo[i].lat = FInnerGeo[i].lat + northSign[i] * dN;
    // The grids are drawn in metres: the planar images of the corners.
    FInner[i] = GeoToPlanar(FInnerGeo[i].lat, FInnerGeo[i].lon);
    FOuter[i] = GeoToPlanar(FOuterGeo[i].lat, FOuterGeo[i].lon);
  }
}

void TstandardMap::InnerEnvelope(long double& eMin, long double& nMin, long double& eMax,
                                 long double& nMax) const {
  eMin = eMax = FInner[0].easting;
  nMin = nMax = FInner[0].northing;
  for (const PlanarXY& c : FInner) {
    eMin = std::min(eMin, c.easting);
    eMax = std::max(eMax, c.easting);
    nMin = std::min(nMin, c.northing);
    nMax = std::max(nMax, c.northing);
  }
}

std::optional<long double> TstandardMap::NorthingAtEasting(long double E, const std::array<PlanarXY, 4>& corners,
                                                           int a, int b) const {
  const PlanarXY& p = corners[static_cast<std::size_t>(a)];
  const PlanarXY& q = corners[static_cast<std::size_t>(b)];
  long double Y = 0, X = 0;
  // The north-south line through E, given by two of its points.
  if (!LineIntersection(Y, X, p.northing, E, p.northing + 1000, E, p.northing, p.easting, q.northing, q.easting))
    return std::nullopt;
  return X;
}

std::optional<long double> TstandardMap::EastingAtNorthing(long double N, const std::array<PlanarXY, 4>& corners,
                                                           int a, int b) const {
  const PlanarXY& p = corners[static_cast<std::size_t>(a)];
  const PlanarXY& q = corners[static_cast<std::size_t>(b)];
  long double Y = 0, X = 0;
  // The east-west line through N, given by two of its points.
  if (!LineIntersection(Y, X, N, p.easting, N, p.easting + 1000, p.northing, p.easting, q.northing, q.easting))
    return std::nullopt;
  return Y;
}

void TstandardMap::DrawFrame() {
  const bool geo = S.GeodeticOutput;
  // A rectangular sheet's corners are labelled in kilometres: its grid may be
  // a local one without latitudes and longitudes.
  const CornerLabelMode labelMode = S.rgdmsmode;
  if (FRectSheet) S.rgdmsmode = CornerLabelMode::Planar;
  for (std::size_t i = 0; i < 4; ++i) {
    if (geo)
      LabelCornerGeo(static_cast<int>(i), FInnerGeo[i].lat, FInnerGeo[i].lon);
    else
      LabelCorner(static_cast<int>(i), FInner[i].northing, FInner[i].easting);
  }
  S.rgdmsmode = labelMode;
  DrawInnerFrame();
  DrawOuterFrame();
  DrawCornerMarks();

  // Scale bar below the middle of the outer bottom edge. It is built in
  // planar metres; in geographic mode its anchor is the planar image of the
  // geographic midpoint so the bar's ground lengths stay metres.
  if (geo) {
    const PlanarXY p =
        GeoToPlanar((FOuterGeo[0].lat + FOuterGeo[3].lat) / 2, (FOuterGeo[0].lon + FOuterGeo[3].lon) / 2);
    DrawScaleBar(p.northing, p.easting);
  } else {
    DrawScaleBar((FOuter[0].northing + FOuter[3].northing) / 2, (FOuter[0].easting + FOuter[3].easting) / 2);
  }

  if (geo) {
    DrawLeftTextsGeo(FOuterGeo[0].lat, FOuterGeo[0].lon, FInnerGeo[0].lat, FInnerGeo[0].lon);
    DrawRightBottomTextGeo(FOuterGeo[3].lat, FInnerGeo[3].lon);
    DrawScaleTextGeo((FOuterGeo[0].lat + FOuterGeo[3].lat) / 2, FOuterGeo[3].lon, FOuterGeo[0].lon);
    DrawRightTopTextsGeo(FOuterGeo[2].lat, FInnerGeo[2].lon);
    DrawTitlesGeo((FOuterGeo[1].lat + FOuterGeo[2].lat) / 2, FOuterGeo[2].lon, FOuterGeo[1].lon);
  } else {
    DrawLeftTexts(FOuter[0].northing, FOuter[0].easting);
    DrawRightBottomText(FOuter[3].northing, FOuter[3].easting);
    DrawScaleText((FOuter[0].northing + FOuter[3].northing) / 2, FOuter[3].easting, FOuter[0].easting);
    DrawRightTopTexts(FOuter[2].northing, FOuter[2].easting);
    DrawTitles((FOuter[1].northing + FOuter[2].northing) / 2, FOuter[2].easting, FOuter[1].easting);
  }

  DrawMarginDiagrams(FInner, FOuter[0], FOuter[3]);
  DrawAdjacentTable();

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
    for (std::size_t i = 0; i < 4; ++i) AddLine(kInnerLine, FInner[(i + 1) % 4], FInner[i]);
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
    for (std::size_t i = 0; i < 4; ++i) AddLine(kOuterLine, FOuter[(i + 1) % 4], FOuter[i]);
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
    const PlanarXY& corner = FInner[static_cast<std::size_t>(i)];
    const long double N = corner.northing, E = corner.easting;
    // A side without an intersection (parallel or degenerate) gets no mark.
    if (const auto e = EastingAtNorthing(N, FOuter, sideA[i], sideB[i]))
      AddLine(kInnerLine, {N, *e}, {N, E});
    if (const auto n = NorthingAtEasting(E, FOuter, endA[i], endB[i]))
      AddLine(kInnerLine, {*n, E}, {N, E});
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
