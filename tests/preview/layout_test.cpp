// Layout pieces of the preview: hatching, the geographic page projection,
// font stand-ins and text alignment.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <cmath>

#include "preview/ground_projection.h"
#include "preview/hatch.h"
#include "preview/preview_fonts.h"
#include "preview/preview_scene.h"

namespace tarvik {
namespace {

using Rings = std::vector<std::vector<QPointF>>;

// Even-odd point-in-polygon by ray casting, independent of the hatcher.
bool Inside(const Rings& rings, QPointF p) {
  bool in = false;
  for (const auto& r : rings)
    for (std::size_t i = 0, j = r.size() - 1; i < r.size(); j = i++)
      if ((r[i].y() > p.y()) != (r[j].y() > p.y()) &&
          p.x() < (r[j].x() - r[i].x()) * (p.y() - r[i].y()) / (r[j].y() - r[i].y()) + r[i].x())
        in = !in;
  return in;
}

double DistanceToBoundary(const Rings& rings, QPointF p) {
  double best = 1e300;
  for (const auto& r : rings)
    for (std::size_t i = 0; i < r.size(); ++i) {
      const QPointF a = r[i], b = r[(i + 1) % r.size()];
      const QPointF ab = b - a;
      const double len2 = QPointF::dotProduct(ab, ab);
      const double t = len2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / len2, 0.0, 1.0) : 0;
      const QPointF d = p - (a + ab * t);
      best = std::min(best, std::hypot(d.x(), d.y()));
    }
  return best;
}

double Area(const Rings& rings) {  // even-odd: holes given inside outers subtract
  double total = 0;
  for (const auto& r : rings) {
    double a = 0;
    for (std::size_t i = 0; i < r.size(); ++i) {
      const QPointF p = r[i], q = r[(i + 1) % r.size()];
      a += p.x() * q.y() - q.x() * p.y();
    }
    total += std::fabs(a) / 2 * (&r == &rings.front() ? 1 : -1);
  }
  return total;
}

double Perimeter(const Rings& rings) {
  double total = 0;
  for (const auto& r : rings)
    for (std::size_t i = 0; i < r.size(); ++i) total += QLineF(r[i], r[(i + 1) % r.size()]).length();
  return total;
}

TEST(Hatch, SegmentsFillThePolygonAndStayOutOfHoles) {
  const std::vector<QPointF> cell = {{10, 20}, {23, 20}, {23, 27}, {10, 27}, {10, 20}};  // 13 x 7 mm
  const struct {
    const char* name;
    Rings rings;
    double angle;
  } cases[] = {
      {"table cell at -45", {cell}, -45},
      {"open ring", {{{10, 20}, {23, 20}, {23, 27}, {10, 27}}}, -45},
      {"horizontal lines", {cell}, 0},
      {"triangle at 30", {{{0, 0}, {20, 3}, {7, 15}, {0, 0}}}, 30},
      {"frame band (ring with hole)",
       {{{0, 0}, {40, 0}, {40, 30}, {0, 30}, {0, 0}}, {{5, 5}, {35, 5}, {35, 25}, {5, 25}, {5, 5}}},
       -45},
      {"tilted quadrilateral", {{{0, 0}, {13, 0.3}, {12.8, 7.2}, {-0.2, 7}, {0, 0}}}, -45},
  };
  const double spacing = 1.0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto segments = HatchSegments(c.rings, spacing, c.angle);
    ASSERT_FALSE(segments.empty());
    double length = 0;
    const double a = c.angle * M_PI / 180;
    for (const QLineF& s : segments) {
      EXPECT_LT(DistanceToBoundary(c.rings, s.p1()), 1e-9);
      EXPECT_LT(DistanceToBoundary(c.rings, s.p2()), 1e-9);
      // Inside, or along an edge that lies exactly on a hatch line.
      EXPECT_TRUE(Inside(c.rings, s.center()) || DistanceToBoundary(c.rings, s.center()) < 1e-9)
          << s.center().x() << " " << s.center().y();
      // Every line lies a whole number of spacings across its direction.
      const double across = -s.p1().x() * std::sin(a) + s.p1().y() * std::cos(a);
      EXPECT_NEAR(across / spacing, std::round(across / spacing), 1e-9);
      length += s.length();
    }
    // Lines `spacing` apart cover the area once, up to a spacing's width
    // along the boundary.
    EXPECT_NEAR(length * spacing, Area(c.rings), Perimeter(c.rings) * spacing);
  }
  EXPECT_TRUE(HatchSegments({cell}, 0, -45).empty());
  EXPECT_TRUE(HatchSegments({}, 1, -45).empty());
}

TEST(GroundProjection, MetresPerDegreeOfTheEllipsoid) {
  // Lengths of one degree on WGS84 (published tables), metres.
  const struct {
    double latitude, perDegreeLongitude, perDegreeLatitude;
  } cases[] = {{0, 111319.491, 110574.272},
               {15, 107550.4, 110649.2},
               {45, 78846.8, 111131.7},
               {60, 55800.0, 111412.2}};
  for (const auto& c : cases) {
    const auto p = GroundProjection::Geographic(c.latitude, 6378137, 298.257223563);
    EXPECT_NEAR(p.xScale(), c.perDegreeLongitude, 1.5) << c.latitude;
    EXPECT_NEAR(p.yScale(), c.perDegreeLatitude, 1.5) << c.latitude;
  }
  const Point2 g = GroundProjection::Planar().toGround({613682.3857, 1779157.6934});
  EXPECT_EQ(g, (Point2{613682.3857, 1779157.6934}));
}

TEST(PreviewFonts, WindowsFacesFallBackToInstalledFacesOfTheirStyle) {
  const struct {
    const char* face;
    const char* fallback;  // a family that must follow the face
    const char* generic;
  } cases[] = {
      {"宋体", "AR PL UMing CN", "serif"},
      {"SimSun", "AR PL UMing CN", "serif"},
      {"仿宋_GB2312", "AR PL UMing CN", "serif"},
      {"黑体", "WenQuanYi Zen Hei", "sans-serif"},
      {"Microsoft YaHei", "WenQuanYi Zen Hei", "sans-serif"},
  };
  for (const auto& c : cases) {
    const QStringList families = PreviewFontFamilies(c.face);
    ASSERT_GE(families.size(), 2) << c.face;
    EXPECT_EQ(families[0], QString::fromUtf8(c.face));
    EXPECT_TRUE(families.contains(c.fallback)) << c.face;
    EXPECT_EQ(PreviewGenericFamily(c.face), c.generic) << c.face;
  }
  // Latin faces are left to the system's own matching.
  EXPECT_EQ(PreviewFontFamilies("Arial"), QStringList{"Arial"});

  // With the Song face missing, a Chinese face draws 宋体 texts.
  if (QFontDatabase::families().contains("宋体")) GTEST_SKIP() << "宋体 is installed";
  PreviewTextStyle style;
  style.families = PreviewFontFamilies("宋体");
  style.sizePt = 10;
  const QString drawn = QFontInfo(MakePreviewFont(style)).family();
  EXPECT_TRUE(style.families.mid(1).contains(drawn)) << drawn.toStdString();
}

TextSymbol Symbol(HorizontalAlignment h, VerticalAlignment v, double spacing = 0, double size = 10) {
  TextSymbol s;
  s.fontName = "宋体";
  s.fontSize = size;
  s.horizontal = h;
  s.vertical = v;
  s.characterSpacing = spacing;
  return s;
}

TEST(TextLayout, AlignmentPlacesTheBoxAroundTheAnchor) {
  using H = HorizontalAlignment;
  using V = VerticalAlignment;
  const QPointF anchor(50, 80);
  for (const H h : {H::Left, H::Center, H::Right})
    for (const V v : {V::Top, V::Center, V::Baseline, V::Bottom}) {
      SCOPED_TRACE(static_cast<int>(h) * 10 + static_cast<int>(v));
      const SceneText t = LayOutText("比例尺1:10000", Symbol(h, v), anchor);
      EXPECT_EQ(t.anchor, anchor);
      const QRectF& b = t.box;
      ASSERT_GT(b.width(), 10);  // 13 characters of 10 pt
      switch (h) {
        case H::Left:
          EXPECT_DOUBLE_EQ(b.left(), 0);
          break;
        case H::Center:
          EXPECT_NEAR(b.left(), -b.right(), 1e-9);
          break;
        case H::Right:
          EXPECT_NEAR(b.right(), 0, 1e-9);
          break;
      }
      switch (v) {
        case V::Top:
          EXPECT_DOUBLE_EQ(b.top(), 0);
          break;
        case V::Center:
          EXPECT_NEAR(b.top(), -b.bottom(), 1e-9);
          break;
        case V::Baseline:
          EXPECT_NEAR(t.lines[0].baseline, 0, 1e-9);
          break;
        case V::Bottom:
          EXPECT_NEAR(b.bottom(), 0, 1e-9);
          break;
      }
      // A 10 pt line is about 3.5 mm high.
      EXPECT_GT(b.height(), 3.0);
      EXPECT_LT(b.height(), 5.0);
    }
}

TEST(TextLayout, LineBreaksStackLinesDownward) {
  const SceneText t =
      LayOutText("一\r\n二二\r\n三三三", Symbol(HorizontalAlignment::Right, VerticalAlignment::Bottom), {});
  ASSERT_EQ(t.lines.size(), 3u);
  EXPECT_EQ(t.lines[2].text, QString::fromUtf8("三三三"));
  const double step = t.lines[1].baseline - t.lines[0].baseline;
  EXPECT_GT(step, 3.0);
  EXPECT_NEAR(t.lines[2].baseline - t.lines[1].baseline, step, 1e-9);
  for (const auto& line : t.lines) EXPECT_NEAR(line.x + line.width, 0, 1e-9);  // right ends at the anchor
  EXPECT_NEAR(t.lines[1].width, 2 * t.lines[0].width, 1e-6);
  EXPECT_NEAR(t.box.bottom(), 0, 1e-9);
  // A trailing line break adds no line; blanks at a line's end count.
  EXPECT_EQ(LayOutText("甲\r\n", Symbol(HorizontalAlignment::Left, VerticalAlignment::Top), {}).lines.size(),
            1u);
  EXPECT_GT(LayOutText("甲   ", Symbol(HorizontalAlignment::Left, VerticalAlignment::Top), {}).box.width(),
            LayOutText("甲", Symbol(HorizontalAlignment::Left, VerticalAlignment::Top), {}).box.width());
}

TEST(TextLayout, CharacterSpacingIsAPercentageOfTheAverageCharacterWidth) {
  const std::string label = "03′45″";  // six characters, five gaps
  const auto width = [&](double spacing, HorizontalAlignment h = HorizontalAlignment::Left) {
    return LayOutText(label, Symbol(h, VerticalAlignment::Top, spacing, 6), {});
  };
  const SceneText plain = width(0), tight = width(-30), wide = width(30);
  // A Song face's average character ("x") is half the em: -30 takes off
  // 0.15 em = 0.3175 mm at 6 pt between each pair of characters.
  EXPECT_NEAR(tight.style.spacingMm, -0.3 * 0.5 * 6 * 25.4 / 72, 0.02);
  EXPECT_NEAR(wide.style.spacingMm, -tight.style.spacingMm, 1e-12);
  EXPECT_NEAR(tight.lines[0].width, plain.lines[0].width + 5 * tight.style.spacingMm, 1e-6);
  EXPECT_NEAR(wide.lines[0].width, plain.lines[0].width + 5 * wide.style.spacingMm, 1e-6);
  // Right-aligned tightened text still ends at its anchor.
  const SceneText right = width(-30, HorizontalAlignment::Right);
  EXPECT_NEAR(right.box.right(), 0, 1e-9);
  EXPECT_NEAR(right.box.width(), tight.lines[0].width, 1e-9);
}

}  // namespace
}  // namespace tarvik
