#include "preview/preview_fonts.h"

#include <QTextBoundaryFinder>

namespace tarvik {
namespace {

enum class FaceStyle { Song, Hei, Other };

FaceStyle StyleOf(const QString& face) {
  for (const char* mark : {"宋", "仿", "楷", "明", "Song", "SimSun", "Ming", "Kai"})
    if (face.contains(QString::fromUtf8(mark), Qt::CaseInsensitive)) return FaceStyle::Song;
  for (const char* mark : {"黑", "Hei"})
    if (face.contains(QString::fromUtf8(mark), Qt::CaseInsensitive)) return FaceStyle::Hei;
  return FaceStyle::Other;
}

}  // namespace

QStringList PreviewFontFamilies(const std::string& face) {
  const QString name = QString::fromStdString(face).trimmed();
  QStringList out;
  if (!name.isEmpty()) out << name;
  switch (StyleOf(name)) {
    case FaceStyle::Song:
      out << "AR PL UMing CN" << "Noto Serif CJK SC" << "Source Han Serif SC" << "WenQuanYi Zen Hei";
      break;
    case FaceStyle::Hei:
      out << "WenQuanYi Zen Hei" << "Noto Sans CJK SC" << "Source Han Sans SC" << "AR PL UMing CN";
      break;
    case FaceStyle::Other:
      // Let the system match the face itself (MS Sans Serif, Arial, ... get
      // its usual stand-in); Chinese characters fall back per glyph.
      if (name.isEmpty()) out << "Sans Serif";
      break;
  }
  out.removeDuplicates();
  return out;
}

QString PreviewGenericFamily(const std::string& face) {
  return StyleOf(QString::fromStdString(face)) == FaceStyle::Song ? "serif" : "sans-serif";
}

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
