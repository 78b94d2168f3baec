#include "frame/input_coordinates.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/delphi.h"
#include "common/error.h"
#include "coords/ut5480SpatialReference.h"
#include "coords/utBJ54Xian80.h"
#include "coords/zone_reach.h"

namespace tarvik {

InputCoordinates InputCoordinatesOf(const SpatialReference& ref) {
  const DetectedCoordSys detected = DetectCoordinateSystem(ref);
  InputCoordinates out;
  out.description = detected.description;
  out.geographic = ref.isGeographic();
  switch (detected.kind) {
    case CoordSysKind::Unrecognised:
      return out;
    case CoordSysKind::Geographic:
      out.recognised = true;
      out.coordSysIndex = IndexOf(detected.datum);
      return out;
    case CoordSysKind::Projected:
      break;
  }
  // The run's meridian is a whole degree; a system on another meridian
  // cannot be drawn in and is left for the user to settle.
  if (detected.centralMeridian != std::floor(detected.centralMeridian)) {
    out.description += "，中央经线 " + FloatToStr(detected.centralMeridian) + " 度不是整度数";
    return out;
  }
  out.recognised = true;
  out.coordSysIndex = IndexOf(detected.datum);
  out.addZoneNumber = detected.addZoneNumber;
  out.is3DegreeZone = detected.is3DegreeZone;
  out.centralMeridian = detected.centralMeridian;
  return out;
}

CoordParams CoordParamsOf(const TFrameSettings& s) {
  CoordParams p;
  p.datum = s.datum();
  p.is3DegreeZone = s.is3DegreeZone;
  p.addZoneNumber = s.addZoneNumber;
  p.centralMeridian = s.centralMeridian;
  return p;
}

void CheckSheetCoordinates(const TFrameSettings& s, long double westLon, long double eastLon,
                           const std::string& number) {
  const CoordParams p = CoordParamsOf(s);
  if (!s.GeodeticOutput) CheckProjectedParams(p);
  CheckLongitudeReach(p, westLon, eastLon, "图幅" + number);
}

void CheckInputCoordinates(const InputCoordinates& input, const SpatialReference& inputRef,
                           const TFrameSettings& s, const Envelope& extent, const std::string& path) {
  const CoordParams p = CoordParamsOf(s);
  const bool geographicInput = input.geographic.value_or(false);
  if (input.recognised) {
    // The file says what its coordinates are; a run computing them otherwise
    // would label them wrongly.
    std::vector<std::string> differ;
    if (input.coordSysIndex && *input.coordSysIndex != s.CoordSysIndex)
      differ.push_back(std::string("坐标系統 ") + InfoOf(p.datum).caption);
    if (input.centralMeridian && *input.centralMeridian != s.centralMeridian)
      differ.push_back("中央经线 " + FloatToStr(s.centralMeridian));
    if (input.addZoneNumber && *input.addZoneNumber != s.addZoneNumber)
      differ.push_back(s.addZoneNumber ? "坐标加带号" : "坐标不加带号");
    if (!differ.empty()) {
      std::string text = path + "的坐标系统是 " + input.description + "，与所选的";
      for (std::size_t i = 0; i < differ.size(); ++i) text += (i ? "、" : "") + differ[i];
      throw RunError(text + "不符");
    }
  }
  if (!s.GeodeticOutput || !geographicInput) CheckProjectedParams(p);
  const std::string& what = path;
  if (geographicInput) {
    CheckLongitudeReach(p, extent.xMin, extent.xMax, what);
    return;
  }
  // Planar numbers alone cannot tell one meridian from another; a system
  // the program does not draw in still knows where its data lie.
  if (!input.recognised && inputRef.isProjected()) {
    std::vector<double> x, y;
    for (double e : {extent.xMin, (extent.xMin + extent.xMax) / 2, extent.xMax})
      for (double n : {extent.yMin, (extent.yMin + extent.yMax) / 2, extent.yMax}) {
        x.push_back(e);
        y.push_back(n);
      }
    if (inputRef.toGeographic(x, y))
      CheckLongitudeReach(p, *std::min_element(x.begin(), x.end()), *std::max_element(x.begin(), x.end()),
                          what);
  }
  CheckPlanarReach(p, extent.xMin, extent.yMin, extent.xMax, extent.yMax, what);
}

}  // namespace tarvik
