// The fast evaluation of the series (table sine and cosine, higher terms in
// double) against a plain long double evaluation of the same formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "common/user_feedback.h"
#include "coords/decimal15.h"
#include "coords/fast_trig.h"
#include "coords/utlbxy.h"

namespace tarvik {
namespace {

constexpr long double kPi = 3.1415926535897932385L;

struct Constants {
  long double c, ep2, a0, a1, a3, a5, a7;
};
constexpr Constants kXian = {6399596.65198801L, 0.0067395018195L, 111133.0047L, 32009.8575L,
                             133.9602L,         0.6976L,          0.0039L};
constexpr Constants kBeijing = {6399698.90178271L, 0.0067385254147L, 111134.8611L, 32005.7799L,
                                133.9238L,         0.6973L,          0.0039L};

long double Arc(const Constants& k, long double B) {
  const long double s = std::sin(B * kPi / 180), c = std::cos(B * kPi / 180);
  return k.a0 * B - (k.a1 * s + k.a3 * s * s * s + k.a5 * std::pow(s, 5) + k.a7 * std::pow(s, 7)) * c;
}

// The formulas as written, every step in long double.
PlanarXY Reference(const Constants& k, long double B, long double L, long double cm) {
  const long double Br = B * kPi / 180;
  const long double t = std::tan(Br), c = std::cos(Br);
  const long double eta2 = k.ep2 * c * c;
  const long double N = k.c / std::sqrt(1 + eta2);
  const long double m = c * ((L - cm) * kPi / 180);
  PlanarXY p;
  p.northing = Arc(k, B) + N * t * m * m *
                               (0.5L + (5 - t * t + 9 * eta2 + 4 * eta2 * eta2) * m * m / 24 +
                                (61 - 58 * t * t + t * t * t * t) * m * m * m * m / 720);
  p.easting = N * (m + (1 - t * t + eta2) * m * m * m / 6 +
                   (5 - 18 * t * t + t * t * t * t + 14 * eta2 - 58 * eta2 * t * t) * std::pow(m, 5) / 120) +
              500000;
  return p;
}

TEST(SeriesPrecision, ForwardMatchesPlainLongDouble) {
  std::mt19937_64 random(99);
  std::uniform_real_distribution<double> lat(0, 60), off(-3.5, 3.5);
  long double worstX = 0, worstY = 0;
  for (int i = 0; i < 200000; ++i) {
    const bool beijing = i % 2;
    // Angles as LBToXY reads them, so both sides see the same values.
    const long double B = Decimal15(lat(random));
    const long double L = Decimal15(117 + off(random));
    const PlanarXY fast =
        LBToXY(CoordParams{beijing ? Datum::Beijing54 : Datum::Xian80, false, false, 117}, B, L);
    const PlanarXY plain = Reference(beijing ? kBeijing : kXian, B, L, 117);
    // In units of the last bit of the double the caller stores.
    auto ulp = [](long double v) {
      const double d = static_cast<double>(v);
      return static_cast<long double>(std::nextafter(std::fabs(d), INFINITY) - std::fabs(d));
    };
    worstX = std::max(worstX, std::fabs(fast.northing - plain.northing) / ulp(plain.northing));
    worstY = std::max(worstY, std::fabs(fast.easting - plain.easting) / ulp(plain.easting));
  }
  // Far below the last bit of the double the caller keeps.
  EXPECT_LT(worstX, 0.01L);
  EXPECT_LT(worstY, 0.02L);
  std::printf("largest difference in double ulps: x %.3Lg, y %.3Lg\n", worstX, worstY);
}

TEST(SeriesPrecision, TableSineAndCosineMatchSincosl) {
  std::mt19937_64 random(5);
  std::uniform_real_distribution<long double> angle(-1.5708L, 1.5708L);
  for (int i = 0; i < 1000000; ++i) {
    const long double x = angle(random);
    long double s, c, sRef, cRef;
    SinCos(x, s, c);
    ::sincosl(x, &sRef, &cRef);
    ASSERT_LE(std::fabs(s - sRef), 4 * std::fabs(sRef) * 0x1p-64L + 0x1p-80L) << static_cast<double>(x);
    ASSERT_LE(std::fabs(c - cRef), 4 * std::fabs(cRef) * 0x1p-64L + 0x1p-80L) << static_cast<double>(x);
  }
  // Beyond the table's range the library takes over.
  long double s, c;
  SinCos(4.0L, s, c);
  EXPECT_EQ(s, std::sin(4.0L));
  SinCos(NAN, s, c);
  EXPECT_TRUE(std::isnan(s) && std::isnan(c));
}

}  // namespace
}  // namespace tarvik
