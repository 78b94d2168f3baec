// The spatial reference written with a run's frames: the one that agrees
// with the coordinates the conversions compute.
//
// Projected references: the EPSG code of the datum's Gauss-Krueger zone
// when the central meridian is the meridian of a coded zone of that width
// (coords/datum.h lists the blocks: Xi'an 1980 2327..2390, Beijing 1954
// 2401..2442 and 21413..21483, CGCS2000 4491..4554); otherwise a custom
// transverse Mercator on the datum with that meridian, scale 1 and the run's
// false easting, named as EPSG names its zones ("CGCS2000 / 3-degree
// Gauss-Kruger CM 88E"; 6-degree zones without "3-degree"; local
// meridians of city surveys, zones outside China's blocks, and WGS84, which
// has no coded Gauss-Krueger zones). Geographic references: the datum's
// EPSG code (4610, 4214, 4326, 4490).
//
// Every reference is in traditional GIS axis order: a point goes in as
// (easting, northing) or (longitude, latitude).
#pragma once

#include <string>

#include "common/user_feedback.h"
#include "coords/datum.h"
#include "coords/spatial_reference.h"
#include "coords/utlbxy.h"

namespace tarvik {

// Whether the meridian (degrees east) is the central meridian of a zone of
// that width: a multiple of 3 for 3-degree zones, 6k - 3 for 6-degree ones.
bool IsZoneMeridian(bool is3Degree, long double centralMeridian);

// Refuses (RunError) parameters no coordinate system can describe: a zone
// number in the eastings with a meridian that is not a zone's.
void CheckProjectedParams(const CoordParams& p);

// The projected reference of the parameters, without a domain (the frame
// extent sets it later); see above. RunError for parameters
// CheckProjectedParams refuses; "失败" through `feedback` and an empty
// reference when the EPSG database cannot be read.
SpatialReference MakeProjectedReference(const CoordParams& p, UserFeedback& feedback);

// The datum's geographic reference with the domain longitude 0..360,
// latitude 0..90 degrees. On failure as above, without a domain.
SpatialReference MakeGeographicReference(Datum datum, UserFeedback& feedback);

// The name a custom projected reference of these parameters gets.
std::string CustomProjectedName(const CoordParams& p);

}  // namespace tarvik
