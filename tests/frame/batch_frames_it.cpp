// Runs over input files, written to real output stores and read back with
// GDAL: sheet indexes (where clause, name templates, neighbour names, sheets
// that are not index sheets, abort) and polygon files (outer band, repeated
// names, refused inputs).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "common/error.h"
#include "common/recording_feedback.h"
#include "coords/utBJ54Xian80.h"
#include "frame/gdb_frame_store.h"
#include "frame/index_sheets.h"
#include "frame/input_facts.h"
#include "frame/run_checks.h"
#include "frame/utcreatetk.h"
#include "frame/utstandardMap.h"
#include "gdb/class_queries.h"
#include "gdb/feature_class.h"
#include "gdb/output_reader.h"
#include "gdb/sheet_index_writer.h"
#include "gdb/workspace.h"
#include "sheets/sheet_index.h"
#include "support/gdal_readback.h"
#include "support/test_shapefile.h"
#include "support/test_support.h"

namespace tarvik {
namespace {

using test::ReadLayer;
using test::ReadStore;
using test::TestFeature;
using test::XY;

// Sheets E45G0<row><col> for the rows and columns given (1:10 000).
std::vector<std::string> Sheets(std::initializer_list<int> rows, std::initializer_list<int> cols) {
  std::vector<std::string> out;
  for (int r : rows)
    for (int c : cols) out.push_back("E45G" + Pad3(r) + Pad3(c));
  return out;
}

// An index as make-index writes it: planar (Xi'an 1980, CM 87) or geographic.
void WriteIndex(const std::string& path, const std::vector<std::string>& numbers, bool geographic = false) {
  SilentFeedback quiet;
  const SpatialReference ref = geographic ? MakeGeographicReference(Datum::Xian80, quiet)
                                          : MakeProjectedReference(CoordParams{}, quiet);
  WriteSheetIndex(path, ref, "TFH", SheetIndexPolygons(numbers, CoordParams{}, geographic), false);
}

// The corner ring of a sheet (store coordinates, Xi'an 1980 CM 87).
std::vector<XY> SheetRing(const std::string& number) {
  SilentFeedback quiet;
  const auto c = SheetCorners(*DecodeMapNo(number, quiet), CoordParams{}, false);
  return {{c[0].x, c[0].y}, {c[1].x, c[1].y}, {c[2].x, c[2].y}, {c[3].x, c[3].y}};
}

struct IndexRun {
  std::string where, field = "TFH", nameTemplate = "[TFH]";
  TFrameSettings settings;
};

std::unique_ptr<TstandardMap> IndexBuilder(const std::string& index, const std::string& out,
                                           const IndexRun& r, UserFeedback& feedback) {
  auto b = std::make_unique<TstandardMap>(r.settings, RunValues{}, OpenGdbFrameStore(out, feedback), feedback,
                                          index);
  b->FWhereClause = r.where;
  b->FNameField = r.field;
  b->FNameTemplate = r.nameTemplate;
  return b;
}

class BatchFrames : public ::testing::TestWithParam<const char*> {
 protected:
  std::string out(const std::string& stem) const { return dir_ / (stem + GetParam()); }
  test::TempDir dir_;
  RecordingFeedback feedback_;
};

TEST_P(BatchFrames, SelectedSheetsWithTheirNeighboursNames) {
  const std::string index = dir_ / "sheets.shp";
  WriteIndex(index, Sheets({94, 95, 96}, {65, 66, 67}));
  IndexRun r;
  r.where = "TFH LIKE 'E45G095%'";
  r.settings.edtField = "TFH";
  auto b = IndexBuilder(index, out("a"), r, feedback_);
  b->Run();
  b->CloseOutput();
  EXPECT_FALSE(b->aborted());
  EXPECT_EQ(b->counts().frames, 3);

  // Progress as the window's progress display is driven.
  EXPECT_EQ(feedback_.progressStarts, 1);
  EXPECT_EQ(feedback_.progressTotal, 3);
  EXPECT_EQ(feedback_.progressCaption, "正在生成图廓");
  EXPECT_TRUE(feedback_.progressCancellable);
  EXPECT_EQ(feedback_.progressSteps, 3);
  EXPECT_FALSE(feedback_.progressOpen);

  const ReadStore s = test::ReadWithGdal(out("a"));
  for (const char* name : {"E45G095065", "E45G095066", "E45G095067"})
    EXPECT_TRUE(s.has(std::string("L_") + name) && s.has(std::string("a_") + name)) << name;
  EXPECT_FALSE(s.has("L_E45G094066"));
  const ReadLayer& lines = s.layers.at("L_E45G095066");
  EXPECT_EQ(lines.epsg, 2374);
  // The inner frame runs through the index polygon's corners.
  const auto ring = SheetRing("E45G095066");
  for (int i = 0; i < 4; ++i) {
    const XY a = ring[static_cast<std::size_t>(i)], c = ring[static_cast<std::size_t>((i + 1) % 4)];
    const bool found =
        std::any_of(lines.features.begin(), lines.features.end(), [&](const test::ReadFeature& f) {
          const auto& p = f.parts.at(0);
          // The File Geodatabase keeps coordinates to 0.0001 m.
          const auto near = [](XY u, XY v) {
            return std::fabs(u.x - v.x) < 1e-4 && std::fabs(u.y - v.y) < 1e-4;
          };
          return f.id() == 1 && p.size() == 2 && near(p[0], c) && near(p[1], a);
        });
    EXPECT_TRUE(found) << "inner side " << i;
  }
  EXPECT_EQ(lines.countId(2), 4);
  const ReadLayer& polygons = s.layers.at("p_E45G095066");
  EXPECT_EQ(polygons.countId(1), 1);    // table centre cell
  EXPECT_EQ(polygons.countId(100), 1);  // mask ring
  // All eight neighbours are named, each split in two lines.
  const auto texts = s.layers.at("a_E45G095066").texts();
  const auto count = [&](const std::string& t) { return std::count(texts.begin(), texts.end(), t); };
  EXPECT_EQ(count("E45G0"), 8);
  for (const char* tail : {"94065", "94066", "94067", "95065", "95067", "96065", "96066", "96067"})
    EXPECT_EQ(count(tail), 1) << tail;
  // A sheet at the edge of the index: the neighbours the index lacks get
  // their numbers all the same.
  const auto edge = s.layers.at("a_E45G095065").texts();
  EXPECT_EQ(std::count(edge.begin(), edge.end(), "E45G0"), 8);
  for (const char* tail : {"94064", "95064", "96064"})
    EXPECT_EQ(std::count(edge.begin(), edge.end(), tail), 1) << tail;
}

TEST_P(BatchFrames, AbortStopsAfterTheSheetBeingDrawn) {
  const std::string index = dir_ / "five.shp";
  WriteIndex(index, Sheets({95}, {61, 62, 63, 64, 65}));
  feedback_.abortDuringStep = 2;
  auto b = IndexBuilder(index, out("stop"), IndexRun{}, feedback_);
  b->Run();
  b->CloseOutput();
  EXPECT_TRUE(b->aborted());
  EXPECT_EQ(b->counts().finished, 3);
  EXPECT_FALSE(feedback_.progressOpen);
  const ReadStore s = test::ReadWithGdal(out("stop"));
  for (const char* name : {"E45G095061", "E45G095062", "E45G095063"}) {
    ASSERT_TRUE(s.has(std::string("L_") + name)) << name;
    EXPECT_GT(s.layers.at(std::string("L_") + name).features.size(), 20u) << name;
    EXPECT_GT(s.layers.at(std::string("a_") + name).features.size(), 10u) << name;
  }
  EXPECT_FALSE(s.has("L_E45G095064"));
  EXPECT_FALSE(s.has("L_E45G095065"));
}

// Shapes that cannot be framed are skipped by name before their classes are
// made; the neighbour lookups of the other sheets pass over them.
TEST_P(BatchFrames, SheetsThatAreNotIndexSheetsAreSkippedByName) {
  const std::string index = dir_ / "odd.shp";
  auto six = SheetRing("E45G095066");
  six.insert(six.begin() + 2, {(six[1].x + six[2].x) / 2, six[1].y + 50});
  auto broken = SheetRing("E45G095068");
  broken[0].x = 612345.5;  // made NaN below, as a damaged file holds it
  // Four corners that are no sheet: a triangle (closed, four vertices) and
  // a sheet turned by a few degrees about its centre.
  auto triangle = SheetRing("E45G095070");
  triangle.pop_back();
  auto turned = SheetRing("E45G095071");
  const XY c{(turned[0].x + turned[2].x) / 2, (turned[0].y + turned[2].y) / 2};
  for (XY& p : turned)
    p = {c.x + (p.x - c.x) * 0.998 - (p.y - c.y) * 0.06, c.y + (p.x - c.x) * 0.06 + (p.y - c.y) * 0.998};
  const std::vector<TestFeature> features = {
      {{{"TFH", "E45G095065"}}, {SheetRing("E45G095065")}},
      {{{"TFH", "TWO"}}, {SheetRing("E45G095067"), SheetRing("E45G095068")}},
      {{{"TFH", "SIX"}}, {six}},
      {{{"TFH", "NAN"}}, {broken}},
      {{{"TFH", "NONE"}}, {}},
      {{{"TFH", "E45G095069"}}, {SheetRing("E45G095069")}},
      {{{"TFH", "TRI"}}, {triangle}},
      {{{"TFH", "TURNED"}}, {turned}},
  };
  test::WriteTestShapefile(index, 2374, {"TFH"}, features);
  test::PoisonShapefileCoordinate(index, 612345.5);
  IndexRun r;
  r.settings.edtField = "TFH";
  auto b = IndexBuilder(index, out("odd"), r, feedback_);
  b->Run();
  b->CloseOutput();
  EXPECT_EQ(b->counts().skipped, 6);
  EXPECT_EQ(b->counts().finished, 2);
  for (const char* name : {"FID=1, TFH=TWO", "FID=2, TFH=SIX", "FID=3, TFH=NAN", "FID=4, TFH=NONE",
                           "FID=6, TFH=TRI", "FID=7, TFH=TURNED"}) {
    const auto told = std::count_if(
        feedback_.messages.begin(), feedback_.messages.end(),
        [&](const std::string& m) { return m.rfind(std::string("跳过要素(") + name + ")：", 0) == 0; });
    EXPECT_EQ(told, 1) << name;
  }
  const ReadStore s = test::ReadWithGdal(out("odd"));
  for (const char* name : {"TWO", "SIX", "NAN", "NONE", "TRI", "TURNED"})
    EXPECT_FALSE(s.has("L_" + std::string(name))) << name;
  EXPECT_GT(s.layers.at("L_E45G095069").features.size(), 20u);
}

TEST_P(BatchFrames, NamesAndTextsFromTheFeaturesFields) {
  const std::string index = dir_ / "named.shp";
  test::WriteTestShapefile(index, 2374, {"TFH", "NAME"},
                           {{{{"TFH", "E45G095065"}, {"NAME", "城关镇"}}, {SheetRing("E45G095065")}},
                            {{{"TFH", "E45G095066"}, {"NAME", "河西乡"}}, {SheetRing("E45G095066")}}});
  IndexRun r;
  r.field = "NAME";
  r.nameTemplate = "[NAME]图";
  r.settings.edtmian = "[NAME]";         // the main title from the feature
  r.settings.edtmian1 = "[NOPE]副标题";  // a field the file does not have: empty
  auto b = IndexBuilder(index, out("named"), r, feedback_);
  b->Run();
  b->CloseOutput();
  const ReadStore s = test::ReadWithGdal(out("named"));
  ASSERT_TRUE(s.has("a_城关镇图"));
  ASSERT_TRUE(s.has("L_河西乡图"));
  const auto texts = s.layers.at("a_城关镇图").texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "城  关  镇"), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "副标题"), texts.end());
}

TEST_P(BatchFrames, PolygonFramesWithTheOuterBand) {
  const std::string area = dir_ / "area.shp";
  test::WriteTestShapefile(area, 2374, {"NAME"},
                           {{{{"NAME", "甲"}}, {test::Rectangle(613000, 1774000, 617500, 1778200)}},
                            {{{"NAME", "乙"}}, {test::Rectangle(620000, 1774000, 621000, 1775000)}},
                            {{{"NAME", "丙"}}, {test::Rectangle(630000, 1774000, 631000, 1775000)}}});
  TFrameSettings settings;
  settings.seoutw = 10;
  Tcreatetk b(settings, RunValues{}, OpenGdbFrameStore(out("area"), feedback_), feedback_, area);
  b.FWhereClause = "NAME <> '丙'";
  b.FNameField = "NAME";
  b.FNameTemplate = "区[NAME]";
  b.Run();
  b.CloseOutput();
  const ReadStore s = test::ReadWithGdal(out("area"));
  ASSERT_TRUE(s.has("L_区甲") && s.has("L_区乙"));
  EXPECT_FALSE(s.has("L_区丙"));
  EXPECT_EQ(s.layers.at("L_区甲").epsg, 2374);
  EXPECT_EQ(s.layers.at("L_区甲").countId(2), 0);
  const ReadLayer& band = s.layers.at("p_区甲");
  ASSERT_EQ(band.features.size(), 1u);
  EXPECT_EQ(band.features[0].id(), 10);
  EXPECT_EQ(band.features[0].parts.size(), 2u);  // a ring with its hole
}

TEST_P(BatchFrames, ARepeatedNameEndsTheRunAndKeepsWhatWasWritten) {
  const std::string area = dir_ / "twice.shp";
  test::WriteTestShapefile(area, 2374, {"NAME"},
                           {{{{"NAME", "A"}}, {test::Rectangle(613000, 1774000, 614000, 1775000)}},
                            {{{"NAME", "A"}}, {test::Rectangle(620000, 1774000, 621000, 1775000)}}});
  Tcreatetk b(TFrameSettings{}, RunValues{}, OpenGdbFrameStore(out("twice"), feedback_), feedback_, area);
  b.FNameField = "NAME";
  b.FNameTemplate = "[NAME]";
  try {
    b.Run();
    ADD_FAILURE() << "a second frame of the same name was made";
  } catch (const RunError& e) {
    EXPECT_STREQ(e.what(), "创立目录A失败");
  }
  EXPECT_FALSE(feedback_.progressOpen);
  EXPECT_EQ(b.counts().finished, 1);
  b.CloseOutput();
  const ReadStore s = test::ReadWithGdal(out("twice"));
  ASSERT_TRUE(s.has("L_A"));
  EXPECT_GT(s.layers.at("L_A").features.size(), 10u);
  EXPECT_GT(s.layers.at("a_A").features.size(), 10u);
}

TEST_P(BatchFrames, AFrameThatFailsMidwayIsUndoneAndNotCounted) {
  // The store already holds a class p_Q (in another dataset): frame Q gets its
  // dataset and line class, then cannot make its polygon class.
  {
    OutputWorkspace ws = CreateOutputWorkspace(out("mid"));
    const auto other = CreateFrameDataset(ws, "yZ", SpatialReference::FromEpsg(2374));
    ASSERT_TRUE(other);
    CreateFrameClass(*other, "p_Q", FrameClassKind::Polygon);
  }
  const std::string area = dir_ / "pq.shp";
  test::WriteTestShapefile(area, 2374, {"NAME"},
                           {{{{"NAME", "P"}}, {test::Rectangle(613000, 1774000, 614000, 1775000)}},
                            {{{"NAME", "Q"}}, {test::Rectangle(620000, 1774000, 621000, 1775000)}}});
  Tcreatetk b(TFrameSettings{}, RunValues{}, OpenGdbFrameStore(out("mid"), feedback_), feedback_, area);
  b.FNameField = "NAME";
  b.FNameTemplate = "[NAME]";
  int reported = 0;
  b.FOnFrameDone = [&](int, int, const std::string&) { ++reported; };
  EXPECT_THROW(b.Run(), RunError);
  b.CloseOutput();
  EXPECT_EQ(b.counts().finished, 1);
  EXPECT_EQ(reported, 1);
  const ReadStore s = test::ReadWithGdal(out("mid"));
  ASSERT_TRUE(s.has("L_P"));
  EXPECT_EQ(b.counts().lines, static_cast<int>(s.layers.at("L_P").features.size()));
  EXPECT_FALSE(s.has("L_Q"));
  std::vector<std::string> listed;
  const OutputReader reader(out("mid"));
  for (const auto& f : reader.frames()) listed.push_back(f.frame);
  EXPECT_EQ(listed, (std::vector<std::string>{"Z", "P"}));
}

TEST_P(BatchFrames, GeographicIndexGivesGeographicFrames) {
  const std::string index = dir_ / "geo.shp";
  WriteIndex(index, Sheets({95}, {66}), true);
  IndexRun r;
  r.settings.GeodeticOutput = true;
  auto b = IndexBuilder(index, out("geo"), r, feedback_);
  b->Run();
  b->CloseOutput();
  const ReadStore s = test::ReadWithGdal(out("geo"));
  ASSERT_TRUE(s.has("L_E45G095066"));
  EXPECT_EQ(s.layers.at("L_E45G095066").epsg, 4610);
  const auto texts = s.layers.at("a_E45G095066").texts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "88°"), 4);
}

INSTANTIATE_TEST_SUITE_P(Stores, BatchFrames, ::testing::Values(".gdb", ".gpkg"));

// Inputs refused before anything is counted, each with its message; no
// frame is made.
TEST(BatchInputs, RefusedWithTheirMessages) {
  test::TempDir dir;
  RecordingFeedback feedback;
  WriteIndex(dir / "index.shp", Sheets({95}, {66}));
  WriteIndex(dir / "geo.shp", Sheets({95}, {66}), true);
  test::WriteTestShapefile(dir / "noprj.shp", 0, {"NAME"},
                           {{{{"NAME", "A"}}, {test::Rectangle(0, 0, 1, 1)}}});
  test::WriteTestShapefile(dir / "lines.shp", 2374, {"NAME"},
                           {{{{"NAME", "A"}}, {{{613000, 1774000}, {614000, 1775000}}}}},
                           test::TestShape::Line);
  test::WriteFile(dir / "junk.shp", "not a shapefile");
  const auto index = [&](const std::string& in, bool geographic) {
    TFrameSettings s;
    s.GeodeticOutput = geographic;
    TstandardMap b(s, RunValues{}, OpenGdbFrameStore(dir / "i.gpkg", feedback), feedback, in);
    b.FNameField = "TFH";
    b.FNameTemplate = "[TFH]";
    b.Run();
  };
  const auto area = [&](const std::string& in) {
    Tcreatetk b(TFrameSettings{}, RunValues{}, OpenGdbFrameStore(dir / "a.gpkg", feedback), feedback, in);
    b.FNameField = "NAME";
    b.FNameTemplate = "[NAME]";
    b.Run();
  };
  const struct {
    std::function<void()> run;
    std::string message;
  } cases[] = {
      {[&] { index(dir / "missing.shp", false); }, "文件" + dir / "missing.shp" + "不存在"},
      {[&] { index(dir / "junk.shp", false); },
       "不能打开" + dir / "junk.shp" + "，它不是可以读取的shapefile"},
      {[&] { index(dir / "noprj.shp", false); }, dir / "noprj.shp" + "必须设置坐标系统"},
      {[&] { index(dir / "lines.shp", false); }, dir / "lines.shp" + "不是面(多边形)图层，不能生成图廓"},
      {[&] { index(dir / "geo.shp", false); },
       dir / "geo.shp" + "是经纬度坐标，必须选择大地(经纬度)坐标输出"},
      {[&] { index(dir / "index.shp", true); },
       dir / "index.shp" + "是平面坐标，不能选择大地(经纬度)坐标输出"},
      {[&] { area(dir / "missing.shp"); }, "不能打开" + dir / "missing.shp" + "，它不是可以读取的shapefile"},
      {[&] { area(dir / "lines.shp"); }, dir / "lines.shp" + "不是面(多边形)图层，不能生成图廓"},
      {[&] { area(dir / "noprj.shp"); }, "没有定义坐标系统"},
      {[&] { area(dir / "geo.shp"); },
       dir / "geo.shp" + "是经纬度坐标，行政区划文件必须是平面(高斯-克吕格)坐标才能生成图廓"},
  };
  for (const auto& c : cases) {
    try {
      c.run();
      ADD_FAILURE() << "accepted: " << c.message;
    } catch (const RunError& e) {
      EXPECT_EQ(e.what(), c.message);
    }
  }
  EXPECT_EQ(feedback.progressStarts, 0);

  // A condition that selects nothing: said, and the run ends normally.
  TstandardMap b(TFrameSettings{}, RunValues{}, OpenGdbFrameStore(dir / "none.gpkg", feedback), feedback,
                 dir / "index.shp");
  b.FWhereClause = "TFH = 'X'";
  b.Run();
  EXPECT_EQ(feedback.countOf("没有数据，可能条件设置错误"), 1);
  EXPECT_EQ(b.counts().frames, 0);
  EXPECT_EQ(feedback.progressStarts, 0);
}

// Before an index run: its sheets must be sheets, of the run's scale; the
// scale their numbers name is read for the window.
TEST(BatchInputs, IndexSheetsAgainstTheScale) {
  test::TempDir dir;
  WriteIndex(dir / "10k.shp", Sheets({95}, {65, 66}));
  SilentFeedback quiet;
  WriteSheetIndex(dir / "50k.shp", MakeGeographicReference(Datum::Xian80, quiet), "TFH",
                  SheetIndexPolygons({"E45E012017", "E45E012018"}, CoordParams{}, true), false);
  // Counties: outlines of many vertices; and survey sheets of 500 m at
  // 1:1000, rectangles of the plane 100 km east of the meridian.
  std::vector<XY> county = test::Rectangle(613000, 1774000, 617500, 1778200);
  county.insert(county.begin() + 1, {612000, 1776000});
  std::vector<XY> skewed = test::Rectangle(620000, 1774000, 625000, 1779000);
  skewed[2].x += 400;
  test::WriteTestShapefile(dir / "county.shp", 2374, {"TFH"},
                           {{{{"TFH", "甲"}}, {county}}, {{{"TFH", "乙"}}, {skewed}}});
  test::WriteTestShapefile(
      dir / "rect.shp", 2374, {"TFH"},
      {{{{"TFH", "1774.0-600.0"}}, {test::Rectangle(600000, 1774000, 600500, 1774500)}},
       {{{"TFH", "1774.0-600.5"}}, {test::Rectangle(600500, 1774000, 601000, 1774500)}}});
  const struct {
    const char* file;
    long scale;
    bool geographic;
    const char* refusal;  // part of the message, or nullptr when the run may go on
  } cases[] = {
      {"10k.shp", 10000, false, nullptr},
      {"10k.shp", 50000, false, "是1:1万标准图幅（经差3′45″、纬差2′30″），而比例尺是1:5万"},
      {"50k.shp", 50000, true, nullptr},
      {"50k.shp", 10000, true, "请把比例尺设为50000"},
      {"county.shp", 10000, false, "county.shp不是标准图幅索引：选中的2个要素中有2个不是图幅"},
      {"rect.shp", 1000, false, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " at " + std::to_string(c.scale));
    TFrameSettings settings;
    settings.ScaleFactor = c.scale / 10000.0L;
    settings.GeodeticOutput = c.geographic;
    try {
      const FileRunCheck check = CheckFileRun(
          {CreationMode::SheetIndex, dir / c.file, {}, "", "TFH", "[TFH]", {"TFH"}, nullptr, false, {}},
          settings);
      CheckIndexScale(check, static_cast<long double>(c.scale));
      EXPECT_EQ(c.refusal, nullptr) << "not refused";
      EXPECT_EQ(check.names.size(), 2u);
    } catch (const RunError& e) {
      ASSERT_NE(c.refusal, nullptr) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
    }
  }
  // The scale the numbers name: the first field that reads on every sheet;
  // the scale the sheets' size is of.
  const auto scalesOf = [&](const char* file, std::vector<std::string> fields) {
    TFrameSettings settings;
    settings.GeodeticOutput = std::string(file) == "50k.shp";
    const FileRunCheck check = CheckFileRun(
        {CreationMode::SheetIndex, dir / file, {}, "", "TFH", "[TFH]", std::move(fields), nullptr, false, {}},
        settings);
    return std::make_pair(check.numberScale, check.sizeScale());
  };
  EXPECT_EQ(scalesOf("10k.shp", {"NAME", "TFH"}),
            std::make_pair(std::optional<int>(6), std::optional<int>(6)));
  EXPECT_EQ(scalesOf("50k.shp", {"TFH"}), std::make_pair(std::optional<int>(4), std::optional<int>(4)));
  EXPECT_EQ(scalesOf("50k.shp", {"NAME"}), std::make_pair(std::optional<int>(), std::optional<int>(4)));
  EXPECT_EQ(scalesOf("rect.shp", {"TFH"}), std::make_pair(std::optional<int>(), std::optional<int>()));
}

TEST(BatchInputs, NamingFieldsOfAPolygonFile) {
  test::TempDir dir;
  test::WriteTestShapefile(dir / "p.shp", 2374, {"NAME", "KIND"},
                           {{{{"NAME", "甲"}, {"KIND", "乡"}}, {test::Rectangle(0, 0, 1, 1)}},
                            {{{"NAME", "乙"}, {"KIND", "乡"}}, {test::Rectangle(2, 0, 3, 1)}}});
  const InputInspection inspect = InspectInput(dir / "p.shp");
  EXPECT_EQ(inspect.nameFields, (std::vector<std::string>{"FID", "NAME"}));
  EXPECT_EQ(inspect.ref.epsgCode(), 2374);
  EXPECT_TRUE(inspect.polygons);
  EXPECT_EQ(inspect.featureCount, 2);
  EXPECT_EQ(inspect.coordinates().centralMeridian, 87);
}

}  // namespace
}  // namespace tarvik
