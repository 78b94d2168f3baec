#include <gtest/gtest.h>

#include "deliver/dxf_document.h"
#include "deliver/print_layout.h"

namespace tarvik::deliver {
namespace {

TEST(PrintLayout, PageHoldsTheFrameAndItsMarginOnTheSmallestPaperThatDoes) {
  const struct {
    double w, h;  // content, mm
    PaperRule rule;
    double pageW, pageH;
    const char* name;
  } cases[] = {
      {668.9, 550.2, PaperRule::FitFrame, 688.9, 570.2, ""},
      {668.91, 550.0, PaperRule::FitFrame, 689.0, 570.0, ""},         // never smaller than the content
      {668.9, 550.2, PaperRule::StandardPaper, 841, 594, "A1 横向"},  // A1 holds it turned
      {380, 560, PaperRule::StandardPaper, 420, 594, "A2 纵向"},
      {400, 400, PaperRule::StandardPaper, 420, 594, "A2 纵向"},  // fits both ways: upright
      {180, 260, PaperRule::StandardPaper, 210, 297, "A4 纵向"},
      {1200, 900, PaperRule::StandardPaper, 1220, 920, ""},  // larger than A0: its own size
  };
  for (const auto& c : cases) {
    const PageSize p = ChoosePage(c.w, c.h, {c.rule, 10});
    EXPECT_DOUBLE_EQ(p.widthMm, c.pageW) << c.w << "x" << c.h;
    EXPECT_DOUBLE_EQ(p.heightMm, c.pageH) << c.w << "x" << c.h;
    EXPECT_EQ(p.name, c.name) << c.w << "x" << c.h;
  }
}

TEST(PrintLayout, TextBoxLiesOnTheSideItsAlignmentSays) {
  // 10 pt at 1:10 000: an em is 3.528 mm on paper, 35.28 m on the ground;
  // two lines of four GBK bytes: 2 em wide, 2.2 em high.
  StoredText t;
  t.text = "甲乙\r\n丙";
  t.anchor = {1000, 2000};
  t.symbol.fontSize = 10;
  const double em = 10 * 25.4 / 72 * 10;
  t.symbol.horizontal = HorizontalAlignment::Right;
  t.symbol.vertical = VerticalAlignment::Top;
  Envelope e = TextBox(t, 10, false);
  EXPECT_NEAR(e.xMin, 1000 - 2 * em, 1e-9);
  EXPECT_NEAR(e.xMax, 1000, 1e-9);
  EXPECT_NEAR(e.yMin, 2000 - 2.2 * em, 1e-9);
  EXPECT_NEAR(e.yMax, 2000, 1e-9);
  t.symbol.horizontal = HorizontalAlignment::Center;
  t.symbol.vertical = VerticalAlignment::Bottom;
  e = TextBox(t, 10, false);
  EXPECT_NEAR(e.xMin, 1000 - em, 1e-9);
  EXPECT_NEAR(e.xMax, 1000 + em, 1e-9);
  EXPECT_NEAR(e.yMin, 2000, 1e-9);
  EXPECT_NEAR(e.yMax, 2000 + 2.2 * em, 1e-9);
}

// Chinese in the drawing's code page (GBK), but never a byte a reader that
// parses MTEXT byte by byte takes for a code: 乗's second GBK byte is "\".
TEST(DxfText, ContentInTheCodePageWithEscapesWhereBytesWouldMislead) {
  const struct {
    const char* utf8;
    std::string mtext, text;
  } cases[] = {
      {"比例尺1:10000",
       "\xB1\xC8\xC0\xFD\xB3\xDF"
       "1:10000",
       "\xB1\xC8\xC0\xFD\xB3\xDF"
       "1:10000"},
      {"乗\n{a}\\", "\\U+4E57\\P\\{a\\}\\\\", "\x81\\{a}\\"},
      {"😀", "\\U+FFFD", "\\U+FFFD"},  // beyond the basic plane
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DxfDocument::MTextContent(c.utf8), c.mtext) << c.utf8;
    EXPECT_EQ(DxfDocument::TextContent(c.utf8), c.text) << c.utf8;
  }
}

}  // namespace
}  // namespace tarvik::deliver
