// Putting an input's coordinates into the run's output system through PROJ:
// county boundaries in WGS 84, CGCS2000, UTM, Web Mercator or another
// Gauss-Krueger zone are transformed into the run's Gauss-Krueger system,
// never reinterpreted as if they were in it.
//
// What is transformed and how:
// - both systems on one geodetic datum: the conversion between them, exact
//   (PROJ must find an operation that is not a "ballpark" one; there always
//   is one between systems of one datum);
// - WGS 84 and CGCS2000: taken as one datum (they differ by about a metre),
//   with a note for the run's output. In PROJ 9.1 the only operation between
//   them is a ballpark null offset; we state the identity ourselves (the
//   CGCS2000 side is bound to WGS 84 by zero parameters), so no ballpark
//   operation is ever used;
// - any other pair (Xi'an 1980, Beijing 1954, a datum not in the datum table,
//   or CGCS2000/WGS 84 against one of those): no exact public transformation
//   exists; refused unless the user gives one. PROJ would otherwise take a
//   ballpark null offset (Xi'an 1980 -> CGCS2000: "Ballpark geographic
//   offset", the same latitude and longitude on either datum, tens of metres
//   to about a hundred off) or, Beijing 1954 -> WGS 84, one of the EPSG
//   transformations made for single oil fields, none meant for the whole
//   country.
//
// Axis order: coordinates passed in and out are in the traditional GIS order
// of SpatialReference: x = easting or longitude, y = northing or latitude,
// in the system's own units (metres, degrees).
//
// A user-given transformation is one of:
// - seven Helmert (Bursa-Wolf) parameters in PROJ's +towgs84 convention:
//   translations in metres, rotations in arc-seconds in the position-vector
//   convention (EPSG method 9606), scale difference in ppm. They take the
//   datum of the side that is not WGS 84 or CGCS2000 onto the datum of the
//   side that is (used forward or inversely as the direction of the run
//   needs); exactly one side must be WGS 84 or CGCS2000. Parameters published
//   in the coordinate-frame convention (EPSG 9607, ArcGIS "Coordinate_Frame")
//   need their three rotations negated.
// - a PROJ pipeline (any PROJ string or WKT/PROJJSON coordinate operation),
//   used as the operation from source to target. GDAL hands it coordinates
//   in the axis order and angular unit of the source system's own
//   definition and reads its result in those of the target's: for EPSG:4326
//   or EPSG:4610 latitude first, in degrees; for the CGCS2000 and Xi'an 1980
//   Gauss-Krueger zones (EPSG:4548, 2384, ...) northing first; for UTM and Web
//   Mercator easting first. ESRI .prj systems (no axis stated) are longitude
//   or easting first. This is what `projinfo -s SRC -t DST -o PROJ` prints
//   (its axisswap and unitconvert steps), so such a pipeline can be given
//   as it stands. Both kinds are checked at one test point (the centre of
//   the target's area of use): a result more than 5 km from where the
//   systems put that point without a datum shift means swapped axes, wrong
//   units or parameters, and is refused. A transformation that cannot
//   compute the point at all is left to fail on the data.
//
// Densification: an edge straight in the source is curved in the target (a
// parallel of a geographic polygon bulges in Gauss-Krueger by about
// L^2 tan(B) / 8R: 0.9 km for a 200 km edge at 49N). Edges are cut into
// pieces of at most 0.01 degree (geographic source) or 1000 m (projected
// source; in its own unit) before they are transformed; what is left of the
// bulge is then about tan(B) s^2 / 8R for pieces of s metres. Measured
// against a reference densified to 1e-5 degree / 1 m, the largest error of
// any side of the envelope in EPSG:4548 (CGCS2000 3-degree Gauss-Krueger
// CM 117E), over centres 115.5-119.5E and 22.5-49N:
//   EPSG:4326 rectangles of 50, 100 and 200 km:   12 mm (undensified: 57 m,
//                                                  226 m and 907 m)
//   EPSG:4326 irregular polygons of 100-200 km:    < 0.01 mm (their extremes
//                                                  fall on vertices)
//   EPSG:32650 rectangles and polygons 50-200 km:  < 0.01 mm (UTM 50N shares
//                                                  the central meridian)
//   EPSG:3857 rectangles of 50, 100 and 200 km:   10 mm (undensified as 4326)
// The error depends on the piece length, not on the polygon's size. The
// envelope of a county of 10 000 vertices takes 2.5 ms (EPSG:4326) to 4 ms
// (EPSG:32650); making a transformation takes about 0.2 ms.
//
// PROJ networking: nothing here turns it on, and none of the operations
// made here needs a grid; a given pipeline uses the grids installed, unless
// the user turned PROJ's networking on (PROJ_NETWORK=ON). GDAL's messages
// never reach stderr; failures come back as values or as RunError.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "coords/datum.h"
#include "coords/spatial_reference.h"
#include "gdb/geometry.h"

class OGRCoordinateTransformation;

namespace tarvik {

enum class DatumRelation {
  Same,           // one geodetic datum: an exact conversion
  Wgs84Cgcs2000,  // WGS 84 and CGCS2000: taken as the same, with a note
  Different,      // no exact public transformation: the user must give one
};

struct DatumPair {
  DatumRelation relation = DatumRelation::Different;
  // The row of the datum table each side is on (ESRI forms such as
  // D_China_2000 included); none for a datum the table does not hold.
  std::optional<Datum> source;
  std::optional<Datum> target;
  // Wgs84Cgcs2000: "WGS 84 与 CGCS2000 视为相同（差异约1米）"; otherwise "".
  std::string note;
};

// How the datum of `source` (an input's system) stands to that of `target`
// (the run's output system). Two systems off the table count as one datum
// when GDAL calls their geographic systems the same.
DatumPair DatumPairOf(const SpatialReference& source, const SpatialReference& target);

// Seven parameters in PROJ's +towgs84=dx,dy,dz,rx,ry,rz,ds convention.
struct HelmertParameters {
  double dx = 0, dy = 0, dz = 0;  // metres
  double rx = 0, ry = 0, rz = 0;  // arc-seconds, position vector
  double ds = 0;                  // ppm
  bool operator==(const HelmertParameters&) const = default;
};

// Parameters read from "dx,dy,dz,rx,ry,rz,ds" (an optional "+towgs84="
// before them, blanks around the numbers and full-width commas allowed,
// "." as the decimal point whatever the locale), or the reason the text is
// not that (the number count, the value that is not a finite number).
struct HelmertParse {
  std::optional<HelmertParameters> parameters;
  std::string reason;  // set when parameters is none
};
HelmertParse ParseHelmert(std::string_view text);

// A PROJ coordinate operation from source to target (see the axis order
// above).
struct ProjPipeline {
  std::string text;
};

using GivenTransformation = std::variant<HelmertParameters, ProjPipeline>;

// One line for the output's catalog: "Helmert +towgs84=100,0,0,0,0,0,0" or
// the pipeline with its blanks and line breaks folded into single spaces.
std::string DescribeTransformation(const GivenTransformation& given);

// One transformation from an input's system into the run's output system,
// over OGRCoordinateTransformation. Copyable (a copy carries the same PROJ
// operation); one object is not for use from two threads at once.
class CoordinateTransform {
 public:
  // Throws RunError with the user's message when the systems cannot be
  // transformed: either system missing or neither geographic nor projected;
  // different datums and nothing given (the message names both systems and
  // their datums and asks for the transformation); seven parameters with
  // neither or both sides on WGS 84/CGCS2000; a pipeline PROJ cannot use; a
  // given transformation failing the test point; or no exact operation.
  CoordinateTransform(const SpatialReference& source, const SpatialReference& target,
                      const std::optional<GivenTransformation>& given = std::nullopt);
  ~CoordinateTransform();
  CoordinateTransform(const CoordinateTransform& other);
  CoordinateTransform& operator=(const CoordinateTransform& other);
  CoordinateTransform(CoordinateTransform&&) noexcept;
  CoordinateTransform& operator=(CoordinateTransform&&) noexcept;

  // Same datum, nothing given, and the two systems define the same
  // coordinates (an ESRI .prj of a zone and the zone's EPSG code alike):
  // callers may skip the transformation.
  bool isIdentity() const { return identity_; }
  const DatumPair& datums() const { return datums_; }
  // "WGS 84 / UTM zone 50N (EPSG:32650) → CGCS2000 / 3-degree Gauss-Kruger
  // CM 117E (EPSG:4548)", then "；" and the note or the given transformation.
  const std::string& description() const { return description_; }

  // Positions (x, y) of the source turned in place into the target's; false
  // when any of them fails or the sizes differ (the values are then not to
  // be used).
  bool transform(std::vector<double>& x, std::vector<double>& y);
  // The geometry densified (see above) and transformed; the geometry itself
  // for the identity; none when it is none, holds a NaN or infinity, or a
  // vertex fails.
  Geometry transformed(const Geometry& geometry);
  // The envelope of transformed(geometry) in the target's units; none when
  // that is none or empty.
  std::optional<Envelope> envelopeOf(const Geometry& geometry);
  // The longest edge densification leaves, in the source's units.
  double densifyStep() const { return step_; }

 private:
  struct Deleter {
    void operator()(OGRCoordinateTransformation* ct) const;
  };
  std::unique_ptr<OGRCoordinateTransformation, Deleter> ct_;
  DatumPair datums_;
  std::string description_;
  bool identity_ = false;
  double step_ = 0;
};

}  // namespace tarvik
