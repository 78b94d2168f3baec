#include "settings_ui/font_button.h"

#include <QPalette>

#include <algorithm>

#include "settings_ui/font_convert.h"

namespace tarvik {
namespace {

// Drawn sizes of the button text: big title fonts would burst the button,
// tiny ones could not be read.
constexpr int kSmallestShownPoints = 9;
constexpr int kLargestShownPoints = 12;

}  // namespace

TFontButton::TFontButton(QWidget* parent) : QPushButton(parent) {
  setProperty("Tag", kFontButtonTag);
  setFontDesc(font_);
}

void TFontButton::setFontDesc(const FontDesc& font) {
  const bool changed = !(font == font_);
  font_ = font;
  QFont shown = ToQFont(font);
  shown.setPointSize(std::clamp(font.pointSize(), kSmallestShownPoints, kLargestShownPoints));
  setFont(shown);
  QPalette palette = this->palette();
  palette.setColor(QPalette::ButtonText, FontColor(font));
  setPalette(palette);
  setText(DescribeFont(font));
  setToolTip(QString::fromUtf8("字体: ") + text());
  if (changed) emit fontDescChanged();
}

QSize TFontButton::sizeHint() const {
  const QSize hint = QPushButton::sizeHint();
  return {hint.width() + fontMetrics().averageCharWidth() * 2, hint.height()};
}

QString TFontButton::DescribeFont(const FontDesc& font) {
  QString text =
      QString::fromStdString(font.face) + " " + QString::number(font.pointSize()) + QString::fromUtf8("磅");
  if (font.bold()) text += QString::fromUtf8(" 粗体");
  if (font.italic) text += QString::fromUtf8(" 斜体");
  if (font.underline) text += QString::fromUtf8(" 下划线");
  if (font.strikeOut) text += QString::fromUtf8(" 删除线");
  return text;
}

}  // namespace tarvik
