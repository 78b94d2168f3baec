#include "coords/zone_reference.h"

#include <cpl_error.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

namespace tarvik {

SpatialReference GaussKruegerOn(const SpatialReference& geographic, double centralMeridian) {
  if (!geographic.isGeographic()) return {};
  OGRSpatialReference plane;
  plane.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  const std::string name = geographic.name() + " / Gauss-Kruger CM " + std::to_string(std::lround(centralMeridian)) + "E";
  plane.SetProjCS(name.c_str());
  if (plane.CopyGeogCSFrom(geographic.ogr()) != OGRERR_NONE) return {};
  plane.SetTM(0, centralMeridian, 1, 500000, 0);
  plane.SetLinearUnits(SRS_UL_METER, 1);
  return SpatialReference::FromOgr(&plane);
}

double ThreeDegreeZoneMeridian(double longitude) { return 3 * std::round(longitude / 3); }

bool TransformRectangle(const SpatialReference& from, const SpatialReference& to, double& xMin, double& yMin,
                        double& xMax, double& yMax) {
  if (from.empty() || to.empty()) return false;
  OGRSpatialReference a(*from.ogr()), b(*to.ogr());
  a.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  b.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  CPLPushErrorHandler(CPLQuietErrorHandler);
  std::unique_ptr<OGRCoordinateTransformation> ct(OGRCreateCoordinateTransformation(&a, &b));
  CPLPopErrorHandler();
  if (!ct) return false;
  const double xm = (xMin + xMax) / 2, ym = (yMin + yMax) / 2;
  double xs[8] = {xMin, xMax, xMax, xMin, xm, xm, xMin, xMax};
  double ys[8] = {yMin, yMin, yMax, yMax, yMin, yMax, ym, ym};
  if (!ct->Transform(8, xs, ys)) return false;
  xMin = *std::min_element(xs, xs + 8);
  xMax = *std::max_element(xs, xs + 8);
  yMin = *std::min_element(ys, ys + 8);
  yMax = *std::max_element(ys, ys + 8);
  return true;
}

}  // namespace tarvik
