// Grids of polygon frames: the kilometre grid on the rectangle (whole lines
// or margin ticks) with its kilometre numbers, and the graticule of whole
// latitude and longitude intervals drawn as straight lines across the inner
// frame.
#include <cmath>
#include <string>

#include "common/delphi.h"
#include "frame/grid_positions.h"
#include "frame/label_format.h"
#include "frame/utcreatetk.h"

namespace tarvik {

void Tcreatetk::DrawKmGrid(bool full) {
  if (!CheckGridValue(S.Seinterval, "网格间隔")) return;
  const long double I = S.Seinterval;
  const long double G = FFrameGap;
  const auto& [big, small, BigH, SmallH, BigW2, SmallW2, LabelGap] = KmLabels();
  const bool labels = S.Chkiskmann;

  // North-south lines (constant easting).
  const long double E0 = FirstGridValue(G + E1o, I, S.rgHor);
  const std::int64_t count = LastGridIndex(E0, E2o - G, I);
  const long double EndGap = 8 * BigW2;
  for (std::int64_t k = 0; k <= count; ++k) {
    const long double E = E0 + k * I;
    if (full) {
      AddLine(kInnerLine, {N2o, E}, {N1o, E});
    } else {
      AddLine(kInnerLine, {N1o + G, E}, {N1o, E});
      AddLine(kInnerLine, {N2o - G, E}, {N2o, E});
    }
    long double EL = E;
    if (k == 0 && E < E1o + EndGap) EL = E1o + EndGap;
    if (k == count && !(E2o - EndGap >= EL)) EL = E2o - EndGap;
    if (!labels) continue;
    if (I < 1000) {
      const std::string T = FormatKm(E, S.seannforenum, S.seannafternum, FCoords.addZoneNumber);
      AddText(T, small, kCentre, kTop, {N2o - LabelGap, E});
      AddText(T, small, kCentre, kTop, {N1o - LabelGap + SmallH, E});
      continue;
    }
    if (k == 0 || k == count) {
      const std::string Big = FRun.ZoneNumberText + FloatToStr(Int(E / 1000 / 100));
      AddTextRight(Big, big, kTop, {N2o - LabelGap, EL});
      AddTextRight(Big, big, kBottom, {N1o + SmallH - BigH - LabelGap * 2 / 3, EL});
    }
    const std::string Small = LastTwo(Int(E / 1000));
    AddText(Small, small, kLeft, kTop, {N2o - LabelGap, EL + LabelGap});
    AddText(Small, small, kLeft, kTop, {N1o - LabelGap + SmallH, EL + LabelGap});
  }

  // East-west lines (constant northing).
  const long double N0 = FirstGridValue(G + N1o, I, S.rgver);
  const std::int64_t count2 = LastGridIndex(N0, N2o - G, I);
  for (std::int64_t k = 0; k <= count2; ++k) {
    const long double N = N0 + k * I;
    if (full) {
      AddLine(kInnerLine, {N, E2o}, {N, E1o});
    } else {
      AddLine(kInnerLine, {N, E1o + G}, {N, E1o});
      AddLine(kInnerLine, {N, E2o}, {N, E2o - G});
    }
    long double NL = N;
    if (k == 0 && N < N1o + BigH) NL = N1o + BigH;
    if (k == count2 && !(N2o - BigH >= NL)) NL = N2o - BigH;
    if (!labels) continue;
    if (I < 1000) {
      const std::string T = FormatKm(N, S.seannforenum, S.seannafternum);
      AddText(T, small, kRight, kBottom, {N, E1o + G});
      AddText(T, small, kLeft, kBottom, {N, E2o - G});
      continue;
    }
    const bool end = k == 0 || k == count2;
    if (end) {
      // No zone number on northings.
      const std::string Big = FloatToStr(Int(N / 1000 / 100));
      AddText(Big, big, kLeft, kBottom, {NL + SmallH - BigH, E1o + LabelGap});
      AddTextRight(Big, big, kBottom, {NL + SmallH - BigH, E2o - LabelGap - SmallW2});
    }
    const std::string Small = LastTwo(Int(N / 1000));
    AddText(Small, small, kLeft, kBottom, {NL + LabelGap, E1o + LabelGap + (end ? BigW2 : 0)});
    AddTextRight(Small, small, kBottom, {NL + LabelGap, E2o});
  }
}

void Tcreatetk::DrawRectGraticule() {
  if (!CheckGridValue(S.seJd, "经度差") || !CheckGridValue(S.sewd, "纬度差")) return;
  const long double G = FFrameGap;
  const long double iE1 = E1o + G, iN1 = N1o + G, iE2 = E2o - G, iN2 = N2o - G;
  long double LonSW = NAN, LatSW = NAN, LonNE = NAN, LatNE = NAN;
  // A corner that does not convert has been reported; no graticule then.
  if (!PlanarToGeo(iN1, iE1, LonSW, LatSW) || !PlanarToGeo(iN2, iE2, LonNE, LatNE)) return;
  const FontDesc& big = S.btnDFont;

  // Parallels.
  const long double dLat = S.sewd;
  const long double LatStart = static_cast<long double>(Trunc(LatSW / dLat + 1)) * dLat;
  const std::int64_t nLat = Round((LatNE - LatSW) / dLat + 1);
  for (std::int64_t K = 0; K < nLat; ++K) {
    const long double Lat = LatStart + K * dLat;
    if (!(Lat < LatNE)) continue;
    const long double Nw = GeoToPlanar(Lat, LonSW).northing;
    const long double Ne = GeoToPlanar(Lat, LonNE).northing;
    AddLine(kInnerLine, {Ne, iE2}, {Nw, iE1});
    const std::string T = DMSAfterDegree(Lat);
    AddText(T, big, kRight, kMiddle, {Nw, iE1});
    AddText(T, big, kLeft, kMiddle, {Ne, iE2});
  }

  // Meridians.
  const long double dLon = S.seJd;
  const long double LonStart = static_cast<long double>(Trunc(LonSW / dLon + 1)) * dLon;
  const std::int64_t nLon = Round((LonNE - LonSW) / dLon + 1);
  for (std::int64_t K = 0; K < nLon; ++K) {
    const long double Lon = LonStart + K * dLon;
    if (!(Lon < LonNE)) continue;
    const long double Es = GeoToPlanar(LatSW, Lon).easting;
    const long double En = GeoToPlanar(LatNE, Lon).easting;
    AddLine(kInnerLine, {iN2, En}, {iN1, Es});
    const std::string T = DMSAfterDegree(Lon);
    AddText(T, big, kCentre, kBottom, {iN2, En});
    AddText(T, big, kCentre, kTop, {iN1, Es});
  }
}

}  // namespace tarvik
