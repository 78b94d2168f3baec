// A spatial reference with an XY domain, over OGRSpatialReference.
//
// Axis order is always the traditional GIS order: x = easting (or longitude),
// y = northing (or latitude), whatever the EPSG definition says, so the
// geometry store always receives (easting, northing).
//
// The domain is the rectangle every stored coordinate must lie in, with the
// resolution of the store's integer grid: 0.0001 m for projected references
// and 1e-9 degree for geographic ones.
#pragma once

#include <memory>
#include <string>
#include <vector>

class OGRSpatialReference;

namespace tarvik {

class SpatialReference {
 public:
  struct Domain {
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    bool set = false;
  };

  SpatialReference();  // none
  ~SpatialReference();
  SpatialReference(const SpatialReference& other);
  SpatialReference& operator=(const SpatialReference& other);
  SpatialReference(SpatialReference&&) noexcept;
  SpatialReference& operator=(SpatialReference&&) noexcept;

  // From the EPSG database; none when the code is unknown. A code that EPSG
  // has deprecated gives its current replacement (GDAL's default).
  static SpatialReference FromEpsg(int code);
  // From the EPSG database under exactly this code, deprecated or not (for
  // files that must keep carrying an older code). None when unknown.
  static SpatialReference FromEpsgAsIs(int code);
  // A transverse Mercator in metres on the geographic system of EPSG code
  // `geographicCode`, latitude of origin 0, scale 1 on the central meridian
  // (degrees), the false easting given and no false northing; none when the
  // geographic code is unknown.
  static SpatialReference TransverseMercator(int geographicCode, const std::string& name,
                                             double centralMeridian, double falseEasting);
  // From WKT (OGC or ESRI dialect, as in a .prj); none when it does not parse.
  static SpatialReference FromWkt(const std::string& wkt);
  // A copy of a GDAL reference (nullptr gives none). For src/gdb.
  static SpatialReference FromOgr(const OGRSpatialReference* ref);

  bool empty() const { return !ref_; }
  explicit operator bool() const { return !empty(); }

  // The EPSG code the reference carries, 0 for a custom one (or none).
  int epsgCode() const;
  bool isGeographic() const;
  bool isProjected() const;
  std::string name() const;
  std::string wkt() const;  // WKT1 (GDAL's default export); "" for none
  // The ellipsoid: semi-major axis in metres and inverse flattening (0 for a
  // sphere); both 0 for none.
  double semiMajorAxis() const;
  double inverseFlattening() const;

  // Positions (x, y) of this projected reference turned, in place, into
  // (longitude, latitude) in degrees on its own geographic base; false when
  // GDAL cannot transform them (the values are then unspecified).
  bool toGeographic(std::vector<double>& x, std::vector<double>& y) const;

  void setDomain(double xMin, double xMax, double yMin, double yMax);
  const Domain& domain() const { return domain_; }
  // Smallest coordinate step the store keeps: 0.0001 m or 1e-9 degree.
  double xyResolution() const;

  // The GDAL object, for the geodatabase layer only. Null for none.
  const OGRSpatialReference* ogr() const { return ref_.get(); }

  // Copies of this reference, and their copies, use its GDAL object instead
  // of a clone each: for the thousands of frames of one system an output's
  // reader lists. GDAL's object is not to be used by two threads at once, so
  // such copies stay on the thread that made them; Independent() gives one
  // for another thread.
  void shareWithCopies() { shared_ = true; }
  static SpatialReference Independent(const SpatialReference& ref);

 private:
  struct Deleter {
    void operator()(OGRSpatialReference* ref) const;
  };
  explicit SpatialReference(OGRSpatialReference* owned);

  std::unique_ptr<OGRSpatialReference, Deleter> ref_;
  Domain domain_;
  bool shared_ = false;
};

}  // namespace tarvik
