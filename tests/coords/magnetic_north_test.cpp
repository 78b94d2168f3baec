// Grid convergence against PROJ's meridian convergence, and the declination
// of small coefficient files whose field is worked out by hand.
#include <gtest/gtest.h>
#include <proj.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "common/error.h"
#include "coords/datum.h"
#include "coords/geomagnetic_model.h"
#include "coords/grid_convergence.h"

namespace tarvik {
namespace {

constexpr double kDeg = std::numbers::pi / 180;

// PROJ's convergence of tmerc at the point, degrees.
double ProjConvergence(const DatumInfo& d, double lat, double lon, double lon0) {
  char definition[256];
  std::snprintf(definition, sizeof definition, "+proj=tmerc +lon_0=%.1f +x_0=500000 +a=%.4f +rf=%.9f", lon0,
                d.a, d.inverseFlattening);
  PJ_CONTEXT* ctx = proj_context_create();
  PJ* p = proj_create(ctx, definition);
  EXPECT_NE(p, nullptr) << definition;
  const PJ_FACTORS f = proj_factors(p, proj_coord(lon * kDeg, lat * kDeg, 0, 0));
  proj_destroy(p);
  proj_context_destroy(ctx);
  return f.meridian_convergence / kDeg;
}

TEST(GridConvergence, AgreesWithProjToATenthOfASecondOverChinasZones) {
  // Latitudes of China, up to 3.5 degrees from the meridian (a 6-degree
  // zone's edge and beyond), both sides; every datum of the table.
  const double lats[] = {18, 25.5, 32, 40, 47.3, 54};
  const double offsets[] = {-3.5, -1.5, -0.25, 0.1, 1, 2.2, 3};
  for (const DatumInfo& d : Datums()) {
    double worst = 0;
    for (double lat : lats) {
      for (double dl : offsets) {
        const double ours = static_cast<double>(GridConvergence(d.inverseFlattening, lat, dl));
        const double proj = ProjConvergence(d, lat, 117 + dl, 117);
        // PROJ 9 counts it the same way: positive east of the meridian.
        worst = std::max(worst, std::fabs(ours - proj) * 3600);
        EXPECT_NEAR(ours, proj, 0.1 / 3600) << d.key << " " << lat << " " << dl;
        EXPECT_EQ(ours > 0, dl > 0) << "grid north lies east of true north east of the meridian";
      }
    }
    EXPECT_LT(worst, 0.1) << d.key;
    std::printf("%s: largest difference from PROJ %.5f\"\n", d.key, worst);
  }
}

class CoefficientFile : public ::testing::Test {
 protected:
  std::filesystem::path write(const std::string& text) {
    path_ = std::filesystem::temp_directory_path() /
            ("tarvik_cof_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".COF");
    std::ofstream(path_) << text;
    return path_;
  }
  void TearDown() override { std::filesystem::remove(path_); }
  std::filesystem::path path_;
};

// At the equator the geodetic and geocentric directions agree, r = a of
// WGS 84, and with Schmidt's functions P10 = sin, P11 = cos, P22 = (√3/2) cos²:
//   X = -(a/r)^3 g10 (the dipole's horizontal part; dP11/dφ and dP22/dφ vanish)
//   Y = (a/r)^3 (g11 sin λ - h11 cos λ) + (a/r)^4 √3 (g22 sin 2λ - h22 cos 2λ)
TEST_F(CoefficientFile, DeclinationOfFieldsWorkedOutByHand) {
  const double ar = 6371.2 / 6378.137;
  struct Case {
    const char* what;
    const char* coefficients;
    double lon, year, expected;
  } cases[] = {
      {"axial dipole: no declination anywhere", "  1  0  -30000.0  0.0  0.0  0.0\n", 40, 2020.0, 0},
      {"h11 at 0E", "  1  0  -30000.0  0.0  0.0  0.0\n  1  1  0.0  -3000.0  0.0  0.0\n", 0, 2020.0,
       std::atan2(3000, 30000) / kDeg},
      {"g11 at 90E", "  1  0  -30000.0  0.0  0.0  0.0\n  1  1  -2000.0  0.0  0.0  0.0\n", 90, 2020.0,
       std::atan2(-2000, 30000) / kDeg},
      {"h11 carried five years by its secular variation",
       "  1  0  -30000.0  0.0  0.0  0.0\n  1  1  0.0  -3000.0  0.0  -100.0\n", 0, 2025.0,
       std::atan2(3500, 30000) / kDeg},
      {"h22 at 0E", "  1  0  -30000.0  0.0  0.0  0.0\n  2  2  0.0  1000.0  0.0  0.0\n", 0, 2020.0,
       std::atan2(-std::sqrt(3.0) * 1000 * ar * ar * ar * ar, 30000 * ar * ar * ar) / kDeg},
  };
  for (const Case& c : cases) {
    const auto path = write(std::string("    2020.0            TEST-2020        01/01/2020\n") +
                            c.coefficients + "999999999999999999999999999999999999999999999999\n");
    const GeomagneticModel model = GeomagneticModel::Read(path.string());
    EXPECT_NEAR(model.declination(0, c.lon, 0, c.year), c.expected, 1e-9) << c.what;
  }
}

TEST_F(CoefficientFile, IgrfBlocksAreInterpolatedAndTheirRangeHolds) {
  // Two models of the geomag70 layout: h11 goes from -2000 to -4000 nT.
  const auto path = write(
      "   DGRF2000  2000.00  1  0  0 2000.00 2005.00   -1.0  600.0           DGRF2000   0\n"
      "   1  0  -30000.00      0.00      0.00      0.00                    DGRF2000    1\n"
      "   1  1       0.00  -2000.00      0.00      0.00                    DGRF2000    2\n"
      "   IGRF2005  2005.00  1  1  0 2005.00 2010.00   -1.0  600.0           IGRF2005   0\n"
      "   1  0  -30000.00      0.00      0.00      0.00                    IGRF2005    1\n"
      "   1  1       0.00  -4000.00      0.00   -200.00                    IGRF2005    2\n");
  const GeomagneticModel model = GeomagneticModel::Read(path.string());
  EXPECT_EQ(model.firstYear(), 2000);
  EXPECT_EQ(model.lastYear(), 2010);
  EXPECT_NEAR(model.declination(0, 0, 0, 2002.5), std::atan2(3000, 30000) / kDeg, 1e-9);  // halfway
  EXPECT_NEAR(model.declination(0, 0, 0, 2007.0), std::atan2(4400, 30000) / kDeg, 1e-9);  // SV after the last
  EXPECT_THROW(model.declination(0, 0, 0, 2011.0), RunError);
  EXPECT_THROW(model.declination(0, 0, 0, 1999.0), RunError);
}

TEST_F(CoefficientFile, WhatIsNoCoefficientFileIsRefused) {
  for (const char* text :
       {"", "hello world\n", "  1  0  -30000 0 0 0\n", "    2020.0 X 01/01/2020\n  1  7  1 0 0 0\n",
        "    2020.0 X 01/01/2020\n  1  0  abc 0 0 0\n"}) {
    const auto path = write(text);
    EXPECT_THROW(GeomagneticModel::Read(path.string()), RunError) << text;
  }
  EXPECT_THROW(GeomagneticModel::Read("/nonexistent/WMM.COF"), RunError);
}

}  // namespace
}  // namespace tarvik
