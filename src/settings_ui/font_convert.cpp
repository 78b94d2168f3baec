#include "settings_ui/font_convert.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/font_faces.h"

namespace tarvik {
namespace {

QFont::Weight QtWeight(std::int32_t logfontWeight) {
  // LOGFONT 0 is "don't care": a normal weight. Both scales run 1..1000.
  if (logfontWeight <= 0) return QFont::Normal;
  return static_cast<QFont::Weight>(std::clamp(logfontWeight, 1, 1000));
}

}  // namespace

QFont ToQFont(const FontDesc& desc) {
  QFont font;
  font.setFamily(QString::fromStdString(desc.face));
  if (desc.pointSize() > 0) font.setPointSize(desc.pointSize());
  font.setWeight(QtWeight(desc.weight));
  font.setItalic(desc.italic);
  font.setUnderline(desc.underline);
  font.setStrikeOut(desc.strikeOut);
  return font;
}

FontDesc FromQFont(const QFont& font, const FontDesc& base) {
  FontDesc out = base;
  if (!font.family().isEmpty()) out.face = font.family().toStdString();
  if (font.pixelSize() > 0) {
    out.height = -font.pixelSize();
  } else if (font.pointSizeF() > 0 && font.pointSizeF() != ToQFont(base).pointSizeF()) {
    out.height = -static_cast<std::int32_t>(std::lround(font.pointSizeF() * 96.0 / 72.0));
  }
  if (font.weight() != QtWeight(base.weight)) out.weight = font.weight();
  out.italic = font.italic();
  out.underline = font.underline();
  out.strikeOut = font.strikeOut();
  return out;
}

QColor FontColor(const FontDesc& font) {
  if (font.color < 0) return QColor(Qt::black);
  return QColor(font.color & 0xFF, (font.color >> 8) & 0xFF, (font.color >> 16) & 0xFF);
}

void InstallWindowsFontSubstitutes() {
  // The stand-ins the preview and the QGIS project draw these faces with.
  const auto standIns = [](FaceStyle style) {
    QStringList out;
    for (const std::string& face : StandInFaces(style)) out << QString::fromStdString(face);
    return out;
  };
  const QStringList ming = standIns(FaceStyle::Song);
  const QStringList hei = standIns(FaceStyle::Hei);
  for (const char* face : {"宋体", "SimSun", "新宋体", "NSimSun", "仿宋", "FangSong", "楷体", "KaiTi"}) {
    const QString name = QString::fromUtf8(face);
    if (QFont::substitutes(name).isEmpty()) QFont::insertSubstitutions(name, ming);
  }
  for (const char* face : {"黑体", "SimHei", "微软雅黑", "Microsoft YaHei"}) {
    const QString name = QString::fromUtf8(face);
    if (QFont::substitutes(name).isEmpty()) QFont::insertSubstitutions(name, hei);
  }
  for (const char* face : {"MS Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2", "Tahoma"}) {
    const QString name = QString::fromUtf8(face);
    if (QFont::substitutes(name).isEmpty())
      QFont::insertSubstitutions(name, {"DejaVu Sans", "Liberation Sans", "WenQuanYi Zen Hei"});
  }
}

}  // namespace tarvik
