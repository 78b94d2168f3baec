#include "preview/preview_fonts.h"

#include <QTextBoundaryFinder>

#include "common/font_faces.h"

namespace tarvik {

QStringList PreviewFontFamilies(const std::string& face) {
  QStringList out;
  for (const std::string& family : FaceFamilies(face)) out << QString::fromStdString(family);
  return out;
}

QString PreviewGenericFamily(const std::string& face) { return QString::fromLatin1(GenericFamilyOf(face)); }

QFont MakePreviewFont(const PreviewTextStyle& style) {
  QFont font;
  font.setFamilies(style.families);
  font.setPointSizeF(style.sizePt > 0 ? style.sizePt : 1);
  font.setBold(style.bold);
  font.setItalic(style.italic);
  font.setUnderline(style.underline);
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

SpacedLine LayOutLine(const QFontMetricsF& metrics, const QString& line, double spacingPx) {
  SpacedLine out;
  if (line.isEmpty()) return out;
  if (spacingPx == 0) {
    out.runs.push_back({line, 0});
    out.width = metrics.horizontalAdvance(line);
    return out;
  }
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, line);
  qsizetype start = 0;
  double x = 0;
  for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
    if (end <= start) continue;
    if (!out.runs.empty()) x += spacingPx;
    const QString g = line.mid(start, end - start);
    out.runs.push_back({g, x});
    x += metrics.horizontalAdvance(g);
    start = end;
  }
  out.width = x;
  return out;
}

double AverageCharWidth(const QFontMetricsF& metrics) { return metrics.horizontalAdvance(QLatin1Char('x')); }

}  // namespace tarvik
