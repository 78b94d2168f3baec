// What an input file's coordinate system says about the run's coordinate
// settings: planar or geographic output, datum, zone width, zone prefix and
// central meridian, as the window presets its controls when a file is picked.
#pragma once

#include <optional>

#include "common/user_feedback.h"
#include "coords/spatial_reference.h"

namespace tarvik {

// Each member is set only when the input's system decides it; unset members
// keep whatever the user chose.
struct InputCoordinates {
  std::optional<bool> geographic;         // output in longitude/latitude
  std::optional<int> coordSysIndex;       // 0 Xi'an 1980, 1 Beijing 1954, 2 WGS84
  std::optional<bool> is3DegreeZone;
  std::optional<bool> addZoneNumber;      // eastings carry the zone number
  std::optional<long double> centralMeridian;  // whole degrees
};

// From the input's spatial reference:
// - none: RunError "没有定义坐标系统";
// - a system without a recognisable EPSG code: the user is told to set the
//   parameters ("无法自动识别坐标系统，自己设置有关参数"); only planar output is set;
// - a Xi'an 1980 or Beijing 1954 Gauss-Krueger system: planar output with its
//   datum, zone width, prefix and central meridian (truncated to degrees);
// - Xi'an 1980, Beijing 1954 or WGS84 geographic: geographic output and that
//   datum (a geographic kind the detector does not name: RunError "坐标系统错误");
// - any other EPSG system (another projection or datum): nothing is set.
InputCoordinates ApplyInputSpatialRef(const SpatialReference& ref, UserFeedback& feedback);

}  // namespace tarvik
