#include "gdb/frame_domain.h"

#include "common/delphi.h"
#include "coords/spatial_reference.h"

namespace tarvik {

FrameDomain ComputeFrameDomain(long double scaleFactor, double xMin, double yMin, double xMax, double yMax) {
  const std::int64_t k = Trunc(scaleFactor) + 5;
  FrameDomain d;
  d.xMin = Trunc(static_cast<long double>(xMin) / 1000 - k) * 1000;
  d.yMin = Trunc(static_cast<long double>(yMin) / 1000 - k) * 1000;
  d.xMax = Trunc(static_cast<long double>(xMax) / 1000 + k) * 1000;
  d.yMax = Trunc(static_cast<long double>(yMax) / 1000 + k) * 1000;
  d.gridSize = Trunc(static_cast<long double>((d.xMax - d.xMin) + (d.yMax - d.yMin)) / 2);
  if (d.gridSize < 1000) d.gridSize = 1000;
  return d;
}

FrameDomain SetFrameDomain(SpatialReference& ref, long double scaleFactor, double xMin, double yMin,
                           double xMax, double yMax) {
  const FrameDomain d = ComputeFrameDomain(scaleFactor, xMin, yMin, xMax, yMax);
  ref.setDomain(static_cast<double>(d.xMin), static_cast<double>(d.xMax), static_cast<double>(d.yMin),
                static_cast<double>(d.yMax));
  return d;
}

}  // namespace tarvik
