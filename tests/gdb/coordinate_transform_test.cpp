// Transforming an input's coordinates into the run's output system: exact on
// one datum, WGS 84 = CGCS2000 with a note, across datums only with the
// user's parameters or pipeline, and envelopes that keep the bulge of edges.
#include "gdb/coordinate_transform.h"

#include <gtest/gtest.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>

#include "common/error.h"

namespace tarvik {
namespace {

const std::string kGk117 = " +step +proj=tmerc +lon_0=117 +x_0=500000";
const std::string kDeg = "+proj=pipeline +step +proj=unitconvert +xy_in=deg +xy_out=rad";
const std::string kInv = "+proj=pipeline +step +inv +proj=";

// An EPSG system, or for 0 a Gauss-Krueger system on WGS 84 at 117E.
SpatialReference Ref(int code) {
  return code ? SpatialReference::FromEpsg(code)
              : SpatialReference::TransverseMercator(4326, "WGS 84 / GK CM 117E", 117, 500000);
}

SpatialReference Esri(const std::string& datum, const std::string& spheroid) {
  return SpatialReference::FromWkt("GEOGCS[\"GCS\",DATUM[\"" + datum + "\",SPHEROID[" + spheroid +
                                   "]],PRIMEM[\"Greenwich\",0],UNIT[\"Degree\",0.0174532925199433]]");
}

// Raw PROJ, no coordinate systems and no axis handling: the reference.
Point2 ViaProj(const std::string& pipeline, Point2 p) {
  OGRCoordinateTransformationOptions options;
  options.SetCoordinateOperation(pipeline.c_str(), false);
  std::unique_ptr<OGRCoordinateTransformation> ct(
      OGRCreateCoordinateTransformation(nullptr, nullptr, options));
  EXPECT_TRUE(ct && ct->Transform(1, &p.x, &p.y)) << pipeline;
  return p;
}

Point2 Through(CoordinateTransform& ct, Point2 p) {
  std::vector<double> x{p.x}, y{p.y};
  EXPECT_TRUE(ct.transform(x, y)) << ct.description();
  return {x[0], y[0]};
}

TEST(CoordinateTransform, OneDatumAndWgs84Cgcs2000AgreeWithProjToAMillimetre) {
  const struct {
    int source, target;
    Point2 point;
    std::string reference;
    bool note;
  } cases[] = {
      {4490, 4548, {118.3, 41.2}, kDeg + kGk117 + " +ellps=GRS80", false},
      {4527, 4548, {39560000, 3874000}, kInv + "tmerc +lon_0=117 +x_0=39500000 +ellps=GRS80" + kGk117, false},
      {2385, 2384, {271800, 3877400}, kInv + "tmerc +lon_0=120 +x_0=500000 +ellps=IAU76" + kGk117, false},
      {4326, 0, {115.6, 23.1}, kDeg + kGk117 + " +ellps=WGS84", false},
      {32650, 0, {630000, 4400000}, kInv + "utm +zone=50 +ellps=WGS84" + kGk117 + " +ellps=WGS84", false},
      {3857, 0, {13050000, 4160000}, kInv + "webmerc +ellps=WGS84" + kGk117 + " +ellps=WGS84", false},
      // WGS 84 and CGCS2000 as one datum: only the ellipsoids differ.
      {32650, 4548, {630000, 4400000}, kInv + "utm +zone=50 +ellps=WGS84" + kGk117 + " +ellps=GRS80", true},
      {4548,
       4326,
       {545000, 3874000},
       kInv + "tmerc +lon_0=117 +x_0=500000 +step +proj=unitconvert +xy_in=rad +xy_out=deg",
       true},
  };
  for (const auto& c : cases) {
    CoordinateTransform ct(Ref(c.source), Ref(c.target));
    // The reference ends on the target's ellipsoid (GRS80 unless told).
    const std::string reference = c.reference + (c.target == 2384 ? " +ellps=IAU76" : "");
    const Point2 got = Through(ct, c.point), want = ViaProj(reference, c.point);
    const double tolerance = c.target == 4326 ? 1e-8 : 1e-3;
    EXPECT_NEAR(got.x, want.x, tolerance) << ct.description();
    EXPECT_NEAR(got.y, want.y, tolerance) << ct.description();
    EXPECT_FALSE(ct.isIdentity()) << ct.description();
    EXPECT_EQ(ct.description().find("视为相同") != std::string::npos, c.note) << ct.description();
  }
}

TEST(CoordinateTransform, DatumsAreReadFromCodesAndEsriNames) {
  const SpatialReference esriGk = SpatialReference::FromWkt(
      "PROJCS[\"Xian_1980_3_Degree_GK_CM_117E\",GEOGCS[\"GCS_Xian_1980\",DATUM[\"D_Xian_1980\",SPHEROID["
      "\"Xian_1980\",6378140,298.257]],PRIMEM[\"Greenwich\",0],UNIT[\"Degree\",0.0174532925199433]],"
      "PROJECTION[\"Gauss_Kruger\"],PARAMETER[\"False_Easting\",500000],PARAMETER[\"False_Northing\",0],"
      "PARAMETER[\"Central_Meridian\",117],PARAMETER[\"Scale_Factor\",1],PARAMETER[\"Latitude_Of_Origin\",0],"
      "UNIT[\"Meter\",1]]");
  const struct {
    SpatialReference source;
    int target;
    DatumRelation relation;
    std::optional<Datum> datum;
  } cases[] = {
      {Esri("D_China_2000", "\"CGCS2000\",6378137,298.257222101"), 4548, DatumRelation::Same,
       Datum::Cgcs2000},
      {esriGk, 2384, DatumRelation::Same, Datum::Xian80},
      {Esri("D_Beijing_1954", "\"Krasovsky_1940\",6378245,298.3"), 4548, DatumRelation::Different,
       Datum::Beijing54},
      {Esri("D_WGS_1984", "\"WGS_1984\",6378137,298.257223563"), 4548, DatumRelation::Wgs84Cgcs2000,
       Datum::Wgs84},
      {Ref(4555), 4548, DatumRelation::Different, std::nullopt},  // New Beijing
  };
  for (const auto& c : cases) {
    const DatumPair pair = DatumPairOf(c.source, Ref(c.target));
    EXPECT_EQ(pair.relation, c.relation) << c.source.name();
    EXPECT_EQ(pair.source, c.datum) << c.source.name();
    EXPECT_EQ(pair.note.empty(), c.relation != DatumRelation::Wgs84Cgcs2000) << c.source.name();
  }
  // The ESRI form of a zone and its EPSG code give the same coordinates.
  EXPECT_TRUE(CoordinateTransform(esriGk, Ref(2384)).isIdentity());
}

TEST(CoordinateTransform, DenseEnvelopeHoldsTheBulgeOfStraightEdges) {
  const struct {
    int source;
    Envelope box;
  } cases[] = {{4326, {115.5, 39, 119.5, 41}}, {3857, {12857000, 4740000, 13302000, 5020000}}};
  for (const auto& c : cases) {
    CoordinateTransform ct(Ref(c.source), Ref(4548));
    std::vector<double> x, y;  // the edges at 4000 points each: the reference
    for (int i = 0; i <= 4000; ++i) {
      const double along = c.box.xMin + i / 4000.0 * (c.box.xMax - c.box.xMin);
      const double up = c.box.yMin + i / 4000.0 * (c.box.yMax - c.box.yMin);
      x.insert(x.end(), {along, along, c.box.xMin, c.box.xMax});
      y.insert(y.end(), {c.box.yMin, c.box.yMax, up, up});
    }
    ASSERT_TRUE(ct.transform(x, y));
    const auto got = ct.envelopeOf(EnvelopePolygon(c.box));
    ASSERT_TRUE(got);
    EXPECT_NEAR(got->xMin, *std::min_element(x.begin(), x.end()), 0.02);
    EXPECT_NEAR(got->xMax, *std::max_element(x.begin(), x.end()), 0.02);
    EXPECT_NEAR(got->yMin, *std::min_element(y.begin(), y.end()), 0.02);  // 1.9 km below the corners
    EXPECT_NEAR(got->yMax, *std::max_element(y.begin(), y.end()), 0.02);
  }
}

// Geocentric position of longitude/latitude (degrees) at height 0, and back.
using Xyz = std::array<double, 3>;
Xyz Geocentric(double a, double invf, Point2 p) {
  const double e2 = (2 - 1 / invf) / invf, lon = p.x * M_PI / 180, lat = p.y * M_PI / 180;
  const double n = a / std::sqrt(1 - e2 * std::sin(lat) * std::sin(lat));
  return {n * std::cos(lat) * std::cos(lon), n * std::cos(lat) * std::sin(lon), n * (1 - e2) * std::sin(lat)};
}
Point2 Geodetic(double a, double invf, Xyz g) {
  const double e2 = (2 - 1 / invf) / invf, p = std::hypot(g[0], g[1]);
  double lat = std::atan2(g[2], p);
  for (int i = 0; i < 10; ++i)
    lat = std::atan2(g[2] + e2 * a / std::sqrt(1 - e2 * std::sin(lat) * std::sin(lat)) * std::sin(lat), p);
  return {std::atan2(g[1], g[0]) * 180 / M_PI, lat * 180 / M_PI};
}

TEST(CoordinateTransform, SevenParametersMoveGeocentricPositionsAsPositionVectors) {
  const HelmertParameters shift{100, 0, 0, 0, 0, 0, 0}, turn{-20, 85, 31, 0, 0, 1.5, 0},
      tilt{0, 0, 0, 0.4, -0.7, 0, 2};
  const std::string swap = " +step +proj=axisswap +order=2,1";
  const struct {
    GivenTransformation given;
    HelmertParameters h;
  } cases[] = {
      {shift, shift},
      {turn, turn},  // X' = X - rz Y, Y' = Y + rz X
      {tilt, tilt},
      // The shift as a pipeline: EPSG:4610 and EPSG:4490 state latitude first.
      {ProjPipeline{"+proj=pipeline" + swap +
                    " +step +proj=unitconvert +xy_in=deg +xy_out=rad +step +proj=cart "
                    "+ellps=IAU76 +step +proj=helmert +x=100 +step +inv +proj=cart +ellps=GRS80 "
                    "+step +proj=unitconvert +xy_in=rad +xy_out=deg" +
                    swap},
       shift},
  };
  const double sec = M_PI / 180 / 3600;
  const Point2 p{117.4, 36.1};
  for (const auto& [given, h] : cases) {
    CoordinateTransform ct(Ref(4610), Ref(4490), given);
    const Xyz g = Geocentric(6378140, 298.257, p);
    const double s = 1 + h.ds * 1e-6, rx = h.rx * sec, ry = h.ry * sec, rz = h.rz * sec;
    const Xyz moved{h.dx + s * (g[0] - rz * g[1] + ry * g[2]), h.dy + s * (rz * g[0] + g[1] - rx * g[2]),
                    h.dz + s * (-ry * g[0] + rx * g[1] + g[2])};
    const Point2 want = Geodetic(6378137, 298.257222101, moved), got = Through(ct, p);
    EXPECT_NEAR(got.x, want.x, 1e-9) << ct.description();
    EXPECT_NEAR(got.y, want.y, 1e-9) << ct.description();
  }
  EXPECT_EQ(CoordinateTransform(Ref(4610), Ref(4490), turn).description(),
            "Xian 1980 (EPSG:4610) → China Geodetic Coordinate System 2000 (EPSG:4490)；"
            "Helmert +towgs84=-20,85,31,0,0,1.5,0");
}

TEST(CoordinateTransform, RefusalsSayWhy) {
  const HelmertParameters dx100{100, 0, 0, 0, 0, 0, 0};
  const struct {
    int source, target;
    std::optional<GivenTransformation> given;
    const char* says;
  } cases[] = {
      {4610, 4548, std::nullopt, "“Xian 1980”（西安80）"},
      {4214, 4326, std::nullopt, "“Beijing 1954”（北京54）"},  // PROJ has oil-field transformations
      {4555, 4548, std::nullopt, "New Beijing"},
      {4326, 4548, dx100, "都在 WGS 84 或 CGCS2000 上"},
      {2436, 2384, dx100, "都不在 WGS 84 或 CGCS2000 上"},  // Beijing 1954 to Xi'an 1980
      {4610, 4548, HelmertParameters{1e5, 0, 0, 0, 0, 0, 0}, "检验点"},
      // Easting first out, where EPSG:4548 states northing first.
      {32650, 4548, ProjPipeline{kInv + "utm +zone=50 +ellps=WGS84" + kGk117 + " +ellps=GRS80"},
       "坐标轴顺序"},
      {2384, 4548, ProjPipeline{"+proj=pipeline +step +proj=nosuch"}, "+proj=nosuch"},
  };
  for (const auto& c : cases) {
    try {
      CoordinateTransform(Ref(c.source), Ref(c.target), c.given);
      ADD_FAILURE() << c.source << " accepted";
    } catch (const RunError& e) {
      const std::string msg = e.what();
      EXPECT_NE(msg.find(c.says), std::string::npos) << msg;
      if (c.given) continue;  // datums apart: both systems named, the parameters asked for
      EXPECT_NE(msg.find("“" + Ref(c.target).name() + "”"), std::string::npos) << msg;
      EXPECT_NE(msg.find("+towgs84"), std::string::npos) << msg;
    }
  }
}

TEST(CoordinateTransform, SevenParameterTexts) {
  const auto ok = ParseHelmert(" +towgs84=-15.8, 148.1 ,-3.5，0.5,-0.2,+1.1,2.3e-1 ");
  ASSERT_TRUE(ok.parameters) << ok.reason;
  EXPECT_EQ(*ok.parameters, (HelmertParameters{-15.8, 148.1, -3.5, 0.5, -0.2, 1.1, 0.23}));
  const struct {
    const char *text, *reason;
  } bad[] = {{"", "没有给出"},
             {"1,2,3", "3 个"},
             {"1,2,3,4,5,6,7,", "8 个"},
             {"1,2,x,4,5,6,7", "第 3 个“x”"},
             {"1,2,3,4,5,6,nan", "第 7 个"},
             {"1,,3,4,5,6,7", "第 2 个"},
             {"1,2,3,4,5,6,7m", "第 7 个“7m”"}};
  for (const auto& c : bad) {
    const auto r = ParseHelmert(c.text);
    EXPECT_FALSE(r.parameters) << c.text;
    EXPECT_NE(r.reason.find(c.reason), std::string::npos) << c.text << ": " << r.reason;
  }
}

TEST(CoordinateTransform, FailuresComeBackAsFailures) {
  CoordinateTransform ct(Ref(4326), Ref(4548));
  std::vector<double> x{117, 118}, y{35};
  EXPECT_FALSE(ct.transform(x, y));
  x = {117, 117}, y = {35, 95};
  EXPECT_FALSE(ct.transform(x, y));
  EXPECT_FALSE(ct.envelopeOf(Geometry::Line({{117, 35}, {NAN, 36}})));
}

}  // namespace
}  // namespace tarvik
