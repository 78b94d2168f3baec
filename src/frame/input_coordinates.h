// What an input file's coordinate system says about the run's coordinate
// settings: planar or geographic output, datum, zone width, zone prefix and
// central meridian. The window presets its controls from it, the command
// line takes it as the defaults of its options.
#pragma once

#include <optional>
#include <string>

#include "coords/spatial_reference.h"
#include "coords/utlbxy.h"
#include "settings/frame_settings.h"

namespace tarvik {

// Each member is set only when the input's system decides it; unset members
// keep whatever the user chose.
struct InputCoordinates {
  // The system is one the datum table describes (else the user has to say
  // what the coordinates are).
  bool recognised = false;
  // The system as the input names it, with its EPSG code: for messages.
  std::string description;
  std::optional<bool> geographic;    // output in longitude/latitude
  std::optional<int> coordSysIndex;  // the datum's index (coords/datum.h)
  std::optional<bool> is3DegreeZone;
  std::optional<bool> addZoneNumber;           // eastings carry the zone number
  std::optional<long double> centralMeridian;  // whole degrees
};

// From the input's spatial reference (RunError "没有定义坐标系统" for none):
// - a geographic or Gauss-Krueger system of a datum of the table: recognised,
//   with geographic output and the datum, or planar output with datum, zone
//   width, prefix and central meridian;
// - anything else (another projection or datum, a meridian that is not a
//   whole degree): not recognised; only planar or geographic output is set,
//   as the system is one or the other. Nothing is shown: the caller tells
//   the user ("无法自动识别坐标系统，自己设置有关参数" in the window, a refusal
//   naming the options on the command line).
InputCoordinates InputCoordinatesOf(const SpatialReference& ref);

// The coordinate parameters of a run with these settings.
CoordParams CoordParamsOf(const TFrameSettings& s);

// Checked before anything is written (RunError with the reason): a sheet's
// longitudes within the reach of the run's meridian, and planar parameters
// a coordinate system can describe. An input file's features are judged
// each by its own extent (coords/zone_reach.h, ReachJudge).
void CheckSheetCoordinates(const TFrameSettings& s, long double westLon, long double eastLon,
                           const std::string& number);

}  // namespace tarvik
