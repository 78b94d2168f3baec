#include "frame/marginal_text_format.h"

#include <gtest/gtest.h>

#include <map>

namespace tarvik {
namespace {

FieldLookup Feature(std::map<std::string, std::string> values) {
  return [values](const std::string& field) -> std::optional<std::string> {
    const auto it = values.find(field);
    if (it == values.end()) return std::nullopt;
    return it->second;
  };
}

TEST(ExpandFieldText, PlaceholdersAndSheetNumberSpacing) {
  const auto feature = Feature({{"TFH", "E 45G095066"},
                                {"NAME", " 苏州 市 "},
                                {"MC", "苏州"},
                                {"XZQDM", "1101050000"},
                                {"RECT", "623.0-10.0"},
                                {"BAD", "J50H193001"}});
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"[TFH]", "E45 G 095066"},          // first space removed, then spaced as a sheet number
      {"图号:[TFH]", "图号:E45G095066"},  // 13 characters: only the space rule
      {"[NAME]图", "苏州市图"},           // trimmed value, then the first space removed
      {"[NOPE]图", "图"},                 // a missing field gives an empty value
      {"no placeholder", "no placeholder"},
      {"]x[", "]x["},                       // "]" before "[": left alone
      {"a [MC] b [MC]!", "a苏州 b [MC]!"},  // only the first occurrence; then first space removed
      // Ten characters that are no sheet number keep their form: a county
      // code, a text, a rectangular sheet number, a number off the series.
      {"[XZQDM]", "1101050000"},
      {"a [MC] b [MC]", "a苏州 b [MC]"},
      {"[RECT]", "623.0-10.0"},
      {"[BAD]", "J50H193001"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandFieldText(c.in, feature), c.out) << c.in;
  // Without a feature (a typed sheet number) the placeholder stays as written.
  EXPECT_EQ(ExpandFieldText("[NAME] 图", FieldLookup{}), "[NAME] 图");
}

TEST(ExpandMainTitle, ShortNamesAreSpacedOut) {
  const struct {
    const char* value;
    const char* title;
    int length;
  } cases[] = {
      {"苏州", "苏    州", 2}, {"苏州市", "苏  州  市", 3}, {"苏州市区", "苏州市区", 4}, {"", "", 0}};
  for (const auto& c : cases) {
    const MainTitle t = ExpandMainTitle("[MC]", Feature({{"MC", c.value}}));
    EXPECT_EQ(t.text, c.title);
    EXPECT_EQ(t.length, c.length);
  }
  const MainTitle plain = ExpandMainTitle("苏 州 市 土 地", FieldLookup{});
  EXPECT_EQ(plain.text, "苏 州 市 土 地");
  EXPECT_EQ(plain.length, 0);
}

TEST(ExpandDate, ChineseAndDigitForms) {
  EXPECT_EQ(ChineseYear(2009), "二○○九");
  const struct {
    int value;
    const char* text;
  } numerals[] = {{1, "一"},    {9, "九"},    {10, "十"},     {11, "十一"}, {12, "十二"},
                  {19, "十九"}, {20, "二十"}, {21, "二十一"}, {30, "三十"}, {31, "三十一"}};
  for (const auto& n : numerals) EXPECT_EQ(ChineseMonthOrDay(n.value), n.text) << n.value;

  const Date d{2009, 7, 20};
  EXPECT_EQ(ExpandDate("YYYY年MM月DD日", d), "二○○九年七月二十日");
  EXPECT_EQ(ExpandDate("YY年", d), "○九年");
  EXPECT_EQ(ExpandDate("yyyy年mm月dd日", Date{2026, 3, 5}), "2026年3月5日");
  EXPECT_EQ(ExpandDate("yy/mm/dd", Date{2026, 12, 8}), "26/12/8");
  EXPECT_EQ(ExpandDate("YYYY and yyyy", d), "二○○九 and 2009");
}

TEST(VerticalText, OneCharacterPerLine) {
  EXPECT_EQ(VerticalText("苏州A"), "苏\r\n州\r\nA");
  EXPECT_EQ(VerticalText(""), "");
  EXPECT_EQ(LineCount("a\r\nb\r\nc"), 3);
  EXPECT_EQ(LineCount("one"), 1);
  EXPECT_EQ(LineCount(VerticalText("vuderavo")), 8);
}

}  // namespace
}  // namespace tarvik
