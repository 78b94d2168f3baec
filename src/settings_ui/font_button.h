// TFontButton: a push button that holds a font (FontDesc) and shows it: its
// text names the face, the point size and the style, drawn in that face, style
// and colour (the drawn size is kept to what fits a button).
//
// Font buttons carry the dynamic property "Tag" = kFontButtonTag, which marks
// them for the font section of the settings file.
#pragma once

#include <QPushButton>

#include "common/font_desc.h"

namespace tarvik {

inline constexpr int kFontButtonTag = 89;

class TFontButton : public QPushButton {
  Q_OBJECT

 public:
  explicit TFontButton(QWidget* parent = nullptr);

  const FontDesc& fontDesc() const { return font_; }
  void setFontDesc(const FontDesc& font);

  // The button's text for `font`, e.g. "宋体 50磅 粗体".
  static QString DescribeFont(const FontDesc& font);

  // Room for the text in faces whose Chinese glyphs come from a fallback
  // face, which the plain size hint underestimates.
  QSize sizeHint() const override;

 signals:
  void fontDescChanged();

 private:
  FontDesc font_;
};

}  // namespace tarvik
