// Grid convergence (子午线收敛角) of the Gauss-Krueger projection: the angle
// at a point from true north (its meridian) to grid north (the x axis).
//
// Sign: positive when grid north lies east of true north, that is for
// points east of the central meridian in the northern hemisphere.
//
// Method: the series in the longitude difference l (radians) from the
// central meridian, with t = tan B and eta^2 = e'^2 cos^2 B:
//   gamma = l sin B [1 + l^2 cos^2 B (1 + 3 eta^2 + 2 eta^4) / 3
//                      + l^4 cos^4 B (2 - t^2) / 15]
// (the conformal transverse Mercator's; the same for the textbook and the
// Krueger datums, which differ only in how they sum the coordinates).
// Truncation: the omitted terms in l^7 stay below 0.001 arc second within
// 4 degrees of the central meridian; tests compare with PROJ's meridian
// convergence to 0.1 arc second over China's zones.
#pragma once

namespace tarvik {

// Latitude B and longitude difference l from the central meridian in
// degrees, on the ellipsoid of flattening 1/inverseFlattening; the
// convergence in degrees.
long double GridConvergence(double inverseFlattening, long double B, long double l);

}  // namespace tarvik
