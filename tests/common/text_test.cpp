#include <gtest/gtest.h>

#include "common/error.h"
#include "common/font_desc.h"
#include "common/gbk.h"
#include "common/recording_feedback.h"
#include "common/text_util.h"

namespace tarvik {
namespace {

TEST(Gbk, RoundTripsChineseAndFullWidthSigns) {
  const std::string text = "苏州市 116°30′00″ E45G095066";
  const std::string gbk = Utf8ToGbk(text);
  EXPECT_EQ(gbk.substr(0, 2), "\xCB\xD5");  // 苏 in GBK
  EXPECT_EQ(GbkToUtf8(gbk), text);
}

TEST(Gbk, ByteLengthCountsDoubleByteCharacters) {
  const struct {
    const char* text;
    std::size_t bytes;
  } cases[] = {{"", 0},    {"abc", 3},         {"苏州", 4}, {"苏州市土地", 10},
               {"°′″", 6}, {"E45G095066", 10}, {"图A1", 4}, {"\U0001F600x", 3}};
  for (const auto& c : cases) EXPECT_EQ(GbkByteLength(c.text), c.bytes) << c.text;
}

TEST(Gbk, UnconvertibleInputIsAClearErrorNotACrash) {
  EXPECT_FALSE(TryUtf8ToGbk("\U0001F600").has_value());
  EXPECT_FALSE(TryUtf8ToGbk("\xFF\xFE").has_value());
  EXPECT_FALSE(TryGbkToUtf8("\x81").has_value());  // lead byte without trail byte
  try {
    Utf8ToGbk("地图\U0001F600");
    FAIL() << "no error";
  } catch (const RunError& e) {
    EXPECT_NE(std::string(e.what()).find("\U0001F600"), std::string::npos);
  }
  EXPECT_THROW(GbkToUtf8("ab\x81"), RunError);
  EXPECT_THROW(Utf8ToGbk("\xC0\x80"), RunError);  // overlong form
}

TEST(Utf8, ValidityAndCodePoints) {
  EXPECT_TRUE(IsValidUtf8("苏州 abc"));
  EXPECT_FALSE(IsValidUtf8("\xCB\xD5"));      // GBK bytes are not UTF-8
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // a surrogate
  EXPECT_EQ(CodePointCount("苏州市"), 3u);
  EXPECT_EQ(Utf8Prefix("苏州市", 2), "苏州");
  EXPECT_EQ(Utf8Prefix("ab", 5), "ab");
}

TEST(TextUtil, CaseAndReplacement) {
  EXPECT_EQ(Trim("  \t比例尺 \r\n"), "比例尺");
  EXPECT_TRUE(EndsWithNoCase("D:/out/Map.GDB", ".gdb"));
  EXPECT_EQ(ReplaceFirstNoCase("比例尺1:[SCALE]", "[scale]", "50000"), "比例尺1:50000");
  EXPECT_EQ(ReplaceFirst("a[X]b[X]", "[X]", "1"), "a1b[X]");
  EXPECT_EQ(ReplaceAllNoCase("a<br>b<BR>c", "<Br>", "\r\n"), "a\r\nb\r\nc");
  EXPECT_EQ(SplitLines("a\r\nb\nc\r\n"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
}

TEST(FontDesc, PixelHeightsBecomePointSizes) {
  const struct {
    int pixels;
    int points;
  } cases[] = {{67, 50}, {13, 10}, {8, 6}, {11, 8}, {37, 28}, {16, 12}, {20, 15}, {15, 11}};
  for (const auto& c : cases) {
    const FontDesc f = FontDesc::FromPixels("宋体", c.pixels);
    EXPECT_EQ(f.pointSize(), c.points) << c.pixels;
    EXPECT_EQ(FontDesc::FromPoints("宋体", f.pointSize()).height, f.height) << c.pixels;
  }
}

TEST(RecordingFeedback, AbortIsReportedByTheStepAfterIt) {
  RecordingFeedback fb;
  fb.abortDuringStep = 2;
  fb.progressStart(5, "正在生成图廓", true);
  EXPECT_FALSE(fb.progressStep(1));
  EXPECT_FALSE(fb.progressStep(1));  // abort confirmed during this step
  EXPECT_TRUE(fb.progressStep(1));   // ... and reported here
  EXPECT_FALSE(fb.progressOpen);
  EXPECT_EQ(fb.progressPosition, 2);
}

}  // namespace
}  // namespace tarvik
