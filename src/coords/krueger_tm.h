// Transverse Mercator on an ellipsoid by Krueger's series in the third
// flattening n = f / (2 - f), carried to n^6, as PROJ (its default "exact"
// tmerc) and GeographicLib (TransverseMercator) compute it:
// L. Krueger, Konforme Abbildung des Erdellipsoids in der Ebene (1912);
// C. F. F. Karney, Transverse Mercator with an accuracy of a few
// nanometers, J. Geodesy 85 (2011) 475-485.
//
// Units and axes: latitude and longitude difference from the central
// meridian in degrees; plane values in metres, x the NORTHING (from the
// equator) and y the EASTING offset from the central meridian, scale 1 on
// the central meridian, no false easting (the caller adds it).
//
// The conformal latitude is taken from, and turned back into, the geodetic
// one by its own series in n (the same paper, to n^6), as PROJ does: the
// exact forms need atanh, sinh and a Newton iteration. With the small
// angles between the two latitudes and between the conformal and
// rectifying coordinates carried by short Taylor series, a conversion costs
// two sine/cosine pairs and two inverse functions.
//
// Accuracy: the series' truncation is below 5 nm within 4000 km of the
// central meridian (Karney 2011); evaluated in double, results carry about
// 1 nm of rounding. Within a Gauss-Krueger zone the results agree with PROJ
// to well below a micrometre both ways (tests check it point by point).
#pragma once

namespace tarvik {

class KruegerTM {
 public:
  // a: semi-major axis in metres; inverseFlattening: 1/f (> 1).
  KruegerTM(double a, double inverseFlattening);

  // Latitude B and longitude difference l = L - L0 (degrees) to x (northing)
  // and y (easting offset), metres. Non-finite input gives non-finite output.
  void forward(double B, double l, double& x, double& y) const;
  // x (northing) and y (easting offset) in metres to latitude B and
  // longitude difference l (degrees). Non-finite input gives non-finite output.
  void inverse(double x, double y, double& B, double& l) const;

  // The meridian arc from the equator to latitude B (degrees), metres.
  double meridianArc(double B) const;

 private:
  double A_;               // rectifying radius a / (1 + n) (1 + n^2/4 + n^4/64 + n^6/256)
  double alpha_[7];        // conformal -> transverse Mercator coefficients, [1]..[6]
  double beta_[7];         // transverse Mercator -> conformal coefficients, [1]..[6]
  double toConformal_[7];  // geodetic -> conformal latitude, [1]..[6]
  double toGeodetic_[7];   // conformal -> geodetic latitude, [1]..[6]
};

}  // namespace tarvik
