// Hatching of a polygon as plain line segments, so that every output (raster,
// PDF, SVG) draws the same strokes without clip paths or pattern brushes.
#pragma once

#include <vector>

#include <QLineF>
#include <QPointF>

namespace tarvik {

// Segments of parallel lines `spacing` apart (same units as the points),
// running in direction `angleDegrees` (measured from +x towards +y), inside
// the rings under the even-odd rule. Lines sit at whole multiples of the
// spacing across their direction, so neighbouring polygons hatch in step.
// Nothing for an empty ring set or a non-positive spacing.
std::vector<QLineF> HatchSegments(const std::vector<std::vector<QPointF>>& rings, double spacing,
                                  double angleDegrees);

}  // namespace tarvik
