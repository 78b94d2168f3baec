// A geomagnetic main-field model read from a coefficient file (.COF) of the
// World Magnetic Model or of IGRF, and the magnetic declination it gives.
// No model is shipped: the person names the file of the model they use.
//
// Files read:
//   WMM    a header "epoch name date" (2020.0 WMM-2020 12/10/2019), then
//          lines "n m g h dg dh" (nT and nT/year), ended by a line of 9s;
//   IGRF   the format of geomag70: one block per model, each a header
//          "name epoch maxdeg maxsv 0 yearmin yearmax altmin altmax ..." and
//          lines "n m g h dg dh ...".
// With several models the coefficients at a date are interpolated between
// the two models around it, and after the last one extrapolated with its
// secular variation; a single model is carried from its epoch by its own.
//
// Synthesis: the Schmidt semi-normalised spherical-harmonic expansion of
// the field's potential on the reference sphere a = 6371.2 km, evaluated at
// the geocentric position of a geodetic point (WGS 84 ellipsoid) and turned
// into the geodetic north and east components X, Y; declination
// D = atan2(Y, X), east positive.
#pragma once

#include <string>
#include <vector>

namespace tarvik {

class GeomagneticModel {
 public:
  // Reads the file. RunError when it cannot be read or holds no model.
  static GeomagneticModel Read(const std::string& path);
  // The same from the file's text; `what` names it in messages.
  static GeomagneticModel Parse(const std::string& text, const std::string& what);

  // The years the model covers: from the first epoch to the end of the last
  // model's validity (its stated end, or five years after its epoch).
  double firstYear() const;
  double lastYear() const;
  const std::string& name() const { return models_.front().name; }

  // Declination in degrees (east positive) at geodetic latitude and
  // longitude (degrees), height (km above the ellipsoid) and decimal year.
  // RunError for a year outside firstYear()..lastYear().
  double declination(double latitude, double longitude, double heightKm, double year) const;

 private:
  struct Model {
    std::string name;
    double epoch = 0, validUntil = 0;
    int degree = 0;
    // Indexed [n * (n + 1) / 2 + m].
    std::vector<double> g, h, dg, dh;
  };
  std::vector<Model> models_;
  std::string what_;
};

// A date as a decimal year: 2024-07-02 is 2024 + 183 / 366.
double DecimalYear(int year, int month, int day);

}  // namespace tarvik
