// Gauss-Krueger conversion for the Chinese national datums, and the zone
// arithmetic that goes with it.
//
// Datums (coords/datum.h): Xi'an 1980 (IAG 1975 ellipsoid) and Beijing 1954
// (Krasovsky 1940) forward by the classical textbook series below, which
// every frame of these datums has been drawn with; CGCS2000 and WGS84 by
// Krueger's series in the third flattening (coords/krueger_tm.h), as PROJ
// computes them. Back from the plane every datum goes through Krueger's
// series on its own ellipsoid: the textbook inverse series (a footpoint
// polynomial and terms to the fifth power) missed by up to 2.9 mm at the
// edge of a zone's reach near the equator, and the classical meridian arc
// is itself a millimetre off at high latitudes.
//
// Units and axes: angles are decimal degrees unless stated; plane values are
// metres. x is the NORTHING and y the EASTING, x always first (a geometry
// later gets store-x = y, store-y = x). Scale factor on the central meridian
// is 1, false northing 0, false easting 500000 m plus, when eastings carry
// the zone number, zone x 1000000 m.
//
// Method of the textbook datums: the classical series of the Chinese surveying textbooks, with the
// datums' polar radius of curvature c = a^2/b and second eccentricity
// squared e'^2, the meridian arc of each datum as a fixed trigonometric
// series, and pi = 3.1415926535897932385.
//
// Precision: the forward conversion runs in 80-bit long double for every term
// that matters at that level (the higher series terms, below 1e-3 of the
// result, in double); it agrees with a plain long double evaluation to a
// hundredth of the last bit of the double a caller stores. The inverse runs
// in double (1 nm of rounding).
//
// Accuracy against a full transverse Mercator (PROJ, EPSG definitions of the
// same systems; bench/coords_bench.cpp measures it): forward for the
// textbook datums within 1.07 mm over 18..54N and 3 degrees of the central
// meridian, 1.15 mm over 0..56N out to half the zone width plus one degree
// (where a run reaches), 1.8 mm up to 88N, 11.5 mm at 6 degrees. The inverse
// of every datum, and both ways for CGCS2000 and WGS84, well below a
// micrometre; inverse(forward(B, L)) therefore returns (B, L) to the
// forward's own difference.
#pragma once

#include <string>

#include "common/font_desc.h"
#include "common/user_feedback.h"
#include "coords/datum.h"

namespace tarvik {

// The coordinate parameters of one run, set by the front end before it starts.
struct CoordParams {
  Datum datum = Datum::Xian80;
  bool is3DegreeZone = true;         // false: 6-degree zones
  bool addZoneNumber = false;        // eastings carry the zone number prefix
  long double centralMeridian = 87;  // degrees east
};

// A Gauss-Krueger position in metres (the geodesist's X and Y).
struct PlanarXY {
  long double northing = 0;  // X
  long double easting = 0;   // Y, with the zone prefix when the run adds it
};

// A geographic position in decimal degrees, latitude first as the planar
// northing is.
struct LatLon {
  long double lat = 0;
  long double lon = 0;
};

// deg x pi / 180.
long double DegToRad(long double deg);

// An angle written D.MMSS (87.3015 is 87 deg 30' 15"; digits after the second
// seconds digit are decimal fractions of a second; 87.3 is 87 deg 30') as
// decimal degrees. A negative angle is negative as a whole (-87.30 is -87.5).
// Throws RunError when the text is not a number, or its minutes or seconds
// are 60 or more (30.6000, 30.3099).
long double DmsTextToDegrees(const std::string& text);

// Zone number of a longitude or central meridian (degrees east): 3-degree
// zones Round(L / 3), 6-degree zones Round((L + 3) / 6), ties to even
// (75 -> 25 or 13; 72 in 6-degree zones -> 12). 0 for a non-finite longitude.
int ZoneNumberOf(bool is3Degree, long double longitude);

// Central meridian (degrees) of the zone containing the longitude, which is
// read as D.MMSS text: 3-degree zones Floor((L + 1.5) / 3) x 3, 6-degree
// zones (Floor(L / 6) + 1) x 6 - 3 (west of Greenwich -93 for -94.5 ..
// -91.5). Throws RunError when the text is not a number.
long double CentralMeridianOf(const std::string& longitudeText, bool is3Degree);

// False easting in metres: 500000, plus zone x 1000000 when addZone, the zone
// being ZoneNumberOf(is3Degree, centralMeridian) (the same zone GaussInverse
// takes off again).
long double FalseEasting(bool is3Degree, bool addZone, long double centralMeridian);

// Geodetic (latitude, longitude) given as text to plane (x northing,
// y easting). isDms: both texts are D.MMSS, otherwise decimal degrees.
// Throws RunError when a text is not a number or the result is not finite.
PlanarXY GaussForward(Datum datum, const std::string& latitudeText, const std::string& longitudeText,
                      bool isDms, bool is3Degree, bool addZone, long double centralMeridian);

// GaussForward of angles already read (decimal degrees), as they are.
// Throws RunError when the result is not finite.
PlanarXY GaussForwardDegrees(Datum datum, long double B, long double L, bool is3Degree, bool addZone,
                             long double centralMeridian);

// Plane (x northing, y easting) to longitude L and latitude B in degrees. The
// zone taken off a prefixed easting is the zone of the central meridian,
// never the digits of y. When the computation fails (non-finite input or
// result), shows "输入的数据,错误" through `feedback`, leaves L and B as they
// were and returns false.
bool GaussInverse(Datum datum, long double x, long double y, bool is3Degree, bool addZone,
                  long double centralMeridian, long double& L, long double& B, UserFeedback& feedback);

// The forward conversion with the run's parameters: B latitude and L
// longitude in decimal degrees -> (x northing, y easting). Each angle is first
// reduced to the value of its 15-significant-digit decimal text, exactly as
// GaussForward(FloatToStr(B), FloatToStr(L), isDms = false) would read it
// (textbook datums only: the frames drawn on them always went through that
// text; the Krueger datums take the angles as they are).
// Throws RunError for a non-finite angle or result.
PlanarXY LBToXY(const CoordParams& p, long double B, long double L);

// GaussInverse with the run's parameters: (x northing, y easting) -> L
// longitude, B latitude in degrees.
bool XYToLB(const CoordParams& p, long double x, long double y, long double& L, long double& B,
            UserFeedback& feedback);
// The same for callers that only want to know: nothing is shown.
bool XYToLB(const CoordParams& p, long double x, long double y, long double& L, long double& B);

// Ground height in metres of text of the font's point size printed at the
// map scale: pointSize x 25.4 / 72 mm, in 0.1 mm units, times scaleFactor
// (the scale denominator / 10000). A 10-point font at 1:10000 gives 35.28.
long double TextHeight(const FontDesc& font, long double scaleFactor);
// Twice TextHeight.
long double TextHeight2(const FontDesc& font, long double scaleFactor);

}  // namespace tarvik
