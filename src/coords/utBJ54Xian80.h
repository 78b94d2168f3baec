// Spatial references of the Chinese Gauss-Krueger systems and geographic
// systems, created from their EPSG codes.
//
// Projected references are keyed by the Gauss-Krueger zone number (as
// ZoneNumberOf gives it), the zone width and whether eastings carry the zone
// number. Every reference is in traditional GIS axis order: a point goes in as
// (easting, northing) or (longitude, latitude).
//
// EPSG codes used (zone = Gauss-Krueger zone number):
//   Xi'an 1980,   3-degree zones 25..45, zone in easting:   2349 + (zone - 25)
//   Xi'an 1980,   3-degree zones 25..45, no zone:           2370 + (zone - 25)
//   Xi'an 1980,   6-degree zones 13..23, zone in easting:   2327 + (zone - 13)
//   Xi'an 1980,   6-degree zones 13..23, no zone:           2338 + (zone - 13)
//   Beijing 1954, 3-degree zones 25..45, zone in easting:   2401 + (zone - 25)
//   Beijing 1954, 3-degree zones 25..45, no zone:           2422 + (zone - 25)
//   Beijing 1954, 6-degree zones 13..23, zone in easting:  21413 + (zone - 13)
//   Beijing 1954, 6-degree zones 13..23, no zone:          21473 + (zone - 13)
//     ("Gauss-Kruger 13N".."23N"; deprecated in EPSG in favour of the equal
//      21453.. "CM 75E".., kept because stored frames carry these codes)
//   Xi'an 1980 geographic 4610, Beijing 1954 geographic 4214.
#pragma once

#include "common/user_feedback.h"
#include "coords/spatial_reference.h"

namespace tarvik {

// The EPSG code of a projected system, 0 when the zone is outside the ranges
// above (the next codes belong to other systems).
int Xian80ProjectedCode(int zone, bool is3Degree, bool addZone);
int Beijing54ProjectedCode(int zone, bool is3Degree, bool addZone);

// A projected reference without a domain (the frame extent sets it later).
// When the reference cannot be created (zone out of range, no EPSG
// database), shows "失败" through `feedback` and returns an empty reference.
SpatialReference MakeXian80Projected(int zone, bool is3Degree, bool addZone,
                                     UserFeedback& feedback);
SpatialReference MakeBeijing54Projected(int zone, bool is3Degree, bool addZone,
                                        UserFeedback& feedback);

// Geographic references with the domain longitude 0..360, latitude 0..90
// degrees. On failure as above, without a domain.
SpatialReference MakeXian80Geographic(UserFeedback& feedback);
SpatialReference MakeBeijing54Geographic(UserFeedback& feedback);

}  // namespace tarvik
