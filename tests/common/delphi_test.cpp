#include "common/delphi.h"

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <random>
#include <string_view>

namespace tarvik {
namespace {

TEST(Round, TiesGoToTheEvenNeighbour) {
  const struct {
    long double in;
    std::int64_t out;
  } cases[] = {{0.5L, 0},    {1.5L, 2},    {2.5L, 2},   {3.5L, 4},   {-2.5L, -2}, {-3.5L, -4},
               {2.4999L, 2}, {2.5001L, 3}, {14.5L, 14}, {12.5L, 12}, {-0.4L, 0}};
  for (const auto& c : cases) EXPECT_EQ(Round(c.in), c.out) << static_cast<double>(c.in);
}

TEST(Trunc, CutsTowardZero) {
  EXPECT_EQ(Trunc(2.9L), 2);
  EXPECT_EQ(Trunc(-2.9L), -2);
  EXPECT_EQ(Trunc(38456000.0L / 1000 / 100), 384);
  EXPECT_EQ(Int(-7.5L), -7.0L);
  EXPECT_NEAR(static_cast<double>(Frac(-7.25L)), -0.25, 1e-15);
}

TEST(FloatToStr, ShortestFifteenDigitsWithPoint) {
  const struct {
    long double in;
    const char* out;
  } cases[] = {
      {0, "0"},
      {88.0625L, "88.0625"},
      {116, "116"},
      {-0.5L, "-0.5"},
      {0.1L, "0.1"},
      {1.0L / 3, "0.333333333333333"},
      {56.3L, "56.3"},
      {1e20L, "1E20"},
      {1.5e-7L, "1.5E-7"},
      {123456789012345.0L, "123456789012345"},
      {1e15L, "1E15"},
      {16.041666666666666666L, "16.0416666666667"},
      {0.0001L, "0.0001"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToStr(c.in), c.out);
}

TEST(FloatToStr, IgnoresTheProcessLocale) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
    EXPECT_EQ(FloatToStr(1.25L), "1.25");
    EXPECT_EQ(FormatFixed(87.3L, 4), "87.3000");
    EXPECT_EQ(StrToFloat("1.25").value(), 1.25L);
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(FormatFixed, PadsAndRounds) {
  EXPECT_EQ(FormatFixed(87.3L, 4), "87.3000");
  EXPECT_EQ(FormatFixed(87, 4), "87.0000");
  EXPECT_EQ(FormatFixed(-0.00001L, 4), "0.0000");
}

TEST(FormatWidth, RightAlignsLikePercentTwoD) {
  EXPECT_EQ(FormatWidth(5, 2), " 5");
  EXPECT_EQ(FormatWidth(15, 2), "15");
  EXPECT_EQ(FormatWidth(123, 2), "123");
  EXPECT_EQ(FormatWidth(0, 2), " 0");
}

TEST(StrToFloat, AcceptsNumbersAndRefusesTheRest) {
  EXPECT_EQ(StrToFloat("10000").value(), 10000.0L);
  EXPECT_EQ(StrToFloat(" -1.5 ").value(), -1.5L);
  EXPECT_EQ(StrToFloat("+2").value(), 2.0L);
  EXPECT_EQ(StrToFloat(".5").value(), 0.5L);
  EXPECT_EQ(StrToFloat("1e3").value(), 1000.0L);
  for (const char* bad : {"", "  ", "abc", "1,5", "1.2.5", "inf", "nan", "1e", "--1", "0x10", "12a"})
    EXPECT_FALSE(StrToFloat(bad).has_value()) << bad;
}

// Plain decimals take a short road; it must land on the very value the full
// decimal conversion gives, last bit included.
TEST(StrToFloat, PlainDecimalsGiveTheFullConversionsValue) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 200000; ++i) {
    const int whole = static_cast<int>(random() % 20), fraction = static_cast<int>(random() % 22);
    std::string text = i % 3 == 0 ? "-" : "";
    for (int k = 0; k < whole; ++k) text.push_back(static_cast<char>('0' + random() % 10));
    if (fraction > 0 || whole == 0) text.push_back('.');
    for (int k = 0; k < fraction || (whole == 0 && k == 0); ++k)
      text.push_back(static_cast<char>('0' + random() % 10));
    const std::string_view digits = std::string_view(text).substr(text[0] == '-');
    long double expected = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), expected);
    if (text[0] == '-') expected = -expected;
    const auto got = StrToFloat(text);
    ASSERT_TRUE(got.has_value()) << text;
    ASSERT_EQ(*got, expected) << text;
    ASSERT_EQ(std::signbit(*got), std::signbit(expected)) << text;
  }
}

TEST(StrToInt, AcceptsDecimalAndHexAndRefusesTheRest) {
  EXPECT_EQ(StrToInt("42").value(), 42);
  EXPECT_EQ(StrToInt(" -7").value(), -7);
  EXPECT_EQ(StrToInt("$1F").value(), 31);
  EXPECT_EQ(StrToInt("0x10").value(), 16);
  EXPECT_EQ(StrToInt("-9223372036854775808").value(), INT64_MIN);
  for (const char* bad : {"", "1.5", "12 ", "x", "9223372036854775808", "$", "1e3"})
    EXPECT_FALSE(StrToInt(bad).has_value()) << bad;
}

}  // namespace
}  // namespace tarvik
