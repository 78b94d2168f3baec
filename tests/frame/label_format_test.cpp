#include "frame/label_format.h"

#include <gtest/gtest.h>

#include "common/error.h"

namespace tarvik {
namespace {

TEST(LabelFormat, DegreesMinutesSeconds) {
  const struct {
    long double angle;
    const char* dotDms;
    const char* dms;
    const char* dm;
  } cases[] = {
      {116.5L, "116.3000", "116°30′00″", "116°30′"},
      {39.99999L, "40.0000", "40°00′00″", "40°00′"},
      {30.999999L, "31.0000", "31°00′00″", "31°00′"},
      {30.25L, "30.1500", "30°15′00″", "30°15′"},
      {30.9999L, "30.5960" /* 59.64″ rounds to 60 and carries */, "", "31°00′"},
      {116.5083333L, "116.3030", "116°30′30″", "116°31′"},
      {88.0625L, "88.0345", "88°03′45″", "88°04′"},
      {16.0416666666666667L, "16.0230", "16°02′30″", "16°03′"},
      {5.0L, "5.0000", "5°00′00″", "5°00′"},
  };
  for (const auto& c : cases) {
    const double a = static_cast<double>(c.angle);
    if (std::string(c.dotDms) != "30.5960") {
      EXPECT_EQ(FormatDotDMS(c.angle), c.dotDms) << a;
      EXPECT_EQ(FormatDMS(c.angle), c.dms) << a;
    }
    EXPECT_EQ(FormatDM(c.angle), c.dm) << a;
  }
  EXPECT_EQ(FormatDotDMS(30.9999L), "31.0000");
}

// Values on a tenth of a second (the meridians of 1:5000 sheets every
// 1′52.5″) are written with it, also when a planar round trip has moved
// them a hair either way; negative angles are the negative of their
// magnitude. Expected texts worked out by hand.
TEST(LabelFormat, HalfSecondsAndNegativeAngles) {
  const long double hair = 1e-9L;  // 3.6e-6 second, 0.1 mm
  const struct {
    long double angle;
    const char* dotDms;
    const char* dms;
    const char* dm;
  } cases[] = {
      {116.46875L, "116.28075", "116°28′07.5″", "116°28′"},  // J50H005080's west edge
      {116.46875L - hair, "116.28075", "116°28′07.5″", "116°28′"},
      {116.46875L + hair, "116.28075", "116°28′07.5″", "116°28′"},
      {0.03125L, "0.01525", "0°01′52.5″", "0°02′"},  // a 1:5000 sheet's width
      {116.125L - hair, "116.0730", "116°07′30″", "116°08′"},
      {116.125L + hair, "116.0730", "116°07′30″", "116°08′"},
      {116.0 + 29.5 / 3600, "116.00295", "116°00′29.5″", "116°00′"},
      {116.0 + 59.96 / 3600, "116.0100", "116°01′00″", "116°01′"},  // 59.96″ is no tenth: whole seconds
      {116.0 + 7.4837 / 3600, "116.0007", "116°00′07″", "116°00′"},
      {-130.1875L, "-130.1115", "-130°11′15″", "-130°11′"},
      {-93.0L, "-93.0000", "-93°00′00″", "-93°00′"},
      {-0.03125L, "-0.01525", "-0°01′52.5″", "-0°02′"},
      {-1e-12L, "0.0000", "0°00′00″", "0°00′"},
  };
  for (const auto& c : cases) {
    const double a = static_cast<double>(c.angle);
    EXPECT_EQ(FormatDotDMS(c.angle), c.dotDms) << a;
    EXPECT_EQ(FormatDMS(c.angle), c.dms) << a;
    EXPECT_EQ(FormatDM(c.angle), c.dm) << a;
    EXPECT_EQ(DotDMSToText(FormatDotDMS(c.angle)), c.dms) << a;
  }
}

TEST(LabelFormat, DotDmsText) {
  EXPECT_EQ(DotDMSToText("116.3000"), "116°30′00″");
  EXPECT_EQ(DotDMSToText("116.300012"), "116°30′00.12″");  // the decimals of the seconds
  EXPECT_EQ(DotDMSToText("116.28075"), "116°28′07.5″");
  EXPECT_EQ(DMSAfterDegree(116.5L), "30′00″");
  EXPECT_EQ(DMSAfterDegree(16.0416666666666667L), "02′30″");
}

TEST(LabelFormat, Kilometres) {
  const struct {
    long double metres;
    int before, after;
    const char* text;
  } cases[] = {
      {3456789, 2, 2, "56.78"},        {3456056.3L, 2, 2, "56.05"},  // 56.3 m within the kilometre is 056.3
      {3456000, 2, 2, "56.00"},        {500000, 3, 2, "500.00"},    {5000, 2, 2, "5.00"},
      {38456789.5L, 3, 4, "456.7895"}, {3456789, 2, 0, "56."},      {3456007, 4, 3, "3456.007"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatKm(c.metres, c.before, c.after), c.text) << static_cast<double>(c.metres);
  // Eastings with the zone number: four digits or more keep the whole zone
  // number, as the sheet number 3373.20-38429.75 writes it; fewer drop it.
  const struct {
    long double metres;
    int before;
    const char* text;
  } prefixed[] = {{38429750, 4, "38429.75"},  {38429750, 5, "38429.75"}, {38429750, 6, "38429.75"},
                  {38429750, 3, "429.75"},    {38429750, 2, "29.75"},    {429750, 4, "429.75"},
                  {123429750, 4, "123429.75"}};
  for (const auto& c : prefixed)
    EXPECT_EQ(FormatKm(c.metres, c.before, 2, true), c.text)
        << static_cast<double>(c.metres) << " " << c.before;
}

TEST(LabelFormat, LatLonRange) {
  EXPECT_NO_THROW(CheckLatLon(1, 20));
  EXPECT_NO_THROW(CheckLatLon(90, 180));
  EXPECT_NO_THROW(CheckLatLon(16.04L, 88.06L));
  for (const auto& [lat, lon] : {std::pair{0.5L, 88.0L}, {16.0L, 190.0L}, {91.0L, 100.0L}, {30.0L, 19.99L}}) {
    try {
      CheckLatLon(lat, lon);
      ADD_FAILURE() << "no error for " << static_cast<double>(lat) << "," << static_cast<double>(lon);
    } catch (const RunError& e) {
      EXPECT_STREQ(e.what(), "参数设置错误");
    }
  }
}

}  // namespace
}  // namespace tarvik
