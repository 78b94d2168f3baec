#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "common/error.h"
#include "common/recording_feedback.h"
#include "coords/ut5480SpatialReference.h"
#include "coords/utBJ54Xian80.h"
#include "coords/utlbxy.h"
#include "frame/input_coordinates.h"
#include "support/test_support.h"

namespace tarvik {
namespace {

constexpr bool k3 = true, k6 = false;
constexpr bool kPrefix = true, kPlain = false;

CoordParams Params(Datum datum, bool threeDegree, bool prefix, long double cm) {
  return CoordParams{datum, threeDegree, prefix, cm};
}

TEST(ProjectedCodes, KnownZonesAndNoneOutsideTheBlocks) {
  const struct {
    Datum datum;
    int zone;
    bool threeDegree, prefix;
    int code;
  } cases[] = {
      {Datum::Xian80, 15, k6, kPrefix, 2329},
      {Datum::Xian80, 15, k6, kPlain, 2340},
      {Datum::Xian80, 25, k3, kPrefix, 2349},
      {Datum::Xian80, 45, k3, kPlain, 2390},
      {Datum::Beijing54, 38, k3, kPrefix, 2414},
      {Datum::Beijing54, 38, k3, kPlain, 2435},
      {Datum::Beijing54, 13, k6, kPrefix, 21413},
      {Datum::Beijing54, 13, k6, kPlain, 21473},
      {Datum::Cgcs2000, 13, k6, kPrefix, 4491},
      {Datum::Cgcs2000, 23, k6, kPrefix, 4501},
      {Datum::Cgcs2000, 13, k6, kPlain, 4502},
      {Datum::Cgcs2000, 25, k3, kPrefix, 4513},
      {Datum::Cgcs2000, 39, k3, kPlain, 4548},
      {Datum::Cgcs2000, 45, k3, kPlain, 4554},
      // One zone too far lands on an unrelated system's code; WGS84 has no
      // Gauss-Krueger codes at all.
      {Datum::Xian80, 24, k3, kPlain, 0},
      {Datum::Cgcs2000, 46, k3, kPrefix, 0},
      {Datum::Beijing54, 12, k6, kPlain, 0},
      {Datum::Wgs84, 39, k3, kPlain, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ProjectedEpsgCode(c.datum, c.zone, c.threeDegree, c.prefix), c.code) << c.code;
}

void ExpectTransverseMercator(const SpatialReference& ref, const CoordParams& p) {
  const OGRSpatialReference& o = *ref.ogr();
  EXPECT_STREQ(o.GetAttrValue("PROJECTION"), SRS_PT_TRANSVERSE_MERCATOR);
  EXPECT_EQ(o.GetProjParm(SRS_PP_CENTRAL_MERIDIAN), static_cast<double>(p.centralMeridian));
  EXPECT_EQ(o.GetProjParm(SRS_PP_FALSE_EASTING),
            static_cast<double>(FalseEasting(p.is3DegreeZone, p.addZoneNumber, p.centralMeridian)));
  EXPECT_EQ(o.GetProjParm(SRS_PP_SCALE_FACTOR, 1), 1.0);
  EXPECT_EQ(o.GetProjParm(SRS_PP_FALSE_NORTHING, 0), 0.0);
  EXPECT_EQ(o.GetSemiMajor(), InfoOf(p.datum).a);
  EXPECT_NEAR(o.GetInvFlattening(), InfoOf(p.datum).inverseFlattening, 1e-9);
}

void ExpectDetectedAs(const SpatialReference& ref, const CoordParams& p) {
  const DetectedCoordSys found = DetectCoordinateSystem(ref);
  EXPECT_EQ(found.kind, CoordSysKind::Projected);
  EXPECT_EQ(found.datum, p.datum);
  EXPECT_EQ(found.is3DegreeZone, p.is3DegreeZone);
  EXPECT_EQ(found.addZoneNumber, p.addZoneNumber);
  EXPECT_EQ(found.centralMeridian, p.centralMeridian);
}

// Every coded zone of every datum: the reference is the system its code
// names, with the meridian and false easting the series use, and detection
// reads back the parameters it was made from.
TEST(ProjectedReferences, EveryCodedZoneMatchesTheSeriesAndDetectsBack) {
  for (const DatumInfo& d : Datums()) {
    for (const EpsgZoneBlock& b : d.zoneBlocks) {
      if (!b.forOutput) continue;
      for (int zone = b.firstZone; zone < b.firstZone + b.zoneCount; ++zone) {
        const long double cm = b.is3Degree ? zone * 3 : zone * 6 - 3;
        const CoordParams p = Params(d.datum, b.is3Degree, b.addZone, cm);
        SCOPED_TRACE(std::string(d.key) + " zone " + std::to_string(zone));
        RecordingFeedback feedback;
        const SpatialReference ref = MakeProjectedReference(p, feedback);
        ASSERT_FALSE(ref.empty());
        EXPECT_TRUE(feedback.messages.empty());
        EXPECT_EQ(ref.epsgCode(), b.firstCode + zone - b.firstZone);  // 21473.. stay as they are
        EXPECT_FALSE(ref.domain().set);
        ExpectTransverseMercator(ref, p);
        ExpectDetectedAs(ref, p);
      }
    }
  }
}

// Meridians without a coded zone get a transverse Mercator of their own, on
// the run's datum, never the neighbouring zone's code; written to WKT and
// read back, it is recognised as what it was made from.
TEST(ProjectedReferences, MeridiansWithoutACodeGetTheirOwnSystem) {
  const struct {
    CoordParams p;
    const char* name;
  } cases[] = {
      {Params(Datum::Cgcs2000, k3, kPlain, 88), "CGCS2000 / 3-degree Gauss-Kruger CM 88E"},
      {Params(Datum::Xian80, k6, kPlain, 90), "Xian 1980 / Gauss-Kruger CM 90E"},
      {Params(Datum::Beijing54, k3, kPlain, 72), "Beijing 1954 / 3-degree Gauss-Kruger CM 72E"},
      {Params(Datum::Cgcs2000, k3, kPrefix, 138), "CGCS2000 / 3-degree Gauss-Kruger zone 46"},
      {Params(Datum::Wgs84, k3, kPlain, 117), "WGS 84 / 3-degree Gauss-Kruger CM 117E"},
      {Params(Datum::Wgs84, k6, kPrefix, 117), "WGS 84 / Gauss-Kruger zone 20"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SilentFeedback quiet;
    const SpatialReference ref = MakeProjectedReference(c.p, quiet);
    ASSERT_FALSE(ref.empty());
    EXPECT_EQ(ref.epsgCode(), 0);
    EXPECT_EQ(ref.name(), c.name);
    ExpectTransverseMercator(ref, c.p);
    ExpectDetectedAs(SpatialReference::FromWkt(ref.wkt()), c.p);
  }
  // A zone number in the eastings with a meridian of no zone describes no system.
  SilentFeedback quiet;
  EXPECT_THROW(MakeProjectedReference(Params(Datum::Cgcs2000, k3, kPrefix, 88), quiet), RunError);
  EXPECT_THROW(MakeProjectedReference(Params(Datum::Xian80, k6, kPrefix, 90), quiet), RunError);
}

TEST(GeographicReferences, CodesAndFixedDomain) {
  const std::pair<Datum, int> cases[] = {
      {Datum::Xian80, 4610}, {Datum::Beijing54, 4214}, {Datum::Wgs84, 4326}, {Datum::Cgcs2000, 4490}};
  for (const auto& [datum, code] : cases) {
    RecordingFeedback feedback;
    const SpatialReference ref = MakeGeographicReference(datum, feedback);
    EXPECT_TRUE(feedback.messages.empty());
    ASSERT_FALSE(ref.empty());
    EXPECT_EQ(ref.epsgCode(), code);
    EXPECT_TRUE(ref.isGeographic());
    ASSERT_TRUE(ref.domain().set);
    EXPECT_EQ(ref.domain().xMax, 360);
    EXPECT_EQ(ref.domain().yMax, 90);
    const DetectedCoordSys found = DetectCoordinateSystem(ref);
    EXPECT_EQ(found.kind, CoordSysKind::Geographic);
    EXPECT_EQ(found.datum, datum);
  }
}

// Points go into every reference as (easting, northing) or (longitude,
// latitude), whatever the EPSG axis order, and land where the series put
// them: within a millimetre for the textbook datums, a micrometre for the
// others; custom meridians included.
TEST(ReferenceAxes, GdalPutsTheSeriesPositionsBackOnTheirLongitudeAndLatitude) {
  const CoordParams cases[] = {
      Params(Datum::Xian80, k3, kPrefix, 114),
      Params(Datum::Cgcs2000, k3, kPlain, 117),
      Params(Datum::Cgcs2000, k3, kPlain, 88),
      Params(Datum::Wgs84, k6, kPlain, 117),
  };
  for (const CoordParams& p : cases) {
    SilentFeedback quiet;
    const SpatialReference projected = MakeProjectedReference(p, quiet);
    const SpatialReference geographic = MakeGeographicReference(p.datum, quiet);
    std::unique_ptr<OGRCoordinateTransformation> transform(
        OGRCreateCoordinateTransformation(projected.ogr(), geographic.ogr()));
    ASSERT_TRUE(transform);
    const long double lon = p.centralMeridian + 1.25L, lat = 30.5L;
    const PlanarXY xy = LBToXY(p, lat, lon);
    double x = static_cast<double>(xy.easting), y = static_cast<double>(xy.northing);  // easting, northing
    ASSERT_TRUE(transform->Transform(1, &x, &y));
    const double tolerance = InfoOf(p.datum).textbook ? 1e-8 : 1e-11;  // degrees
    EXPECT_NEAR(x, static_cast<double>(lon), tolerance) << projected.name();
    EXPECT_NEAR(y, static_cast<double>(lat), tolerance) << projected.name();
  }
}

std::string EsriWkt(int code) {
  OGRSpatialReference ref;
  if (ref.importFromEPSG(code) != OGRERR_NONE) return {};
  ref.morphToESRI();
  char* text = nullptr;
  ref.exportToWkt(&text);
  std::string wkt = text ? text : "";
  CPLFree(text);
  return wkt;
}

// A shapefile whose .prj holds the text, opened with GDAL as an input is.
SpatialReference ThroughShapefile(const std::string& prj) {
  test::TempDir dir;
  const std::string shp = dir / "sheets.shp";
  {
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
    std::unique_ptr<GDALDataset> ds(driver->Create(shp.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!ds || !ds->CreateLayer("sheets", nullptr, wkbPolygon, nullptr)) return {};
  }
  test::WriteFile(dir / "sheets.prj", prj);
  std::unique_ptr<GDALDataset> ds(
      GDALDataset::Open(shp.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
  return ds ? SpatialReference::FromOgr(ds->GetLayer(0)->GetSpatialRef()) : SpatialReference();
}

struct Detection {
  int code;
  const char* esriName;  // as ArcGIS names it in a .prj (empty: not checked)
  CoordSysKind kind;
  Datum datum;
  bool threeDegree, prefix;
  long double cm;
};

const Detection kDetections[] = {
    {2329, "", CoordSysKind::Projected, Datum::Xian80, k6, kPrefix, 87},
    {2340, "", CoordSysKind::Projected, Datum::Xian80, k6, kPlain, 87},
    {2362, "", CoordSysKind::Projected, Datum::Xian80, k3, kPrefix, 114},
    {2383, "", CoordSysKind::Projected, Datum::Xian80, k3, kPlain, 114},
    {2414, "", CoordSysKind::Projected, Datum::Beijing54, k3, kPrefix, 114},
    {2435, "", CoordSysKind::Projected, Datum::Beijing54, k3, kPlain, 114},
    {21413, "", CoordSysKind::Projected, Datum::Beijing54, k6, kPrefix, 75},
    {21463, "", CoordSysKind::Projected, Datum::Beijing54, k6, kPlain, 135},
    {21478, "", CoordSysKind::Projected, Datum::Beijing54, k6, kPlain, 105},
    {4491, "CGCS2000_GK_Zone_13", CoordSysKind::Projected, Datum::Cgcs2000, k6, kPrefix, 75},
    {4498, "CGCS2000_GK_Zone_20", CoordSysKind::Projected, Datum::Cgcs2000, k6, kPrefix, 117},
    {4509, "CGCS2000_GK_CM_117E", CoordSysKind::Projected, Datum::Cgcs2000, k6, kPlain, 117},
    {4527, "CGCS2000_3_Degree_GK_Zone_39", CoordSysKind::Projected, Datum::Cgcs2000, k3, kPrefix, 117},
    {4548, "CGCS2000_3_Degree_GK_CM_117E", CoordSysKind::Projected, Datum::Cgcs2000, k3, kPlain, 117},
    {4554, "CGCS2000_3_Degree_GK_CM_135E", CoordSysKind::Projected, Datum::Cgcs2000, k3, kPlain, 135},
    {4610, "", CoordSysKind::Geographic, Datum::Xian80, k3, kPlain, 0},
    {4214, "", CoordSysKind::Geographic, Datum::Beijing54, k3, kPlain, 0},
    {4326, "", CoordSysKind::Geographic, Datum::Wgs84, k3, kPlain, 0},
    {4490, "GCS_China_Geodetic_Coordinate_System_2000", CoordSysKind::Geographic, Datum::Cgcs2000, k3, kPlain,
     0},
};

void ExpectDetected(const SpatialReference& ref, const Detection& d) {
  ASSERT_FALSE(ref.empty());
  const DetectedCoordSys found = DetectCoordinateSystem(ref);
  EXPECT_EQ(found.kind, d.kind);
  EXPECT_EQ(found.datum, d.datum);
  if (d.kind != CoordSysKind::Projected) return;
  EXPECT_EQ(found.is3DegreeZone, d.threeDegree);
  EXPECT_EQ(found.addZoneNumber, d.prefix);
  EXPECT_EQ(found.centralMeridian, d.cm);
}

// From the code (FromEpsg takes the current code where EPSG deprecated one:
// 21478 -> 21458), and from the ESRI .prj ArcGIS writes, which carries none.
TEST(DetectCoordinateSystem, EveryBlockFromItsCodeAndFromItsEsriPrj) {
  GDALAllRegister();
  for (const auto& d : kDetections) {
    SCOPED_TRACE(d.code);
    ExpectDetected(SpatialReference::FromEpsg(d.code), d);
    ExpectDetected(SpatialReference::FromEpsgAsIs(d.code), d);
    const std::string wkt = EsriWkt(d.code);
    ASSERT_EQ(wkt.find("AUTHORITY"), std::string::npos) << wkt;
    if (*d.esriName) {
      EXPECT_NE(wkt.find(std::string("\"") + d.esriName + "\""), std::string::npos) << wkt;
    }
    ExpectDetected(ThroughShapefile(wkt), d);
  }
}

const char* const kXianGeogcs =
    "GEOGCS[\"GCS_Xian_1980\",DATUM[\"D_Xian_1980\",SPHEROID[\"Xian_1980\",6378140.0,298.257]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";

std::string ArcGisPrj(const std::string& name, const char* geogcs, const std::string& method,
                      double falseEasting, double centralMeridian) {
  return "PROJCS[\"" + name + "\"," + geogcs + ",PROJECTION[\"" + method +
         "\"],PARAMETER[\"False_Easting\"," + std::to_string(falseEasting) +
         "],PARAMETER[\"False_Northing\",0.0],PARAMETER[\"Central_Meridian\"," +
         std::to_string(centralMeridian) +
         "],PARAMETER[\"Scale_Factor\",1.0],PARAMETER[\"Latitude_Of_Origin\",0.0],UNIT[\"Meter\",1.0]]";
}

// Named by someone else, the parameters decide: the false easting alone
// tells the prefixed zone from the plain one, and a local meridian is read
// as it is (the run then refuses it when it is not a whole degree).
TEST(DetectCoordinateSystem, HandWrittenPrjTextsByTheirParameters) {
  const struct {
    std::string prj;
    Detection expected;
  } cases[] = {
      {ArcGisPrj("Xian_1980_3_Degree_GK_Zone_38", kXianGeogcs, "Gauss_Kruger", 38500000, 114),
       {0, "", CoordSysKind::Projected, Datum::Xian80, k3, kPrefix, 114}},
      {ArcGisPrj("Xian_1980_GK_Zone_19", kXianGeogcs, "Gauss_Kruger", 19500000, 111),
       {0, "", CoordSysKind::Projected, Datum::Xian80, k6, kPrefix, 111}},
      {ArcGisPrj("My_Survey_Grid", kXianGeogcs, "Transverse_Mercator", 38500000, 114),
       {0, "", CoordSysKind::Projected, Datum::Xian80, k3, kPrefix, 114}},
      {ArcGisPrj("City_Grid", kXianGeogcs, "Transverse_Mercator", 500000, 114.5),
       {0, "", CoordSysKind::Projected, Datum::Xian80, k3, kPlain, 114.5L}},
      {kXianGeogcs, {0, "", CoordSysKind::Geographic, Datum::Xian80, k3, kPlain, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.prj);
    ExpectDetected(SpatialReference::FromWkt(c.prj), c.expected);
  }
  const InputCoordinates local = InputCoordinatesOf(SpatialReference::FromWkt(cases[3].prj));
  EXPECT_FALSE(local.recognised);
  EXPECT_NE(local.description.find("114.5"), std::string::npos) << local.description;
}

// UTM, Web Mercator, New Beijing, the neighbours of the Chinese code blocks
// (Hong Kong 1980 Grid 2326, Pulkovo 2399, JGD2000 2443, Belge Lambert
// 21500), a TM on a datum of the table with another scale, and a local grid:
// not recognised, and named for the message.
TEST(DetectCoordinateSystem, OtherSystemsAreNotRecognisedAndNamed) {
  for (int code : {3857, 32650, 2326, 2399, 2443, 21500, 4555, 4579}) {
    for (const SpatialReference& ref :
         {SpatialReference::FromEpsg(code), SpatialReference::FromWkt(EsriWkt(code))}) {
      ASSERT_FALSE(ref.empty()) << code;
      const DetectedCoordSys found = DetectCoordinateSystem(ref);
      EXPECT_EQ(found.kind, CoordSysKind::Unrecognised) << code;
      EXPECT_NE(found.description.find(ref.name()), std::string::npos) << found.description;
    }
  }
  EXPECT_EQ(
      DetectCoordinateSystem(SpatialReference::FromWkt("LOCAL_CS[\"site grid\",UNIT[\"metre\",1]]")).kind,
      CoordSysKind::Unrecognised);
  EXPECT_NE(DetectCoordinateSystem(SpatialReference::FromEpsg(32650)).description.find("(EPSG:32650)"),
            std::string::npos);
  try {
    DetectCoordinateSystem(SpatialReference());
    FAIL() << "no error";
  } catch (const RunError& e) {
    EXPECT_STREQ(e.what(), "没有定义坐标系统");
  }
}

}  // namespace
}  // namespace tarvik
