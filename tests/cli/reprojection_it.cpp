// Inputs in any coordinate system: the same county polygons written in the
// systems users have are framed in CGCS2000 3-degree CM 117E, and every
// frame lies where PROJ, asked independently (its own pipeline from PROJ
// strings, dense edges), puts the polygon; inputs across datums are refused
// unless the transformation is given.
#include <gtest/gtest.h>

#include <ogr_geometry.h>
#include <ogr_spatialref.h>

#include <cmath>
#include <filesystem>
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

// Three counties near Beijing, vertices in longitude/latitude.
const std::vector<std::vector<XY>> kCounties = {
    {{116.21, 39.12}, {116.48, 39.08}, {116.61, 39.25}, {116.55, 39.41}, {116.30, 39.44}, {116.18, 39.30}},
    {{116.70, 39.60}, {117.05, 39.55}, {117.12, 39.80}, {116.90, 39.95}, {116.68, 39.82}},
    {{117.30, 40.02}, {117.72, 40.05}, {117.80, 40.40}, {117.41, 40.46}},
};

// Helmert parameters of a made-up survey office, from Xi'an 1980 to WGS 84.
const char* kHelmert = "-17.5,84.2,43.1,0.12,-0.21,0.34,1.2";

std::unique_ptr<OGRCoordinateTransformation> Transform(const std::string& from, const std::string& to) {
  OGRSpatialReference a, b;
  a.SetFromUserInput(from.c_str());
  b.SetFromUserInput(to.c_str());
  a.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  b.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return std::unique_ptr<OGRCoordinateTransformation>(OGRCreateCoordinateTransformation(&a, &b));
}

std::vector<XY> Moved(const std::vector<XY>& ring, OGRCoordinateTransformation& t) {
  std::vector<XY> out = ring;
  for (XY& p : out) EXPECT_TRUE(t.Transform(1, &p.x, &p.y));
  return out;
}

struct Box {
  double xMin = INFINITY, yMin = INFINITY, xMax = -INFINITY, yMax = -INFINITY;
};

// The envelope of the polygon in the target, its edges followed in steps of
// `step` source units.
Box TrueEnvelope(const std::vector<XY>& ring, OGRCoordinateTransformation& t, double step) {
  Box b;
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const XY a = ring[i], c = ring[(i + 1) % ring.size()];
    const int n = static_cast<int>(std::ceil(std::hypot(c.x - a.x, c.y - a.y) / step)) + 1;
    for (int k = 0; k <= n; ++k) {
      double x = a.x + (c.x - a.x) * k / n, y = a.y + (c.y - a.y) * k / n;
      EXPECT_TRUE(t.Transform(1, &x, &y));
      b.xMin = std::min(b.xMin, x), b.xMax = std::max(b.xMax, x);
      b.yMin = std::min(b.yMin, y), b.yMax = std::max(b.yMax, y);
    }
  }
  return b;
}

// The inner frame of a polygon frame: the envelope widened by the map
// margin (160 m at 1:10 000) and cut to whole metres; its sides are the
// lines of ID 1 drawn the frame gap (80 m) beyond the corners.
Box InnerFrame(const ReadLayer& lines) {
  Box b;
  for (const auto& f : lines.features) {
    if (f.id() != 1) continue;
    for (const auto& part : f.parts)
      for (const XY& p : part) {
        b.xMin = std::min(b.xMin, p.x), b.xMax = std::max(b.xMax, p.x);
        b.yMin = std::min(b.yMin, p.y), b.yMax = std::max(b.yMax, p.y);
      }
  }
  return {b.xMin + 80, b.yMin + 80, b.xMax - 80, b.yMax - 80};
}

const char* kTarget =
    "+proj=tmerc +lat_0=0 +lon_0=117 +k=1 +x_0=500000 +y_0=0 +ellps=GRS80 +towgs84=0,0,0 +units=m +no_defs";

TEST(ReprojectionCli, PolygonsInAnySystemAreFramedWherePROJPutsThem) {
  const struct {
    int epsg;
    // The counties' source coordinates are made from longitude/latitude by
    // this system (Xi'an 1980 rows: the numbers are Xi'an 1980's own).
    const char* made;
    // The independent way into the target; the step along the edges.
    const char* truth;
    double step;
    bool helmert;
  } cases[] = {
      {4326, "EPSG:4326", "EPSG:4326", 1e-5, false},
      {4490, "EPSG:4490", "EPSG:4490", 1e-5, false},
      {32650, "EPSG:32650", "EPSG:32650", 1, false},
      {3857, "EPSG:3857", "EPSG:3857", 1, false},
      {4548, "EPSG:4548", "EPSG:4548", 1, false},
      {4527, "EPSG:4527", "EPSG:4527", 1, false},  // zone 39 with the zone number
      {2385, "+proj=tmerc +lon_0=120 +k=1 +x_0=500000 +ellps=IAU76 +no_defs",
       "+proj=tmerc +lat_0=0 +lon_0=120 +k=1 +x_0=500000 +y_0=0 +ellps=IAU76 "
       "+towgs84=-17.5,84.2,43.1,0.12,-0.21,0.34,1.2 +units=m +no_defs",
       1, true},
      {4610, "+proj=longlat +ellps=IAU76 +no_defs",
       "+proj=longlat +ellps=IAU76 +towgs84=-17.5,84.2,43.1,0.12,-0.21,0.34,1.2 +no_defs", 1e-5, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.epsg);
    TempDir dir;
    const auto make =
        Transform(std::string(c.helmert ? "+proj=longlat +ellps=IAU76 +no_defs" : "EPSG:4326"), c.made);
    std::vector<TestFeature> features;
    std::vector<std::vector<XY>> written;
    for (std::size_t i = 0; i < kCounties.size(); ++i) {
      written.push_back(Moved(kCounties[i], *make));
      features.push_back({{{"NAME", std::string(1, static_cast<char>('A' + i))}}, {written.back()}});
    }
    WriteTestShapefile(dir / "c.shp", c.epsg, {"NAME"}, features);
    std::vector<std::string> args = {
        "area",     dir / "c.shp",        "-o",  dir / "f.gpkg", "--name-template", "[NAME]",    "--datum",
        "cgcs2000", "--central-meridian", "117", "--planar",     "--set",           "rgisband=0"};
    if (c.helmert) {
      // Across datums nothing is guessed: refused naming both, then given.
      const CliResult refused = RunCli(args);
      EXPECT_EQ(refused.exitCode, 1) << refused.err;
      EXPECT_TRUE(Contains(refused.err, "Xian 1980") && Contains(refused.err, "CGCS2000")) << refused.err;
      EXPECT_FALSE(fs::exists(dir / "f.gpkg"));
      args.insert(args.end(), {"--towgs84", kHelmert});
    }
    const CliResult r = RunCli(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const ReadStore out = ReadWithGdal(dir / "f.gpkg");
    const auto truth = Transform(c.truth, kTarget);
    for (std::size_t i = 0; i < kCounties.size(); ++i) {
      const std::string name(1, static_cast<char>('A' + i));
      ASSERT_TRUE(out.has("L_" + name)) << r.out;
      const ReadLayer& lines = out.layers.at("L_" + name);
      EXPECT_EQ(lines.epsg, 4548);
      const Box e = TrueEnvelope(written[i], *truth, c.step);
      const Box f = InnerFrame(lines);
      EXPECT_EQ(f.xMin, std::trunc(e.xMin - 160)) << name;
      EXPECT_EQ(f.yMin, std::trunc(e.yMin - 160)) << name;
      EXPECT_EQ(f.xMax, std::trunc(e.xMax + 160)) << name;
      EXPECT_EQ(f.yMax, std::trunc(e.yMax + 160)) << name;
    }
  }
}

// A sheet index in CGCS2000 longitude/latitude framed in the plane gives the
// frames of the same index made in the plane: its sheets are read by their
// numbers.
TEST(ReprojectionCli, AGeographicIndexFramedInThePlaneIsTheIndexMadeInThePlane) {
  TempDir dir;
  for (const char* kind : {"plane", "geographic"}) {
    std::vector<std::string> make = {"make-index", "--scale",  "10000", "--bbox",
                                     "116",        "39",       "116.2", "39.1",
                                     "--datum",    "cgcs2000", "-o",    dir / (std::string(kind) + ".shp")};
    if (std::string(kind) == "geographic") make.push_back("--geographic");
    ASSERT_EQ(RunCli(make).exitCode, 0);
    const CliResult r =
        RunCli({"index", dir / (std::string(kind) + ".shp"), "-o", dir / (std::string(kind) + ".gpkg"),
                "--name-template", "[TFH]", "--planar", "--set", "edtField=TFH"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  const ReadStore plane = ReadWithGdal(dir / "plane.gpkg");
  const ReadStore geographic = ReadWithGdal(dir / "geographic.gpkg");
  ASSERT_EQ(plane.layers.size(), geographic.layers.size());
  for (const auto& [name, layer] : plane.layers) {
    if (name.rfind("L_", 0) && name.rfind("p_", 0) && name.rfind("a_", 0)) continue;
    SCOPED_TRACE(name);
    ASSERT_TRUE(geographic.has(name));
    const ReadLayer& other = geographic.layers.at(name);
    EXPECT_EQ(layer.epsg, 4548);
    EXPECT_EQ(other.epsg, 4548);
    ASSERT_EQ(layer.features.size(), other.features.size());
    for (std::size_t i = 0; i < layer.features.size(); ++i) {
      EXPECT_EQ(layer.features[i].fields, other.features[i].fields);
      EXPECT_EQ(layer.features[i].point.x, other.features[i].point.x);
      EXPECT_EQ(layer.features[i].point.y, other.features[i].point.y);
      ASSERT_EQ(layer.features[i].parts.size(), other.features[i].parts.size());
      for (std::size_t p = 0; p < layer.features[i].parts.size(); ++p)
        for (std::size_t k = 0; k < layer.features[i].parts[p].size(); ++k) {
          EXPECT_EQ(layer.features[i].parts[p][k].x, other.features[i].parts[p][k].x);
          EXPECT_EQ(layer.features[i].parts[p][k].y, other.features[i].parts[p][k].y);
        }
    }
  }
}

// What states no usable system is described by the options or refused; a
// transformation that moves the data kilometres is refused as mistyped.
TEST(ReprojectionCli, InputsWithoutAUsableSystem) {
  TempDir dir;
  const std::vector<XY> area = Rectangle(440000, 4330000, 445000, 4334000);
  WriteTestShapefile(dir / "none.shp", 0, {"NAME"}, {{{{"NAME", "A"}}, {area}}});
  const std::string base = (dir.path() / "none").string();
  for (const char* name : {"garbage", "local"}) {
    for (const char* ext : {".shp", ".shx", ".dbf"})
      fs::copy_file(base + ext, dir / (std::string(name) + ext));
  }
  WriteFile(dir / "garbage.prj", "NOT A SYSTEM");
  WriteFile(dir / "local.prj", "LOCAL_CS[\"site grid\",LOCAL_DATUM[\"x\",0],UNIT[\"metre\",1]]");
  WriteTestShapefile(dir / "xian.shp", 2385, {"NAME"}, {{{{"NAME", "A"}}, {area}}});
  const std::vector<std::string> described = {"--datum", "cgcs2000", "--central-meridian", "117"};
  const struct {
    const char* file;
    bool options;
    std::vector<std::string> more;
    int exitCode;
    const char* message;
  } cases[] = {
      {"none.shp", false, {}, 1, "没有定义坐标系统"},
      {"none.shp", true, {}, 0, "按所选的坐标系统读取"},
      {"garbage.prj", false, {}, 1, "无法识别：NOT A SYSTEM"},
      {"local.shp", false, {}, 1, "独立的本地坐标系"},
      {"local.shp", true, {}, 0, "按所选的坐标系统读取"},
      {"xian.shp", true, {"--towgs84", "9000,0,0,0,0,0,0"}, 1, "请检查参数"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + (c.options ? " described" : ""));
    std::string file = c.file;
    if (file == "garbage.prj") file = "garbage.shp";
    std::vector<std::string> args = {"area",   dir / file,   "-o", dir / "o.gpkg", "--name-template",
                                     "[NAME]", "--overwrite"};
    if (c.options) args.insert(args.end(), described.begin(), described.end());
    args.insert(args.end(), c.more.begin(), c.more.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_TRUE(Contains(r.err, c.message)) << r.err;
  }
}

}  // namespace
}  // namespace tarvik::test
