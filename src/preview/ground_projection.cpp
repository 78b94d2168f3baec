#include "preview/ground_projection.h"

#include <cmath>
#include <numbers>

namespace tarvik {

GroundProjection GroundProjection::Planar() { return {1, 1}; }

GroundProjection GroundProjection::Geographic(double meanLatitude, double a, double invF) {
  const double f = invF > 0 ? 1 / invF : 0;
  const double e2 = f * (2 - f);
  const double phi = meanLatitude * std::numbers::pi / 180;
  const double s = std::sin(phi);
  const double w = std::sqrt(1 - e2 * s * s);
  const double n = a / w;                       // prime vertical
  const double m = a * (1 - e2) / (w * w * w);  // meridian
  const double radPerDegree = std::numbers::pi / 180;
  return {n * std::cos(phi) * radPerDegree, m * radPerDegree};
}

}  // namespace tarvik
