#include "preview/hatch.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace tarvik {

std::vector<QLineF> HatchSegments(const std::vector<std::vector<QPointF>>& rings, double spacing,
                                  double angleDegrees) {
  std::vector<QLineF> out;
  if (!(spacing > 0)) return out;
  const double a = angleDegrees * std::numbers::pi / 180;
  const QPointF dir(std::cos(a), std::sin(a));
  const QPointF normal(-dir.y(), dir.x());
  const auto along = [&](QPointF p) { return p.x() * dir.x() + p.y() * dir.y(); };
  const auto across = [&](QPointF p) { return p.x() * normal.x() + p.y() * normal.y(); };

  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  for (const auto& ring : rings)
    for (const QPointF& p : ring) {
      lo = std::min(lo, across(p));
      hi = std::max(hi, across(p));
    }
  if (!(lo <= hi)) return out;

  std::vector<double> cuts;
  for (double k = std::ceil(lo / spacing); k * spacing <= hi; k += 1) {
    const double c = k * spacing;
    cuts.clear();
    for (const auto& ring : rings) {
      if (ring.size() < 2) continue;
      // Closed or not: the edge back to the first point is included (a
      // closed ring's is empty and never crosses).
      for (std::size_t i = 0; i < ring.size(); ++i) {
        const QPointF p = ring[i], q = ring[(i + 1) % ring.size()];
        const double u = across(p) - c, v = across(q) - c;
        // Half-open test: a vertex on the line counts for one edge only.
        if ((u < 0) == (v < 0)) continue;
        const double t = u / (u - v);
        cuts.push_back(along(p + (q - p) * t));
      }
    }
    std::sort(cuts.begin(), cuts.end());
    for (std::size_t i = 0; i + 1 < cuts.size(); i += 2) {
      if (cuts[i + 1] - cuts[i] <= 0) continue;
      out.emplace_back(dir * cuts[i] + normal * c, dir * cuts[i + 1] + normal * c);
    }
  }
  return out;
}

}  // namespace tarvik
