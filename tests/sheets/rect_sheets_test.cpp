// Large-scale rectangular numbers: reading at each scale with and without a
// layout, the refusals a cartographer meets, and sheets found from corners.
#include <gtest/gtest.h>

#include "sheets/rect_sheets.h"

namespace tarvik {
namespace {

TEST(RectSheets, NumbersReadOnTheirGridOrRefusedWithTheReason) {
  const std::optional<RectLayout> any;
  const struct {
    const char* text;
    long scale;
    std::optional<RectLayout> layout;
    const char* number;  // the sheet's number, or empty when refused
    const char* reason;  // part of the refusal
    RectLayout taken;
  } cases[] = {
      // 10.40 is no multiple of 0.25 km: only the 40 cm x-side holds it.
      {"10.40-27.75", 500, any, "10.40-27.75", "", {40, 50}},
      {"10.4-27.75", 500, any, "10.40-27.75", "", {40, 50}},
      {"10.50-27.75", 500, any, "10.50-27.75", "", {50, 50}},
      {"10.40-27.60", 500, any, "10.40-27.60", "", {40, 40}},
      {"6230.0-10.0", 1000, any, "6230.0-10.0", "", {50, 50}},
      {"6230-10.5", 2000, RectLayout{40, 50}, "", "40x50厘米图幅须为x每0.8、y每1.0公里", {}},
      {"3810-502", 5000, any, "3810-502", "", {40, 40}},
      {"3810-502", 5000, RectLayout{50, 50}, "", "2.5×2.5公里，不能用整公里", {}},
      {"10.41-27.75", 500, any, "", "西南角不在1:500矩形图幅的格网上", {}},
      {"10.40-27.75", 500, RectLayout{50, 50}, "", "50x50厘米图幅须为x每0.25、y每0.25公里", {}},
      {"6230.05-10.0", 1000, any, "", "格网上", {}},
      {"10.40-27.75", 10000, any, "", "没有1:10000", {}},
      {"10.40", 500, any, "", "应为“x-y”", {}},
      {"10.40-", 500, any, "", "应为“x-y”", {}},
      {"1e3-27.75", 500, any, "", "应为“x-y”", {}},
      {"10.4.0-27.75", 500, any, "", "应为“x-y”", {}},
      {"10.4001-27.75", 500, any, "", "应为“x-y”", {}},
  };
  for (const auto& c : cases) {
    const auto read = ParseRectNumber(c.text, c.scale, c.layout);
    if (*c.number) {
      ASSERT_TRUE(std::holds_alternative<RectSheet>(read)) << c.text << ": " << std::get<std::string>(read);
      const RectSheet& sheet = std::get<RectSheet>(read);
      EXPECT_EQ(sheet.number(), c.number);
      EXPECT_EQ(sheet.layout, c.taken) << c.text;
      EXPECT_EQ(sheet.xSize(), c.taken.xCm * c.scale / 100) << c.text;
      EXPECT_EQ(sheet.ySize(), c.taken.yCm * c.scale / 100) << c.text;
    } else {
      ASSERT_TRUE(std::holds_alternative<std::string>(read)) << c.text;
      const std::string& reason = std::get<std::string>(read);
      EXPECT_EQ(reason.rfind(std::string("输入的") + c.text + ",错误的图幅号：", 0), 0u) << reason;
      EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    }
  }
}

TEST(RectSheets, SheetOfCornersAndNeighboursAtTheGridOrigin) {
  for (const long scale : {500L, 1000L, 2000L, 5000L}) {
    const RectSheet sheet{scale, scale == 5000 ? RectLayout{40, 40} : RectLayout{40, 50}, 7, 3};
    const long double w = sheet.west(), s = sheet.south();
    const long double e = w + sheet.ySize(), n = s + sheet.xSize();
    EXPECT_EQ(RectSheetOfCorners(scale, {w, w, e, e}, {s, n, n, s}), sheet) << scale;
    // A centimetre off the grid, or another scale: not a sheet.
    EXPECT_FALSE(RectSheetOfCorners(scale, {w + 0.01L, w + 0.01L, e, e}, {s, n, n, s})) << scale;
    EXPECT_FALSE(RectSheetOfCorners(scale == 500 ? 1000 : 500, {w, w, e, e}, {s, n, n, s})) << scale;
  }
  // No sheets west of y = 0 or south of x = 0.
  const NeighbourNumbers origin = RectNeighbours({500, {50, 50}, 0, 0});
  EXPECT_EQ(origin, (NeighbourNumbers{"", "0.25-0.00", "0.25-0.25", "", "0.00-0.25", "", "", ""}));
}

}  // namespace
}  // namespace tarvik
