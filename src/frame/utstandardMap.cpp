#include "frame/utstandardMap.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "gdb/geometry.h"

namespace tarvik {

namespace {

// Where the lines through a + s da and b + t db meet (northing, easting), or
// nothing when they are (nearly) parallel.
std::optional<PlanarXY> Meet(PlanarXY a, PlanarXY da, PlanarXY b, PlanarXY db) {
  const long double cross = da.easting * db.northing - da.northing * db.easting;
  const long double lengths = std::hypot(da.easting, da.northing) * std::hypot(db.easting, db.northing);
  if (!(std::fabs(cross) > 1e-9L * lengths)) return std::nullopt;
  const long double s =
      ((b.easting - a.easting) * db.northing - (b.northing - a.northing) * db.easting) / cross;
  return PlanarXY{a.northing + s * da.northing, a.easting + s * da.easting};
}

}  // namespace

std::array<PlanarXY, 4> OffsetFrame(const std::array<PlanarXY, 4>& inner, long double gap) {
  // Sides i run from corner i to corner i + 1 (left, top, right, bottom):
  // clockwise with north up, so the outward normal of a side is its
  // direction turned a right angle anticlockwise.
  std::array<PlanarXY, 4> point{}, direction{};
  for (std::size_t i = 0; i < 4; ++i) {
    const PlanarXY& a = inner[i];
    const PlanarXY& b = inner[(i + 1) % 4];
    const long double dN = b.northing - a.northing, dE = b.easting - a.easting;
    const long double length = std::hypot(dN, dE);
    direction[i] = {dN, dE};
    point[i] = length > 0 ? PlanarXY{a.northing + gap * dE / length, a.easting - gap * dN / length} : a;
  }
  // Lower-left, upper-left, upper-right, lower-right: each moved outwards in
  // both directions where two offset sides do not meet.
  const int eastSign[4] = {-1, -1, 1, 1};
  const int northSign[4] = {-1, 1, 1, -1};
  std::array<PlanarXY, 4> outer{};
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t before = (i + 3) % 4;  // the side that ends at corner i
    const auto corner = Meet(point[before], direction[before], point[i], direction[i]);
    outer[i] = corner
                   ? *corner
                   : PlanarXY{inner[i].northing + northSign[i] * gap, inner[i].easting + eastSign[i] * gap};
  }
  return outer;
}

void TstandardMap::ComputeOuterCorners() {
  if (!S.GeodeticOutput) {
    FOuter = OffsetFrame(FInner, FFrameGap);
    return;
  }
  FSheetLon = FInnerGeo[0].lon;
  FSheetLat = FInnerGeo[0].lat;
  FSheetWidth = FInnerGeo[2].lon - FSheetLon;
  FSheetHeight = FInnerGeo[2].lat - FSheetLat;
  // The frame is laid out on paper, in the Gauss-Krueger plane: the grids
  // are drawn there from the planar images of the corners, and the outer
  // corners come back to degrees from there.
  for (std::size_t i = 0; i < 4; ++i) FInner[i] = GeoToPlanar(FInnerGeo[i].lat, FInnerGeo[i].lon);
  FOuter = OffsetFrame(FInner, FFrameGap);
  const int eastSign[4] = {-1, -1, 1, 1};
  const int northSign[4] = {-1, 1, 1, -1};
  const long double dE = GeoDeltaEast(FFrameGap, FSheetLat, FSheetLon);
  const long double dN = GeoDeltaNorth(FFrameGap, FSheetLat, FSheetLon);
  for (std::size_t i = 0; i < 4; ++i) {
    long double lon = FInnerGeo[i].lon + eastSign[i] * dE, lat = FInnerGeo[i].lat + northSign[i] * dN;
    PlanarToGeo(FOuter[i].northing, FOuter[i].easting, lon, lat);
    FOuterGeo[i] = {lat, lon};
  }
}

long double TstandardMap::OuterLatAt(long double lon, bool top) const {
  const LatLon& a = FOuterGeo[top ? 1 : 0];
  const LatLon& b = FOuterGeo[top ? 2 : 3];
  if (b.lon == a.lon) return a.lat;
  return a.lat + (lon - a.lon) * (b.lat - a.lat) / (b.lon - a.lon);
}

long double TstandardMap::OuterLonAt(long double lat, bool right) const {
  const LatLon& a = FOuterGeo[right ? 3 : 0];
  const LatLon& b = FOuterGeo[right ? 2 : 1];
  if (b.lat == a.lat) return a.lon;
  return a.lon + (lat - a.lat) * (b.lon - a.lon) / (b.lat - a.lat);
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

std::optional<long double> TstandardMap::NorthingAtEasting(long double E,
                                                           const std::array<PlanarXY, 4>& corners, int a,
                                                           int b) const {
  const PlanarXY& p = corners[static_cast<std::size_t>(a)];
  const PlanarXY& q = corners[static_cast<std::size_t>(b)];
  long double Y = 0, X = 0;
  // The north-south line through E, given by two of its points.
  if (!LineIntersection(Y, X, p.northing, E, p.northing + 1000, E, p.northing, p.easting, q.northing,
                        q.easting))
    return std::nullopt;
  return X;
}

std::optional<long double> TstandardMap::EastingAtNorthing(long double N,
                                                           const std::array<PlanarXY, 4>& corners, int a,
                                                           int b) const {
  const PlanarXY& p = corners[static_cast<std::size_t>(a)];
  const PlanarXY& q = corners[static_cast<std::size_t>(b)];
  long double Y = 0, X = 0;
  // The east-west line through N, given by two of its points.
  if (!LineIntersection(Y, X, N, p.easting, N, p.easting + 1000, p.northing, p.easting, q.northing,
                        q.easting))
    return std::nullopt;
  return Y;
}

void TstandardMap::DrawFrame() {
  const bool geo = S.GeodeticOutput;
  // The mask ring, drawn last, keeps its edge off the texts and the table.
  FKeepTextBoxes = S.RGYaSet != 2 && !FSheetShape.isNull() && !FSheetShape.isEmpty();
  FTextBoxes.clear();
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
  // The sides of the geographic rectangle, each extended beyond both ends to
  // the outer frame so that they cross at the corners.
  FGapLon = GeoDeltaEast(FFrameGap, FSheetLat, FSheetLon);
  FGapLat = GeoDeltaNorth(FFrameGap, FSheetLat, FSheetLon);
  const long double top = FSheetLat + FSheetHeight, right = FSheetLon + FSheetWidth;
  AddLineDirect(kInnerLine, {OuterLatAt(FSheetLon, true), FSheetLon},
                {OuterLatAt(FSheetLon, false), FSheetLon});
  AddLineDirect(kInnerLine, {top, OuterLonAt(top, true)}, {top, OuterLonAt(top, false)});
  AddLineDirect(kInnerLine, {OuterLatAt(right, true), right}, {OuterLatAt(right, false), right});
  AddLineDirect(kInnerLine, {FSheetLat, OuterLonAt(FSheetLat, true)},
                {FSheetLat, OuterLonAt(FSheetLat, false)});
}

void TstandardMap::DrawOuterFrame() {
  // Left, top, right, bottom; each side parallel to its inner side on paper.
  if (!S.GeodeticOutput) {
    for (std::size_t i = 0; i < 4; ++i) AddLine(kOuterLine, FOuter[(i + 1) % 4], FOuter[i]);
    return;
  }
  AddLineDirect(kOuterLine, FOuterGeo[1], FOuterGeo[0]);
  AddLineDirect(kOuterLine, FOuterGeo[2], FOuterGeo[1]);
  AddLineDirect(kOuterLine, FOuterGeo[2], FOuterGeo[3]);
  AddLineDirect(kOuterLine, FOuterGeo[3], FOuterGeo[0]);
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
    if (const auto e = EastingAtNorthing(N, FOuter, sideA[i], sideB[i])) AddLine(kInnerLine, {N, *e}, {N, E});
    if (const auto n = NorthingAtEasting(E, FOuter, endA[i], endB[i])) AddLine(kInnerLine, {*n, E}, {N, E});
  }
}

void TstandardMap::DrawMask() {
  FKeepTextBoxes = false;
  if (S.RGYaSet == 2 || FSheetShape.isNull() || FSheetShape.isEmpty()) return;
  // The sheet's envelope enlarged by the mask distance, minus the sheet. In
  // geographic mode the ground distance is turned into degrees at the sheet.
  long double dx = S.ScaleFactor * S.seYaDIS, dy = dx;
  // A millimetre on paper (10 m at 1:10 000) beyond a text or the table.
  long double padX = 10 * S.ScaleFactor, padY = padX;
  if (S.GeodeticOutput) {
    dy = GeoDeltaNorth(dx, FSheetLat, FSheetLon);
    dx = GeoDeltaEast(dx, FSheetLat, FSheetLon);
    padY = GeoDeltaNorth(padX, FSheetLat, FSheetLon);
    padX = GeoDeltaEast(padX, FSheetLat, FSheetLon);
  }
  const Envelope env = FSheetShape.envelope();
  Envelope ring{env.xMin - static_cast<double>(dx), env.yMin - static_cast<double>(dy),
                env.xMax + static_cast<double>(dx), env.yMax + static_cast<double>(dy)};
  // A side whose edge would run through a text or the table moves out
  // beyond it; moved sides are looked at again, as they may now meet others.
  for (bool moved = true; moved;) {
    moved = false;
    for (const Envelope& b : FTextBoxes) {
      const bool acrossX = b.xMin < ring.xMax && b.xMax > ring.xMin;  // within the top and bottom edges
      const bool acrossY = b.yMin < ring.yMax && b.yMax > ring.yMin;  // within the left and right edges
      if (acrossX && b.yMin < ring.yMax && b.yMax > ring.yMax)
        ring.yMax = b.yMax + static_cast<double>(padY), moved = true;
      if (acrossX && b.yMin < ring.yMin && b.yMax > ring.yMin)
        ring.yMin = b.yMin - static_cast<double>(padY), moved = true;
      if (acrossY && b.xMin < ring.xMax && b.xMax > ring.xMax)
        ring.xMax = b.xMax + static_cast<double>(padX), moved = true;
      if (acrossY && b.xMin < ring.xMin && b.xMax > ring.xMin)
        ring.xMin = b.xMin - static_cast<double>(padX), moved = true;
    }
  }
  FTextBoxes.clear();
  const Geometry mask = GeometryDifference(EnvelopePolygon(ring), FSheetShape);
  if (!mask.isNull() && !mask.isEmpty()) StorePolygon(kMaskRing, mask);
}

}  // namespace tarvik
