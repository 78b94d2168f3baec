// Fonts of the preview: the faces stored with the texts, with installed
// stand-ins for Windows faces, at a size in points on paper.
#pragma once

#include <string>
#include <vector>

#include <QFont>
#include <QFontMetricsF>
#include <QRgb>
#include <QString>
#include <QStringList>

namespace tarvik {

struct PreviewTextStyle {
  QStringList families;  // tried in order; the first installed one draws
  QString generic;       // CSS generic family for SVG readers: "serif" or "sans-serif"
  double sizePt = 0;     // point size on paper
  // Character spacing as stored: a percentage of the font's average
  // character width (100 adds one average character between characters).
  double spacingPercent = 0;
  // The same in mm on paper, once the font is measured (negative tightens).
  double spacingMm = 0;
  bool bold = false, italic = false, underline = false;
  QRgb color = 0xff000000;
};

// The stored face first, then installed faces of the same style
// (common/font_faces.h, the table the QGIS styles name too): Song (Ming)
// faces such as 宋体/SimSun, 仿宋, 楷体 fall back to AR PL UMing CN and other
// serif CJK faces; Hei faces (黑体/SimHei, 微软雅黑) to sans CJK faces; other
// faces keep what the system matches for them (Chinese characters then fall
// back glyph by glyph).
QStringList PreviewFontFamilies(const std::string& face);
// "serif" for Song-style faces, "sans-serif" for the rest.
QString PreviewGenericFamily(const std::string& face);

// The font for a device whose logical resolution is the dpi the text is
// drawn at: the point size is scaled by the device. Hinting is off so that
// widths scale nearly linearly with dpi. Character spacing is not part of
// the font (Qt scales QFont letter spacing by a whole-number factor of the
// device's dpi over 96, which reverses tightened text at print
// resolutions); SpacedLine places the characters instead.
QFont MakePreviewFont(const PreviewTextStyle& style);

// One line of text as the preview draws it, in the metrics' device pixels:
// with no spacing the whole line is one run (kerning kept); otherwise each
// character (grapheme) is a run of its own, `spacingPx` further on than the
// advance of the one before.
struct SpacedLine {
  struct Run {
    QString text;
    double x = 0;  // from the line's start
  };
  std::vector<Run> runs;
  double width = 0;  // from the line's start to the end of the last advance
};
SpacedLine LayOutLine(const QFontMetricsF& metrics, const QString& line, double spacingPx);

// The font's average character width in the metrics' device pixels, as
// Windows fonts define it: the advance of "x" (half the em in Song faces).
double AverageCharWidth(const QFontMetricsF& metrics);

}  // namespace tarvik
