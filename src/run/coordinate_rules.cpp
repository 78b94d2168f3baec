#include "run/coordinate_rules.h"

#include "common/error.h"
#include "coords/zone_reach.h"
#include "frame/index_sheets.h"
#include "settings/control_table.h"

namespace tarvik {

long double SheetMeridian(long double westLon, bool is3Degree) { return ZoneMeridianOf(westLon, is3Degree); }

long double AreaMeridian(long double lonMin, long double lonMax, bool is3Degree) {
  return ZoneMeridianOf((lonMin + lonMax) / 2, is3Degree);
}

bool ApplyCoordinateChoice(const CoordinateChoice& c, const InputCoordinates* input, TFrameSettings& s) {
  const bool known = input && input->recognised;
  if (c.datum)
    s.CoordSysIndex = IndexOf(*c.datum);
  else if (known && input->coordSysIndex)
    s.CoordSysIndex = *input->coordSysIndex;
  if (c.is3DegreeZone)
    s.is3DegreeZone = *c.is3DegreeZone;
  else if (known && input->is3DegreeZone)
    s.is3DegreeZone = *input->is3DegreeZone;
  if (c.zonePrefix)
    s.addZoneNumber = *c.zonePrefix;
  else if (known && input->addZoneNumber)
    s.addZoneNumber = *input->addZoneNumber;
  // Planar or geographic coordinates are told by any system, known or not.
  if (c.geographic)
    s.GeodeticOutput = *c.geographic;
  else if (input && input->geographic)
    s.GeodeticOutput = *input->geographic;
  if (c.centralMeridian) {
    s.centralMeridian = *c.centralMeridian;
    return true;
  }
  if (known && input->centralMeridian) {
    s.centralMeridian = *input->centralMeridian;
    return true;
  }
  return false;
}

void ApplyScaleText(const std::optional<std::string>& scale, TFrameSettings& s) {
  if (!scale) return;
  if (const auto reason = ApplyControlValue(s, "edtMapscale1", *scale))
    throw RunError("比例尺" + *scale + "：" + *reason);
}

std::string ScaleOf(const TFrameSettings& s) { return ScaleName(s.ScaleFactor * 10000); }

}  // namespace tarvik
