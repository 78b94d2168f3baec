// How stored coordinates become ground metres on the preview page.
//
// Planar output is already in metres (x easting, y northing) and passes
// unchanged. Geographic output (x longitude, y latitude, degrees) is drawn in
// an equirectangular projection true to scale at one latitude, the sheet's
// mean latitude phi0:
//   east  = longitude x N(phi0) cos(phi0) x pi / 180
//   north = latitude  x M(phi0) x pi / 180
// with N and M the ellipsoid's prime-vertical and meridian radii of
// curvature. Over a map sheet this differs from the Gauss-Krueger plane by
// far less than a line width, so both outputs look alike on paper (the
// geographic one without the grid convergence's tilt).
#pragma once

#include "gdb/geometry.h"

namespace tarvik {

class GroundProjection {
 public:
  // Identity: store coordinates are metres.
  static GroundProjection Planar();
  // Equirectangular at `meanLatitude` (degrees) on the ellipsoid with
  // semi-major axis `a` (metres) and inverse flattening `invF` (0: sphere).
  static GroundProjection Geographic(double meanLatitude, double a, double invF);

  // (east, north) in metres for a store point (x easting or longitude,
  // y northing or latitude).
  Point2 toGround(Point2 store) const { return {store.x * xScale_, store.y * yScale_}; }
  double xScale() const { return xScale_; }  // metres per store-x unit
  double yScale() const { return yScale_; }  // metres per store-y unit

 private:
  GroundProjection(double xScale, double yScale) : xScale_(xScale), yScale_(yScale) {}
  double xScale_ = 1, yScale_ = 1;
};

}  // namespace tarvik
