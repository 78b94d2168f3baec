#include "frame/input_coordinates.h"

#include <cmath>

#include "common/delphi.h"
#include "common/error.h"
#include "coords/ut5480SpatialReference.h"

namespace tarvik {

InputCoordinates ApplyInputSpatialRef(const SpatialReference& ref, UserFeedback& feedback) {
  InputCoordinates out;
  DetectedCoordSys detected;
  // The detector leaves the meridian alone when it could not identify the
  // system; a value it never writes tells that case from a recognised one.
  detected.centralMeridian = -1;
  if (!DetectCoordinateSystem(ref, detected, feedback)) return out;
  if (detected.kind < 10) {
    out.geographic = false;
    if (detected.centralMeridian < 0) return out;  // not identified: the user sets the rest
    out.coordSysIndex = detected.isBeijing54 ? 1 : 0;
    out.addZoneNumber = detected.addZoneNumber;
    out.is3DegreeZone = detected.is3DegreeZone;
    out.centralMeridian = static_cast<long double>(Trunc(detected.centralMeridian));
    return out;
  }
  out.geographic = true;
  switch (detected.kind) {
    case 20: out.coordSysIndex = 1; break;
    case 30: out.coordSysIndex = 0; break;
    case 10: out.coordSysIndex = 2; break;
    default: throw RunError("坐标系统错误");
  }
  return out;
}

}  // namespace tarvik
