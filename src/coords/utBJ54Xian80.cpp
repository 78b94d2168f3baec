#include "coords/utBJ54Xian80.h"

#include <cmath>

#include "common/delphi.h"
#include "common/error.h"

namespace tarvik {
namespace {

const char* const kFailed = "失败";

// "88E", "117.5E", "75W": a meridian as the names of such systems write it.
std::string MeridianName(long double cm) {
  const long double a = std::fabs(cm);
  return FloatToStr(a) + (cm < 0 ? "W" : "E");
}

}  // namespace

bool IsZoneMeridian(bool is3Degree, long double centralMeridian) {
  const long double q = is3Degree ? centralMeridian / 3 : (centralMeridian + 3) / 6;
  return std::isfinite(q) && q == std::floor(q);
}

void CheckProjectedParams(const CoordParams& p) {
  if (!p.addZoneNumber || IsZoneMeridian(p.is3DegreeZone, p.centralMeridian)) return;
  throw RunError("中央经线 " + FloatToStr(p.centralMeridian) + " 度不是" +
                 (p.is3DegreeZone ? "3度带" : "6度带") +
                 "的中央经线，坐标不能加带号；请去掉加带号，或选择带的中央经线");
}

std::string CustomProjectedName(const CoordParams& p) {
  // As EPSG names the coded zones: "3-degree" marks 3-degree zones.
  std::string name = std::string(InfoOf(p.datum).crsName) + " / ";
  if (p.is3DegreeZone) name += "3-degree ";
  name += "Gauss-Kruger ";
  if (p.addZoneNumber)
    return name + "zone " + std::to_string(ZoneNumberOf(p.is3DegreeZone, p.centralMeridian));
  return name + "CM " + MeridianName(p.centralMeridian);
}

SpatialReference MakeProjectedReference(const CoordParams& p, UserFeedback& feedback) {
  CheckProjectedParams(p);
  SpatialReference ref;
  if (IsZoneMeridian(p.is3DegreeZone, p.centralMeridian)) {
    const int zone = ZoneNumberOf(p.is3DegreeZone, p.centralMeridian);
    if (const int code = ProjectedEpsgCode(p.datum, zone, p.is3DegreeZone, p.addZoneNumber)) {
      // Exactly this code, deprecated or not: stored frames carry it.
      ref = SpatialReference::FromEpsgAsIs(code);
      if (ref.empty()) feedback.message(kFailed);
      return ref;
    }
  }
  ref = SpatialReference::TransverseMercator(
      InfoOf(p.datum).geographicEpsg, CustomProjectedName(p), static_cast<double>(p.centralMeridian),
      static_cast<double>(FalseEasting(p.is3DegreeZone, p.addZoneNumber, p.centralMeridian)));
  if (ref.empty()) feedback.message(kFailed);
  return ref;
}

SpatialReference MakeGeographicReference(Datum datum, UserFeedback& feedback) {
  SpatialReference ref = SpatialReference::FromEpsgAsIs(InfoOf(datum).geographicEpsg);
  if (ref.empty())
    feedback.message(kFailed);
  else
    ref.setDomain(0, 360, 0, 90);
  return ref;
}

}  // namespace tarvik
