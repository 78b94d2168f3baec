#include "coords/grid_convergence.h"

#include <cmath>
#include <numbers>

namespace tarvik {

long double GridConvergence(double inverseFlattening, long double B, long double l) {
  constexpr long double kRad = std::numbers::pi_v<long double> / 180;
  const long double f = 1.0L / inverseFlattening;
  const long double e2 = f * (2 - f);
  const long double ep2 = e2 / (1 - e2);
  const long double b = B * kRad, L = l * kRad;
  const long double s = std::sin(b), c = std::cos(b), t = std::tan(b);
  const long double eta2 = ep2 * c * c;
  const long double lc2 = L * L * c * c;
  const long double gamma =
      L * s * (1 + lc2 * (1 + 3 * eta2 + 2 * eta2 * eta2) / 3 + lc2 * lc2 * (2 - t * t) / 15);
  return gamma / kRad;
}

}  // namespace tarvik
