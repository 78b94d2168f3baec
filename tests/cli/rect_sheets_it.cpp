// Large-scale rectangular sheets end to end: an index at every scale, framed
// by the index command; a 1:500 sheet framed by number with the shipped
// settings, read back with GDAL; neighbours printed by sheet-info.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

#include "support/gdal_readback.h"
#include "support/test_support.h"

namespace tarvik::test {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The texts a number is written as in the adjacent-sheet table: one line up
// to 8 characters, else two, broken after the "-".
void AddHalves(std::map<std::string, int>& halves, const std::string& number) {
  if (number.size() < 9) {
    ++halves[number];
    return;
  }
  const auto dash = number.find('-');
  ++halves[number.substr(0, dash + 1)];
  ++halves[number.substr(dash + 1)];
}

TEST(RectIndexCli, EveryScaleNumbersSizesAlignmentAndNeighbours) {
  const struct {
    const char* scale;
    const char* layout;
    double xSize, ySize;  // metres on the ground
    double x0, y0;        // a corner of the grid, metres
    const char* centre;   // the middle sheet of the 3 x 3 block
    int decimals;
  } cases[] = {
      {"500", "40x50", 200, 250, 3810400, 500500, "3810.60-500.75", 2},
      {"1000", "50x50", 500, 500, 4230000, 510000, "4230.5-510.5", 1},
      {"2000", "40x50", 800, 1000, 3000000, 500000, "3000.8-501.0", 1},
      {"5000", "40x40", 2000, 2000, 3810000, 502000, "3812-504", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scale);
    TempDir dir;
    const std::string index = dir / "sheets.shp";
    // Three sheets each way, the extent a metre inside the outer sheets.
    const auto text = [](double v) { return std::to_string(static_cast<long long>(v)); };
    const CliResult made =
        RunCli({"make-index", "--rect", c.layout, "--scale", c.scale, "--extent", text(c.x0 + 1),
                text(c.y0 + 1), text(c.x0 + 3 * c.xSize - 1), text(c.y0 + 3 * c.ySize - 1), "--datum",
                "cgcs2000", "--central-meridian", "117", "-o", index});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const ReadStore store = ReadWithGdal(index);
    const ReadLayer& sheets = store.layers.begin()->second;
    ASSERT_EQ(sheets.features.size(), 9u);
    std::map<std::string, int> neighbourHalves;
    for (const auto& f : sheets.features) {
      const auto& ring = f.parts.at(0);
      double e1 = 1e18, n1 = 1e18, e2 = -1e18, n2 = -1e18;
      for (const XY& p : ring) {
        e1 = std::min(e1, p.x), n1 = std::min(n1, p.y), e2 = std::max(e2, p.x), n2 = std::max(n2, p.y);
      }
      EXPECT_EQ(e2 - e1, c.ySize);
      EXPECT_EQ(n2 - n1, c.xSize);
      EXPECT_EQ(std::fmod(n1, c.xSize), 0) << n1;
      EXPECT_EQ(std::fmod(e1, c.ySize), 0) << e1;
      // The number is the south-west corner in km, x first.
      char number[64];
      std::snprintf(number, sizeof number, "%.*f-%.*f", c.decimals, n1 / 1000, c.decimals, e1 / 1000);
      const std::string tfh = f.fields.at("TFH");
      EXPECT_EQ(tfh, number);
      if (tfh != c.centre) AddHalves(neighbourHalves, tfh);
    }

    // The middle sheet's table names the eight others.
    const std::string out = dir / "frames.gpkg";
    const CliResult framed = RunCli({"index", index, "--scale", c.scale, "--name-template", "[TFH]",
                                     "--where", std::string("TFH = '") + c.centre + "'", "-o", out});
    ASSERT_EQ(framed.exitCode, 0) << framed.err;
    std::string name = c.centre;
    std::replace(name.begin(), name.end(), '.', '_');
    std::replace(name.begin(), name.end(), '-', '_');
    std::map<std::string, int> texts;
    for (const auto& t : ReadWithGdal(out).layers.at("a_" + name).texts()) ++texts[t];
    for (const auto& [half, count] : neighbourHalves) EXPECT_GE(texts[half], count) << half;
  }
}

TEST(RectSheetCli, A500SheetWithTheShippedSettingsReadBackWithGdal) {
  TempDir dir;
  const std::string out = dir / "r.gdb";
  const CliResult r =
      RunCli({"sheet", "3810.40-500.75", "--scale", "500", "--datum", "xian80", "--central-meridian", "87",
              "--settings", SharedFile("rect_sheets.set"), "--set", "edtmian=张家村", "-o", out});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "40x50")) << r.out;
  const ReadStore store = ReadWithGdal(out);
  const ReadLayer& lines = store.layers.at("L_3810_40_500_75");
  EXPECT_EQ(lines.epsg, 2374);
  // Inner frame exactly on the sheet: 250 m east-west, 200 m north-south.
  const auto hasLine = [&](int id, XY a, XY b) {
    return std::any_of(lines.features.begin(), lines.features.end(), [&](const ReadFeature& f) {
      const auto& p = f.parts.at(0);
      const auto near = [](XY u, XY v) { return std::fabs(u.x - v.x) < 1e-4 && std::fabs(u.y - v.y) < 1e-4; };
      return f.id() == id && p.size() == 2 &&
             ((near(p[0], a) && near(p[1], b)) || (near(p[0], b) && near(p[1], a)));
    });
  };
  EXPECT_TRUE(hasLine(1, {500750, 3810400}, {500750, 3810600}));
  EXPECT_TRUE(hasLine(1, {501000, 3810600}, {500750, 3810600}));
  // Outer frame 12 mm (6 m at 1:500) outside.
  EXPECT_TRUE(hasLine(2, {500744, 3810394}, {500744, 3810606}));
  // Crosses every 10 cm (50 m), 1 cm wide, at the inner intersections only:
  // 4 x 3 crosses of two lines, 2 x (4 + 3) ticks, 4 + 4 frame and corner lines.
  EXPECT_TRUE(hasLine(1, {500800, 3810452.5}, {500800, 3810447.5}));
  EXPECT_TRUE(hasLine(1, {500947.5, 3810550}, {500952.5, 3810550}));
  EXPECT_FALSE(hasLine(1, {501000, 3810452.5}, {501000, 3810447.5}));
  EXPECT_EQ(lines.countId(1), 24 + 14 + 4 + 8 + 8);
  // Name, number under it, kilometre corner labels, table of neighbours.
  std::map<std::string, int> texts;
  for (const auto& t : store.layers.at("a_3810_40_500_75").texts()) ++texts[t];
  for (const char* t : {"张家村", "3810.40-500.75", "1:500", "3810.40", "3810.60", "500.75", "501.00"})
    EXPECT_GE(texts[t], 1) << t;
  std::map<std::string, int> halves;
  for (const char* n : {"3810.60-500.50", "3810.60-500.75", "3810.60-501.00", "3810.40-500.50",
                        "3810.40-501.00", "3810.20-500.50", "3810.20-500.75", "3810.20-501.00"})
    AddHalves(halves, n);
  for (const auto& [half, count] : halves) EXPECT_GE(texts[half], count) << half;
}

// The corner labels read as the number above the frame does: with the
// zone number in the eastings all of its digits stay (the shipped settings
// ask for four kilometre digits).
TEST(RectSheetCli, CornerLabelsKeepTheZoneNumberOfPrefixedEastings) {
  const struct {
    const char* number;
    bool prefix;
    std::vector<std::string> labels, notLabels;
  } cases[] = {
      {"3373.20-38429.75", true, {"3373.20", "3373.40", "38429.75", "38430.00"}, {"8429.75", "8430.00"}},
      {"3373.20-429.75", false, {"3373.20", "3373.40", "429.75", "430.00"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    TempDir dir;
    const std::string out = dir / "r.gpkg";
    std::vector<std::string> args = {"sheet",
                                     c.number,
                                     "--scale",
                                     "500",
                                     "--datum",
                                     "xian80",
                                     "--central-meridian",
                                     "114",
                                     "--settings",
                                     SharedFile("rect_sheets.set"),
                                     "-o",
                                     out,
                                     "--no-project"};
    if (c.prefix) args.push_back("--zone-prefix");
    const CliResult r = RunCli(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::map<std::string, int> texts;
    for (const auto& [name, layer] : ReadWithGdal(out).layers)
      if (name.rfind("a_", 0) == 0)
        for (const auto& t : layer.texts()) ++texts[t];
    for (const auto& t : c.labels) EXPECT_GE(texts[t], 2) << t;  // both ends of a side (and the table)
    for (const auto& t : c.notLabels) EXPECT_EQ(texts[t], 0) << t;
  }
}

TEST(RectSheetCli, RefusalsLeaveNoOutput) {
  TempDir dir;
  const std::string out = dir / "r.gpkg";
  const struct {
    std::vector<std::string> args;
    int exitCode;
    const char* err;
  } cases[] = {
      {{"3810.41-500.75", "--scale", "500"}, 1, "西南角不在1:500矩形图幅的格网上"},
      {{"3810.40-500.75", "--scale", "500", "--rect", "50x50"}, 1, "x每0.25"},
      {{"3810.40-500.75"}, 1, "需要比例尺1:500"},
      {{"3810.40-500.75", "--scale", "500", "--geographic"}, 1, "只能输出平面"},
      // Eastings of another zone, and the small numbers of a local grid.
      {{"3810.40-39500.75", "--scale", "500"}, 1, "带有带号 39"},
      {{"10.40-27.75", "--scale", "500"}, 1, "图幅10.40-27.75"},
      {{"E45G095066", "--rect", "50x50"}, 2, "--rect 只用于矩形图幅号"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"sheet"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.insert(args.end(), {"--datum", "xian80", "--central-meridian", "87", "-o", out});
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args[0] << r.err;
    EXPECT_TRUE(Contains(r.err, c.err)) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out)) << c.args[0];
  }
  // A number tells no longitude: the system must be stated.
  const CliResult unstated = RunCli({"sheet", "3810.40-500.75", "--scale", "500", "-o", out});
  EXPECT_EQ(unstated.exitCode, 1);
  EXPECT_TRUE(Contains(unstated.err, "--datum 和 --central-meridian")) << unstated.err;
  // Eastings that carry a zone number need a prefixed system.
  const CliResult prefixed =
      RunCli({"make-index", "--rect", "50x50", "--scale", "1000", "--extent", "3000000", "39500000",
              "3001000", "39501000", "--datum", "xian80", "--central-meridian", "117", "-o", dir / "i.shp"});
  EXPECT_EQ(prefixed.exitCode, 1);
  EXPECT_TRUE(Contains(prefixed.err, "带有带号 39")) << prefixed.err;
  // An index of 1:500 sheets framed at another scale would be many times off.
  ASSERT_EQ(
      RunCli({"make-index", "--rect", "50x50", "--scale", "500", "--extent", "3810000", "500000", "3810250",
              "500250", "--datum", "xian80", "--central-meridian", "87", "-o", dir / "i.shp"})
          .exitCode,
      0);
  const CliResult wrongScale = RunCli({"index", dir / "i.shp", "--name-template", "[TFH]", "-o", out});
  EXPECT_EQ(wrongScale.exitCode, 1);
  EXPECT_TRUE(Contains(wrongScale.err, "请把比例尺设为500")) << wrongScale.err;
}

TEST(SheetInfoCli, NeighboursAsJson) {
  const CliResult standard = RunCli({"sheet-info", "E60G001096", "--neighbours", "--json"});
  ASSERT_EQ(standard.exitCode, 0) << standard.err;
  EXPECT_TRUE(
      Contains(standard.out,
               "\"neighbours\": {\"nw\": \"F60G096095\", \"n\": \"F60G096096\", \"ne\": \"F01G096001\", "
               "\"w\": \"E60G001095\", \"e\": \"E01G001001\", \"sw\": \"E60G002095\", \"s\": \"E60G002096\", "
               "\"se\": \"E01G002001\"}}"))
      << standard.out;
  const CliResult rect = RunCli({"sheet-info", "0.00-27.75", "--scale", "500", "--neighbours", "--json"});
  ASSERT_EQ(rect.exitCode, 0) << rect.err;
  EXPECT_EQ(
      rect.out,
      "{\"number\": \"0.00-27.75\", \"scale\": 500, \"layout\": \"50x50\", \"x\": 0, \"y\": 27750, "
      "\"x_size\": 250, \"y_size\": 250, \"neighbours\": {\"nw\": \"0.25-27.50\", \"n\": \"0.25-27.75\", "
      "\"ne\": \"0.25-28.00\", \"w\": \"0.00-27.50\", \"e\": \"0.00-28.00\", \"sw\": null, \"s\": null, "
      "\"se\": null}}\n");
  const CliResult bad = RunCli({"sheet-info", "E45G097001", "--neighbours"});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_TRUE(Contains(bad.err, "输入的E45G097001,错误的图幅号"));
}

}  // namespace
}  // namespace tarvik::test
