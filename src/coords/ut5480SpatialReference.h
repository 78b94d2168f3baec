// Recognising the coordinate system of an input layer: which datum, zone
// width, zone-prefix choice and central meridian its coordinates are in, so
// the window can preset its controls.
#pragma once

#include "common/user_feedback.h"
#include "coords/spatial_reference.h"

namespace tarvik {

struct DetectedCoordSys {
  // 0: projected (the other fields are meaningful); 10: WGS84 geographic;
  // 20: Beijing 1954 geographic; 30: Xi'an 1980 geographic.
  int kind = 0;
  bool isBeijing54 = false;          // projected on Beijing 1954 (false: Xi'an 1980)
  bool is3DegreeZone = true;
  bool addZoneNumber = false;        // eastings carry the zone number
  long double centralMeridian = 87;  // degrees east
};

// The EPSG code of the reference: the one it carries, or else the code of the
// EPSG system it is equivalent to (an ArcGIS .prj in ESRI WKT carries none).
// Only a confident match counts: PROJ must call the systems equivalent, the
// ellipsoid and the projection parameters (false easting included, which is
// all that tells a zone-prefixed system from its plain twin) must agree, and
// the best match must be unique. 0 when none.
int IdentifyEpsgCode(const SpatialReference& ref);

// Fills `inout` from the reference's EPSG code and returns whether the code
// was recognised:
// - an empty reference: throws RunError("没有定义坐标系统");
// - no EPSG code can be found: shows "无法自动识别坐标系统，自己设置有关参数",
//   sets kind 0, leaves the rest and returns true (the user sets them);
// - 4610, 4214, 4326: kind 30, 20, 10;
// - the Xi'an 1980 and Beijing 1954 Gauss-Krueger codes (2327..2390,
//   2401..2442, 21413..21423, 21453..21463, 21473..21483): kind 0 and the
//   datum, zone width, prefix and central meridian of that system;
// - any other code: kind 0, the rest untouched, returns false, shows nothing.
bool DetectCoordinateSystem(const SpatialReference& ref, DetectedCoordSys& inout,
                            UserFeedback& feedback);

}  // namespace tarvik
