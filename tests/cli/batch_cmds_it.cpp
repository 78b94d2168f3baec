// The commands of the file modes as a user runs them: make-index, fields,
// index and area, with their refusals, and Ctrl-C in the middle of a run.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <regex>
#include <thread>

#include "support/gdal_readback.h"
#include "support/test_shapefile.h"
#include "support/test_support.h"

namespace tarvik::test {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The 3 x 3 sheets around E45G095066 (rows 094..096, columns 065..067).
const std::vector<std::string> kBlock = {"make-index", "--scale", "10000",   "--bbox",
                                         "88.0",       "16.0",    "88.1875", "16.125"};

CliResult MakeIndex(const std::string& out, std::vector<std::string> extra = {}) {
  std::vector<std::string> args = kBlock;
  args.push_back("-o");
  args.push_back(out);
  args.insert(args.end(), extra.begin(), extra.end());
  return RunCli(args);
}

int FrameCount(const ReadStore& s) {
  int n = 0;
  for (const auto& entry : s.layers) n += entry.first.rfind("L_", 0) == 0;
  return n;
}

TEST(MakeIndexCli, WritesTheSheetsOfTheBoxAndFieldsDescribesThem) {
  TempDir dir;
  const CliResult made = MakeIndex(dir / "idx/sheets.shp");
  ASSERT_EQ(made.exitCode, 0) << made.err;
  EXPECT_TRUE(Contains(made.out, "写入 9 个图幅"));
  EXPECT_EQ(ReadFile(dir / "idx/sheets.cpg"), "UTF-8");
  const ReadStore index = ReadWithGdal(dir / "idx/sheets.shp");
  ASSERT_EQ(index.layers.size(), 1u);
  const ReadLayer& sheets = index.layers.begin()->second;
  ASSERT_EQ(sheets.features.size(), 9u);
  EXPECT_EQ(sheets.features[0].fields.at("TFH"), "E45G094065");  // north-west first
  EXPECT_EQ(sheets.features[8].fields.at("TFH"), "E45G096067");
  EXPECT_EQ(sheets.features[0].parts.at(0).size(), 5u);  // four corners, closed

  const CliResult json = RunCli({"fields", dir / "idx/sheets.shp", "--json"});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  EXPECT_EQ(json.out,
            "{\"file\": \"" + dir / "idx/sheets.shp" +
                "\", \"polygons\": true, \"features\": 9, \"epsg\": 2374, \"coordinate_system\": "
                "{\"recognised\": true, \"name\": \"Xian 1980 / 3-degree Gauss-Kruger CM 87E (EPSG:2374)\", "
                "\"geographic\": false, \"datum\": \"xian80\", \"zone_width\": 3, "
                "\"central_meridian\": 87, \"zone_prefix\": false}, \"use\": \"as-is\", \"use_text\": "
                "\"按其自身的坐标系统使用\", "
                "\"coordinate_error\": null, "
                "\"name_fields\": [\"FID\", \"TFH\"]}\n");

  // Other systems: Beijing 1954 6-degree zones with the zone number, geographic.
  ASSERT_EQ(
      MakeIndex(dir / "bj.shp", {"--datum", "beijing54", "--zone-width", "6", "--zone-prefix"}).exitCode, 0);
  EXPECT_TRUE(Contains(RunCli({"fields", dir / "bj.shp", "--json"}).out,
                       "(EPSG:21415)\", \"geographic\": false, \"datum\": \"beijing54\", "
                       "\"zone_width\": 6, \"central_meridian\": 87, \"zone_prefix\": true}"));
  ASSERT_EQ(MakeIndex(dir / "geo.shp", {"--geographic"}).exitCode, 0);
  EXPECT_TRUE(Contains(RunCli({"fields", dir / "geo.shp", "--json"}).out,
                       "(EPSG:4610)\", \"geographic\": true, \"datum\": \"xian80\"}"));
  const CliResult human = RunCli({"fields", dir / "idx/sheets.shp"});
  EXPECT_TRUE(Contains(human.out, "西安80 高斯-克吕格 3度带，中央经线 87°，不加带号 (EPSG:2374)"));
  EXPECT_TRUE(Contains(human.out, "命名字段:   FID, TFH"));
}

TEST(MakeIndexCli, CornersAreThoseTheSheetCommandDraws) {
  TempDir dir;
  ASSERT_EQ(RunCli({"make-index", "--scale", "10000", "--bbox", "88.0625", "16.0416666666667", "88.125",
                    "16.0833333333333", "-o", dir / "one.shp"})
                .exitCode,
            0);
  ASSERT_EQ(RunCli({"sheet", "E45G095066", "-o", dir / "sheet.gpkg"}).exitCode, 0);
  const ReadStore index = ReadWithGdal(dir / "one.shp");
  const ReadLayer& sheets = index.layers.begin()->second;
  ASSERT_EQ(sheets.features.size(), 1u);
  EXPECT_EQ(sheets.features[0].fields.at("TFH"), "E45G095066");
  const auto& ring = sheets.features[0].parts.at(0);
  const ReadStore drawn = ReadWithGdal(dir / "sheet.gpkg");
  const ReadLayer& lines = drawn.layers.at("L_E45G095066");
  // Every index corner is the end of an inner-frame side, to the last bit.
  for (std::size_t i = 0; i + 1 < ring.size(); ++i) {
    int ends = 0;
    for (const auto& f : lines.features)
      if (f.id() == 1 && f.parts.size() == 1 && f.parts[0].size() == 2)
        for (const auto& p : f.parts[0]) ends += p.x == ring[i].x && p.y == ring[i].y;
    EXPECT_GE(ends, 2) << "corner " << i;
  }
}

TEST(MakeIndexCli, CoverKeepsTheSheetsMeetingItsPolygons) {
  TempDir dir;
  // One small polygon inside E45G095066 and one across the edge between
  // E45G095067 and E45G095068 (planar, Xi'an 1980 CM 87).
  ASSERT_EQ(MakeIndex(dir / "all.shp").exitCode, 0);
  const ReadLayer all = ReadWithGdal(dir / "all.shp").layers.begin()->second;
  const auto& inner = all.features[4].parts.at(0);  // E45G095066
  const double cx = (inner[0].x + inner[2].x) / 2, cy = (inner[0].y + inner[2].y) / 2;
  const auto& east = all.features[5].parts.at(0);  // E45G095067
  const double ex = std::max({east[0].x, east[1].x, east[2].x, east[3].x});
  WriteTestShapefile(dir / "cover.shp", 2374, {"NAME"},
                     {{{{"NAME", "a"}}, {Rectangle(cx - 100, cy - 100, cx + 100, cy + 100)}},
                      {{{"NAME", "b"}}, {Rectangle(ex - 100, cy - 100, ex + 100, cy + 100)}}});
  const CliResult r =
      RunCli({"make-index", "--scale", "10000", "--cover", dir / "cover.shp", "-o", dir / "cover_idx.shp"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::vector<std::string> names;
  const ReadStore kept = ReadWithGdal(dir / "cover_idx.shp");
  for (const auto& f : kept.layers.begin()->second.features) names.push_back(f.fields.at("TFH"));
  EXPECT_EQ(names, (std::vector<std::string>{"E45G095066", "E45G095067", "E45G095068"}));
}

// An index used as the cover of another index of its scale gives back
// exactly its own sheets: the neighbours only touch the cover's edges.
TEST(MakeIndexCli, AnIndexAsCoverGivesItsOwnSheets) {
  const struct {
    const char* bbox[4];
    bool geographic;
    std::size_t sheets;
  } cases[] = {
      {{"88.07", "16.05", "88.12", "16.08"}, false, 1},
      {{"88.07", "16.05", "88.30", "16.16"}, false, 12},
      {{"88.07", "16.05", "88.30", "16.16"}, true, 12},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::vector<std::string> first = {"make-index", "--scale", "10000",   "--bbox", c.bbox[0],
                                      c.bbox[1],    c.bbox[2], c.bbox[3], "-o",     dir / "first.shp"};
    if (c.geographic) first.push_back("--geographic");
    ASSERT_EQ(RunCli(first).exitCode, 0);
    const CliResult again =
        RunCli({"make-index", "--scale", "10000", "--cover", dir / "first.shp", "-o", dir / "again.shp"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    std::vector<std::string> names[2];
    for (int i = 0; i < 2; ++i) {
      const ReadStore index = ReadWithGdal(dir / (i ? "again.shp" : "first.shp"));
      for (const auto& f : index.layers.begin()->second.features) names[i].push_back(f.fields.at("TFH"));
    }
    EXPECT_EQ(names[0].size(), c.sheets);
    EXPECT_EQ(names[1], names[0]) << c.bbox[2] << (c.geographic ? " geographic" : "");
  }
}

TEST(MakeIndexCli, Refusals) {
  TempDir dir;
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string message;
  } cases[] = {
      {{"make-index", "--scale", "20000", "--bbox", "88", "16", "88.1", "16.1", "-o", dir / "a.shp"},
       2,
       "--scale"},
      {{"make-index", "--scale", "10000", "--bbox", "88", "16", "87", "16.1", "-o", dir / "a.shp"},
       2,
       "WEST < EAST"},
      {{"make-index", "--scale", "10000", "--bbox", "88", "16", "88.1", "-o", dir / "a.shp"}, 2, "--bbox"},
      {{"make-index", "--scale", "10000", "-o", dir / "a.shp"}, 2, "--bbox 或 --cover"},
      {{"make-index", "--scale", "10000", "--bbox", "88", "16", "88.1", "16.1", "-o", dir / "a.gdb"},
       2,
       ".shp"},
      {{"make-index", "--scale", "5000", "--bbox", "73", "18", "135", "53", "-o", dir / "a.shp"}, 1, "超过"},
      {{"make-index", "--scale", "10000", "--cover", dir / "none.shp", "-o", dir / "a.shp"}, 1, "不存在"},
      {{"make-index", "--scale", "10000", "--bbox", "88", "16", "88.1", "16.1", "--central-meridian", "120",
        "-o", dir / "a.shp"},
       1,
       "建议中央经线 87"},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.message << ": " << r.err;
    EXPECT_TRUE(Contains(r.err, c.message)) << r.err;
    EXPECT_FALSE(fs::exists(dir / "a.shp"));
  }
  ASSERT_EQ(MakeIndex(dir / "b.shp").exitCode, 0);
  EXPECT_EQ(MakeIndex(dir / "b.shp").exitCode, 1);
  EXPECT_EQ(MakeIndex(dir / "b.shp", {"--overwrite"}).exitCode, 0);
}

TEST(IndexCli, SelectedSheetsNamedByTheTemplate) {
  TempDir dir;
  ASSERT_EQ(MakeIndex(dir / "s.shp").exitCode, 0);
  const CliResult r = RunCli({"index", dir / "s.shp", "-o", dir / "out.gdb", "--name-template", "[tfh]",
                              "--where", "TFH LIKE 'E45G095%'", "--set", "edtField=TFH", "--verbose"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "写入 3 个图廓"));
  EXPECT_TRUE(Contains(r.out, "完成，用时"));
  EXPECT_TRUE(Contains(r.err, "[1/3] E45G095065\n[2/3] E45G095066\n[3/3] E45G095067\n"));
  const ReadStore s = ReadWithGdal(dir / "out.gdb");
  EXPECT_EQ(FrameCount(s), 3);
  const auto texts = s.layers.at("a_E45G095066").texts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "E45G0"), 8);  // the neighbours' names
  EXPECT_EQ(s.layers.at("L_E45G095066").epsg, 2374);              // from the index's .prj
}

TEST(IndexCli, TemplateAndInputRefusalsLeaveNoOutput) {
  TempDir dir;
  ASSERT_EQ(MakeIndex(dir / "s.shp").exitCode, 0);
  ASSERT_EQ(MakeIndex(dir / "g.shp", {"--geographic"}).exitCode, 0);
  const std::string out = dir / "o.gpkg";
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string message;
  } cases[] = {
      {{"index", dir / "s.shp", "-o", out}, 2, "--name-template"},
      {{"index", dir / "s.shp", "-o", out, "--name-template", " "}, 1, "字段值没有设置，所以输出图层名为空"},
      {{"index", dir / "s.shp", "-o", out, "--name-template", "abc"}, 1, "文件名格式不正确"},
      {{"index", dir / "s.shp", "-o", out, "--name-template", "]x["}, 1, "文件名中，必须包括字段"},
      {{"index", dir / "s.shp", "-o", out, "--name-template", "[NAME]"}, 1, "文件名中，必须包括字段"},
      {{"index", dir / "missing.shp", "-o", out, "--name-template", "[TFH]"}, 1, "不存在"},
      // Xi'an 1980 sheets into a Beijing 1954 output: no exact way there.
      {{"index", dir / "s.shp", "-o", out, "--name-template", "[TFH]", "--datum", "beijing54"},
       1,
       "--towgs84"},
      {{"index", dir / "s.shp", "-o", out, "--name-template", "[TFH]", "--towgs84", "1,2,3"}, 2, "--towgs84"},
      {{"index", dir / "s.shp", "-o", out, "--name-template", "[TFH]", "--where", "NOPE = 1"}, 1, "NOPE"},
      {{"index", dir / "s.shp", "-o", out, "--name-template", "[TFH]", "--where", "TFH = 'x'"},
       1,
       "没有数据，可能条件设置错误"},
      {{"area", dir / "g.shp", "-o", out, "--name-template", "[TFH]", "--transform", " "}, 2, "--transform"},
  };
  for (const auto& c : cases) {
    const CliResult r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.message << ": " << r.err;
    EXPECT_TRUE(Contains(r.err, c.message)) << r.err;
    EXPECT_FALSE(fs::exists(out)) << c.message;
  }
}

TEST(AreaCli, PlanarPolygonsFramedInLongitudeAndLatitude) {
  TempDir dir;
  ASSERT_EQ(MakeIndex(dir / "s.shp").exitCode, 0);
  const CliResult r = RunCli({"area", dir / "s.shp", "-o", dir / "a.gpkg", "--name-template", "[TFH]图",
                              "--where", "TFH = 'E45G095066'", "--geographic", "--set", "seoutw=10"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const ReadStore s = ReadWithGdal(dir / "a.gpkg");
  ASSERT_TRUE(s.has("L_E45G095066图"));
  EXPECT_EQ(s.layers.at("L_E45G095066图").epsg, 4610);
  const ReadLayer& band = s.layers.at("p_E45G095066图");
  ASSERT_EQ(band.features.size(), 1u);
  EXPECT_EQ(band.features[0].id(), 10);
  EXPECT_NEAR(band.features[0].parts[0][0].x, 88.06, 0.01);
  EXPECT_FALSE(Contains(r.err, "保存失败"));
}

TEST(IndexCli, CtrlCFinishesTheSheetAndKeepsTheOutputReadable) {
  TempDir dir;
  ASSERT_EQ(RunCli({"make-index", "--scale", "10000", "--bbox", "88", "16", "88.625", "16.625", "-o",
                    dir / "many.shp"})
                .exitCode,
            0);  // 10 x 14 sheets
  CliProcess child(
      {"index", dir / "many.shp", "-o", dir / "many.gpkg", "--name-template", "[TFH]", "--verbose"});
  ASSERT_TRUE(child.started());
  const bool signalled = child.readUntil("[3/");
  child.signal(SIGINT);
  const int status = child.finish();
  const std::string& err = child.err();
  ASSERT_TRUE(signalled) << err;
  ASSERT_TRUE(WIFEXITED(status)) << err;
  EXPECT_EQ(WEXITSTATUS(status), 1);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(err, m, std::regex("已中止：写入 (\\d+) 个图廓"))) << err;
  const int written = std::stoi(m[1]);
  EXPECT_GE(written, 3);
  EXPECT_LT(written, 140);
  const ReadStore s = ReadWithGdal(dir / "many.gpkg");
  EXPECT_EQ(FrameCount(s), written);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir / "many.gpkg.qgs")) << "a stopped run keeps its project";
  for (const auto& [name, layer] : s.layers) {
    if (name.rfind("L_", 0) != 0) continue;
    EXPECT_GT(layer.features.size(), 20u) << name;
  }
}

}  // namespace
}  // namespace tarvik::test
