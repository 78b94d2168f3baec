// Grids of standard sheets: the kilometre grid (whole lines, or margin ticks
// beside the crosshair grid), clipped against the real frame sides because a
// standard sheet is not a rectangle in the Gauss-Krueger plane, and the two
// graticule forms drawn on the geographic rectangle.
#include <algorithm>
#include <string>
#include <vector>

#include "common/delphi.h"
#include "frame/grid_positions.h"
#include "frame/label_format.h"
#include "frame/utstandardMap.h"

namespace tarvik {
namespace {

bool StrictlyBetween(long double v, long double a, long double b) {
  return std::min(a, b) < v && v < std::max(a, b);
}

}  // namespace

void TstandardMap::DrawKilometreGrid(bool full) {
  if (!CheckGridValue(S.Seinterval, "网格间隔")) return;
  long double Emin, Nmin, Emax, Nmax;
  InnerEnvelope(Emin, Nmin, Emax, Nmax);
  const long double G = FFrameGap;
  const bool labels = S.Chkiskmann;
  const KmLabelStyle style = KmLabels();

  const KmGridLines meridians = KmMeridians(Emin, Emax);
  for (const KmGridLine& m : meridians.lines) {
    const long double E = m.at;
    if (full) {
      AddLine(kInnerLine, {m.high, E}, {m.low, E});
    } else {
      if (m.lowInMargin) AddLine(kInnerLine, {m.low + G, E}, {m.low, E});
      if (m.highInMargin) AddLine(kInnerLine, {m.high - G, E}, {m.high, E});
    }
    if (labels) LabelKmMeridian(m, meridians, style);
  }

  const KmGridLines parallels = KmParallels(Nmin, Nmax);
  for (const KmGridLine& p : parallels.lines) {
    const long double N = p.at;
    if (full) {
      AddLine(kInnerLine, {N, p.high}, {N, p.low});
    } else {
      if (p.lowInMargin) AddLine(kInnerLine, {N, p.low + G}, {N, p.low});
      if (p.highInMargin) AddLine(kInnerLine, {N, p.high}, {N, p.high - G});
    }
    if (labels) LabelKmParallel(p, parallels, style);
  }
}

TstandardMap::KmGridLines TstandardMap::KmMeridians(long double Emin, long double Emax) const {
  // Where the crosshair grid puts its crosses (whole or half intervals,
  // rgHor). A line on the minimum side of the envelope is never drawn, one on
  // the maximum side is.
  const long double I = S.Seinterval;
  KmGridLines grid;
  const long double E0 = FirstGridValue(Emin, I, S.rgHor);
  grid.last = LastGridIndex(E0, Emax, I);
  grid.lines.reserve(static_cast<std::size_t>(std::clamp<std::int64_t>(grid.last + 1, 0, 4096)));
  for (std::int64_t k = 0; k <= grid.last; ++k) {
    const long double E = E0 + k * I;
    const auto bottom = NorthingAtEasting(E, FOuter, 0, 3);
    const auto top = NorthingAtEasting(E, FOuter, 1, 2);
    if (!bottom || !top) continue;  // no crossing with a frame side: no line
    KmGridLine line{E, *bottom, *top, true, true, k};
    // The inner left and right sides slant with the meridians' convergence: a
    // line between the eastings of a side's two corners leaves the map face
    // through that side, and stops there instead of running on through the
    // frame band (and, on small scales, past the outer frame).
    const int sides[2][2] = {{0, 1}, {3, 2}};  // inner left side, inner right side
    for (const auto& side : sides) {
      const long double eLow = FInner[static_cast<std::size_t>(side[0])].easting;
      const long double eHigh = FInner[static_cast<std::size_t>(side[1])].easting;
      if (!StrictlyBetween(E, eLow, eHigh)) continue;
      const auto n = NorthingAtEasting(E, FInner, side[0], side[1]);
      if (!n) continue;
      // Outside the face at the lower corner's end when the line lies beyond
      // the lower corner (west of it on the left side, east on the right).
      const bool lowerOutside = side[0] == 0 ? E < eLow : E > eLow;
      if (lowerOutside) {
        line.low = *n;
        line.lowInMargin = false;
      } else {
        line.high = *n;
        line.highInMargin = false;
      }
    }
    grid.lines.push_back(line);
    if (line.highInMargin) {
      if (grid.firstTop < 0) grid.firstTop = k;
      grid.lastTop = k;
    }
    if (line.lowInMargin) {
      if (grid.firstBottom < 0) grid.firstBottom = k;
      grid.lastBottom = k;
    }
  }
  return grid;
}

TstandardMap::KmGridLines TstandardMap::KmParallels(long double Nmin, long double Nmax) const {
  const long double I = S.Seinterval;
  KmGridLines grid;
  const long double N0 = FirstGridValue(Nmin, I, S.rgver);
  grid.last = LastGridIndex(N0, Nmax, I);
  grid.lines.reserve(static_cast<std::size_t>(std::clamp<std::int64_t>(grid.last + 1, 0, 4096)));
  for (std::int64_t k = 0; k <= grid.last; ++k) {
    const long double N = N0 + k * I;
    if (FInner[0].northing < N && N < FInner[1].northing) {
      if (grid.firstLeft < 0) grid.firstLeft = k;
      grid.lastLeft = k;
    }
    if (FInner[3].northing < N && N < FInner[2].northing) {
      if (grid.firstRight < 0) grid.firstRight = k;
      grid.lastRight = k;
    }
  }
  for (std::int64_t k = 0; k <= grid.last; ++k) {
    const long double N = N0 + k * I;
    std::optional<long double> first, second;
    // A line in the band of a sloping inner bottom or top side starts where it
    // meets that side and runs to the outer side on the map's side of it: the
    // one nearer the lower bottom corner, or the higher top corner.
    bool slopeEnd = true;
    if (StrictlyBetween(N, FInner[0].northing, FInner[3].northing)) {
      first = EastingAtNorthing(N, FInner, 0, 3);
      second = FInner[0].northing > FInner[3].northing ? EastingAtNorthing(N, FOuter, 2, 3)
                                                       : EastingAtNorthing(N, FOuter, 0, 1);
    } else if (StrictlyBetween(N, FInner[1].northing, FInner[2].northing)) {
      first = EastingAtNorthing(N, FInner, 1, 2);
      second = FInner[1].northing > FInner[2].northing ? EastingAtNorthing(N, FOuter, 0, 1)
                                                       : EastingAtNorthing(N, FOuter, 2, 3);
    } else {
      first = EastingAtNorthing(N, FOuter, 0, 1);
      second = EastingAtNorthing(N, FOuter, 2, 3);
      slopeEnd = false;
    }
    if (!first || !second) continue;
    // Left-side ticks and labels go at the western end, right-side ones at the
    // eastern end; an end on a sloping inner side has no margin, so nothing
    // is put there.
    grid.lines.push_back({N, std::min(*first, *second), std::max(*first, *second),
                          !slopeEnd || *second < *first, !slopeEnd || *second > *first, k});
  }
  return grid;
}

void TstandardMap::LabelKmMeridian(const KmGridLine& m, const KmGridLines& grid, const KmLabelStyle& style) {
  const auto& [big, small, BigH, SmallH, BigW2, SmallW2, LabelGap] = style;
  const long double E = m.at, Nbot = m.low, Ntop = m.high;
  if (S.Seinterval < 1000) {
    const std::string T = FormatKm(E, S.seannforenum, S.seannafternum, FCoords.addZoneNumber);
    if (m.highInMargin) AddText(T, small, kCentre, kTop, {Ntop - LabelGap, E});
    if (m.lowInMargin) AddText(T, small, kCentre, kTop, {Nbot - LabelGap + SmallH, E});
    return;
  }
  // Each edge numbers in full the lines nearest its corners: the first and
  // last lines that reach it, which need not be the first and last lines of
  // the grid when those end on a slanting side. Their labels keep EndGap
  // away from the frame's corners.
  const long double EndGap = 60 * S.ScaleFactor;
  const bool firstTop = m.k == grid.firstTop, lastTop = m.k == grid.lastTop;
  const bool firstBottom = m.k == grid.firstBottom, lastBottom = m.k == grid.lastBottom;
  long double Etop = E, Ebot = E;
  if (firstBottom) {
    if (FInner[0].easting > E - EndGap) Ebot = FInner[0].easting + EndGap;
  } else if (lastBottom) {
    if (!(FInner[3].easting >= E + EndGap)) Ebot = FInner[3].easting - EndGap;
  }
  if (firstTop) {
    if (FInner[1].easting > E - EndGap) Etop = FInner[1].easting + EndGap;
  } else if (lastTop) {
    if (!(FInner[2].easting >= E + EndGap)) Etop = FInner[2].easting - EndGap;
  }
  // The hundreds of kilometres, with the zone number when eastings do not carry it.
  const std::string Big = FRun.ZoneNumberText + FloatToStr(Int(E / 1000 / 100));
  if (m.highInMargin && (firstTop || lastTop))
    AddTextRight(Big, big, kTop, {Ntop - LabelGap, Etop - 2 * LabelGap});
  if (m.lowInMargin && (firstBottom || lastBottom))
    AddTextRight(Big, big, kBottom, {Nbot + LabelGap + SmallH - BigH, Ebot - 2 * LabelGap});
  const std::string Small = LastTwo(Int(E / 1000));
  if (m.highInMargin) AddText(Small, small, kLeft, kTop, {Ntop - LabelGap, Etop + LabelGap});
  if (m.lowInMargin) AddText(Small, small, kLeft, kBottom, {Nbot + LabelGap, Ebot + LabelGap});
}

void TstandardMap::LabelKmParallel(const KmGridLine& p, const KmGridLines& grid, const KmLabelStyle& style) {
  const auto& [big, small, BigH, SmallH, BigW2, SmallW2, LabelGap] = style;
  const long double N = p.at, E1 = p.low, E2 = p.high;
  const std::int64_t k = p.k;
  if (S.Seinterval < 1000) {
    const std::string T = FormatKm(N, S.seannforenum, S.seannafternum);
    if (p.lowInMargin) AddText(T, small, kRight, kBottom, {N, E1 + FFrameGap});
    if (p.highInMargin) AddText(T, small, kLeft, kBottom, {N, E2 - FFrameGap});
    return;
  }
  const long double EndGap = 60 * S.ScaleFactor;
  const std::int64_t firstL = grid.firstLeft, lastL = grid.lastLeft, firstR = grid.firstRight,
                     lastR = grid.lastRight;
  long double NL = N + LabelGap, NR = N + LabelGap;
  if (k == firstL && FInner[0].northing > NL - EndGap) NL = FInner[0].northing + EndGap;
  if (k == lastL && !(FInner[1].northing >= NL + EndGap)) NL = FInner[1].northing - EndGap;
  if (k == firstR && FInner[3].northing > NR - EndGap) NR = FInner[3].northing + EndGap;
  if (k == lastR && !(FInner[2].northing >= NR + EndGap)) NR = FInner[2].northing - EndGap;
  const std::string Big = FloatToStr(Int(N / 1000 / 100));  // no zone number on northings
  const std::string Small = LastTwo(Int(N / 1000));
  if (k == firstL || k == lastL) {
    AddText(Big, big, kLeft, kBottom, {NL + SmallW2 - BigW2, E1 + LabelGap});
    AddText(Small, small, kLeft, kBottom, {NL, E1 + LabelGap + BigW2});
  } else if (firstL < k && k < lastL) {
    AddText(Small, small, kLeft, kBottom, {NL, E1 + LabelGap});
  }
  if (k == firstR || k == lastR)
    AddText(Big, big, kRight, kBottom, {NR + SmallW2 - BigW2, E2 - LabelGap - SmallW2});
  if (firstR <= k && k <= lastR && firstR >= 0) AddTextRight(Small, small, kBottom, {NR, E2});
}

namespace {

// Interior meridians or parallels: start + n x step while below
// end - step / 2, so none falls on or within half a step of the far side.
std::vector<long double> InteriorLines(long double start, long double size, long double step) {
  std::vector<long double> values;
  long double v = start;
  while (true) {
    v += step;
    if (v >= start + size - step / 2) break;
    values.push_back(v);
  }
  return values;
}

}  // namespace

void TstandardMap::DrawGraticule() {
  if (!S.GeodeticOutput) {
    FFeedback.message("经纬网只有是地理坐标（大地坐标才支持)");
    return;
  }
  if (!CheckGridValue(S.seJd, "经度差") || !CheckGridValue(S.sewd, "纬度差")) return;
  const auto label = [&](long double v) { return S.RGJWWZJ == 1 ? FormatDM(v) : FormatDMS(v); };
  const FontDesc& font = S.btnDFont;
  const long double top = FSheetLat + FSheetHeight, right = FSheetLon + FSheetWidth;
  const auto meridians = InteriorLines(FSheetLon, FSheetWidth, S.seJd);
  const auto parallels = InteriorLines(FSheetLat, FSheetHeight, S.sewd);

  if (S.datum() == Datum::Wgs84) {
    // WGS84: margin ticks and the minutes only.
    const auto minutes = [&](long double v) {
      const std::string text = label(v);
      const auto pos = text.find("°");
      return pos == std::string::npos ? std::string() : text.substr(pos + 2, 2 + 3);
    };
    for (const long double lon : meridians) {
      AddLineDirect(kInnerLine, {OuterLatAt(lon, false), lon}, {FSheetLat, lon});
      AddLineDirect(kInnerLine, {OuterLatAt(lon, true), lon}, {top, lon});
      AddTextDirect(minutes(lon), font, kLeft, kBottom, {top, lon});
      AddTextDirect(minutes(lon), font, kLeft, kTop, {FSheetLat, lon});
    }
    for (const long double lat : parallels) {
      AddLineDirect(kInnerLine, {lat, FSheetLon}, {lat, OuterLonAt(lat, false)});
      AddLineDirect(kInnerLine, {lat, OuterLonAt(lat, true)}, {lat, right});
      AddTextDirect(minutes(lat), font, kRight, kTop, {lat, FSheetLon});
      AddTextDirect(minutes(lat), font, kLeft, kTop, {lat, right});
    }
    return;
  }
  for (const long double lon : meridians) {
    AddLineDirect(kInnerLine, {top, lon}, {FSheetLat, lon});
    AddTextDirect(label(lon), font, kCentre, kBottom, {top, lon});
    AddTextDirect(label(lon), font, kCentre, kTop, {FSheetLat, lon});
  }
  for (const long double lat : parallels) {
    AddLineDirect(kInnerLine, {lat, right}, {lat, FSheetLon});
    AddTextDirect(label(lat), font, kRight, kMiddle, {lat, FSheetLon});
    AddTextDirect(label(lat), font, kLeft, kMiddle, {lat, right});
  }
}

void TstandardMap::DrawGraticuleCrosses() {
  if (!S.GeodeticOutput) {
    FFeedback.message("经纬网只有是地理坐标（大地坐标才支持)");
    return;
  }
  if (!CheckGridValue(S.seJd, "经度差") || !CheckGridValue(S.sewd, "纬度差") ||
      !CheckGridValue(S.sejwcrosslen, "经纬十字丝长度"))
    return;
  const auto label = [&](long double v) { return S.RGJWWZJ == 1 ? FormatDM(v) : FormatDMS(v); };
  const FontDesc& font = S.btnDFont;
  const long double A = S.sejwcrosslen;
  const long double top = FSheetLat + FSheetHeight, right = FSheetLon + FSheetWidth;
  const auto meridians = InteriorLines(FSheetLon, FSheetWidth, S.seJd);
  const auto parallels = InteriorLines(FSheetLat, FSheetHeight, S.sewd);
  for (const long double lon : meridians) {
    for (const long double lat : parallels) {
      AddLineDirect(kInnerLine, {lat, lon + A / 2}, {lat, lon - A / 2});
      AddLineDirect(kInnerLine, {lat + A / 2, lon}, {lat - A / 2, lon});
    }
    AddLineDirect(kInnerLine, {OuterLatAt(lon, true), lon}, {top, lon});
    AddLineDirect(kInnerLine, {OuterLatAt(lon, false), lon}, {FSheetLat, lon});
    AddTextDirect(label(lon), font, kCentre, kTop, {OuterLatAt(lon, true), lon});
    AddTextDirect(label(lon), font, kCentre, kBottom, {OuterLatAt(lon, false), lon});
  }
  for (const long double lat : parallels) {
    AddTextDirect(label(lat), font, kRight, kBottom, {lat, FSheetLon});
    AddTextDirect(label(lat), font, kLeft, kBottom, {lat, right});
    AddLineDirect(kInnerLine, {lat, OuterLonAt(lat, false)}, {lat, FSheetLon});
    AddLineDirect(kInnerLine, {lat, OuterLonAt(lat, true)}, {lat, right});
  }
}

}  // namespace tarvik
