// The three-north diagram and the slope ruler, drawn by both builders
// through the command line and read back with GDAL.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <regex>
#include <sstream>

#include "support/gdal_readback.h"
#include "support/test_shapefile.h"
#include "support/test_support.h"

namespace tarvik {
namespace {

using test::ReadStore;

constexpr double kRad = std::numbers::pi / 180;

struct Drawn {
  ReadStore store;
  std::string lines, texts;  // layer names
};

Drawn Draw(const test::TempDir& dir, std::vector<std::string> args, const std::string& frame) {
  const std::string out = dir / "out.gpkg";
  args.insert(args.end(), {"-o", out, "--overwrite"});
  const test::CliResult r = test::RunCli(args);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return {test::ReadWithGdal(out), "L_" + frame, "a_" + frame};
}

// Each slope label of the ruler, west to east, and the printed length (mm)
// of the line standing on it: the longest vertical line of kind 1 at the
// label's easting.
std::vector<std::pair<double, double>> SlopeLengths(const Drawn& d, double scale) {
  const std::regex slope(R"(^(\d+(\.5)?)°$)");
  // Below the outer frame (corner labels may read like slopes).
  double bottom = 1e300;
  for (const auto& f : d.store.layers.at(d.lines).features)
    if (f.id() == 2)
      for (const auto& p : f.parts[0]) bottom = std::min(bottom, p.y);
  std::vector<std::pair<double, double>> labels;  // (easting, slope)
  for (const auto& t : d.store.layers.at(d.texts).features) {
    std::smatch m;
    const std::string text = t.text();
    if (t.point.y < bottom && std::regex_match(text, m, slope))
      labels.push_back({t.point.x, std::stod(m[1])});
  }
  std::sort(labels.begin(), labels.end());
  std::vector<std::pair<double, double>> result;
  for (const auto& [x, s] : labels) {
    double longest = 0;
    for (const auto& f : d.store.layers.at(d.lines).features) {
      if (f.id() != 1 || f.parts.size() != 1 || f.parts[0].size() != 2) continue;
      const auto& p = f.parts[0];
      if (std::fabs(p[0].x - x) > 1e-3 || std::fabs(p[1].x - x) > 1e-3) continue;
      longest = std::max(longest, std::fabs(p[1].y - p[0].y));
    }
    result.push_back({s, longest / scale * 1000});
  }
  return result;
}

TEST(MarginDiagrams, SlopeRulerDistancesAreTheContourSpacingAtTheScale) {
  test::TempDir dir;
  const std::string shp = dir / "area.shp";
  // A district in Xi'an 1980 / 3-degree zone CM 114 (no zone number).
  test::WriteTestShapefile(shp, 2383, {"NAME"},
                           {{{{"NAME", "甲"}}, {test::Rectangle(500000, 3375000, 506000, 3380000)}}});
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string frame;
    double scale, interval;  // the contour interval the ruler is for, metres
  } cases[] = {
      {"1:10 000 sheet, the scale's usual 2.5 m", {"sheet", "E45G095066"}, "E45G095066", 10000, 2.5},
      {"1:50 000 sheet, 20 m given",
       {"sheet", "E45E024017", "--set", "seContour=200"},
       "E45E024017",
       50000,
       20},
      {"1:25 000 polygon frame, 5 m",
       {"area", shp, "--scale", "25000", "--name-template", "[NAME]图"},
       "甲图",
       25000,
       5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--set", "chkSlopeShow=True"});
    const Drawn d = Draw(dir, args, c.frame);
    ASSERT_TRUE(d.store.has(d.lines)) << c.frame;
    const auto lengths = SlopeLengths(d, c.scale);
    // Adjacent contours 0.5..10 degrees, then six contours 5..30.
    const double slopes[] = {0.5, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 5, 10, 15, 20, 25, 30};
    ASSERT_EQ(lengths.size(), std::size(slopes));
    double worst = 0;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
      const int intervals = i < 11 ? 1 : 5;
      const double expected = intervals * c.interval / std::tan(slopes[i] * kRad) / c.scale * 1000;
      EXPECT_EQ(lengths[i].first, slopes[i]);
      EXPECT_NEAR(lengths[i].second, expected, 0.05) << slopes[i] << "° over " << intervals << " intervals";
      worst = std::max(worst, std::fabs(lengths[i].second - expected));
    }
    std::printf("%s: largest difference %.6f mm\n", c.what, worst);
    std::fflush(stdout);  // before the next run forks
  }
}

// The sheet E45G095066 lies between 88.0625 and 88.125 E, 16.0417 and
// 16.0833 N, drawn on the meridian 87 E: at its centre (88.09375 E,
// 16.0625 N) grid north lies l sin B = 1.09375° x 0.2767 = 0.3026° = 18.2′
// east of true north.
// The diagram's numbers in the frame's catalog row, the convergence (which
// the labels check) and the grid-magnetic angle left out.
std::string NorthNumbers(const ReadStore& store) {
  for (const auto& row : store.layers.at("tarvik_frames").features) {
    const auto kind = row.fields.find("kind");
    const auto numbers = row.fields.find("north_diagram");
    if (kind == row.fields.end() || numbers == row.fields.end()) continue;
    if (kind->second != "dataset" && kind->second != "frame") continue;
    std::string out;
    std::istringstream words(numbers->second);
    for (std::string w; words >> w;)
      if (w.rfind("convergence=", 0) != 0 && w.rfind("grid_magnetic=", 0) != 0)
        out += (out.empty() ? "" : " ") + w;
    return out;
  }
  return "none";
}

TEST(MarginDiagrams, ThreeNorthDiagramLabelsTheAnglesAtTheSheetsCentre) {
  test::TempDir dir;
  const std::string cof = dir / "DIPOLE.COF";
  test::WriteFile(cof,
                  "    2020.0            DIPOLE        01/01/2020\n"
                  "  1  0  -30000.0       0.0        0.0        0.0\n"
                  "999999999999999999999999999999999999999999999999\n");
  const std::vector<std::string> base = {"sheet", "E45G095066",         "--set", "chkNorthShow=True",
                                         "--set", "seDeclination=-204", "--set", "seNorthYear=2025"};
  const struct {
    const char* what;
    std::vector<std::string> more;
    std::vector<std::string> texts;
    std::string numbers;  // the catalog's, less the convergence
  } cases[] = {
      {"entered, no change",
       {},
       {"子午线收敛角 东偏0°18′", "磁偏角 西偏3°24′", "磁坐偏角 西偏3°42′", "2025年磁偏角"},
       "declination=-3.400000 year=2025"},
      {"entered in 2020, 1.2′ a year east",
       {"--set", "seDeclinationChange=12", "--set", "seDeclinationYear=2020"},
       {"磁偏角 西偏3°18′", "磁坐偏角 西偏3°36′", "2025年磁偏角，每年东移1.2′"},
       "declination=-3.300000 year=2025 annual_change=1.20"},
      {"an axial dipole model: no declination, whatever is entered",
       {"--set", "rgDeclination=1", "--set", "edtCofFile=" + cof},
       {"磁偏角 0°00′", "磁坐偏角 西偏0°18′", "2025年磁偏角"},
       "declination=0.000000 year=2025 annual_change=0.00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> args = base;
    args.insert(args.end(), c.more.begin(), c.more.end());
    const Drawn d = Draw(dir, args, "E45G095066");
    const auto texts = d.store.layers.at(d.texts).texts();
    for (const std::string& t : c.texts)
      EXPECT_NE(std::find(texts.begin(), texts.end(), t), texts.end()) << t;
    EXPECT_EQ(NorthNumbers(d.store), c.numbers);
    // True north stands straight up from the base point; the other two
    // start there too.
    std::map<std::pair<long, long>, int> starts;
    for (const auto& f : d.store.layers.at(d.lines).features)
      if (f.id() == 1 && f.parts.size() == 1 && f.parts[0].size() == 2)
        ++starts[{std::lround(f.parts[0][0].x * 100), std::lround(f.parts[0][0].y * 100)}];
    EXPECT_TRUE(std::any_of(starts.begin(), starts.end(), [](const auto& s) { return s.second >= 3; }));
  }
  // The shared layout keeps the numbers in the frame's row.
  const std::string index = dir / "one.shp";
  ASSERT_EQ(test::RunCli(
                {"make-index", "--scale", "10000", "--bbox", "88.07", "16.05", "88.08", "16.06", "-o", index})
                .exitCode,
            0);
  const test::CliResult shared = test::RunCli(
      {"index", index, "--name-template", "[TFH]", "--layout", "shared", "-o", dir / "shared.gpkg", "--set",
       "chkNorthShow=True", "--set", "seDeclination=-204", "--set", "seNorthYear=2025"});
  ASSERT_EQ(shared.exitCode, 0) << shared.err;
  EXPECT_EQ(NorthNumbers(test::ReadWithGdal(dir / "shared.gpkg")), "declination=-3.400000 year=2025");

  // A model that does not cover the year is refused before anything is written.
  const std::string out = dir / "late.gpkg";
  std::vector<std::string> late = {"sheet", "E45G095066",        "-o",    out,
                                   "--set", "chkNorthShow=True", "--set", "rgDeclination=1",
                                   "--set", "edtCofFile=" + cof, "--set", "seNorthYear=2040"};
  const test::CliResult r = test::RunCli(late);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("只适用于2020年至2025年"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace tarvik
