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

// Every wrong number is refused with its reason; none is read as another sheet.
TEST(ReadMapNo, WrongNumbersAreRefusedWithTheirReason) {
  const struct {
    const char* text;
    const char* reason;  // a part of the message
  } cases[] = {
      {"E45GX95066", "第5～7位"},  {"E45I095066", "第4位"},      {"E4XG095066", "第2～3位"},
      {"E45g095066", "第4位"},     {"a50G001001", "第1位"},      {"W45G095066", "第1位"},
      {"J50G097001", "001～096"},  {"J50D001013", "第8～10位"},  {"J61A001001", "列号01～60"},
      {"J00G001001", "列号01～60"}, {"J50G000001", "行号"},       {"E45G 95 66", "第5～7位"},
      {"E45G09506", "10个字符"},   {"J5", "10个字符"},           {"J-5", "旧图幅号的格式"},
      {"J5X", "第2～3位"},         {"W50", "第1位"},             {"J61", "列号01～60"},
      {"J-50-5-(99)", "(1)～(64)"}, {"J-50-145", "1～144"},       {"J-50-0", "1～144"},
      {"J-50-5-(24", "圆括号"},     {"J-50-[3", "方括号"},        {"J-50-[17]", "[1]～[16]"},
      {"J-50-5-(2147483647)", "(1)～(64)"}, {"J-50-5-E", "A～D"}, {"J-50-5-B-5", "1～4"},
      {"J-50-5-(24)-e", "a～d"},    {"J-50-5-x", "A～D"},         {"J-50-5-(24)-b-1", "旧图幅号的格式"},
      {"J-50-", "旧图幅号的格式"},   {"j-50-5", "第1位"},          {"J-61-5", "列号01～60"},
      {"J-5x-5", "列号01～60"},     {"J-50-+5", "1～144"},        {"J-50-5--B", "旧图幅号的格式"},
  };
  for (const auto& c : cases) {
    const MapNoReading r = ReadMapNo(c.text);
    EXPECT_EQ(r.number, "") << c.text;
    EXPECT_NE(r.problem.find(c.reason), std::string::npos) << c.text << ": " << r.problem;
    // The codec's own entry points tell the same message and refuse as well.
    RecordingFeedback fb;
    EXPECT_EQ(NormalizeMapNo(c.text, fb), "") << c.text;
    EXPECT_EQ(fb.messages, std::vector<std::string>{r.problem});
  }
  // A whole 1:1,000,000 sheet as GB/T 13989 writes it (J50) reads like the
  // old J-50, and the ten-character form of earlier indexes still reads.
  for (const char* current : {"E45G095066", "J50H192192", "V60A001001", "A01G096096", "J50", "A01", "V60"}) {
    EXPECT_EQ(ReadMapNo(current).number, current);
    EXPECT_FALSE(CurrentMapNoProblem(current)) << current;
    RecordingFeedback fb;
    EXPECT_EQ(NormalizeMapNo(current, fb), current);
    EXPECT_TRUE(fb.messages.empty());
  }
  EXPECT_EQ(ReadMapNo("J50").scaleIndex, 0);
  EXPECT_EQ(ReadMapNo("J-50").number, ReadMapNo("J50").number);
  RecordingFeedback fb;
  EXPECT_FALSE(DecodeMapNo("J50G097001", fb).has_value());
  EXPECT_EQ(fb.messages, std::vector<std::string>{"输入的J50G097001,错误的图幅号：第5～7位应为行号001～096（1:1万）"});
  EXPECT_FALSE(DecodeMapNo("   ", fb).has_value());
  EXPECT_EQ(fb.messages.size(), 1u);  // a blank number fails silently
}

TEST(OldToNewMapNo, EveryOldForm) {
  const struct {
    const char* old;
    const char* current;
    int scaleIndex;
  } cases[] = {
      {"J-50", "J50", 0},
      {"J-07", "J07", 0},
      {"J-50-005", "J50D001005", 3},
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

TEST(NormalizeMapNo, LengthRuleAndOldForms) {
  RecordingFeedback fb;
  EXPECT_EQ(NormalizeMapNo("E45G095066", fb), "E45G095066");
  EXPECT_EQ(NormalizeMapNo("J-50-5", fb), "J50D001005");
  EXPECT_TRUE(fb.messages.empty());
  EXPECT_EQ(NormalizeMapNo(" E45G095066", fb), "");  // no trimming
  ASSERT_EQ(fb.messages.size(), 1u);
  EXPECT_EQ(fb.messages[0].rfind("图幅号输入错误：", 0), 0u) << fb.messages[0];
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
