#include "frame/input_coordinates.h"

#include <cmath>

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

}  // namespace tarvik
