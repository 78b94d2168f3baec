#include "coords/krueger_tm.h"

#include <cmath>

namespace tarvik {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180;

// Sum of c[j] sin(2 j t), j = 1..6, given sin 2t and cos 2t, by Clenshaw's
// recurrence.
inline double ClenshawSin(const double (&c)[7], double sin2, double cos2) {
  const double a = 2 * cos2;
  double y1 = 0, y2 = 0;
  for (int j = 6; j >= 1; --j) {
    const double y = a * y1 - y2 + c[j];
    y2 = y1;
    y1 = y;
  }
  return y1 * sin2;
}

// The same for complex t = xi + i eta, given sin 2xi, cos 2xi, sinh 2eta and
// cosh 2eta: one recurrence on complex numbers instead of six sines.
inline void ClenshawSinComplex(const double (&c)[7], double s2, double c2, double sh2, double ch2, double& re,
                               double& im) {
  const double ar = 2 * c2 * ch2, ai = -2 * s2 * sh2;  // 2 cos(2t)
  double y1r = 0, y1i = 0, y2r = 0, y2i = 0;
  for (int j = 6; j >= 1; --j) {
    const double yr = ar * y1r - ai * y1i - y2r + c[j];
    const double yi = ar * y1i + ai * y1r - y2i;
    y2r = y1r;
    y2i = y1i;
    y1r = yr;
    y1i = yi;
  }
  const double sr = s2 * ch2, si = c2 * sh2;  // sin(2t)
  re = sr * y1r - si * y1i;
  im = sr * y1i + si * y1r;
}

// sin and cos of a small angle d (|d| < 0.01): the Taylor series to d^7
// leave less than 1e-22.
inline void SmallSinCos(double d, double& s, double& c) {
  const double d2 = d * d;
  s = d * (1 - d2 / 6 * (1 - d2 / 20 * (1 - d2 / 42)));
  c = 1 - d2 / 2 * (1 - d2 / 12 * (1 - d2 / 30));
}

// sin(a + d), cos(a + d) from sin a, cos a and an angle d that may be small.
inline void Turn(double sinA, double cosA, double d, double& s, double& c) {
  double sd, cd;
  if (std::fabs(d) < 0.01)
    SmallSinCos(d, sd, cd);
  else
    ::sincos(d, &sd, &cd);
  s = sinA * cd + cosA * sd;
  c = cosA * cd - sinA * sd;
}

}  // namespace

KruegerTM::KruegerTM(double a, double inverseFlattening) {
  const double f = 1 / inverseFlattening;
  const double n = f / (2 - f);
  const double n2 = n * n, n3 = n2 * n, n4 = n3 * n, n5 = n4 * n, n6 = n5 * n;
  A_ = a / (1 + n) * (1 + n2 / 4 + n4 / 64 + n6 / 256);
  alpha_[0] = beta_[0] = toConformal_[0] = toGeodetic_[0] = 0;
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
  toConformal_[1] = -2 * n + 2 * n2 / 3 + 4 * n3 / 3 - 82 * n4 / 45 + 32 * n5 / 45 + 4642 * n6 / 4725;
  toConformal_[2] = 5 * n2 / 3 - 16 * n3 / 15 - 13 * n4 / 9 + 904 * n5 / 315 - 1522 * n6 / 945;
  toConformal_[3] = -26 * n3 / 15 + 34 * n4 / 21 + 8 * n5 / 5 - 12686 * n6 / 2835;
  toConformal_[4] = 1237 * n4 / 630 - 12 * n5 / 5 - 24832 * n6 / 14175;
  toConformal_[5] = -734 * n5 / 315 + 109598 * n6 / 31185;
  toConformal_[6] = 444337 * n6 / 155925;
  toGeodetic_[1] = 2 * n - 2 * n2 / 3 - 2 * n3 + 116 * n4 / 45 + 26 * n5 / 45 - 2854 * n6 / 675;
  toGeodetic_[2] = 7 * n2 / 3 - 8 * n3 / 5 - 227 * n4 / 45 + 2704 * n5 / 315 + 2323 * n6 / 945;
  toGeodetic_[3] = 56 * n3 / 15 - 136 * n4 / 35 - 1262 * n5 / 105 + 73814 * n6 / 2835;
  toGeodetic_[4] = 4279 * n4 / 630 - 332 * n5 / 35 - 399572 * n6 / 14175;
  toGeodetic_[5] = 4174 * n5 / 315 - 144838 * n6 / 6237;
  toGeodetic_[6] = 601676 * n6 / 22275;
}

void KruegerTM::forward(double B, double l, double& x, double& y) const {
  double sinB, cosB, sinL, cosL;
  ::sincos(B * kDegree, &sinB, &cosB);
  ::sincos(l * kDegree, &sinL, &cosL);
  // Conformal latitude chi = B + sum c_j sin(2jB); chi - B is below 0.2 degree.
  const double dChi = ClenshawSin(toConformal_, 2 * sinB * cosB, (cosB - sinB) * (cosB + sinB));
  double sinChi, cosChi;
  Turn(sinB, cosB, dChi, sinChi, cosChi);
  // Gauss-Schreiber (spherical transverse Mercator) coordinates of (chi, l):
  //   xi' = atan2(sin chi, cos chi cos l), eta' = atanh(cos chi sin l).
  const double p = cosChi * cosL;
  const double r = std::sqrt(sinChi * sinChi + p * p);
  const double xip = std::atan2(sinChi, p);
  const double u = cosChi * sinL;
  const double etap = std::atanh(u);
  const double sinXi = sinChi / r, cosXi = p / r;
  // cosh and sinh of 2 eta' straight from u = tanh eta'.
  const double w = 1 / ((1 - u) * (1 + u));
  double re, im;
  ClenshawSinComplex(alpha_, 2 * sinXi * cosXi, (cosXi - sinXi) * (cosXi + sinXi), 2 * u * w, (1 + u * u) * w,
                     re, im);
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
  double sinXi, cosXi;
  ::sincos(xi, &sinXi, &cosXi);
  const double E = std::exp(eta), E2 = E * E, E2i = 1 / E2;
  double re, im;
  ClenshawSinComplex(beta_, 2 * sinXi * cosXi, (cosXi - sinXi) * (cosXi + sinXi), 0.5 * (E2 - E2i),
                     0.5 * (E2 + E2i), re, im);
  // xi' = xi - re, eta' = eta - im, both corrections small.
  double sinXip, cosXip;
  Turn(sinXi, cosXi, -re, sinXip, cosXip);
  // exp(eta') = exp(eta) exp(-im), the second by its Taylor series to im^6
  // (below 1e-18 for |im| < 0.01).
  const double Ep =
      std::fabs(im) < 0.01
          ? E * (1 - im * (1 - im / 2 * (1 - im / 3 * (1 - im / 4 * (1 - im / 5 * (1 - im / 6))))))
          : std::exp(eta - im);
  const double shp = 0.5 * (Ep - 1 / Ep), chp = 0.5 * (Ep + 1 / Ep);
  l = std::atan2(shp, cosXip) / kDegree;
  // Conformal latitude: sin chi = sin xi' / cosh eta', cos chi = sqrt(sinh^2 eta' + cos^2 xi') / cosh eta'.
  const double q = std::sqrt(shp * shp + cosXip * cosXip);
  const double chi = std::atan2(sinXip, q);
  const double sinChi = sinXip / chp, cosChi = q / chp;
  const double dB = ClenshawSin(toGeodetic_, 2 * sinChi * cosChi, (cosChi - sinChi) * (cosChi + sinChi));
  B = (chi + dB) / kDegree;
}

double KruegerTM::meridianArc(double B) const {
  double x, y;
  forward(B, 0, x, y);
  return x;
}

}  // namespace tarvik
