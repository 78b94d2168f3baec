// Runs in the coordinate systems users have: CGCS2000 indexes, inputs in a
// system the program cannot read, local meridians and WGS84. Every written
// system is read back with GDAL and must put the frame where its labels say.
#include <gtest/gtest.h>

#include <ogr_spatialref.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>

#include "support/gdal_readback.h"
#include "support/test_shapefile.h"
#include "support/test_support.h"

namespace tarvik::test {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

const ReadLayer* LayerStartingWith(const ReadStore& store, const std::string& prefix) {
  for (const auto& [name, layer] : store.layers)
    if (name.rfind(prefix, 0) == 0) return &layer;
  return nullptr;
}

// How far (degrees) the vertex of the layer nearest to (lon, lat) lies from
// it once GDAL turns the layer's coordinates into the datum's geographic
// system: a frame written under a system that disagrees with its
// coordinates lands hundreds of kilometres away.
double DistanceToNearestVertex(const ReadLayer& layer, int geographicEpsg, double lon, double lat) {
  OGRSpatialReference projected, geographic;
  projected.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  geographic.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  if (projected.importFromWkt(layer.wkt.c_str()) != OGRERR_NONE ||
      geographic.importFromEPSG(geographicEpsg) != OGRERR_NONE)
    return std::numeric_limits<double>::infinity();
  std::unique_ptr<OGRCoordinateTransformation> t(OGRCreateCoordinateTransformation(&projected, &geographic));
  double best = std::numeric_limits<double>::infinity();
  for (const auto& f : layer.features) {
    for (const auto& part : f.parts) {
      for (XY p : part) {
        if (!t || !t->Transform(1, &p.x, &p.y)) continue;
        best = std::min(best, std::hypot(p.x - lon, p.y - lat));
      }
    }
  }
  return best;
}

TEST(CoordinateSystemsCli, Cgcs2000IndexIsLabelledInItsOwnDegrees) {
  TempDir dir;
  const CliResult made = RunCli({"make-index", "--scale", "10000", "--bbox", "116", "39", "116.125", "39.04",
                                 "--datum", "cgcs2000", "-o", dir / "idx.shp"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  EXPECT_TRUE(Contains(RunCli({"fields", dir / "idx.shp"}).out, "CGCS2000 高斯-克吕格 3度带，中央经线 117°"));
  const CliResult run =
      RunCli({"index", dir / "idx.shp", "-o", dir / "out.gpkg", "--name-template", "[TFH]"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const ReadStore out = ReadWithGdal(dir / "out.gpkg");
  const ReadLayer* texts = LayerStartingWith(out, "a_");
  const ReadLayer* lines = LayerStartingWith(out, "L_");
  ASSERT_TRUE(texts && lines);
  const auto t = texts->texts();
  EXPECT_NE(std::find(t.begin(), t.end(), "116°"), t.end());
  EXPECT_EQ(std::find(t.begin(), t.end(), "86°"), t.end());
  EXPECT_EQ(lines->epsg, 4548);
}

// A file in a system of its own (UTM) is put into the output system the
// options choose, never read as if it were in it.
TEST(CoordinateSystemsCli, AnInputInAnotherSystemIsReprojectedNotReinterpreted) {
  TempDir dir;
  // Two areas near 116.0E 39.1N in UTM zone 50N.
  WriteTestShapefile(dir / "utm.shp", 32650, {"NAME"},
                     {{{{"NAME", "A"}}, {Rectangle(413000, 4330000, 418000, 4334000)}},
                      {{{"NAME", "B"}}, {Rectangle(418000, 4330000, 423000, 4334000)}}});
  const std::vector<std::string> run = {"area",           dir / "utm.shp",   "-o",
                                        dir / "out.gpkg", "--name-template", "[NAME]"};
  const CliResult fields = RunCli({"fields", dir / "utm.shp", "--json"});
  EXPECT_TRUE(Contains(fields.out, "\"recognised\": false")) << fields.out;
  EXPECT_TRUE(Contains(fields.out, "\"use\": \"reproject\"")) << fields.out;

  // A meridian 30 degrees away: refused with the one that suits.
  std::vector<std::string> wrong = run;
  wrong.insert(wrong.end(), {"--datum", "cgcs2000", "--zone-width", "6", "--central-meridian", "87"});
  const CliResult far = RunCli(wrong);
  EXPECT_EQ(far.exitCode, 1);
  EXPECT_TRUE(Contains(far.err, "建议中央经线 117")) << far.err;
  EXPECT_FALSE(fs::exists(dir / "out.gpkg"));

  std::vector<std::string> chosen = run;
  chosen.insert(chosen.end(), {"--datum", "cgcs2000", "--zone-width", "6", "--central-meridian", "117"});
  const CliResult ok = RunCli(chosen);
  ASSERT_EQ(ok.exitCode, 0) << ok.err;
  EXPECT_TRUE(Contains(ok.err, "WGS 84 与 CGCS2000 视为相同")) << ok.err;
  const ReadStore out = ReadWithGdal(dir / "out.gpkg");
  ASSERT_TRUE(out.has("L_A"));
  const ReadLayer& lines = out.layers.at("L_A");
  EXPECT_EQ(lines.epsg, 4509);  // CGCS2000 6-degree CM 117E, the system asked for
  // The inner frame's corner lies 160 m (the map margin) outside the area's
  // south-west corner, wherever UTM puts that corner.
  OGRSpatialReference utm;
  utm.importFromEPSG(32650);
  utm.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  OGRSpatialReference wgs;
  wgs.importFromEPSG(4326);
  wgs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  std::unique_ptr<OGRCoordinateTransformation> t(OGRCreateCoordinateTransformation(&utm, &wgs));
  double lon = 413000, lat = 4330000;
  ASSERT_TRUE(t && t->Transform(1, &lon, &lat));
  EXPECT_LT(DistanceToNearestVertex(lines, 4490, lon, lat), 300 / 111000.0);
  EXPECT_GT(DistanceToNearestVertex(lines, 4490, lon, lat), 100 / 111000.0);
}

// Frames on meridians without a coded zone, and WGS84 frames: the written
// system puts the sheet's south-west corner where it is.
TEST(CoordinateSystemsCli, WrittenSystemsPutTheFrameOnItsCorners) {
  TempDir dir;
  const struct {
    std::vector<std::string> options;
    const char* sheet;
    double west, south;  // the sheet's south-west corner
    const char* crsName;
    int geographicEpsg;
  } cases[] = {
      {{"--datum", "cgcs2000", "--central-meridian", "88"},
       "E45G095066",
       88.0625,
       16 + 1.0 / 24,
       "CGCS2000 / 3-degree Gauss-Kruger CM 88E",
       4490},
      {{"--datum", "xian80", "--zone-width", "6", "--central-meridian", "90"},
       "E45G095066",
       88.0625,
       16 + 1.0 / 24,
       "Xian 1980 / Gauss-Kruger CM 90E",
       4610},
      // West of 73.5E: the 3-degree zone of 72E, beyond the coded zones.
      {{"--datum", "cgcs2000"},
       "J43G001001",
       72,
       39 + 23.0 / 24,
       "CGCS2000 / 3-degree Gauss-Kruger CM 72E",
       4490},
      {{"--datum", "wgs84", "--zone-prefix"},
       "E45G095066",
       88.0625,
       16 + 1.0 / 24,
       "WGS 84 / 3-degree Gauss-Kruger zone 29",
       4326},
  };
  const char* outputs[] = {"f0.gpkg", "f1.gpkg", "f2.gpkg", "f3.gpkg"};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.crsName);
    const std::string output = dir / outputs[i];
    std::vector<std::string> args = {"sheet", c.sheet, "-o", output};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const CliResult r = RunCli(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const ReadStore store = ReadWithGdal(output);
    const ReadLayer* lines = LayerStartingWith(store, "L_");
    ASSERT_TRUE(lines);
    std::string quoted = "\"";
    quoted.append(c.crsName).append("\"");
    EXPECT_TRUE(Contains(lines->wkt, quoted)) << lines->wkt;
    EXPECT_LT(DistanceToNearestVertex(*lines, c.geographicEpsg, c.west, c.south), 1e-8);
  }
  // A zone number with a meridian of no zone describes no system.
  const CliResult prefix =
      RunCli({"sheet", "E45G095066", "-o", dir / "p.gpkg", "--central-meridian", "88", "--zone-prefix"});
  EXPECT_EQ(prefix.exitCode, 1);
  EXPECT_TRUE(Contains(prefix.err, "不能加带号")) << prefix.err;
  EXPECT_FALSE(fs::exists(dir / "p.gpkg"));
}

}  // namespace
}  // namespace tarvik::test
