// The coordinate domain of a frame's spatial reference: the rectangle every
// stored coordinate must lie in, widened from the area of the frames by whole
// kilometres so that everything a frame draws outside its sheet (outer frame,
// marginal texts, scale bar, adjacent-sheet table) still fits.
#pragma once

#include <cstdint>

namespace tarvik {

class SpatialReference;

struct FrameDomain {
  // Store coordinates in metres: x easting, y northing.
  std::int64_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  // Mean side of the domain in metres, never below 1000: the spatial-index
  // grid size meant for the frame classes created under this domain.
  std::int64_t gridSize = 0;
};

// The domain around the extent (xMin..xMax eastings, yMin..yMax northings,
// metres) at the scale whose denominator is scaleFactor x 10000:
//   k = Trunc(scaleFactor) + 5 kilometres of margin on every side,
//   xMin' = Trunc(xMin / 1000 - k) x 1000, xMax' = Trunc(xMax / 1000 + k) x 1000
//   (Trunc cuts toward zero), the same for y, and
//   gridSize = max(1000, Trunc(((xMax' - xMin') + (yMax' - yMin')) / 2)).
FrameDomain ComputeFrameDomain(long double scaleFactor, double xMin, double yMin, double xMax, double yMax);

// ComputeFrameDomain, then sets the result as the reference's XY domain. The
// caller keeps the returned value (its gridSize) for the classes it creates.
FrameDomain SetFrameDomain(SpatialReference& ref, long double scaleFactor, double xMin, double yMin,
                           double xMax, double yMax);

}  // namespace tarvik
