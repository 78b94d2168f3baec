#include "preview/preview_scene.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <limits>

#include "common/error.h"
#include "common/text_util.h"
#include "gdb/element_kinds.h"
#include "preview/hatch.h"

namespace tarvik {
namespace {

// Fonts are measured on an image of this resolution (40 px per mm), fine
// enough that rounding inside the font engine stays far below a pixel of any
// preview.
constexpr double kMeasureDpi = 1016;

double LineWidthOf(int id) {
  switch (id) {
    case kOuterLine:
      return kOuterFrameWidthMm;
    case kCrossLine:
    case kScaleBarLine:
      return kMediumLineWidthMm;
    default:
      return kThinLineWidthMm;
  }
}

QRgb RgbOf(int color) { return qRgb((color >> 16) & 0xff, (color >> 8) & 0xff, color & 0xff); }

// Growing bounds of page points.
struct Bounds {
  double xMin = std::numeric_limits<double>::infinity(), yMin = xMin;
  double xMax = -xMin, yMax = -xMin;
  void add(double x, double y) {
    xMin = std::min(xMin, x);
    xMax = std::max(xMax, x);
    yMin = std::min(yMin, y);
    yMax = std::max(yMax, y);
  }
  bool empty() const { return !(xMin <= xMax); }
};

// The sheet's mean latitude: middle of the latitudes of all stored points.
double MeanLatitude(const std::vector<StoredLine>& lines, const std::vector<StoredPolygon>& polygons,
                    const std::vector<StoredText>& texts) {
  Bounds b;
  for (const auto& l : lines)
    for (const auto& path : l.paths)
      for (const Point2& p : path) b.add(p.x, p.y);
  for (const auto& poly : polygons)
    for (const auto& ring : poly.rings)
      for (const Point2& p : ring) b.add(p.x, p.y);
  if (b.empty())
    for (const auto& t : texts) b.add(t.anchor.x, t.anchor.y);
  return b.empty() ? 0 : (b.yMin + b.yMax) / 2;
}

// The corners of a text's box on the page.
std::vector<QPointF> BoxCorners(const SceneText& t) {
  QTransform m;
  m.translate(t.anchor.x(), t.anchor.y());
  m.rotate(-t.angle);
  const QRectF& r = t.box;
  return {m.map(r.topLeft()), m.map(r.topRight()), m.map(r.bottomRight()), m.map(r.bottomLeft())};
}

}  // namespace

QPointF PreviewScene::toPage(Point2 store) const {
  const Point2 g = projection.toGround(store);
  return {(g.x - originEast) * mmPerMetre, (originNorth - g.y) * mmPerMetre};
}

PreviewTextStyle TextStyleOf(const TextSymbol& symbol) {
  PreviewTextStyle s;
  s.families = PreviewFontFamilies(symbol.fontName);
  s.generic = PreviewGenericFamily(symbol.fontName);
  s.sizePt = symbol.fontSize;
  s.spacingPercent = symbol.characterSpacing;
  s.bold = symbol.bold;
  s.italic = symbol.italic;
  s.underline = symbol.underline;
  s.color = RgbOf(symbol.color);
  return s;
}

SceneText LayOutText(const std::string& text, const TextSymbol& symbol, QPointF anchor) {
  SceneText t;
  t.anchor = anchor;
  t.angle = symbol.angle;
  t.style = TextStyleOf(symbol);
  t.horizontal = symbol.horizontal;

  QImage device(1, 1, QImage::Format_RGB32);
  const int dpm = static_cast<int>(std::lround(kMeasureDpi / 0.0254));
  device.setDotsPerMeterX(dpm);
  device.setDotsPerMeterY(dpm);
  const QFontMetricsF metrics(MakePreviewFont(t.style), &device);
  const double pxPerMm = kMeasureDpi / 25.4;
  const double ascent = metrics.ascent() / pxPerMm, descent = metrics.descent() / pxPerMm;
  const double lineStep = metrics.lineSpacing() / pxPerMm;
  t.style.spacingMm = t.style.spacingPercent / 100 * AverageCharWidth(metrics) / pxPerMm;

  std::vector<std::string> lines = SplitLines(text);
  if (lines.empty()) lines.emplace_back();
  const double n = static_cast<double>(lines.size());
  const double height = (n - 1) * lineStep + ascent + descent;
  double top = 0;
  switch (symbol.vertical) {
    case VerticalAlignment::Top:
      top = 0;
      break;
    case VerticalAlignment::Center:
      top = -height / 2;
      break;
    case VerticalAlignment::Baseline:
      top = -((n - 1) * lineStep + ascent);
      break;
    case VerticalAlignment::Bottom:
      top = -height;
      break;
  }

  double left = 0, right = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SceneTextLine line;
    line.text = QString::fromStdString(lines[i]);
    line.width = LayOutLine(metrics, line.text, t.style.spacingMm * pxPerMm).width / pxPerMm;
    switch (symbol.horizontal) {
      case HorizontalAlignment::Left:
        line.x = 0;
        break;
      case HorizontalAlignment::Center:
        line.x = -line.width / 2;
        break;
      case HorizontalAlignment::Right:
        line.x = -line.width;
        break;
    }
    line.baseline = top + ascent + static_cast<double>(i) * lineStep;
    left = std::min(left, line.x);
    right = std::max(right, line.x + std::max(line.width, 0.0));
    t.lines.push_back(std::move(line));
  }
  t.box = QRectF(QPointF(left, top), QPointF(right, top + height));
  return t;
}

PreviewScene BuildPreviewScene(const OutputReader& reader, const FrameInfo& frame,
                               const PreviewOptions& options) {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    throw RunError("预览需要图形应用对象(QGuiApplication)");
  const auto lines = reader.lines(frame);
  const auto polygons = reader.polygons(frame);
  const auto texts = reader.texts(frame);
  if (lines.empty() && polygons.empty() && texts.empty())
    throw RunError("图廓 " + frame.frame + " 中没有可以预览的要素");

  PreviewScene scene;
  scene.frame = frame.frame;
  // Every frame this program writes carries its scale with its texts; a
  // store without one is drawn at 1:10 000.
  scene.scaleDenominator = frame.referenceScale > 0 ? frame.referenceScale : 10000;
  scene.mmPerMetre = 1000 / scene.scaleDenominator;
  scene.geographic = frame.ref.isGeographic();
  if (scene.geographic) {
    double a = frame.ref.semiMajorAxis(), invF = frame.ref.inverseFlattening();
    if (!(a > 0)) a = 6378137, invF = 298.257223563;
    scene.projection = GroundProjection::Geographic(MeanLatitude(lines, polygons, texts), a, invF);
  }

  // Lay out on a page whose origin is ground (0, 0); shifted at the end.
  const auto page = [&](Point2 p) { return scene.toPage(p); };
  const auto pageRings = [&](const std::vector<std::vector<Point2>>& parts) {
    std::vector<std::vector<QPointF>> out;
    for (const auto& part : parts) {
      std::vector<QPointF> ring;
      ring.reserve(part.size());
      for (const Point2& p : part) ring.push_back(page(p));
      out.push_back(std::move(ring));
    }
    return out;
  };

  // Polygons: masks first (white, so they cover what lies below them in a
  // GIS), then the black bands, then hatching; their strokes go before the
  // frame's lines.
  std::vector<SceneStroke> polygonStrokes;
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& poly : polygons) {
      const bool mask = poly.id == kMaskRing;
      if ((pass == 0) != mask) continue;
      auto rings = pageRings(poly.rings);
      if (mask) {
        scene.fills.push_back({rings, 0xffffffff});
        for (const auto& r : rings) polygonStrokes.push_back({r, kThinLineWidthMm, kMaskOutlineColor, false});
      } else if (poly.id == kOuterBand) {
        scene.fills.push_back({std::move(rings), 0xff000000});
      } else if (poly.id == kTableCentreCell) {
        for (const QLineF& s : HatchSegments(rings, kHatchSpacingMm, kHatchAngleDegrees))
          polygonStrokes.push_back({{s.p1(), s.p2()}, kThinLineWidthMm, 0xff000000, false});
      } else {
        for (const auto& r : rings) polygonStrokes.push_back({r, kThinLineWidthMm, 0xff000000, false});
      }
    }
  }
  scene.strokes = std::move(polygonStrokes);
  for (const auto& line : lines)
    for (const auto& path : line.paths) {
      SceneStroke s;
      s.widthMm = LineWidthOf(line.id);
      for (const Point2& p : path) s.points.push_back(page(p));
      scene.strokes.push_back(std::move(s));
    }
  for (const auto& t : texts) scene.texts.push_back(LayOutText(t.text, t.symbol, page(t.anchor)));

  // The page: every point drawn and every text's box (line widths stay
  // inside the margin), widened by the margin, then moved so that
  // it starts at (0, 0).
  Bounds b;
  for (const auto& f : scene.fills)
    for (const auto& r : f.rings)
      for (const QPointF& p : r) b.add(p.x(), p.y());
  for (const auto& s : scene.strokes)
    for (const QPointF& p : s.points) b.add(p.x(), p.y());
  for (const auto& t : scene.texts) {
    b.add(t.anchor.x(), t.anchor.y());
    for (const QPointF& c : BoxCorners(t)) b.add(c.x(), c.y());
  }
  const double dx = options.marginMm - b.xMin, dy = options.marginMm - b.yMin;
  scene.pageMm = QSizeF(b.xMax - b.xMin + 2 * options.marginMm, b.yMax - b.yMin + 2 * options.marginMm);
  const QPointF shift(dx, dy);
  for (auto& f : scene.fills)
    for (auto& r : f.rings)
      for (QPointF& p : r) p += shift;
  for (auto& s : scene.strokes)
    for (QPointF& p : s.points) p += shift;
  for (auto& t : scene.texts) t.anchor += shift;
  scene.originEast -= dx / scene.mmPerMetre;
  scene.originNorth += dy / scene.mmPerMetre;
  return scene;
}

}  // namespace tarvik
