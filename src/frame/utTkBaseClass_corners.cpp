// Corner coordinate labels around the inner frame. Corner 0 lower left,
// 1 upper left, 2 upper right, 3 lower right; X northing (or latitude),
// Y easting (or longitude).
#include <optional>
#include <string>

#include "frame/label_format.h"
#include "frame/utTkBaseClass.h"

namespace tarvik {
namespace {

struct SplitLabel {
  std::string degrees;  // up to and including "°"
  std::string rest;     // minutes (and seconds) with their signs
};

SplitLabel SplitAtDegree(const std::string& text) {
  static const std::string kDegree = "°";
  const auto pos = text.find(kDegree);
  if (pos == std::string::npos) return {text, ""};
  return {text.substr(0, pos + kDegree.size()), text.substr(pos + kDegree.size())};
}

bool RightSide(int corner) { return corner == 2 || corner == 3; }
bool UpperCorner(int corner) { return corner == 1 || corner == 2; }

}  // namespace

void TtkBaseClass::LabelCorner(int corner, long double X, long double Y) {
  // With geographic output the values passed are taken as already geographic.
  if (S.GeodeticOutput) {
    LabelCornerGeo(corner, X, Y);
    return;
  }
  LabelCornerAt(corner, {X, Y}, std::nullopt);
}

void TtkBaseClass::LabelPlanarCorner(int corner, long double X, long double Y) {
  LabelCornerAt(corner, {X, Y}, std::nullopt);
}

void TtkBaseClass::LabelCornerGeo(int corner, long double lat, long double lon) {
  CheckLatLon(lat, lon);
  // Planar labels have no geographic form.
  if (S.rgdmsmode == CornerLabelMode::Planar) return;
  // Laid out on paper as a planar frame's labels are, around the corner's
  // image in the zone, and stored in degrees like every text.
  LabelCornerAt(corner, GeoToPlanar(lat, lon), LatLon{lat, lon});
}

void TtkBaseClass::LabelCornerAt(int corner, PlanarXY at, std::optional<LatLon> geographic) {
  CharSpacing = -30;
  const CornerLabelMode mode = S.rgdmsmode;
  const long double X = at.northing, Y = at.easting;
  long double V1 = Y, V2 = X;
  if (geographic) {
    V1 = geographic->lon;
    V2 = geographic->lat;
  } else if (mode != CornerLabelMode::Planar) {
    long double lon = Y, lat = X;
    PlanarToGeo(X, Y, lon, lat);
    V1 = lon;
    V2 = lat;
    CheckLatLon(V2, V1);
  }
  std::string T1, T2;
  if (mode == CornerLabelMode::DegMinSec) {
    T1 = FormatDMS(V1);
    T2 = FormatDMS(V2);
  } else if (mode == CornerLabelMode::DegMin) {
    T1 = FormatDM(V1);
    T2 = FormatDM(V2);
  } else {
    T1 = FormatKm(V1, S.seForenum, S.seafternum, FCoords.addZoneNumber);  // the easting
    T2 = FormatKm(V2, S.seForenum, S.seafternum);
  }

  const FontDesc& font = S.btn4j;
  const long double Gap = FFrameGap;
  if (mode == CornerLabelMode::Planar) {
    // Easting label above or below the corner, northing label beside it.
    const bool upper = UpperCorner(corner);
    AddText(T1, font, kCentre, upper ? kTop : kBottom, {upper ? X + Gap : X - Gap, Y});
    AddText(T2, font, RightSide(corner) ? kLeft : kRight, kBottom, {X, Y});
    CharSpacing = 0;
    return;
  }

  const long double H = TextHeight(font);
  const long double GapA = 1 * S.ScaleFactor;
  const long double GapB = 1 * S.ScaleFactor;
  const SplitLabel lon = SplitAtDegree(T1);
  const SplitLabel lat = SplitAtDegree(T2);
  // Longitude one text height below the frame's lower corners, above the upper ones.
  const bool upper = UpperCorner(corner);
  const long double lonX = upper ? X + GapA + H : X - GapA - H;
  const VerticalAlignment lonV = upper ? kBottom : kTop;
  AddText(lon.degrees, font, kRight, lonV, {lonX, Y});
  AddText(lon.rest, font, kLeft, lonV, {lonX, Y + GapB});
  if (S.rgwdalignmode == 1) {
    const long double latY = RightSide(corner) ? Y + Gap / 2 : Y - Gap / 2;
    AddText(lat.degrees, font, kCentre, kBottom, {X, latY});
    AddText(lat.rest, font, kCentre, kTop, {X, latY});
  } else {
    const HorizontalAlignment h = RightSide(corner) ? kLeft : kRight;
    const long double degreesY = (corner == 0 || corner == 3) ? Y : Y + GapB;
    AddText(lat.degrees, font, h, kBottom, {X, degreesY});
    AddText(lat.rest, font, h, kTop, {X, Y + GapB});
  }
  CharSpacing = 0;
}

}  // namespace tarvik
