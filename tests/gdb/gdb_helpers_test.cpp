// Geometry, domain, path-kind and symbol helpers of the geodatabase layer
// (no files written).
#include <gtest/gtest.h>

#include <cmath>

#include <algorithm>
#include <random>

#include "common/error.h"
#include "common/font_desc.h"
#include "coords/spatial_reference.h"
#include "gdb/annotation.h"
#include "gdb/envelope_grid.h"
#include "gdb/feature.h"
#include "gdb/frame_domain.h"
#include "gdb/geometry.h"
#include "gdb/output_kind.h"

namespace tarvik {
namespace {

TEST(OutputKind, TheEndingAloneDecides) {
  const struct {
    const char* path;
    OutputKind kind;
  } cases[] = {
      {"/out/frames.gdb", OutputKind::FileGdb},
      {"/out/frames.GDB", OutputKind::FileGdb},
      {"/out/frames.gdb/", OutputKind::FileGdb},
      {"D:\\out\\frames.Gdb", OutputKind::FileGdb},
      {"/out/frames.gpkg", OutputKind::GeoPackage},
      {"/out/frames.GPKG", OutputKind::GeoPackage},
      // A ".gdb" inside the path does not make a file geodatabase.
      {"/data/my.gdb.old/out.gpkg", OutputKind::GeoPackage},
  };
  for (const auto& c : cases) EXPECT_EQ(OutputKindOf(c.path), c.kind) << c.path;
}

TEST(OutputKind, PersonalGeodatabasesAndOtherEndingsAreRefusedClearly) {
  for (const char* path :
       {"/data/my.gdb.old/out.mdb", "D:\\out\\frames.mdb", "/out/frames.shp", "/out/frames"}) {
    try {
      OutputKindOf(path);
      ADD_FAILURE() << path << " accepted";
    } catch (const RunError& e) {
      const std::string msg = e.what();
      EXPECT_NE(msg.find(".gdb"), std::string::npos) << msg;
      EXPECT_NE(msg.find(".gpkg"), std::string::npos) << msg;
      EXPECT_NE(msg.find(".mdb"), std::string::npos) << msg;
      EXPECT_NE(msg.find("个人地理数据库"), std::string::npos) << msg;
    }
  }
}

TEST(FrameDomain, WidensByWholeKilometresAndKeepsTheGridSize) {
  const struct {
    long double scaleFactor;
    double xMin, yMin, xMax, yMax;
    FrameDomain expected;
  } cases[] = {
      // 1:10000: 6 km of margin.
      {1.0L, 38520000, 3375000.4, 38525000, 3380000, {38514000, 3369000, 38531000, 3386000, 17000}},
      // 1:15000 truncates the scale factor: still 6 km.
      {1.5L, 38520000, 3375000, 38525000, 3380000, {38514000, 3369000, 38531000, 3386000, 17000}},
      // 1:500000: 55 km.
      {50.0L, 500000, 3000000, 700000, 3300000, {445000, 2945000, 755000, 3355000, 360000}},
      // A tiny extent at 1:500 still gets 5 km on every side.
      {0.05L, 1000.2, 2000.7, 1000.4, 2000.9, {-3000, -2000, 6000, 7000, 9000}},
      // Trunc cuts toward zero on negative values.
      {1.0L, -1500, -2500, -1000, -2000, {-7000, -8000, 5000, 4000, 12000}},
  };
  for (const auto& c : cases) {
    const FrameDomain d = ComputeFrameDomain(c.scaleFactor, c.xMin, c.yMin, c.xMax, c.yMax);
    EXPECT_EQ(d.xMin, c.expected.xMin);
    EXPECT_EQ(d.yMin, c.expected.yMin);
    EXPECT_EQ(d.xMax, c.expected.xMax);
    EXPECT_EQ(d.yMax, c.expected.yMax);
    EXPECT_EQ(d.gridSize, c.expected.gridSize);
    EXPECT_GE(d.gridSize, 1000);
  }
}

TEST(FrameDomain, SetsTheReferenceDomain) {
  SpatialReference ref = SpatialReference::FromEpsg(2364);
  ASSERT_FALSE(ref.empty());
  const FrameDomain d = SetFrameDomain(ref, 1.0L, 38520000, 3375000.4, 38525000, 3380000);
  EXPECT_TRUE(ref.domain().set);
  EXPECT_EQ(ref.domain().xMin, 38514000);
  EXPECT_EQ(ref.domain().xMax, 38531000);
  EXPECT_EQ(ref.domain().yMin, 3369000);
  EXPECT_EQ(ref.domain().yMax, 3386000);
  EXPECT_EQ(d.gridSize, 17000);
}

TEST(Geometry, PrepareTurnsRingsIntoPolygonsAndRepairsBowTies) {
  const Geometry ring = Geometry::Ring({{0, 0}, {0, 10}, {10, 10}, {10, 0}});
  const Geometry fromRing = PrepareGeometry(ring);
  EXPECT_EQ(fromRing.type(), GeometryType::Polygon);
  EXPECT_DOUBLE_EQ(fromRing.area(), 100);

  // A bow-tie (self-intersecting) becomes its two triangles.
  const Geometry bowTie = Geometry::Polygon({{{0, 0}, {10, 10}, {10, 0}, {0, 10}}});
  const Geometry fixed = PrepareGeometry(bowTie);
  EXPECT_EQ(fixed.type(), GeometryType::MultiPolygon);
  EXPECT_DOUBLE_EQ(fixed.area(), 50);
  EXPECT_EQ(PartCount(fixed), 2);

  EXPECT_TRUE(PrepareGeometry(Geometry()).isNull());
  const Geometry empty = Geometry::Polygon({});
  EXPECT_TRUE(PrepareGeometry(empty).isEmpty());
  EXPECT_EQ(PrepareGeometry(empty).type(), GeometryType::Polygon);
  const Geometry point = MakePoint(3, 4);
  EXPECT_TRUE(PrepareGeometry(point).equals(point));
}

TEST(Geometry, MaskIsTheEnlargedEnvelopeMinusTheSheet) {
  const Envelope sheet{38520000, 3375000, 38525000, 3380000};
  const Geometry mask = GeometryDifference(ExpandedEnvelopePolygon(sheet, 100), EnvelopePolygon(sheet));
  EXPECT_EQ(mask.type(), GeometryType::Polygon);
  EXPECT_EQ(PartCount(mask), 2);  // outer ring and the hole
  EXPECT_NEAR(mask.area(), 5200.0 * 5200.0 - 5000.0 * 5000.0, 1e-3);
  const Envelope e = mask.envelope();
  EXPECT_EQ(e, (Envelope{38519900, 3374900, 38525100, 3380100}));
}

TEST(Geometry, EnvelopePolygonRunsClockwiseFromTheLowerLeftCorner) {
  const Geometry p = EnvelopePolygon({1, 2, 5, 7});
  ASSERT_EQ(p.pointCount(), 5u);
  EXPECT_EQ(p.point(0), (Point2{1, 2}));
  EXPECT_EQ(p.point(1), (Point2{1, 7}));
  EXPECT_EQ(p.point(2), (Point2{5, 7}));
  EXPECT_EQ(p.point(3), (Point2{5, 2}));
  EXPECT_EQ(p.point(4), (Point2{1, 2}));
}

TEST(Geometry, PartCountFollowsTheGeodatabaseCount) {
  EXPECT_EQ(PartCount(Geometry()), 0);
  EXPECT_EQ(PartCount(MakePoint(1, 1)), 1);
  EXPECT_EQ(PartCount(MakeLine(0, 0, 1, 1)), 1);
  EXPECT_EQ(PartCount(EnvelopePolygon({0, 0, 1, 1})), 1);
  EXPECT_EQ(
      PartCount(Geometry::Polygon({{{0, 0}, {0, 9}, {9, 9}, {9, 0}}, {{1, 1}, {2, 1}, {2, 2}, {1, 2}}})), 2);
}

TEST(Geometry, CopiesAreIndependent) {
  Geometry a = MakeLine(0, 0, 1, 1);
  Geometry b = a;
  b = MakeLine(5, 5, 6, 6);
  EXPECT_EQ(a.point(1), (Point2{1, 1}));
  EXPECT_EQ(b.point(1), (Point2{6, 6}));
}

TEST(EnvelopeGrid, FindsExactlyWhatABruteForceScanFinds) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> pos(0, 1000), size(0, 40);
  std::vector<Envelope> items;
  for (int i = 0; i < 2000; ++i) {
    const double x = pos(rng), y = pos(rng);
    items.push_back({x, y, x + size(rng), y + size(rng)});
  }
  items.push_back({5, 5, 5, 5});         // a point
  items.push_back({0, 500, 1040, 500});  // a flat, wide one
  // A damaged shape's envelope meets nothing; a huge one, everything.
  const double nan = std::nan("");
  items.push_back({nan, 3, nan, 4});
  items.push_back({-1e308, -1e308, 1e308, 1e308});
  const EnvelopeGrid grid(items);
  EXPECT_TRUE(grid.candidates({nan, nan, nan, nan}).empty());
  for (int q = 0; q < 500; ++q) {
    const double x = pos(rng) * 1.1 - 50, y = pos(rng) * 1.1 - 50;
    const Envelope query = q % 2 ? Envelope{x, y, x, y} : Envelope{x, y, x + size(rng), y + size(rng)};
    std::vector<std::size_t> expected;
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i].intersects(query)) expected.push_back(i);
    ASSERT_EQ(grid.candidates(query), expected) << q;
  }
  EXPECT_GT(grid.columns(), 1);
  EXPECT_TRUE(EnvelopeGrid().candidates({0, 0, 1, 1}).empty());
}

TEST(TextSymbol, TakesTheFontAndTheCallersTextState) {
  FontDesc font = FontDesc::FromPixels("黑体", 67);  // 50 pt
  font.weight = 700;
  font.italic = true;
  font.color = 0x00336699;  // COLORREF: blue 0x33, green 0x66, red 0x99
  const TextAlignment align{HorizontalAlignment::Right, VerticalAlignment::Top};
  const TextSymbol s = MakeTextSymbol(font, -30, 0, -1, align);
  EXPECT_EQ(s.fontName, "黑体");
  EXPECT_EQ(s.fontSize, 50);
  EXPECT_EQ(s.color, 0x996633);
  EXPECT_TRUE(s.bold);
  EXPECT_TRUE(s.italic);
  EXPECT_FALSE(s.underline);
  EXPECT_EQ(s.characterSpacing, -30);
  EXPECT_EQ(s.horizontal, HorizontalAlignment::Right);
  EXPECT_EQ(s.vertical, VerticalAlignment::Top);
  EXPECT_EQ(MakeTextSymbol(font, 0, 0, 12, align).fontSize, 12);

  font.color = -16;  // a system colour
  EXPECT_EQ(MakeTextSymbol(font, 0, 0, -1, {}).color, 0);
  const TextSymbol defaults = MakeTextSymbol(FontDesc{}, 0, 0, -1, {});
  EXPECT_EQ(defaults.horizontal, HorizontalAlignment::Left);
  EXPECT_EQ(defaults.vertical, VerticalAlignment::Bottom);
  EXPECT_EQ(defaults.fontSize, 10);
  EXPECT_EQ(static_cast<int>(VerticalAlignment::Bottom), 3);
}

TEST(FieldValueText, MissingFieldsAndNullsAreEmpty) {
  auto names = std::make_shared<const std::vector<std::string>>(
      std::vector<std::string>{"NAME", "CODE", "AREA", "NOTE"});
  const Feature f(12, Geometry(), names, {std::string("北京"), std::int64_t{110000}, 1.5, std::monostate{}});
  EXPECT_EQ(FieldValueText(f, "NAME"), "北京");
  EXPECT_EQ(FieldValueText(f, "name"), "北京");
  EXPECT_EQ(FieldValueText(f, "CODE"), "110000");
  EXPECT_EQ(FieldValueText(f, "AREA"), "1.5");
  EXPECT_EQ(FieldValueText(f, "NOTE"), "");
  EXPECT_EQ(FieldValueText(f, "MISSING"), "");
  EXPECT_EQ(FieldValueText(f, "FID"), "12");
}

}  // namespace
}  // namespace tarvik
