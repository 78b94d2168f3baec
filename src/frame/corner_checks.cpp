#include "frame/corner_checks.h"

#include <algorithm>

#include "common/delphi.h"
#include "coords/utlbxy.h"
#include "frame/input_coordinates.h"

namespace tarvik {
namespace {

// The range CheckLatLon accepts.
bool Labellable(const CornerLonLat& c) { return c.lat >= 1 && c.lat <= 90 && c.lon >= 20 && c.lon <= 180; }

std::optional<std::string> RangeProblem(const std::array<CornerLonLat, 4>& corners) {
  if (std::all_of(corners.begin(), corners.end(), Labellable)) return std::nullopt;
  long double lonMin = corners[0].lon, lonMax = lonMin, latMin = corners[0].lat, latMax = latMin;
  for (const CornerLonLat& c : corners) {
    lonMin = std::min(lonMin, c.lon);
    lonMax = std::max(lonMax, c.lon);
    latMin = std::min(latMin, c.lat);
    latMax = std::max(latMax, c.lat);
  }
  const auto deg = [](long double v) { return FloatToStr(Round(v * 1e6L) / 1e6L); };
  return "角点经度" + deg(lonMin) + "°–" + deg(lonMax) + "°、纬度" + deg(latMin) + "°–" + deg(latMax) +
         "°，图廓角点的经纬度只能标注在东经20°–180°、北纬1°–90°之内";
}

// The planar corners labelled in a geographic label mode, converted back.
std::optional<std::string> PlanarCornersProblem(const TFrameSettings& s,
                                                const std::array<PlanarXY, 4>& planar) {
  const CoordParams c = CoordParamsOf(s);
  std::array<CornerLonLat, 4> corners;
  for (std::size_t i = 0; i < 4; ++i) {
    long double lon = 0, lat = 0;
    if (!XYToLB(c, planar[i].northing, planar[i].easting, lon, lat)) lon = lat = -1;  // cannot be labelled
    corners[i] = {lon, lat};
  }
  return RangeProblem(corners);
}

bool PlanarLabels(const TFrameSettings& s) { return s.rgdmsmode == CornerLabelMode::Planar; }

}  // namespace

std::optional<std::string> SheetCornerProblem(const TFrameSettings& s,
                                              const std::array<CornerLonLat, 4>& sheet) {
  // Geographic output labels the sheet's own corners, whatever the mode.
  if (s.GeodeticOutput) return RangeProblem(sheet);
  if (PlanarLabels(s)) return std::nullopt;
  const CoordParams c = CoordParamsOf(s);
  std::array<PlanarXY, 4> planar;
  for (std::size_t i = 0; i < 4; ++i) planar[i] = LBToXY(c, sheet[i].lat, sheet[i].lon);
  return PlanarCornersProblem(s, planar);
}

std::optional<std::string> IndexSheetCornerProblem(const TFrameSettings& s, const Geometry& sheet,
                                                   bool geographicIndex) {
  if (sheet.pointCount() < 4) return std::nullopt;
  if (s.GeodeticOutput) {
    std::array<CornerLonLat, 4> corners;
    for (std::size_t i = 0; i < 4; ++i) corners[i] = {sheet.point(i).x, sheet.point(i).y};
    return RangeProblem(corners);
  }
  if (PlanarLabels(s) || geographicIndex) return std::nullopt;
  std::array<PlanarXY, 4> planar;
  for (std::size_t i = 0; i < 4; ++i) planar[i] = {sheet.point(i).y, sheet.point(i).x};
  return PlanarCornersProblem(s, planar);
}

std::optional<std::string> PolygonFrameCornerProblem(const TFrameSettings& s, const Envelope& e) {
  if (!s.Rg4JAnn || PlanarLabels(s)) return std::nullopt;
  // The frame's corners as Tcreatetk::DrawRectFrame makes them.
  const long double M = s.sentod * s.ScaleFactor;
  const long double E1 = Trunc(e.xMin - M), N1 = Trunc(e.yMin - M), E2 = Trunc(e.xMax + M),
                    N2 = Trunc(e.yMax + M);
  return PlanarCornersProblem(s, {PlanarXY{N1, E1}, PlanarXY{N2, E1}, PlanarXY{N2, E2}, PlanarXY{N1, E2}});
}

std::string CornerAdvice(const TFrameSettings& s, bool standardSheet, bool selected) {
  const std::string where =
      selected ? (standardSheet ? "，或用条件（--where）去掉这些图幅" : "，或用条件（--where）去掉这些要素")
               : std::string();
  if (s.GeodeticOutput && standardSheet)
    return "经纬度坐标输出的标准图幅总是标注角点经纬度；请输出平面坐标并把角点改标平面坐标（--set "
           "rgdmsmode=2）" +
           where;
  return "请把角点改标平面坐标（--set rgdmsmode=2；窗口：设置 > 四周标注）" +
         (standardSheet ? std::string() : std::string("，或不标注角点（--set Rg4JAnn=0）")) + where;
}

}  // namespace tarvik
