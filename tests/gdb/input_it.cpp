// Shapefile input built with GDAL in the test: encodings, field listings,
// distinct values, attribute and point queries.
#include <gtest/gtest.h>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <filesystem>

#include "common/error.h"
#include "common/gbk.h"
#include "common/recording_feedback.h"
#include "gdb/class_queries.h"
#include "support/test_support.h"

namespace tarvik {
namespace {

struct Sheet {
  std::string name;  // UTF-8
  int code;
  double x, y;  // lower-left corner; sheets are 1000 x 1000
};

// A polygon shapefile with fields NAME, CODE and SHAPE_AREA. `encoding` is
// the shapefile driver's ENCODING option: "" writes the bytes of `names` as
// they are and no .cpg.
void WriteSheets(const std::string& path, const std::vector<Sheet>& sheets, const std::string& encoding,
                 bool gbkBytes, int epsg = 2364) {
  GDALAllRegister();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
  GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  ASSERT_NE(ds, nullptr);
  OGRSpatialReference srs;
  if (epsg) srs.importFromEPSG(epsg);
  char** options = CSLSetNameValue(nullptr, "ENCODING", encoding.c_str());
  OGRLayer* layer =
      ds->CreateLayer(std::filesystem::path(path).stem().c_str(), epsg ? &srs : nullptr, wkbPolygon, options);
  CSLDestroy(options);
  ASSERT_NE(layer, nullptr);
  OGRFieldDefn name("NAME", OFTString);
  name.SetWidth(40);
  OGRFieldDefn code("CODE", OFTInteger);
  OGRFieldDefn area("SHAPE_AREA", OFTReal);
  ASSERT_EQ(layer->CreateField(&name), OGRERR_NONE);
  ASSERT_EQ(layer->CreateField(&code), OGRERR_NONE);
  ASSERT_EQ(layer->CreateField(&area), OGRERR_NONE);
  for (const auto& s : sheets) {
    OGRFeature* f = OGRFeature::CreateFeature(layer->GetLayerDefn());
    const std::string text = gbkBytes ? Utf8ToGbk(s.name) : s.name;
    f->SetField("NAME", text.c_str());
    f->SetField("CODE", s.code);
    f->SetField("SHAPE_AREA", 1e6);
    auto* ring = new OGRLinearRing();
    ring->addPoint(s.x, s.y);
    ring->addPoint(s.x, s.y + 1000);
    ring->addPoint(s.x + 1000, s.y + 1000);
    ring->addPoint(s.x + 1000, s.y);
    ring->addPoint(s.x, s.y);
    auto* polygon = new OGRPolygon();
    polygon->addRingDirectly(ring);
    f->SetGeometryDirectly(polygon);
    EXPECT_EQ(layer->CreateFeature(f), OGRERR_NONE);
    OGRFeature::DestroyFeature(f);
  }
  GDALClose(ds);
  // The driver notes even an empty encoding in a .cpg; a file "without a
  // .cpg" must not have one.
  if (encoding.empty()) std::filesystem::remove(std::filesystem::path(path).replace_extension(".cpg"));
}

// A 4 x 4 block of sheets; names repeat by row, codes are unique.
std::vector<Sheet> Block() {
  const char* rows[] = {"北京", "上海", "广州", "深圳"};
  std::vector<Sheet> out;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      out.push_back({rows[r], 100 + r * 4 + c, 500000.0 + c * 1000, 3000000.0 + r * 1000});
  return out;
}

std::vector<std::string> Names(FeatureClass& cls) {
  std::vector<std::string> names;
  FeatureCursor cursor = SearchFeatures(cls, "");
  Feature f;
  while (cursor.next(f)) names.push_back(FieldValueText(f, "NAME"));
  return names;
}

TEST(Shapefile, GbkWithoutCodePageFileIsDecoded) {
  test::TempDir dir;
  const std::string path = dir / "sheets.shp";
  WriteSheets(path, Block(), "", true);
  ASSERT_FALSE(std::filesystem::exists(dir / "sheets.cpg"));
  FeatureClass cls = OpenShapefileClass(path);
  ASSERT_TRUE(cls);
  const auto names = Names(cls);
  ASSERT_EQ(names.size(), 16u);
  EXPECT_EQ(names[0], "北京");
  EXPECT_EQ(names[15], "深圳");
  // A where clause written in UTF-8 meets the decoded values.
  EXPECT_EQ(FeatureCount(cls, "NAME = '上海'"), 4);
}

TEST(Shapefile, CodePageFileIsHonoured) {
  test::TempDir dir;
  const std::string path = dir / "sheets.shp";
  WriteSheets(path, Block(), "UTF-8", false);
  ASSERT_TRUE(std::filesystem::exists(dir / "sheets.cpg"));
  FeatureClass cls = OpenShapefileClass(path);
  ASSERT_TRUE(cls);
  EXPECT_EQ(Names(cls)[4], "上海");
  EXPECT_EQ(FeatureCount(cls, "NAME = '广州'"), 4);
}

TEST(Shapefile, Utf8BytesWithoutCodePageFileStayUtf8) {
  test::TempDir dir;
  const std::string path = dir / "sheets.shp";
  WriteSheets(path, Block(), "", false);
  FeatureClass cls = OpenShapefileClass(path);
  ASSERT_TRUE(cls);
  EXPECT_EQ(Names(cls)[8], "广州");
}

TEST(Shapefile, WhatDoesNotOpenGivesNoneSilently) {
  test::TempDir dir;
  test::WriteFile(dir / "text.shp", "not a shapefile at all");
  test::WriteFile(dir / "table.dbf", "");
  for (const std::string& path :
       {dir / "missing.shp", dir / "text.shp", dir / "table.dbf", dir.path().string()})
    EXPECT_FALSE(OpenShapefileClass(path)) << path;
}

TEST(Shapefile, FieldsAndIdentifyingFields) {
  test::TempDir dir;
  const std::string path = dir / "sheets.shp";
  WriteSheets(path, Block(), "", true);
  FeatureClass cls = OpenShapefileClass(path);
  ASSERT_TRUE(cls);
  std::vector<std::string> fields{"KEPT"};
  EXPECT_EQ(ListAttributeFields(cls, fields), 4);
  EXPECT_EQ(fields, (std::vector<std::string>{"KEPT", "FID", "NAME", "CODE"}));

  RecordingFeedback feedback;
  std::vector<std::string> identifying;
  EXPECT_TRUE(ListIdentifyingFields(path, identifying, feedback));
  EXPECT_EQ(identifying, (std::vector<std::string>{"FID", "CODE"}));

  std::vector<std::string> values;
  UniqueValues(cls, "NAME", values);
  EXPECT_EQ(values, (std::vector<std::string>{"上海", "北京", "广州", "深圳"}));  // byte order of UTF-8
  values.clear();
  UniqueValues(cls, "MISSING", values);
  EXPECT_EQ(values, std::vector<std::string>{""});

  std::vector<std::string> unchanged{"X"};
  EXPECT_FALSE(ListIdentifyingFields(dir / "none.shp", unchanged, feedback));
  EXPECT_EQ(unchanged, std::vector<std::string>{"X"});
  ASSERT_EQ(feedback.messages.size(), 1u);
  EXPECT_NE(feedback.messages[0].find("none.shp"), std::string::npos);
}

TEST(Shapefile, AnEmptyClassKeepsEveryField) {
  test::TempDir dir;
  const std::string path = dir / "empty.shp";
  WriteSheets(path, {}, "", false);
  FeatureClass cls = OpenShapefileClass(path);
  ASSERT_TRUE(cls);
  std::vector<std::string> values;
  UniqueValues(cls, "NAME", values);
  EXPECT_TRUE(values.empty());
  RecordingFeedback feedback;
  std::vector<std::string> identifying;
  ListIdentifyingFields(path, identifying, feedback);
  EXPECT_EQ(identifying, (std::vector<std::string>{"FID", "NAME", "CODE"}));
}

TEST(Shapefile, PointQueriesFindTheSheetThatHoldsThePoint) {
  test::TempDir dir;
  const std::string path = dir / "sheets.shp";
  WriteSheets(path, Block(), "", true);
  FeatureClass cls = OpenShapefileClass(path);
  ASSERT_TRUE(cls);
  const struct {
    double x, y;
    std::int64_t count;
    const char* code;
  } cases[] = {
      {500500, 3000500, 1, "100"},
      {503500, 3003500, 1, "115"},
      {501500, 3002500, 1, "109"},
      {499999, 3000500, 0, ""},
      {510000, 3010000, 0, ""},
      {501000, 3000500, 2, "100"},  // on the edge between two sheets: both meet it
  };
  for (const auto& c : cases) {
    const QueryResult r = QueryFeatures(cls, MakePoint(c.x, c.y), "", QueryLimit::First);
    EXPECT_EQ(r.count, c.count) << c.x << "," << c.y;
    if (c.count > 0) {
      ASSERT_EQ(r.features.size(), 1u);
      EXPECT_EQ(FieldValueText(r.features[0], "CODE"), c.code);
    } else {
      EXPECT_TRUE(r.features.empty());
    }
  }
  EXPECT_EQ(QueryFeatures(cls, MakePoint(501000, 3000500), "", QueryLimit::All).features.size(), 2u);
  EXPECT_EQ(QueryFeatures(cls, MakePoint(501000, 3000500), "CODE = 101").count, 1);
  EXPECT_EQ(QueryFeatures(cls, EnvelopePolygon({500100, 3000100, 502900, 3001900}), "NAME = '上海'").count,
            3);
}

TEST(Shapefile, ACursorIsNotDisturbedByQueries) {
  test::TempDir dir;
  const std::string path = dir / "sheets.shp";
  WriteSheets(path, Block(), "", true);
  FeatureClass cls = OpenShapefileClass(path);
  FeatureCursor cursor = SearchFeatures(cls, "CODE >= 104 AND CODE < 112");
  EXPECT_EQ(cursor.size(), 8u);
  Feature f;
  int visited = 0;
  while (cursor.next(f)) {
    ++visited;
    const Envelope e = f.geometry().envelope();
    // The neighbour to the east, as the adjacent-sheet table asks.
    QueryFeatures(cls, MakePoint(e.xMax + 500, (e.yMin + e.yMax) / 2), "", QueryLimit::First);
  }
  EXPECT_EQ(visited, 8);
}

TEST(Shapefile, AnInvalidWhereClauseEndsTheRunWithTheStoresComplaint) {
  test::TempDir dir;
  const std::string path = dir / "sheets.shp";
  WriteSheets(path, Block(), "", true);
  FeatureClass cls = OpenShapefileClass(path);
  for (const char* where : {"NOSUCHFIELD = 1", "NAME = ", "CODE >>> 3"}) {
    try {
      FeatureCount(cls, where);
      ADD_FAILURE() << where << " accepted";
    } catch (const RunError& e) {
      const std::string msg = e.what();
      EXPECT_NE(msg.find(where), std::string::npos) << msg;
      // GDAL's own words follow ours.
      EXPECT_GT(msg.size(), std::string(where).size() + 30) << msg;
    }
    EXPECT_THROW(SearchFeatures(cls, where), RunError);
    EXPECT_THROW(QueryFeatures(cls, MakePoint(500500, 3000500), where), RunError);
  }
  EXPECT_EQ(FeatureCount(cls, ""), 16);  // the failed filter is not left behind
}

TEST(Shapefile, SpatialReferenceAndExtent) {
  test::TempDir dir;
  WriteSheets(dir / "with.shp", Block(), "", false, 2364);
  WriteSheets(dir / "without.shp", Block(), "", false, 0);
  EXPECT_EQ(DatasetSpatialReference(OpenShapefileClass(dir / "with.shp")).epsgCode(), 2364);
  EXPECT_TRUE(DatasetSpatialReference(OpenShapefileClass(dir / "without.shp")).empty());
  EXPECT_TRUE(DatasetSpatialReference(FeatureClass()).empty());
  const auto extent = ClassExtent(OpenShapefileClass(dir / "with.shp"));
  ASSERT_TRUE(extent);
  EXPECT_EQ(*extent, (Envelope{500000, 3000000, 504000, 3004000}));
}

TEST(Shapefile, SheetVerticesAreReadable) {
  test::TempDir dir;
  WriteSheets(dir / "s.shp", Block(), "", false);
  FeatureClass cls = OpenShapefileClass(dir / "s.shp");
  Feature f;
  FeatureCursor cursor = SearchFeatures(cls, "CODE = 105");
  ASSERT_TRUE(cursor.next(f));
  EXPECT_EQ(PartCount(f.geometry()), 1);
  ASSERT_EQ(f.geometry().pointCount(), 5u);
  EXPECT_EQ(f.geometry().point(0), (Point2{501000, 3001000}));
  EXPECT_EQ(f.geometry().point(2), (Point2{502000, 3002000}));
}

}  // namespace
}  // namespace tarvik
