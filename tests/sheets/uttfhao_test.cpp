#include "sheets/uttfhao.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/recording_feedback.h"
#include "support/case_file.h"

namespace tarvik {
namespace {

constexpr double kTol = 1e-12;

TEST(DecodeMapNo, CurrentNumbersGiveCornerAndSize) {
  for (const auto& c : test::ReadCases("sheet_numbers")) {
    SCOPED_TRACE(c.where);
    RecordingFeedback fb;
    const auto e = DecodeMapNo(c.fields.at(0), fb);
    ASSERT_TRUE(e.has_value());
    EXPECT_NEAR(static_cast<double>(e->westLon), static_cast<double>(c.number(1)), kTol);
    EXPECT_NEAR(static_cast<double>(e->southLat), static_cast<double>(c.number(2)), kTol);
    EXPECT_NEAR(static_cast<double>(e->lonSize), static_cast<double>(c.number(3)), kTol);
    EXPECT_NEAR(static_cast<double>(e->latSize), static_cast<double>(c.number(4)), kTol);
    EXPECT_EQ(e->scaleIndex, static_cast<int>(c.number(5)));
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
  for (const auto& line : test::ReadCases("refused_numbers")) {
    SCOPED_TRACE(line.where);
    std::string text = line.fields.at(0);
    std::replace(text.begin(), text.end(), '_', ' ');
    const std::string& reason = line.fields.at(1);  // a part of the message
    const MapNoReading r = ReadMapNo(text);
    EXPECT_EQ(r.number, "");
    EXPECT_NE(r.problem.find(reason), std::string::npos) << r.problem;
    // The codec's own entry points tell the same message and refuse as well.
    RecordingFeedback fb;
    EXPECT_EQ(NormalizeMapNo(text, fb), "");
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
  EXPECT_EQ(fb.messages,
            std::vector<std::string>{"输入的J50G097001,错误的图幅号：第5～7位应为行号001～096（1:1万）"});
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
