// Corner coordinate labels around the inner frame. Corner 0 lower left,
// 1 upper left, 2 upper right, 3 lower right; X northing (or latitude),
// Y easting (or longitude).
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
  LabelCornerAt(corner, X, Y, !S.GeodeticOutput);
}

void TtkBaseClass::LabelPlanarCorner(int corner, long double X, long double Y) {
  LabelCornerAt(corner, X, Y, true);
}

void TtkBaseClass::LabelCornerAt(int corner, long double X, long double Y, bool convertValues) {
  CharSpacing = -30;
  const CornerLabelMode mode = S.rgdmsmode;
  long double V1 = Y, V2 = X;
  if (mode != CornerLabelMode::Planar && convertValues) {
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

void TtkBaseClass::LabelCornerGeo(int corner, long double lat, long double lon) {
  const long double DLon = GeoDeltaEast(FFrameGap, lat, lon);
  const long double DLat = GeoDeltaNorth(FFrameGap, lat, lon);
  CheckLatLon(lat, lon);
  std::string lonText, latText;
  if (S.rgdmsmode == CornerLabelMode::DegMinSec) {
    lonText = FormatDMS(lon);
    latText = FormatDMS(lat);
  } else if (S.rgdmsmode == CornerLabelMode::DegMin) {
    lonText = FormatDM(lon);
    latText = FormatDM(lat);
  } else {
    return;  // planar labels have no geographic form
  }
  const SplitLabel L = SplitAtDegree(lonText);
  const SplitLabel B = SplitAtDegree(latText);
  const FontDesc& font = S.btn4j;
  const bool right = RightSide(corner);
  const long double sideLon = right ? lon + DLon / 2 : lon - DLon / 2;
  if (S.rgwdalignmode == 1)
    AddTextDirect(B.degrees, font, kCentre, kBottom, {lat, sideLon});
  else
    AddTextDirect(B.degrees, font, right ? kLeft : kRight, kBottom, {lat, lon});
  AddTextDirect(B.rest, font, kCentre, kTop, {lat, sideLon});
  // The longitude is centred in the band between inner and outer frame and
  // split at the corner's meridian.
  const long double lonLat = UpperCorner(corner) ? lat + DLat / 2 : lat - DLat / 2;
  AddTextDirect(L.degrees, font, kRight, kMiddle, {lonLat, lon});
  AddTextDirect(L.rest, font, kLeft, kMiddle, {lonLat, lon});
}

}  // namespace tarvik
