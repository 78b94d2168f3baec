#include "sheets/uttfhao.h"

#include <gtest/gtest.h>

#include "common/recording_feedback.h"

namespace tarvik {
namespace {

constexpr double kTol = 1e-12;

TEST(DecodeMapNo, CurrentNumbersGiveCornerAndSize) {
  const struct {
    const char* number;
    double west, south, lonSize, latSize;
    int scaleIndex;
  } cases[] = {
      {"E45G095066", 88.0625, 16 + 1.0 / 24, 0.0625, 1.0 / 24, 6},
      {"J50", 114, 36, 6, 4, 0},
      {"J50D001005", 116, 39 + 2.0 / 3, 0.5, 1.0 / 3, 3},
      {"J50A001001", 114, 36, 6, 4, 0},
      {"J50B002002", 117, 36, 3, 2, 1},
      {"J50H192192", 119.96875, 36, 0.03125, 1.0 / 48, 7},
  };
  for (const auto& c : cases) {
    RecordingFeedback fb;
    const auto e = DecodeMapNo(c.number, fb);
    ASSERT_TRUE(e.has_value()) << c.number;
    EXPECT_NEAR(static_cast<double>(e->westLon), c.west, kTol) << c.number;
    EXPECT_NEAR(static_cast<double>(e->southLat), c.south, kTol) << c.number;
    EXPECT_NEAR(static_cast<double>(e->lonSize), c.lonSize, kTol) << c.number;
    EXPECT_NEAR(static_cast<double>(e->latSize), c.latSize, kTol) << c.number;
    EXPECT_EQ(e->scaleIndex, c.scaleIndex) << c.number;
    EXPECT_TRUE(fb.messages.empty());
  }
}

TEST(DecodeMapNo, LatitudeSizesAreFullPrecisionFractions) {
  RecordingFeedback fb;
  const auto e = DecodeMapNo("E45G095066", fb);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->latSize, 1.0L / 24);
}

TEST(DecodeMapNo, BadNumbersAreReported) {
  for (const char* bad : {"E45GX95066", "E45I095066", "E4XG095066", "E45g095066"}) {
    RecordingFeedback fb;
    EXPECT_FALSE(DecodeMapNo(bad, fb).has_value()) << bad;
    EXPECT_EQ(fb.messages, std::vector<std::string>{std::string("输入的") + bad + ",错误的图幅号"});
  }
  RecordingFeedback fb;
  EXPECT_FALSE(DecodeMapNo("   ", fb).has_value());
  EXPECT_TRUE(fb.messages.empty());
}

TEST(OldToNewMapNo, EveryOldForm) {
  const struct {
    const char* old;
    const char* current;
    int scaleIndex;
  } cases[] = {
      {"J-50", "J50", 0},
      {"J-50-B", "J50B001002", 1},
      {"J-50-C", "J50B002001", 1},
      {"J-50-[16]", "J50C004004", 2},
      {"J-50-[1]", "J50C001001", 2},
      {"J-50-5", "J50D001005", 3},
      {"J-50-144", "J50D012012", 3},
      {"J-50-5-B", "J50E001010", 4},
      {"J-50-5-B-4", "J50F002020", 5},
      {"J-50-5-(24)", "J50G003040", 6},
      {"J-50-5-(24)-b", "J50H005080", 7},
      {"J-50-5-(24)-c", "J50H006079", 7},
      {"J-50-5-(24)-D", "J50H006080", 7},
      {"K-09-1", "K09D001001", 3},
  };
  for (const auto& c : cases) {
    RecordingFeedback fb;
    int scaleIndex = -1;
    EXPECT_EQ(OldToNewMapNo(c.old, scaleIndex, fb), c.current) << c.old;
    EXPECT_EQ(scaleIndex, c.scaleIndex) << c.old;
    EXPECT_TRUE(fb.messages.empty()) << c.old;
  }
}

TEST(OldToNewMapNo, UnreadableAndShortTexts) {
  RecordingFeedback fb;
  int scaleIndex = 0;
  EXPECT_EQ(OldToNewMapNo("J-5", scaleIndex, fb), "");
  EXPECT_TRUE(fb.messages.empty());
  for (const char* bad : {"J-5x-5", "J-50-x", "J-50-5-(x)", "J-50-5-(2x)-b", "J-50-5-B-y", "J-50-"}) {
    RecordingFeedback f;
    EXPECT_EQ(OldToNewMapNo(bad, scaleIndex, f), "") << bad;
    EXPECT_EQ(f.messages, std::vector<std::string>{std::string("输入的") + bad + ",错误的旧图幅号"});
  }
  // A "]" with no digits before it yields a number that decoding refuses.
  RecordingFeedback f;
  const std::string n = OldToNewMapNo("J-50-[]", scaleIndex, f);
  EXPECT_EQ(n, "J50C0-10-1");
  EXPECT_FALSE(DecodeMapNo(n, f).has_value());
}

TEST(NormalizeMapNo, LengthRuleAndOldForms) {
  RecordingFeedback fb;
  EXPECT_EQ(NormalizeMapNo("E45G095066", fb), "E45G095066");
  EXPECT_EQ(NormalizeMapNo("J-50-5", fb), "J50D001005");
  EXPECT_TRUE(fb.messages.empty());
  EXPECT_EQ(NormalizeMapNo("E45G09506", fb), "");
  EXPECT_EQ(NormalizeMapNo("J50", fb), "");  // a whole 1:1,000,000 sheet only in the old form
  EXPECT_EQ(NormalizeMapNo(" E45G095066", fb), "");  // no trimming
  EXPECT_EQ(fb.countOf("图幅号输入错误"), 3);
}

TEST(SuggestCentralMeridian, ThreeDegreeZoneOfTheWestEdge) {
  const struct {
    const char* number;
    double cm;
  } cases[] = {{"E45G095066", 87}, {"J-50-5", 117}, {"J-50", 114}, {"E45G095064", 87}};
  for (const auto& c : cases) {
    RecordingFeedback fb;
    EXPECT_EQ(SuggestCentralMeridian(c.number, fb), c.cm) << c.number;
  }
  RecordingFeedback fb;
  EXPECT_EQ(SuggestCentralMeridian("E45G09506", fb), -1);
  EXPECT_EQ(SuggestCentralMeridian("E45GX95066", fb), -1);
  EXPECT_EQ(fb.messages.size(), 2u);
}

TEST(SuggestCentralMeridian, WestEdgeReadAsDecimalDegrees) {
  // E45G095064: west edge 87.9375, in the zone of 87 (a D.MMSS reading, 87°93′,
  // would put it past 88.5 and into the zone of 90).
  RecordingFeedback fb;
  const auto e = DecodeMapNo("E45G095064", fb);
  ASSERT_TRUE(e);
  EXPECT_NEAR(static_cast<double>(e->westLon), 87.9375, kTol);
  EXPECT_EQ(SuggestCentralMeridian("E45G095064", fb), 87);
}

TEST(SheetCodec, SmallHelpers) {
  EXPECT_EQ(Pad3(5), "005");
  EXPECT_EQ(Pad3(1234), "1234");
  EXPECT_EQ(Pad3(-1), "0-1");
  EXPECT_EQ(ScaleLetter(6), 'G');
  long double lon = 7, lat = 7;
  EXPECT_FALSE(SheetSize('I', lon, lat));
  EXPECT_EQ(lon, 7);
  EXPECT_EQ(ScaleDenominatorOfIndex(3), 100000);
  EXPECT_EQ(ScaleDenominatorOfIndex(6), 10000);
  EXPECT_EQ(ScaleDenominatorOfIndex(42), 10000);
}

}  // namespace
}  // namespace tarvik
