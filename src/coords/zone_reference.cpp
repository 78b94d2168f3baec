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
  const std::string name =
      geographic.name() + " / Gauss-Kruger CM " + std::to_string(std::lround(centralMeridian)) + "E";
  plane.SetProjCS(name.c_str());
  if (plane.CopyGeogCSFrom(geographic.ogr()) != OGRERR_NONE) return {};
  plane.SetTM(0, centralMeridian, 1, 500000, 0);
  plane.SetLinearUnits(SRS_UL_METER, 1);
  return SpatialReference::FromOgr(&plane);
}

double ThreeDegreeZoneMeridian(double longitude) { return 3 * std::round(longitude / 3); }

struct ReferenceTransform::Impl {
  std::unique_ptr<OGRCoordinateTransformation> ct;
};

ReferenceTransform::ReferenceTransform(const SpatialReference& from, const SpatialReference& to) {
  if (from.empty() || to.empty()) return;
  OGRSpatialReference a(*from.ogr()), b(*to.ogr());
  a.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  b.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  CPLPushErrorHandler(CPLQuietErrorHandler);
  std::unique_ptr<OGRCoordinateTransformation> ct(OGRCreateCoordinateTransformation(&a, &b));
  CPLPopErrorHandler();
  if (ct) ct_ = std::make_unique<Impl>(Impl{std::move(ct)});
}

ReferenceTransform::~ReferenceTransform() = default;

bool ReferenceTransform::apply(double& x, double& y) const {
  if (!ct_) return false;
  double tx = x, ty = y;
  if (!ct_->ct->Transform(1, &tx, &ty)) return false;
  x = tx;
  y = ty;
  return true;
}

bool TransformRectangle(const SpatialReference& from, const SpatialReference& to, double& xMin, double& yMin,
                        double& xMax, double& yMax) {
  const ReferenceTransform t(from, to);
  if (!t.valid()) return false;
  const double xm = (xMin + xMax) / 2, ym = (yMin + yMax) / 2;
  double xs[8] = {xMin, xMax, xMax, xMin, xm, xm, xMin, xMax};
  double ys[8] = {yMin, yMin, yMax, yMax, yMin, yMax, ym, ym};
  for (int i = 0; i < 8; ++i)
    if (!t.apply(xs[i], ys[i])) return false;
  xMin = *std::min_element(xs, xs + 8);
  xMax = *std::max_element(xs, xs + 8);
  yMin = *std::min_element(ys, ys + 8);
  yMax = *std::max_element(ys, ys + 8);
  return true;
}

}  // namespace tarvik
