#include <gtest/gtest.h>

#include "frame/north_diagram.h"

namespace tarvik {
namespace {

TEST(NorthDiagram, SmallAnglesAreWidenedInTheirOrderLargeOnesKept) {
  const struct {
    double convergence, declination;
    double grid, magnetic;  // drawn, degrees clockwise from true north
  } cases[] = {
      {0.3, -3.4, kMinDrawnAngle, -kMinDrawnAngle},        // both small, either side
      {0.3, 2.0, kMinDrawnAngle, 2 * kMinDrawnAngle},      // both east: magnetic beyond grid
      {-1.0, -0.5, -2 * kMinDrawnAngle, -kMinDrawnAngle},  // both west: grid beyond magnetic
      {2.0, -11.0, kMinDrawnAngle, -11.0},                 // a large declination as it is
      {-2.5, 9.0, -kMinDrawnAngle, 9.0},
      {1.0, 1.0, kMinDrawnAngle, 2 * kMinDrawnAngle},  // equal: still two lines
  };
  for (const auto& c : cases) {
    const DrawnDirections d = DrawnNorthDirections({c.convergence, c.declination, {}, 2024});
    EXPECT_DOUBLE_EQ(d.trueNorth, 0) << c.convergence << " " << c.declination;
    EXPECT_DOUBLE_EQ(d.gridNorth, c.grid) << c.convergence << " " << c.declination;
    EXPECT_DOUBLE_EQ(d.magneticNorth, c.magnetic) << c.convergence << " " << c.declination;
  }
}

TEST(NorthDiagram, AnglesInDegreesAndMinutes) {
  const struct {
    double degrees;
    const char *plain, *side;
  } cases[] = {{3.4, "3°24′", "东偏3°24′"},     {-3.4, "3°24′", "西偏3°24′"},
               {0.30264, "0°18′", "东偏0°18′"}, {-0.9999, "1°00′", "西偏1°00′"},
               {0.004, "0°00′", "0°00′"},       {12.5083, "12°30′", "东偏12°30′"}};
  for (const auto& c : cases) {
    EXPECT_EQ(DegreesMinutes(c.degrees), c.plain) << c.degrees;
    EXPECT_EQ(EastWest(c.degrees), c.side) << c.degrees;
  }
}

}  // namespace
}  // namespace tarvik
