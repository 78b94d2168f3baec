// Whole frames of typed sheet numbers, written to real output stores and read
// back with GDAL.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "common/recording_feedback.h"
#include "coords/utlbxy.h"
#include "frame/gdb_frame_store.h"
#include "frame/utCreateTkByTfhao.h"
#include "gdb/output_reader.h"
#include "support/gdal_readback.h"
#include "support/test_support.h"

namespace tarvik {
namespace {

using test::ReadLayer;
using test::ReadStore;
using test::XY;

struct SheetRun {
  ReadStore store;
  RecordingFeedback feedback;
  bool ok = false;
};

// Draws one sheet into a fresh output and reads it back with GDAL.
std::unique_ptr<SheetRun> DrawSheet(const test::TempDir& dir, const std::string& file,
                                    const std::string& number, const TFrameSettings& settings) {
  auto run = std::make_unique<SheetRun>();
  const std::string path = dir / file;
  {
    RunValues values;
    TCreateTkByTfhao builder(number, settings, values, OpenGdbFrameStore(path, run->feedback), run->feedback);
    builder.Run();
    builder.CloseOutput();
    run->ok = builder.counts().finished == 1;
  }
  run->store = test::ReadWithGdal(path);
  return run;
}

bool Near(const XY& a, double x, double y, double tol = 1e-4) {
  return std::fabs(a.x - x) <= tol && std::fabs(a.y - y) <= tol;
}

// True when the layer holds a two-point line of `id` between the two points
// (either direction).
bool HasLine(const ReadLayer& layer, int id, double x1, double y1, double x2, double y2, double tol = 1e-4) {
  for (const auto& f : layer.features) {
    if (f.id() != id || f.parts.size() != 1 || f.parts[0].size() != 2) continue;
    const auto& p = f.parts[0];
    if ((Near(p[0], x1, y1, tol) && Near(p[1], x2, y2, tol)) ||
        (Near(p[0], x2, y2, tol) && Near(p[1], x1, y1, tol)))
      return true;
  }
  return false;
}

class SheetFrameIt : public ::testing::TestWithParam<const char*> {
 protected:
  std::string file(const std::string& stem) const { return stem + GetParam(); }
  test::TempDir dir_;
};

TEST_P(SheetFrameIt, DefaultFrameOfE45G095066) {
  const auto run = DrawSheet(dir_, file("E45G095066"), "E45G095066", TFrameSettings{});
  ASSERT_TRUE(run->ok);
  const ReadStore& s = run->store;
  ASSERT_TRUE(s.has("L_E45G095066") && s.has("p_E45G095066") && s.has("a_E45G095066"));
  if (std::string(GetParam()) == ".gdb") {
    ASSERT_TRUE(s.groups.count("yE45G095066"));
    auto members = s.groups.at("yE45G095066");
    std::sort(members.begin(), members.end());
    EXPECT_EQ(members, (std::vector<std::string>{"L_E45G095066", "a_E45G095066", "p_E45G095066"}));
  }
  const ReadLayer& lines = s.layers.at("L_E45G095066");
  EXPECT_EQ(lines.epsg, 2374);  // Xi'an 1980 3-degree, central meridian 87, no prefix
  EXPECT_NE(std::find(lines.fieldNames.begin(), lines.fieldNames.end(), "ID"), lines.fieldNames.end());

  // Inner corners are the conversions of the sheet corners; every side of
  // the outer frame runs parallel to its inner side 80 m (8 mm at 1:10 000)
  // outside it, and the four outer sides meet at their ends.
  CoordParams p;
  const long double south = 16 + 1.0L / 24, north = 16 + 2.0L / 24, west = 88.0625L, east = 88.125L;
  const PlanarXY corner[4] = {LBToXY(p, south, west), LBToXY(p, north, west), LBToXY(p, north, east),
                              LBToXY(p, south, east)};
  const auto XYOf = [](const PlanarXY& c) {
    return XY{static_cast<double>(c.easting), static_cast<double>(c.northing)};
  };
  // Signed distance of q from the line a -> b, positive to its left (outside
  // this clockwise frame).
  const auto outside = [](XY a, XY b, XY q) {
    return ((b.x - a.x) * (q.y - a.y) - (b.y - a.y) * (q.x - a.x)) / std::hypot(b.x - a.x, b.y - a.y);
  };
  std::vector<std::array<XY, 2>> outer;
  for (const auto& f : lines.features)
    if (f.id() == 2 && f.parts.size() == 1 && f.parts[0].size() == 2)
      outer.push_back({f.parts[0][0], f.parts[0][1]});
  ASSERT_EQ(outer.size(), 4u);
  XY outerUpperLeft{};
  for (int i = 0; i < 4; ++i) {
    const int j = (i + 1) % 4;
    const XY a = XYOf(corner[i]), b = XYOf(corner[j]);
    EXPECT_TRUE(HasLine(lines, 1, a.x, a.y, b.x, b.y)) << "inner side " << i;
    int parallel = 0;
    for (const auto& o : outer) {
      if (std::fabs(outside(a, b, o[0]) - 80) < 1e-4 && std::fabs(outside(a, b, o[1]) - 80) < 1e-4) {
        ++parallel;
        if (i == 1) outerUpperLeft = o[0].x < o[1].x ? o[0] : o[1];
      }
    }
    EXPECT_EQ(parallel, 1) << "outer side " << i;
  }
  int meeting = 0;  // outer sides whose start is another side's end
  for (const auto& o : outer)
    for (const auto& q : outer)
      if (&o != &q && (Near(o[0], q[0].x, q[0].y) || Near(o[0], q[1].x, q[1].y))) ++meeting;
  EXPECT_EQ(meeting, 4);
  EXPECT_EQ(lines.countId(2), 4);
  EXPECT_EQ(lines.countId(3), 0);  // no scale bar by default
  EXPECT_EQ(lines.countId(0), 0);

  // Corner labels, the scale text and the titles.
  const auto texts = s.layers.at("a_E45G095066").texts();
  const auto count = [&](const std::string& t) { return std::count(texts.begin(), texts.end(), t); };
  EXPECT_EQ(count("88°"), 4);
  EXPECT_EQ(count("03′45″"), 2);
  EXPECT_EQ(count("07′30″"), 2);
  EXPECT_EQ(count("16°"), 4);
  EXPECT_EQ(count("02′30″"), 2);
  EXPECT_EQ(count("05′00″"), 2);
  EXPECT_EQ(count("比例尺1:10000"), 1);
  // A new user's texts: the number as subtitle, the notes naming the
  // datum the frame is drawn in.
  EXPECT_EQ(count("E45 G 095066"), 1);
  const auto note = std::find_if(texts.begin(), texts.end(), [](const std::string& t) {
    return t.rfind("1980西安坐标系。\r\n1985国家高程基准。", 0) == 0;
  });
  EXPECT_NE(note, texts.end());

  // The adjacent-sheet table: eight lines 130 m x 70 m cells starting 80 m
  // east of the outer upper-left corner, the hatched centre cell, and its
  // lower edge 20 m from the outer top side where it comes nearest.
  const ReadLayer& polygons = s.layers.at("p_E45G095066");
  ASSERT_EQ(polygons.features.size(), 1u);  // no mask for a typed number
  EXPECT_EQ(polygons.features[0].id(), 1);
  double xMin = 1e300, yMin = 1e300;
  for (const auto& q : polygons.features[0].parts[0]) {
    xMin = std::min(xMin, q.x);
    yMin = std::min(yMin, q.y);
  }
  const double e0 = xMin - 130, n0 = yMin - 70;
  EXPECT_NEAR(e0, outerUpperLeft.x + 80, 1e-4);
  for (int i = 0; i <= 3; ++i) {
    EXPECT_TRUE(HasLine(lines, 1, e0, n0 + i * 70, e0 + 390, n0 + i * 70)) << "row line " << i;
    EXPECT_TRUE(HasLine(lines, 1, e0 + i * 130, n0, e0 + i * 130, n0 + 210)) << "column line " << i;
  }
  const XY topLeft = XYOf(corner[1]), topRight = XYOf(corner[2]);
  const double gap =
      std::min(outside(topLeft, topRight, {e0, n0}), outside(topLeft, topRight, {e0 + 390, n0})) - 80;
  EXPECT_NEAR(gap, 20, 1e-4);

  // The annotation class keeps the reference scale of the map.
  OutputReader reader(dir_ / file("E45G095066"));
  ASSERT_EQ(reader.frames().size(), 1u);
  EXPECT_EQ(reader.frames()[0].referenceScale, 10000);
  EXPECT_TRUE(run->feedback.messages.empty());
}

TEST_P(SheetFrameIt, GeographicOutputUsesTheSheetRectangle) {
  TFrameSettings s;
  s.GeodeticOutput = true;
  const auto run = DrawSheet(dir_, file("geo"), "E45G095066", s);
  ASSERT_TRUE(run->ok);
  const ReadLayer& lines = run->store.layers.at("L_E45G095066");
  EXPECT_EQ(lines.epsg, 4610);
  // The inner sides lie exactly on the sheet's meridians and parallels.
  int left = 0, right = 0, top = 0, bottom = 0;
  for (const auto& f : lines.features) {
    if (f.id() != 1 || f.parts[0].size() != 2) continue;
    const XY a = f.parts[0][0], b = f.parts[0][1];
    left += a.x == 88.0625 && b.x == 88.0625;
    right += a.x == 88.125 && b.x == 88.125;
    top += std::fabs(a.y - (16 + 2.0 / 24)) < 1e-9 && std::fabs(b.y - (16 + 2.0 / 24)) < 1e-9;
    bottom += std::fabs(a.y - (16 + 1.0 / 24)) < 1e-9 && std::fabs(b.y - (16 + 1.0 / 24)) < 1e-9;
  }
  EXPECT_GE(left, 1);
  EXPECT_GE(right, 1);
  EXPECT_GE(top, 1);
  EXPECT_GE(bottom, 1);
  // Every line lies near the sheet, in degrees.
  for (const auto& f : lines.features)
    for (const auto& q : f.parts[0]) {
      EXPECT_NEAR(q.x, 88.09, 0.2);
      EXPECT_NEAR(q.y, 16.06, 0.2);
    }
  EXPECT_EQ(lines.countId(2), 4);
}

TEST_P(SheetFrameIt, OldNumberGivesItsOwnScale) {
  TFrameSettings settings;
  settings.centralMeridian = 117;  // what the window suggests for this sheet
  const auto run = DrawSheet(dir_, file("old"), "J-50-5", settings);
  ASSERT_TRUE(run->ok);
  const ReadStore& s = run->store;
  ASSERT_TRUE(s.has("L_J_50_5"));
  const auto texts = s.layers.at("a_J_50_5").texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "比例尺1:100000"), texts.end());
  EXPECT_EQ(s.layers.at("L_J_50_5").epsg, 2384);  // central meridian 117: zone 39
  OutputReader reader(dir_ / file("old"));
  EXPECT_EQ(reader.frames()[0].referenceScale, 100000);
}

TEST_P(SheetFrameIt, ScaleBarAndBeijing1954) {
  TFrameSettings s;
  s.chkscaleBarShow = true;
  s.CoordSysIndex = 1;
  const auto run = DrawSheet(dir_, file("bj"), "E45G095066", s);
  const ReadLayer& lines = run->store.layers.at("L_E45G095066");
  EXPECT_EQ(lines.epsg, 2426);  // Beijing 1954 3-degree, central meridian 87, no prefix
  EXPECT_EQ(lines.countId(3), 20);
  CoordParams p;
  p.datum = Datum::Beijing54;
  const PlanarXY ll = LBToXY(p, 16 + 1.0L / 24, 88.0625L), ul = LBToXY(p, 16 + 2.0L / 24, 88.0625L);
  EXPECT_TRUE(HasLine(lines, 1, static_cast<double>(ul.easting), static_cast<double>(ul.northing),
                      static_cast<double>(ll.easting), static_cast<double>(ll.northing)));
  const auto texts = run->store.layers.at("a_E45G095066").texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "800m"), texts.end());
}

TEST_P(SheetFrameIt, EveryGridType) {
  const struct {
    int grid;
    bool geographic;
    bool expectGridLines;
    bool expectMessage;
  } cases[] = {{0, false, false, false}, {1, false, true, false}, {2, false, true, false},
               {3, false, false, true},  {4, false, false, true}, {3, true, true, false},
               {4, true, true, false}};
  // Frame lines without any grid: 4 inner + 4 outer + 8 table (+ 8 corner marks when planar).
  for (const auto& c : cases) {
    TFrameSettings s;
    s.rgGrid = static_cast<GridType>(c.grid);
    s.GeodeticOutput = c.geographic;
    // At the default intervals (225″ x 150″) a 1:10 000 sheet has no interior
    // meridian or parallel; these give two of each.
    s.seJd = 75.0L / 3600;
    s.sewd = 50.0L / 3600;
    const std::string stem = "grid" + std::to_string(c.grid) + (c.geographic ? "g" : "p");
    const auto run = DrawSheet(dir_, file(stem), "E45G095066", s);
    const ReadLayer& lines = run->store.layers.at("L_E45G095066");
    const int frameLines = 4 + 8 + (c.geographic ? 0 : 8);
    EXPECT_EQ(lines.countId(1) > frameLines, c.expectGridLines) << stem;
    EXPECT_EQ(run->feedback.countOf("经纬网只有是地理坐标（大地坐标才支持)") == 1, c.expectMessage) << stem;
  }
}

INSTANTIATE_TEST_SUITE_P(Stores, SheetFrameIt, ::testing::Values(".gdb", ".gpkg"),
                         [](const auto& info) { return std::string(info.param + 1); });

}  // namespace
}  // namespace tarvik
