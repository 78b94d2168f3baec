#include <gtest/gtest.h>

#include "settings_ui/font_button.h"
#include "settings_ui/font_convert.h"

namespace tarvik {
namespace {

FontDesc Font(const char* face, std::int32_t height, std::int32_t weight = 400) {
  FontDesc f;
  f.face = face;
  f.height = height;
  f.weight = weight;
  return f;
}

TEST(FontConvert, PixelHeightsBecomePointSizesHalvesAwayFromZero) {
  struct Case {
    std::int32_t height;
    int points;
  };
  for (const Case& c : {Case{-67, 50}, Case{-13, 10}, Case{-8, 6}, Case{-11, 8}, Case{-37, 28}, Case{-2, 2},
                        Case{-10, 8}, Case{20, 15}}) {
    EXPECT_EQ(ToQFont(Font("宋体", c.height)).pointSize(), c.points) << c.height;
  }
}

TEST(FontConvert, StyleAndWeightReachQFont) {
  FontDesc f = Font("黑体", -16, 700);
  f.italic = f.underline = f.strikeOut = true;
  const QFont q = ToQFont(f);
  EXPECT_EQ(q.family(), QString::fromUtf8("黑体"));
  EXPECT_EQ(q.weight(), QFont::Bold);
  EXPECT_TRUE(q.italic());
  EXPECT_TRUE(q.underline());
  EXPECT_TRUE(q.strikeOut());
  EXPECT_EQ(ToQFont(Font("宋体", -13, 0)).weight(), QFont::Normal);  // "don't care"
  EXPECT_EQ(ToQFont(Font("宋体", -13, 300)).weight(), QFont::Light);
}

// Every LOGFONT field survives QFont and back when the person changed nothing,
// including heights that share a point size and weights QFont spells
// differently.
TEST(FontConvert, UnchangedFontsComeBackWhole) {
  FontDesc odd = Font("MS Sans Serif", -66, 0);
  odd.charSet = 0;
  odd.outPrecision = 3;
  odd.clipPrecision = 2;
  odd.quality = 1;
  odd.pitchAndFamily = 34;
  odd.width = 5;
  odd.escapement = 900;
  odd.orientation = 900;
  odd.color = 0x00123456;
  for (const FontDesc& f :
       {Font("宋体", -67), Font("宋体", -66), Font("黑体", 20, 700), odd, Font("宋体", 0)})
    EXPECT_EQ(FromQFont(ToQFont(f), f), f) << f.face << " " << f.height;
}

TEST(FontConvert, ChosenFontReplacesWhatQFontHoldsAndKeepsTheRest) {
  FontDesc base = Font("宋体", -13);
  base.color = 0x000000FF;
  base.charSet = 0;
  base.quality = 2;
  QFont chosen(QString::fromUtf8("黑体"));
  chosen.setPointSize(20);
  chosen.setBold(true);
  chosen.setUnderline(true);
  const FontDesc out = FromQFont(chosen, base);
  EXPECT_EQ(out.face, "黑体");
  EXPECT_EQ(out.height, -27);  // 20 pt = 26.67 px
  EXPECT_EQ(out.weight, 700);
  EXPECT_TRUE(out.underline);
  EXPECT_FALSE(out.italic);
  EXPECT_EQ(out.color, 0x000000FF);
  EXPECT_EQ(out.charSet, 0);
  EXPECT_EQ(out.quality, 2);

  QFont pixels(QString::fromUtf8("宋体"));
  pixels.setPixelSize(30);
  EXPECT_EQ(FromQFont(pixels, base).height, -30);
}

TEST(FontConvert, ColourIsBgrWithSystemColoursBlack) {
  EXPECT_EQ(FontColor(Font("宋体", -13)), QColor(0, 0, 0));
  FontDesc f = Font("宋体", -13);
  f.color = 0x00302010;
  EXPECT_EQ(FontColor(f), QColor(0x10, 0x20, 0x30));
  f.color = static_cast<std::int32_t>(0x80000008);  // clWindowText
  EXPECT_EQ(FontColor(f), QColor(Qt::black));
}

TEST(FontButton, ShowsItsFontAndTellsOfChanges) {
  TFontButton button;
  EXPECT_EQ(button.property("Tag").toInt(), kFontButtonTag);
  int changed = 0;
  QObject::connect(&button, &TFontButton::fontDescChanged, [&] { ++changed; });
  FontDesc f = Font("黑体", -67, 700);
  f.italic = true;
  f.color = 0x000000FF;
  button.setFontDesc(f);
  EXPECT_EQ(button.fontDesc(), f);
  EXPECT_EQ(button.text(), QString::fromUtf8("黑体 50磅 粗体 斜体"));
  EXPECT_EQ(button.font().family(), QString::fromUtf8("黑体"));
  EXPECT_TRUE(button.font().italic());
  EXPECT_LE(button.font().pointSize(), 12);  // a 50 pt title would burst the button
  EXPECT_EQ(button.palette().color(QPalette::ButtonText), QColor(255, 0, 0));
  button.setFontDesc(f);
  EXPECT_EQ(changed, 1);
}

}  // namespace
}  // namespace tarvik
