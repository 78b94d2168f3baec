// The Gauss-Krueger plane that goes with a geographic reference, for
// readers that draw geographic frames on a plane (QGIS projects), and moving
// rectangles between references.
#pragma once

#include <memory>

#include "coords/spatial_reference.h"

namespace tarvik {

// Transverse Mercator on the datum of `geographic`: central meridian as
// given (degrees east), scale 1, false easting 500 000 m, no zone number.
// None when `geographic` is not geographic.
SpatialReference GaussKruegerOn(const SpatialReference& geographic, double centralMeridian);

// The central meridian of the 3-degree zone that holds the longitude.
double ThreeDegreeZoneMeridian(double longitude);

// The rectangle (x easting or longitude, y northing or latitude) moved from
// one reference to the other: the bounds of its corners and edge midpoints.
// False (rectangle unchanged) when the references cannot be transformed.
bool TransformRectangle(const SpatialReference& from, const SpatialReference& to, double& xMin, double& yMin,
                        double& xMax, double& yMax);

// Moves points from one reference to another (x easting or longitude, y
// northing or latitude on both sides).
class ReferenceTransform {
 public:
  ReferenceTransform(const SpatialReference& from, const SpatialReference& to);
  ~ReferenceTransform();
  ReferenceTransform(const ReferenceTransform&) = delete;
  ReferenceTransform& operator=(const ReferenceTransform&) = delete;
  bool valid() const { return static_cast<bool>(ct_); }
  // False when the point cannot be moved (it is then unchanged).
  bool apply(double& x, double& y) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> ct_;
};

}  // namespace tarvik
