#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "common/error.h"
#include "common/recording_feedback.h"
#include "coords/utBJ54Xian80.h"
#include "coords/ut5480SpatialReference.h"
#include "coords/utlbxy.h"
#include "support/test_support.h"

namespace tarvik {
namespace {

constexpr bool k3 = true, k6 = false;
constexpr bool kPrefix = true, kPlain = false;

TEST(ProjectedCodes, KnownZones) {
  EXPECT_EQ(Xian80ProjectedCode(15, k6, kPrefix), 2329);
  EXPECT_EQ(Xian80ProjectedCode(15, k6, kPlain), 2340);
  EXPECT_EQ(Xian80ProjectedCode(25, k3, kPrefix), 2349);
  EXPECT_EQ(Xian80ProjectedCode(45, k3, kPlain), 2390);
  EXPECT_EQ(Beijing54ProjectedCode(38, k3, kPrefix), 2414);
  EXPECT_EQ(Beijing54ProjectedCode(38, k3, kPlain), 2435);
  EXPECT_EQ(Beijing54ProjectedCode(13, k6, kPrefix), 21413);
  EXPECT_EQ(Beijing54ProjectedCode(13, k6, kPlain), 21473);
  EXPECT_EQ(Beijing54ProjectedCode(23, k6, kPlain), 21483);
}

// One zone too far lands on the code of an unrelated system; such zones
// have no reference.
TEST(ProjectedCodes, ZonesOutsideTheSeriesHaveNone) {
  const struct {
    int zone;
    bool threeDegree;
  } cases[] = {{24, k3}, {46, k3}, {12, k6}, {24, k6}, {0, k3}, {-13, k6}};
  for (const auto& c : cases) {
    for (bool prefix : {kPrefix, kPlain}) {
      EXPECT_EQ(Xian80ProjectedCode(c.zone, c.threeDegree, prefix), 0) << c.zone;
      EXPECT_EQ(Beijing54ProjectedCode(c.zone, c.threeDegree, prefix), 0) << c.zone;
      RecordingFeedback feedback;
      EXPECT_TRUE(MakeXian80Projected(c.zone, c.threeDegree, prefix, feedback).empty());
      EXPECT_TRUE(MakeBeijing54Projected(c.zone, c.threeDegree, prefix, feedback).empty());
      EXPECT_EQ(feedback.countOf("失败"), 2);
    }
  }
}

// Every reference made is the system its code names, with the central
// meridian and false easting the series use, and detection reads back the
// parameters it was made from.
TEST(ProjectedReferences, MatchTheSeriesAndDetectBack) {
  for (bool beijing : {false, true}) {
    for (bool threeDegree : {k3, k6}) {
      const int first = threeDegree ? 25 : 13, last = threeDegree ? 45 : 23;
      for (int zone = first; zone <= last; ++zone) {
        for (bool prefix : {kPrefix, kPlain}) {
          const long double cm = threeDegree ? zone * 3 : zone * 6 - 3;
          ASSERT_EQ(ZoneNumberOf(threeDegree, cm), zone);
          RecordingFeedback feedback;
          const SpatialReference ref =
              beijing ? MakeBeijing54Projected(zone, threeDegree, prefix, feedback)
                      : MakeXian80Projected(zone, threeDegree, prefix, feedback);
          ASSERT_FALSE(ref.empty()) << zone;
          EXPECT_TRUE(feedback.messages.empty());
          const int code = beijing ? Beijing54ProjectedCode(zone, threeDegree, prefix)
                                   : Xian80ProjectedCode(zone, threeDegree, prefix);
          EXPECT_EQ(ref.epsgCode(), code);  // 21473.. stay as they are
          EXPECT_FALSE(ref.domain().set);
          const OGRSpatialReference& o = *ref.ogr();
          EXPECT_STREQ(o.GetAttrValue("PROJECTION"), SRS_PT_TRANSVERSE_MERCATOR);
          EXPECT_EQ(o.GetProjParm(SRS_PP_CENTRAL_MERIDIAN), static_cast<double>(cm)) << code;
          EXPECT_EQ(o.GetProjParm(SRS_PP_FALSE_EASTING),
                    static_cast<double>(FalseEasting(threeDegree, prefix, cm)))
              << code;
          EXPECT_EQ(o.GetProjParm(SRS_PP_SCALE_FACTOR), 1.0);
          EXPECT_EQ(o.GetSemiMajor(), beijing ? 6378245.0 : 6378140.0);
          EXPECT_EQ(std::string(o.GetName()).find(beijing ? "Beijing 1954" : "Xian 1980"), 0u);

          DetectedCoordSys found{-1, !beijing, !threeDegree, !prefix, 0};
          EXPECT_TRUE(DetectCoordinateSystem(ref, found, feedback));
          EXPECT_EQ(found.kind, 0);
          EXPECT_EQ(found.isBeijing54, beijing);
          EXPECT_EQ(found.is3DegreeZone, threeDegree);
          EXPECT_EQ(found.addZoneNumber, prefix);
          EXPECT_EQ(found.centralMeridian, cm) << code;
        }
      }
    }
  }
}

TEST(GeographicReferences, CodesAndFixedDomain) {
  RecordingFeedback feedback;
  const SpatialReference xian = MakeXian80Geographic(feedback);
  const SpatialReference beijing = MakeBeijing54Geographic(feedback);
  EXPECT_TRUE(feedback.messages.empty());
  for (const auto* ref : {&xian, &beijing}) {
    ASSERT_FALSE(ref->empty());
    EXPECT_TRUE(ref->isGeographic());
    ASSERT_TRUE(ref->domain().set);
    EXPECT_EQ(ref->domain().xMin, 0);
    EXPECT_EQ(ref->domain().xMax, 360);
    EXPECT_EQ(ref->domain().yMin, 0);
    EXPECT_EQ(ref->domain().yMax, 90);
  }
  EXPECT_EQ(xian.epsgCode(), 4610);
  EXPECT_EQ(beijing.epsgCode(), 4214);
}

// Points go into every reference as (easting, northing) or (longitude,
// latitude), whatever the EPSG axis order, and land where the series put them.
TEST(ReferenceAxes, EastingAndLongitudeFirst) {
  SilentFeedback quiet;
  const SpatialReference geographic = MakeXian80Geographic(quiet);
  const SpatialReference projected = MakeXian80Projected(38, k3, kPrefix, quiet);
  std::unique_ptr<OGRCoordinateTransformation> transform(
      OGRCreateCoordinateTransformation(geographic.ogr(), projected.ogr()));
  ASSERT_TRUE(transform);
  double x = 114.25, y = 30.5;  // longitude, latitude
  ASSERT_TRUE(transform->Transform(1, &x, &y));
  const PlanarXY series = GaussForward(false, "30.5", "114.25", false, k3, kPrefix, 114);
  EXPECT_NEAR(x, static_cast<double>(series.y), 0.002);  // easting
  EXPECT_NEAR(y, static_cast<double>(series.x), 0.002);  // northing
}

struct Expected {
  int kind;
  bool beijing;
  bool threeDegree;
  bool prefix;
  long double cm;
};

void ExpectDetected(const SpatialReference& ref, const Expected& e, const std::string& what) {
  SCOPED_TRACE(what);
  ASSERT_FALSE(ref.empty());
  RecordingFeedback feedback;
  // Start from values no detection gives, so untouched outputs show.
  DetectedCoordSys found{-1, !e.beijing, !e.threeDegree, !e.prefix, -999};
  EXPECT_TRUE(DetectCoordinateSystem(ref, found, feedback));
  EXPECT_TRUE(feedback.messages.empty());
  EXPECT_EQ(found.kind, e.kind);
  if (e.kind == 0) {
    EXPECT_EQ(found.isBeijing54, e.beijing);
    EXPECT_EQ(found.is3DegreeZone, e.threeDegree);
    EXPECT_EQ(found.addZoneNumber, e.prefix);
    EXPECT_EQ(found.centralMeridian, e.cm);
  } else {
    EXPECT_EQ(found.centralMeridian, -999);
  }
}

const struct {
  int code;
  Expected expected;
} kDetections[] = {
    {2329, {0, false, k6, kPrefix, 87}},     {2340, {0, false, k6, kPlain, 87}},
    {2349, {0, false, k3, kPrefix, 75}},     {2362, {0, false, k3, kPrefix, 114}},
    {2383, {0, false, k3, kPlain, 114}},     {2414, {0, true, k3, kPrefix, 114}},
    {2435, {0, true, k3, kPlain, 114}},      {21413, {0, true, k6, kPrefix, 75}},
    {21423, {0, true, k6, kPrefix, 135}},    {21453, {0, true, k6, kPlain, 75}},
    {21463, {0, true, k6, kPlain, 135}},     {21473, {0, true, k6, kPlain, 75}},
    {21478, {0, true, k6, kPlain, 105}},     {4610, {30, false, k3, kPlain, 0}},
    {4214, {20, false, k3, kPlain, 0}},      {4326, {10, false, k3, kPlain, 0}},
};

TEST(DetectCoordinateSystem, EpsgCodes) {
  for (const auto& d : kDetections) {
    // FromEpsg takes the current code where EPSG deprecated one (21473 ->
    // 21453); both must read the same.
    ExpectDetected(SpatialReference::FromEpsg(d.code), d.expected, std::to_string(d.code));
    ExpectDetected(SpatialReference::FromEpsgAsIs(d.code), d.expected,
                   "as is " + std::to_string(d.code));
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

// ArcGIS writes .prj files in ESRI WKT without any code.
TEST(DetectCoordinateSystem, EsriWktWithoutCodes) {
  for (const auto& d : kDetections) {
    const std::string wkt = EsriWkt(d.code);
    ASSERT_EQ(wkt.find("AUTHORITY"), std::string::npos) << wkt;
    const SpatialReference ref = SpatialReference::FromWkt(wkt);
    EXPECT_EQ(ref.epsgCode(), 0);
    ExpectDetected(ref, d.expected, wkt);
  }
}

const char* const kXianGeogcs =
    "GEOGCS[\"GCS_Xian_1980\",DATUM[\"D_Xian_1980\",SPHEROID[\"Xian_1980\",6378140.0,298.257]],"
    "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";
const char* const kBeijingGeogcs =
    "GEOGCS[\"GCS_Beijing_1954\",DATUM[\"D_Beijing_1954\",SPHEROID[\"Krasovsky_1940\",6378245.0,"
    "298.3]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";

std::string ArcGisPrj(const std::string& name, const char* geogcs, const std::string& method,
                      double falseEasting, double centralMeridian) {
  return "PROJCS[\"" + name + "\"," + geogcs + ",PROJECTION[\"" + method +
         "\"],PARAMETER[\"False_Easting\"," + std::to_string(falseEasting) +
         "],PARAMETER[\"False_Northing\",0.0],PARAMETER[\"Central_Meridian\"," +
         std::to_string(centralMeridian) +
         "],PARAMETER[\"Scale_Factor\",1.0],PARAMETER[\"Latitude_Of_Origin\",0.0],UNIT[\"Meter\",1.0]]";
}

TEST(DetectCoordinateSystem, HandWrittenArcGisPrjTexts) {
  const struct {
    std::string prj;
    Expected expected;
  } cases[] = {
      {ArcGisPrj("Xian_1980_3_Degree_GK_CM_114E", kXianGeogcs, "Gauss_Kruger", 500000, 114),
       {0, false, k3, kPlain, 114}},
      {ArcGisPrj("Xian_1980_3_Degree_GK_Zone_38", kXianGeogcs, "Gauss_Kruger", 38500000, 114),
       {0, false, k3, kPrefix, 114}},
      {ArcGisPrj("Xian_1980_GK_Zone_19", kXianGeogcs, "Gauss_Kruger", 19500000, 111),
       {0, false, k6, kPrefix, 111}},
      {ArcGisPrj("Beijing_1954_GK_Zone_13N", kBeijingGeogcs, "Gauss_Kruger", 500000, 75),
       {0, true, k6, kPlain, 75}},
      {ArcGisPrj("Beijing_1954_3_Degree_GK_CM_117E", kBeijingGeogcs, "Gauss_Kruger", 500000, 117),
       {0, true, k3, kPlain, 117}},
      // Named by someone else, same parameters: still that system, and the
      // false easting alone tells the prefixed zone from the plain one.
      {ArcGisPrj("My_Survey_Grid", kXianGeogcs, "Transverse_Mercator", 38500000, 114),
       {0, false, k3, kPrefix, 114}},
      {ArcGisPrj("My_Survey_Grid", kXianGeogcs, "Transverse_Mercator", 500000, 114),
       {0, false, k3, kPlain, 114}},
      {kXianGeogcs, {30, false, k3, kPlain, 0}},
      {kBeijingGeogcs, {20, false, k3, kPlain, 0}},
  };
  for (const auto& c : cases) ExpectDetected(SpatialReference::FromWkt(c.prj), c.expected, c.prj);
}

// A name that promises one system with the parameters of another, or a
// meridian off every zone, is no confident match: the user is asked to set
// the parameters, and the outputs stay as they were.
TEST(DetectCoordinateSystem, UnidentifiableReferencesAskTheUser) {
  const std::string cases[] = {
      ArcGisPrj("Xian_1980_3_Degree_GK_CM_114E", kXianGeogcs, "Gauss_Kruger", 38500000, 114),
      ArcGisPrj("Local", kXianGeogcs, "Transverse_Mercator", 500000, 114.5),
      "LOCAL_CS[\"site grid\",UNIT[\"metre\",1]]",
  };
  for (const auto& wkt : cases) {
    const SpatialReference ref = SpatialReference::FromWkt(wkt);
    ASSERT_FALSE(ref.empty()) << wkt;
    EXPECT_EQ(IdentifyEpsgCode(ref), 0) << wkt;
    RecordingFeedback feedback;
    DetectedCoordSys found{-1, true, false, true, 111};
    EXPECT_TRUE(DetectCoordinateSystem(ref, found, feedback)) << wkt;
    EXPECT_EQ(feedback.countOf("无法自动识别坐标系统，自己设置有关参数"), 1);
    EXPECT_EQ(found.kind, 0);
    EXPECT_TRUE(found.isBeijing54);
    EXPECT_FALSE(found.is3DegreeZone);
    EXPECT_TRUE(found.addZoneNumber);
    EXPECT_EQ(found.centralMeridian, 111);
  }
}

// Other systems, including the neighbours of the Chinese code blocks (Hong
// Kong 1980 Grid 2326, Pulkovo 2399, JGD2000 2443, Belge Lambert 21500), are
// not recognised and change nothing.
TEST(DetectCoordinateSystem, OtherSystemsChangeNothing) {
  for (int code : {3857, 32650, 2326, 2399, 2443, 21500, 4490, 4555}) {
    for (const SpatialReference& ref :
         {SpatialReference::FromEpsg(code), SpatialReference::FromWkt(EsriWkt(code))}) {
      ASSERT_FALSE(ref.empty()) << code;
      RecordingFeedback feedback;
      DetectedCoordSys found{-1, true, false, true, 111};
      EXPECT_FALSE(DetectCoordinateSystem(ref, found, feedback)) << code;
      EXPECT_TRUE(feedback.messages.empty()) << code;
      EXPECT_EQ(found.kind, 0);
      EXPECT_TRUE(found.isBeijing54);
      EXPECT_FALSE(found.is3DegreeZone);
      EXPECT_TRUE(found.addZoneNumber);
      EXPECT_EQ(found.centralMeridian, 111);
    }
  }
}

TEST(DetectCoordinateSystem, NoReferenceIsAnError) {
  RecordingFeedback feedback;
  DetectedCoordSys found;
  try {
    DetectCoordinateSystem(SpatialReference(), found, feedback);
    FAIL() << "no error";
  } catch (const RunError& e) {
    EXPECT_STREQ(e.what(), "没有定义坐标系统");
  }
}

// The whole road: a shapefile whose .prj ArcGIS wrote, opened with GDAL.
TEST(DetectCoordinateSystem, ShapefileWithArcGisPrj) {
  GDALAllRegister();
  test::TempDir dir;
  const std::string shp = dir / "sheets.shp";
  {
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
    ASSERT_NE(driver, nullptr);
    std::unique_ptr<GDALDataset> ds(driver->Create(shp.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    ASSERT_TRUE(ds);
    ASSERT_NE(ds->CreateLayer("sheets", nullptr, wkbPolygon, nullptr), nullptr);
  }
  test::WriteFile(dir / "sheets.prj",
                  ArcGisPrj("Xian_1980_3_Degree_GK_Zone_39", kXianGeogcs, "Gauss_Kruger",
                            39500000, 117));
  std::unique_ptr<GDALDataset> ds(
      GDALDataset::Open(shp.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
  ASSERT_TRUE(ds);
  const SpatialReference ref = SpatialReference::FromOgr(ds->GetLayer(0)->GetSpatialRef());
  ExpectDetected(ref, {0, false, k3, kPrefix, 117}, ref.wkt());
}

}  // namespace
}  // namespace tarvik
