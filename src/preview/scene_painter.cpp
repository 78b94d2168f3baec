#include "preview/scene_painter.h"

#include <QPageSize>
#include <QPainterPath>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>

#include "common/error.h"

namespace tarvik {
namespace {

constexpr double kPdfDpi = 1200;

QPainterPath PathOf(const std::vector<std::vector<QPointF>>& rings, double pxPerMm) {
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  for (const auto& ring : rings) {
    if (ring.empty()) continue;
    path.moveTo(ring[0] * pxPerMm);
    for (std::size_t i = 1; i < ring.size(); ++i) path.lineTo(ring[i] * pxPerMm);
    path.closeSubpath();
  }
  return path;
}

}  // namespace

QSize ScenePixelSize(const PreviewScene& scene, double dpi) {
  const auto side = [&](double mm) { return std::max(1.0, std::round(mm * dpi / 25.4)); };
  const double w = side(scene.pageMm.width()), h = side(scene.pageMm.height());
  if (w > kMaxPreviewSide || h > kMaxPreviewSide || w * h > static_cast<double>(kMaxPreviewPixels))
    throw RunError("预览图太大(" + std::to_string(static_cast<long long>(w)) + "×" +
                   std::to_string(static_cast<long long>(h)) + "像素)，请降低分辨率(dpi)");
  return {static_cast<int>(w), static_cast<int>(h)};
}

void PaintScene(QPainter& painter, const PreviewScene& scene, double dpi, double minPenPx) {
  const double pxPerMm = dpi / 25.4;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.fillRect(QRectF(QPointF(0, 0), scene.pageMm * pxPerMm), Qt::white);

  painter.setPen(Qt::NoPen);
  for (const auto& f : scene.fills) {
    painter.setBrush(QColor::fromRgb(f.color));
    painter.drawPath(PathOf(f.rings, pxPerMm));
  }

  painter.setBrush(Qt::NoBrush);
  for (const auto& s : scene.strokes) {
    if (s.points.size() < 2) continue;
    QPen pen(QColor::fromRgb(s.color), std::max(s.widthMm * pxPerMm, minPenPx));
    pen.setCapStyle(s.squareCap ? Qt::SquareCap : Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    QPolygonF line;
    for (const QPointF& p : s.points) line << p * pxPerMm;
    painter.drawPolyline(line);
  }

  for (const auto& t : scene.texts) {
    painter.save();
    painter.translate(t.anchor * pxPerMm);
    painter.rotate(-t.angle);
    const QFont font = MakePreviewFont(t.style);
    painter.setFont(font);
    painter.setPen(QColor::fromRgb(t.style.color));
    // Widths measured on this device, so that centred and right-aligned
    // lines end exactly at their anchors whatever the glyph rounding here.
    const QFontMetricsF metrics(font, painter.device());
    for (const auto& line : t.lines) {
      if (line.text.isEmpty()) continue;
      const SpacedLine laid = LayOutLine(metrics, line.text, t.style.spacingMm * pxPerMm);
      double x = line.x * pxPerMm;
      if (t.horizontal == HorizontalAlignment::Center) x = -laid.width / 2;
      if (t.horizontal == HorizontalAlignment::Right) x = -laid.width;
      for (const auto& run : laid.runs)
        painter.drawText(QPointF(x + run.x, line.baseline * pxPerMm), run.text);
    }
    painter.restore();
  }
  painter.restore();
}

QImage RenderSceneImage(const PreviewScene& scene, int dpi) {
  const QSize size = ScenePixelSize(scene, dpi);
  QImage image(size, QImage::Format_RGB32);
  if (image.isNull()) throw RunError("预览图太大，内存不足，请降低分辨率(dpi)");
  const int dpm = static_cast<int>(std::lround(dpi / 0.0254));
  image.setDotsPerMeterX(dpm);
  image.setDotsPerMeterY(dpm);
  image.fill(Qt::white);
  QPainter painter(&image);
  PaintScene(painter, scene, dpi, 1.0);
  return image;
}

void WriteScenePdf(const PreviewScene& scene, const std::string& path) {
  QPdfWriter writer(QString::fromStdString(path));
  writer.setCreator("Tarvik");
  writer.setTitle(QString::fromStdString(scene.frame));
  writer.setPageSize(QPageSize(scene.pageMm, QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setResolution(static_cast<int>(kPdfDpi));
  QPainter painter;
  if (!painter.begin(&writer)) throw RunError("不能写入预览文件 " + path);
  PaintScene(painter, scene, kPdfDpi, 0);
  if (!painter.end()) throw RunError("不能写入预览文件 " + path);
}

}  // namespace tarvik
