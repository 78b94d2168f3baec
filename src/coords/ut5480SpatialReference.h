// Recognising the coordinate system of an input layer: which datum, zone
// width, zone-prefix choice and central meridian its coordinates are in, so
// the front ends can preset the run's coordinate settings, or refuse the
// input when it is in a system they cannot describe.
#pragma once

#include <string>

#include "coords/datum.h"
#include "coords/spatial_reference.h"

namespace tarvik {

enum class CoordSysKind : int {
  Unrecognised = 0,  // not a system of the datum table: the user must say what it is
  Projected = 1,     // Gauss-Krueger on one of the datums: every field below holds
  Geographic = 2,    // longitude/latitude on one of the datums: `datum` holds
};

struct DetectedCoordSys {
  CoordSysKind kind = CoordSysKind::Unrecognised;
  Datum datum = Datum::Xian80;
  bool is3DegreeZone = true;
  bool addZoneNumber = false;        // eastings carry the zone number
  long double centralMeridian = 87;  // degrees east
  // The system as the input names it, with its EPSG code when it has one:
  // "WGS 84 / UTM zone 50N (EPSG:32650)". For messages.
  std::string description;
};

// The EPSG code of the reference: the one it carries, or else the code of the
// EPSG system it is equivalent to (an ArcGIS .prj in ESRI WKT carries none).
// Only a confident match counts: PROJ must call the systems equivalent, the
// ellipsoid and the projection parameters (false easting included, which is
// all that tells a zone-prefixed system from its plain twin) must agree, and
// the best match must be unique. 0 when none.
int IdentifyEpsgCode(const SpatialReference& ref);

// What the reference says of the run's coordinate settings:
// - an empty reference: throws RunError("没有定义坐标系统");
// - the geographic system of a datum of the table (4610, 4214, 4326, 4490):
//   Geographic with that datum;
// - a Gauss-Krueger zone of an EPSG block of the table (Xi'an 1980, Beijing
//   1954, CGCS2000): Projected with its datum, zone width, prefix and
//   central meridian;
// - a transverse Mercator without a code but on a datum of the table, scale
//   1, origin on the equator, false easting 500000 (with or without a zone
//   number in front), as Tarvik writes for local meridians: Projected
//   likewise (zone width 3 unless the zone number or the name says 6);
// - anything else (UTM, Web Mercator, New Beijing, other datums):
//   Unrecognised. Nothing is shown: the caller tells the user.
DetectedCoordSys DetectCoordinateSystem(const SpatialReference& ref);

}  // namespace tarvik
