#include "app/input_map.h"

#include <cmath>

#include <QGraphicsSimpleTextItem>
#include <QPainterPath>
#include <QPen>
#include <QResizeEvent>

namespace tarvik {
namespace {

// Labels only where a few shapes share the view.
constexpr std::size_t kMaxLabels = 300;

}  // namespace

InputMapView::InputMapView(QWidget* parent) : QGraphicsView(parent) {
  setObjectName("InputMap");
  setScene(&scene_);
  setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
  setDragMode(QGraphicsView::ScrollHandDrag);
  setBackgroundBrush(QColor(248, 248, 244));
  setMinimumHeight(100);
}

void InputMapView::showText(const QString& text) {
  scene_.clear();
  labels_.clear();
  shapes_ = 0;
  auto* item = scene_.addSimpleText(text);
  item->setBrush(QColor(120, 120, 120));
  scene_.setSceneRect(item->boundingRect());
  fitting_ = false;
  resetTransform();  // a message at its own size, centred
}

void InputMapView::showShapes(const MapShapes& m) {
  if (!m.problem.empty()) {
    showText(QString::fromStdString(m.problem));
    return;
  }
  if (m.shapes.empty()) {
    showText(QString::fromUtf8("没有选中的要素"));
    return;
  }
  scene_.clear();
  labels_.clear();
  shapes_ = 0;
  double latSum = 0;
  int latCount = 0;
  for (const auto& s : m.shapes)
    for (const auto& r : s.rings)
      for (const Point2& p : r) latSum += p.y, ++latCount;
  const double squeeze =
      m.geographic && latCount ? std::cos(latSum / latCount * 3.14159265358979323846 / 180) : 1.0;
  const auto at = [&](const Point2& p) { return QPointF(p.x * squeeze, -p.y); };
  QRectF all;
  for (const auto& s : m.shapes) {
    QPainterPath path;
    for (const auto& ring : s.rings) {
      if (ring.empty()) continue;
      path.moveTo(at(ring[0]));
      for (std::size_t i = 1; i < ring.size(); ++i) path.lineTo(at(ring[i]));
      path.closeSubpath();
    }
    QPen pen(s.main ? QColor(40, 60, 140) : QColor(150, 150, 150));
    pen.setCosmetic(true);
    pen.setWidth(s.main ? 2 : 1);
    scene_.addPath(path, pen, s.main ? QBrush(QColor(40, 60, 140, 30)) : QBrush(Qt::NoBrush));
    all = all.united(path.boundingRect());
    ++shapes_;
  }
  if (m.shapes.size() <= kMaxLabels) {
    for (const auto& s : m.shapes) {
      if (s.label.empty() || s.rings.empty()) continue;
      QPolygonF ring;
      for (const Point2& p : s.rings.front()) ring << at(p);
      const QRectF box = ring.boundingRect();
      auto* label = scene_.addSimpleText(QString::fromStdString(s.label));
      label->setFlag(QGraphicsItem::ItemIgnoresTransformations);
      label->setBrush(s.main ? QColor(20, 20, 20) : QColor(130, 130, 130));
      label->setPos(box.center());
      label->setTransform(
          QTransform::fromTranslate(-label->boundingRect().width() / 2, -label->boundingRect().height() / 2));
      labels_.emplace_back(label, box.width());
    }
  }
  const double margin = std::max(all.width(), all.height()) * 0.05;
  scene_.setSceneRect(all.adjusted(-margin, -margin, margin, margin));
  fitting_ = true;
  fitInView(scene_.sceneRect(), Qt::KeepAspectRatio);
  FitLabels();
}

void InputMapView::FitLabels() {
  const double zoom = transform().m11();
  for (const auto& [label, width] : labels_) label->setVisible(label->boundingRect().width() <= width * zoom);
}

int InputMapView::shownLabels() const {
  int shown = 0;
  for (const auto& label : labels_) shown += label.first->isVisible();
  return shown;
}

void InputMapView::resizeEvent(QResizeEvent* event) {
  QGraphicsView::resizeEvent(event);
  if (fitting_) fitInView(scene_.sceneRect(), Qt::KeepAspectRatio);
  FitLabels();
}

}  // namespace tarvik
