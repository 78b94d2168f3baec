// Sheet numbers of an area: the numbers decode back to the sheets they were
// made for, at every scale, and sheets that only touch the area are left out.
#include <gtest/gtest.h>

#include <cmath>

#include "common/recording_feedback.h"
#include "sheets/sheet_index.h"

namespace tarvik {
namespace {

TEST(SheetIndex, NumbersDecodeToTheirOwnSheetsAtEveryScale) {
  RecordingFeedback feedback;
  for (int scale = 0; scale <= 7; ++scale) {
    long double lonSize = 0, latSize = 0;
    ASSERT_TRUE(SheetSize(ScaleLetter(scale), lonSize, latSize));
    for (const std::int64_t gx : {0LL, 5LL, 4000LL}) {
      for (const std::int64_t gy : {0LL, 7LL, 900LL}) {
        // Only sheets that exist at the scale (88 degrees north at most).
        if (gy * latSize >= 88 || gx * lonSize >= 360) continue;
        const std::string number = SheetNumberAt(scale, gx, gy);
        ASSERT_EQ(number.size(), scale == 0 ? 3u : 10u) << number;  // J50 or E45G095066
        const auto e = DecodeMapNo(number, feedback);
        ASSERT_TRUE(e) << number;
        EXPECT_EQ(e->scaleIndex, scale);
        EXPECT_NEAR(static_cast<double>(e->westLon), static_cast<double>(gx * lonSize - 180), 1e-9) << number;
        EXPECT_NEAR(static_cast<double>(e->southLat), static_cast<double>(gy * latSize), 1e-9) << number;
      }
    }
  }
  EXPECT_TRUE(feedback.messages.empty());
  EXPECT_EQ(ScaleIndexOfDenominator(10000), 6);
  EXPECT_EQ(ScaleIndexOfDenominator(20000), -1);
}

TEST(SheetIndex, SheetsOverlappingTheBox) {
  // Exactly the sheet E45G095066 (88.0625..88.125 E, 16 1/24..16 2/24 N).
  const GeoBox sheet{88.0625L, 16 + 1.0L / 24, 88.125L, 16 + 2.0L / 24};
  EXPECT_EQ(SheetNumbersInBox(6, sheet), std::vector<std::string>{"E45G095066"});
  // A little more on the east: the next column joins; rows go north to south.
  const GeoBox wider{88.0625L, 16 + 1.0L / 24, 88.13L, 16 + 3.0L / 24};
  EXPECT_EQ(SheetNumbersInBox(6, wider),
            (std::vector<std::string>{"E45G094066", "E45G094067", "E45G095066", "E45G095067"}));
  EXPECT_EQ(SheetCountInBox(6, wider), 4);
  // 1:1,000,000 sheets by their GB/T 13989 numbers, as the sheet command reads them.
  EXPECT_EQ(SheetNumbersInBox(0, {116, 39, 121, 40}), (std::vector<std::string>{"J50", "J51"}));
  EXPECT_EQ(SheetNumbersInBox(1, {116, 39, 117, 40}), std::vector<std::string>{"J50B001001"});
}

}  // namespace
}  // namespace tarvik
