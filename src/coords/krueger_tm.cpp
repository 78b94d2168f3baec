#include "coords/krueger_tm.h"

#include <cmath>

namespace tarvik {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180;

// Sum of c[j] sin(2 j zeta), j = 1..6, for complex zeta = xi + i eta, by
// Clenshaw's recurrence on complex numbers: one sin/cos and one sinh/cosh
// pair instead of six of each. Returns the real and imaginary parts.
inline void ClenshawSin(const double (&c)[7], double xi, double eta, double& re, double& im) {
  double s0, c0;
  ::sincos(2 * xi, &s0, &c0);
  const double e2 = std::exp(2 * eta), e2i = 1 / e2;
  const double sh0 = 0.5 * (e2 - e2i), ch0 = 0.5 * (e2 + e2i);
  // a = 2 cos(2 zeta)
  const double ar = 2 * c0 * ch0, ai = -2 * s0 * sh0;
  double y1r = 0, y1i = 0, y2r = 0, y2i = 0;
  for (int j = 6; j >= 1; --j) {
    const double yr = ar * y1r - ai * y1i - y2r + c[j];
    const double yi = ar * y1i + ai * y1r - y2i;
    y2r = y1r;
    y2i = y1i;
    y1r = yr;
    y1i = yi;
  }
  // sin(2 zeta) y1
  const double sr = s0 * ch0, si = c0 * sh0;
  re = sr * y1r - si * y1i;
  im = sr * y1i + si * y1r;
}

}  // namespace

KruegerTM::KruegerTM(double a, double inverseFlattening) {
  const double f = 1 / inverseFlattening;
  const double e2 = f * (2 - f);
  e_ = std::sqrt(e2);
  e2m_ = 1 - e2;
  const double n = f / (2 - f);
  const double n2 = n * n, n3 = n2 * n, n4 = n3 * n, n5 = n4 * n, n6 = n5 * n;
  A_ = a / (1 + n) * (1 + n2 / 4 + n4 / 64 + n6 / 256);
  alpha_[0] = beta_[0] = 0;
  alpha_[1] = n / 2 - 2 * n2 / 3 + 5 * n3 / 16 + 41 * n4 / 180 - 127 * n5 / 288 + 7891 * n6 / 37800;
  alpha_[2] = 13 * n2 / 48 - 3 * n3 / 5 + 557 * n4 / 1440 + 281 * n5 / 630 - 1983433 * n6 / 1935360;
  alpha_[3] = 61 * n3 / 240 - 103 * n4 / 140 + 15061 * n5 / 26880 + 167603 * n6 / 181440;
  alpha_[4] = 49561 * n4 / 161280 - 179 * n5 / 168 + 6601661 * n6 / 7257600;
  alpha_[5] = 34729 * n5 / 80640 - 3418889 * n6 / 1995840;
  alpha_[6] = 212378941 * n6 / 319334400;
  beta_[1] = n / 2 - 2 * n2 / 3 + 37 * n3 / 96 - n4 / 360 - 81 * n5 / 512 + 96199 * n6 / 604800;
  beta_[2] = n2 / 48 + n3 / 15 - 437 * n4 / 1440 + 46 * n5 / 105 - 1118711 * n6 / 3870720;
  beta_[3] = 17 * n3 / 480 - 37 * n4 / 840 - 209 * n5 / 4480 + 5569 * n6 / 90720;
  beta_[4] = 4397 * n4 / 161280 - 11 * n5 / 504 - 830251 * n6 / 7257600;
  beta_[5] = 4583 * n5 / 161280 - 108847 * n6 / 3991680;
  beta_[6] = 20648693 * n6 / 638668800;
}

void KruegerTM::forward(double B, double l, double& x, double& y) const {
  double sinB, cosB, sinL, cosL;
  ::sincos(B * kDegree, &sinB, &cosB);
  ::sincos(l * kDegree, &sinL, &cosL);
  // Conformal latitude as tan chi = tau' (tau = tan B), written without
  // tan B so the poles need no special case:
  //   tau' = tau sqrt(1 + sigma^2) - sigma sqrt(1 + tau^2),
  //   sigma = sinh(e atanh(e sin B)).
  const double sigma = std::sinh(e_ * std::atanh(e_ * sinB));
  const double taupCos = sinB * std::hypot(1.0, sigma) - sigma;  // tau' cos B, as sqrt(1 + tau^2) cos B = 1
  // Gauss-Schreiber coordinates on the conformal sphere.
  const double xip = std::atan2(taupCos, cosL * cosB);
  const double etap = std::asinh(sinL * cosB / std::hypot(taupCos, cosL * cosB));
  double re, im;
  ClenshawSin(alpha_, xip, etap, re, im);
  x = A_ * (xip + re);
  y = A_ * (etap + im);
}

void KruegerTM::inverse(double x, double y, double& B, double& l) const {
  const double xi = x / A_, eta = y / A_;
  // Northings beyond the poles belong to no point.
  if (!(std::fabs(xi) <= kPi / 2) || !std::isfinite(eta)) {
    B = l = std::nan("");
    return;
  }
  double re, im;
  ClenshawSin(beta_, xi, eta, re, im);
  const double xip = xi - re, etap = eta - im;
  const double s = std::sinh(etap), c = std::cos(xip);
  const double r = std::hypot(s, c);
  l = std::atan2(s, c) / kDegree;
  const double taup = std::sin(xip) / r;
  // tan B from tan chi by Newton's method (Karney 2011, eqs. 19-21): two or
  // three steps reach the last bit.
  const double stol = 1e-15 * std::fmax(1.0, std::fabs(taup));
  double tau = taup / e2m_;
  for (int i = 0; i < 6 && std::isfinite(tau); ++i) {
    const double tau1 = std::hypot(1.0, tau);
    const double sigma = std::sinh(e_ * std::atanh(e_ * tau / tau1));
    const double taupa = std::hypot(1.0, sigma) * tau - sigma * tau1;
    const double dtau =
        (taup - taupa) * (1 + e2m_ * tau * tau) / (e2m_ * tau1 * std::hypot(1.0, taupa));
    tau += dtau;
    if (!(std::fabs(dtau) >= stol)) break;
  }
  B = std::atan(tau) / kDegree;
}

double KruegerTM::meridianArc(double B) const {
  double x, y;
  forward(B, 0, x, y);
  return x;
}

}  // namespace tarvik
