// Frames written through the geodatabase layer into a real File Geodatabase
// and GeoPackage, then read back with GDAL itself and with OutputReader.
#include <gtest/gtest.h>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cmath>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

#include "common/error.h"
#include "common/font_desc.h"
#include "common/recording_feedback.h"
#include "coords/spatial_reference.h"
#include "gdb/annotation.h"
#include "gdb/class_queries.h"
#include "gdb/feature_class.h"
#include "gdb/frame_domain.h"
#include "gdb/output_reader.h"
#include "gdb/runtime_check.h"
#include "gdb/workspace.h"
#include "support/gdal_readback.h"
#include "support/test_support.h"

namespace tarvik {
namespace {

struct Closer {
  void operator()(GDALDataset* ds) const { GDALClose(ds); }
};
using RawDataset = std::unique_ptr<GDALDataset, Closer>;

RawDataset OpenRaw(const std::string& path) {
  return RawDataset(
      GDALDataset::FromHandle(GDALOpenEx(path.c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr)));
}

std::string GdbDefinition(GDALDataset* ds, const std::string& layer) {
  OGRLayer* sql = ds->ExecuteSQL(("GetLayerDefinition " + layer).c_str(), nullptr, nullptr);
  if (!sql) return {};
  std::string xml;
  if (OGRFeature* f = sql->GetNextFeature()) {
    xml = f->GetFieldAsString(0);
    OGRFeature::DestroyFeature(f);
  }
  ds->ReleaseResultSet(sql);
  return xml;
}

// The number between <tag> and </tag> in the XML; NaN when absent.
double XmlNumber(const std::string& xml, const std::string& tag) {
  const auto start = xml.find("<" + tag + ">");
  if (start == std::string::npos) return std::nan("");
  return std::stod(xml.substr(start + tag.size() + 2));
}

// The projected reference of the test frames (Xi'an 1980, 3-degree zone 40
// with the zone number) with the domain of a 1:10000 sheet.
SpatialReference FrameReference() {
  SpatialReference ref = SpatialReference::FromEpsg(2364);
  SetFrameDomain(ref, 1.0L, 40520000, 3375000, 40525000, 3380000);
  return ref;
}

// One frame's worth: three classes, lines through the buffer, a polygon and
// texts in a batch.
struct WrittenFrame {
  FeatureClass lines, polygons, annotation;
};

WrittenFrame WriteFrame(OutputWorkspace& ws, const std::string& name, const SpatialReference& ref,
                        UserFeedback& feedback) {
  auto dataset = CreateFrameDataset(ws, "y" + name, ref);
  if (!dataset) throw RunError("创立目录" + name + "失败");
  WrittenFrame out;
  out.lines = CreateFrameClass(*dataset, "L_" + name, FrameClassKind::Line);
  out.polygons = CreateFrameClass(*dataset, "p_" + name, FrameClassKind::Polygon);
  out.annotation = CreateFrameAnnotationClass(ws, "a_" + name, *dataset, 50000);
  AnnotationLayer layer = MakeFrameLayer(out.annotation);
  LineBuffer buffer(out.lines, feedback);
  AnnotationBatch batch(layer);
  buffer.add(40520000, 3375000, 40520000, 3380000, 1);
  buffer.add(40519900, 3374900, 40525100, 3374900, 2);
  buffer.add(MakeLine(40521000.12345, 3375000, 40521000.12345, 3375100), 3);
  StoreFrameFeature(out.polygons, ExpandedEnvelopePolygon({40520000, 3375000, 40525000, 3380000}, 100), 100,
                    feedback);

  FontDesc title = FontDesc::FromPixels("黑体", 67);
  title.weight = 700;
  title.underline = true;
  title.color = 0x000000FF;  // red
  PlaceText("  E45G095066图 ", title, 30, 40522500, 3380500, layer, 0, -1,
            {HorizontalAlignment::Center, VerticalAlignment::Bottom}, feedback);
  FontDesc small = FontDesc::FromPoints("宋体", 9);
  small.color = -5;  // a system colour: black
  PlaceText("第一行\r\n第二行", small, -30, 40519800, 3374800, layer, 15, -1,
            {HorizontalAlignment::Right, VerticalAlignment::Top}, feedback);
  PlaceText("   ", small, 0, 40520000, 3375000, layer, 0, -1, {}, feedback);  // skipped
  PlaceText("", small, 0, 40520000, 3375000, layer, 0, -1, {}, feedback);     // skipped
  return out;
}

class OutputStore : public ::testing::TestWithParam<const char*> {
 protected:
  std::string path() const { return dir_ / (std::string("frames") + GetParam()); }
  bool isGdb() const { return std::string(GetParam()) == ".gdb"; }
  test::TempDir dir_;
};

TEST_P(OutputStore, AFrameReadsBackThroughGdal) {
  RecordingFeedback feedback;
  {
    OutputWorkspace ws = CreateOutputWorkspace(path());
    WriteFrame(ws, "J_50_1", FrameReference(), feedback);
  }
  EXPECT_TRUE(feedback.messages.empty()) << feedback.messages.front();

  RawDataset ds = OpenRaw(path());
  ASSERT_TRUE(ds);
  for (const char* name : {"L_J_50_1", "p_J_50_1", "a_J_50_1", "tarvik_frames"})
    EXPECT_NE(ds->GetLayerByName(name), nullptr) << name;

  // Lines: OBJECTID is the FID, Shape the geometry, ID a 32-bit integer.
  OGRLayer* lines = ds->GetLayerByName("L_J_50_1");
  ASSERT_NE(lines, nullptr);
  EXPECT_STREQ(lines->GetFIDColumn(), "OBJECTID");
  EXPECT_STREQ(lines->GetGeometryColumn(), "Shape");
  OGRFeatureDefn* defn = lines->GetLayerDefn();
  ASSERT_EQ(defn->GetFieldCount(), 1);
  EXPECT_STREQ(defn->GetFieldDefn(0)->GetNameRef(), "ID");
  EXPECT_EQ(defn->GetFieldDefn(0)->GetType(), OFTInteger);
  EXPECT_EQ(defn->GetFieldDefn(0)->GetSubType(), OFSTNone);
  EXPECT_EQ(lines->GetFeatureCount(), 3);
  std::vector<int> ids;
  lines->ResetReading();
  while (OGRFeature* f = lines->GetNextFeature()) {
    ids.push_back(f->GetFieldAsInteger("ID"));
    if (f->GetFieldAsInteger("ID") == 3) {
      OGREnvelope e;
      f->GetGeometryRef()->getEnvelope(&e);
      // Kept to the store's resolution of 0.0001 m.
      EXPECT_NEAR(e.MinX, 40521000.12345, 0.0001);
      EXPECT_NEAR(e.MaxY, 3375100, 0.0001);
    }
    OGRFeature::DestroyFeature(f);
  }
  EXPECT_EQ(ids, (std::vector<int>{1, 2, 3}));

  OGRLayer* polygons = ds->GetLayerByName("p_J_50_1");
  ASSERT_NE(polygons, nullptr);
  EXPECT_STREQ(polygons->GetGeometryColumn(), "Shape");
  OGREnvelope pe;
  ASSERT_EQ(polygons->GetExtent(&pe), OGRERR_NONE);
  EXPECT_DOUBLE_EQ(pe.MinX, 40519900);
  EXPECT_DOUBLE_EQ(pe.MaxY, 3380100);

  // Annotation: a point class with the Esri annotation field names.
  OGRLayer* anno = ds->GetLayerByName("a_J_50_1");
  ASSERT_NE(anno, nullptr);
  EXPECT_EQ(wkbFlatten(anno->GetGeomType()), wkbPoint);
  const struct {
    const char* name;
    OGRFieldType type;
  } fields[] = {{"TextString", OFTString},
                {"FontName", OFTString},
                {"FontSize", OFTReal},
                {"Bold", OFTInteger},
                {"Italic", OFTInteger},
                {"Underline", OFTInteger},
                {"HorizontalAlignment", OFTInteger},
                {"VerticalAlignment", OFTInteger},
                {"CharacterSpacing", OFTReal},
                {"Angle", OFTReal},
                {"AnnotationClassID", OFTInteger},
                {"Color", OFTInteger}};
  for (const auto& f : fields) {
    const int i = anno->GetLayerDefn()->GetFieldIndex(f.name);
    ASSERT_GE(i, 0) << f.name;
    EXPECT_EQ(anno->GetLayerDefn()->GetFieldDefn(i)->GetType(), f.type) << f.name;
  }
  ASSERT_EQ(anno->GetFeatureCount(), 2);  // the blank texts were skipped
  anno->ResetReading();
  OGRFeature* t1 = anno->GetNextFeature();
  OGRFeature* t2 = anno->GetNextFeature();
  ASSERT_TRUE(t1 && t2);
  EXPECT_STREQ(t1->GetFieldAsString("TextString"), "  E45G095066图 ");  // untrimmed
  EXPECT_STREQ(t1->GetFieldAsString("FontName"), "黑体");
  EXPECT_DOUBLE_EQ(t1->GetFieldAsDouble("FontSize"), 50);
  EXPECT_EQ(t1->GetFieldAsInteger("Bold"), 1);
  EXPECT_EQ(t1->GetFieldAsInteger("Italic"), 0);
  EXPECT_EQ(t1->GetFieldAsInteger("Underline"), 1);
  EXPECT_EQ(t1->GetFieldAsInteger("HorizontalAlignment"), 1);
  EXPECT_EQ(t1->GetFieldAsInteger("VerticalAlignment"), 3);
  EXPECT_DOUBLE_EQ(t1->GetFieldAsDouble("CharacterSpacing"), 30);
  EXPECT_EQ(t1->GetFieldAsInteger("Color"), 0xFF0000);
  EXPECT_EQ(t1->GetFieldAsInteger("AnnotationClassID"), 0);
  EXPECT_DOUBLE_EQ(t1->GetGeometryRef()->toPoint()->getX(), 40522500);
  EXPECT_DOUBLE_EQ(t1->GetGeometryRef()->toPoint()->getY(), 3380500);
  EXPECT_STREQ(t2->GetFieldAsString("TextString"), "第一行\r\n第二行");
  EXPECT_DOUBLE_EQ(t2->GetFieldAsDouble("FontSize"), 9);
  EXPECT_EQ(t2->GetFieldAsInteger("Color"), 0);
  EXPECT_EQ(t2->GetFieldAsInteger("HorizontalAlignment"), 2);
  EXPECT_EQ(t2->GetFieldAsInteger("VerticalAlignment"), 0);
  EXPECT_DOUBLE_EQ(t2->GetFieldAsDouble("CharacterSpacing"), -30);
  EXPECT_DOUBLE_EQ(t2->GetFieldAsDouble("Angle"), 15);
  OGRFeature::DestroyFeature(t1);
  OGRFeature::DestroyFeature(t2);

  // The catalog lists the frame with its reference scale.
  OGRLayer* catalog = ds->GetLayerByName("tarvik_frames");
  ASSERT_NE(catalog, nullptr);
  catalog->SetAttributeFilter("kind = 'annotation'");
  OGRFeature* row = catalog->GetNextFeature();
  ASSERT_NE(row, nullptr);
  EXPECT_STREQ(row->GetFieldAsString("item"), "a_J_50_1");
  EXPECT_STREQ(row->GetFieldAsString("dataset"), "yJ_50_1");
  EXPECT_DOUBLE_EQ(row->GetFieldAsDouble("reference_scale"), 50000);
  EXPECT_STREQ(row->GetFieldAsString("reference_units"), "meters");
  EXPECT_STREQ(row->GetFieldAsString("annotation_classes"), "Default");
  EXPECT_EQ(row->GetFieldAsInteger("epsg"), 2364);
  OGRFeature::DestroyFeature(row);

  if (isGdb()) {
    // Feature dataset membership, as ArcGIS and GDAL's root group see it.
    auto root = ds->GetRootGroup();
    ASSERT_TRUE(root);
    const auto groups = root->GetGroupNames();
    ASSERT_EQ(groups, std::vector<std::string>{"yJ_50_1"});
    auto group = root->OpenGroup("yJ_50_1");
    ASSERT_TRUE(group);
    auto members = group->GetVectorLayerNames();
    std::sort(members.begin(), members.end());
    EXPECT_EQ(members, (std::vector<std::string>{"L_J_50_1", "a_J_50_1", "p_J_50_1"}));
    EXPECT_EQ(root->GetVectorLayerNames(), std::vector<std::string>{"tarvik_frames"});

    // The XY domain: origin at the domain's lower-left corner, 0.0001 m.
    const std::string xml = GdbDefinition(ds.get(), "L_J_50_1");
    EXPECT_EQ(XmlNumber(xml, "XOrigin"), 40514000) << xml;
    EXPECT_EQ(XmlNumber(xml, "YOrigin"), 3369000) << xml;
    EXPECT_EQ(XmlNumber(xml, "XYScale"), 10000) << xml;
    EXPECT_NEAR(XmlNumber(xml, "XYTolerance"), 0.001, 1e-12) << xml;
  } else {
    const char* description = anno->GetMetadataItem("DESCRIPTION");
    ASSERT_NE(description, nullptr);
    EXPECT_NE(std::string(description).find("1:50000"), std::string::npos) << description;
  }
}

TEST_P(OutputStore, TheReaderGivesBackWhatWasWritten) {
  RecordingFeedback feedback;
  {
    OutputWorkspace ws = CreateOutputWorkspace(path());
    WriteFrame(ws, "A", FrameReference(), feedback);
    WriteFrame(ws, "B", FrameReference(), feedback);
  }
  const OutputReader reader(path());
  ASSERT_EQ(reader.frames().size(), 2u);
  const FrameInfo& a = reader.frames()[0];
  EXPECT_EQ(a.frame, "A");
  EXPECT_EQ(a.dataset, "yA");
  EXPECT_EQ(a.lineClass, "L_A");
  EXPECT_EQ(a.polygonClass, "p_A");
  EXPECT_EQ(a.annotationClass, "a_A");
  EXPECT_EQ(a.referenceScale, 50000);
  EXPECT_EQ(a.annotationClasses, "Default");
  EXPECT_EQ(a.ref.epsgCode(), 2364);
  EXPECT_EQ(a.ref.domain().xMin, 40514000);
  EXPECT_EQ(a.ref.domain().yMax, 3386000);
  EXPECT_EQ(reader.frames()[1].frame, "B");

  const auto lines = reader.lines(a);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].id, 1);
  ASSERT_EQ(lines[0].paths.size(), 1u);
  EXPECT_EQ(lines[0].paths[0], (std::vector<Point2>{{40520000, 3375000}, {40520000, 3380000}}));
  const auto polygons = reader.polygons(a);
  ASSERT_EQ(polygons.size(), 1u);
  EXPECT_EQ(polygons[0].id, 100);
  ASSERT_EQ(polygons[0].rings.size(), 1u);
  EXPECT_EQ(polygons[0].rings[0].size(), 5u);
  const auto texts = reader.texts(a);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1].text, "第一行\r\n第二行");
  EXPECT_EQ(texts[1].anchor, (Point2{40519800, 3374800}));
  EXPECT_EQ(texts[1].symbol.horizontal, HorizontalAlignment::Right);
  EXPECT_EQ(texts[1].symbol.vertical, VerticalAlignment::Top);
  EXPECT_EQ(texts[1].symbol.angle, 15);
  EXPECT_EQ(texts[0].symbol.fontSize, 50);
  EXPECT_TRUE(texts[0].symbol.underline);
}

TEST_P(OutputStore, ACoordinateOutsideTheDomainIsRefusedAndTheNextIsWritten) {
  RecordingFeedback feedback;
  {
    OutputWorkspace ws = CreateOutputWorkspace(path());
    auto dataset = CreateFrameDataset(ws, "yD", FrameReference());
    ASSERT_TRUE(dataset);
    FeatureClass lines = CreateFrameClass(*dataset, "L_D", FrameClassKind::Line);
    FeatureClass polygons = CreateFrameClass(*dataset, "p_D", FrameClassKind::Polygon);
    FeatureClass anno = CreateFrameAnnotationClass(ws, "a_D", *dataset, 10000);
    AnnotationLayer layer = MakeFrameLayer(anno);
    // Domain: x 40514000..40531000, y 3369000..3386000.
    EXPECT_TRUE(
        StoreFrameFeature(polygons, EnvelopePolygon({40514000, 3369000, 40531000, 3386000}), 1, feedback));
    EXPECT_FALSE(
        StoreFrameFeature(polygons, EnvelopePolygon({40513999, 3370000, 40520000, 3380000}), 2, feedback));
    EXPECT_EQ(feedback.countOf("保存失败"), 1);
    EXPECT_TRUE(
        StoreFrameFeature(polygons, EnvelopePolygon({40520000, 3370000, 40521000, 3371000}), 3, feedback));

    LineBuffer buffer(lines, feedback);
    EXPECT_TRUE(buffer.add(40520000, 3375000, 40520000, 3380000, 1));
    EXPECT_FALSE(buffer.add(40520000, 3375000, 40520000, 3386000.5, 1));
    EXPECT_FALSE(buffer.add(MakeLine(1000, 3375000, 40520000, 3375000), 1));
    EXPECT_TRUE(buffer.add(40530000, 3385000, 40531000, 3386000, 2));
    EXPECT_EQ(buffer.flush(), 0);
    EXPECT_EQ(feedback.countOf("保存失败"), 3);

    EXPECT_FALSE(PlaceText("界外", FontDesc{}, 0, 40600000, 3375000, layer, 0, -1, {}, feedback));
    EXPECT_EQ(feedback.countOf("保存失败"), 4);
    EXPECT_TRUE(PlaceText("界内", FontDesc{}, 0, 40520000, 3375000, layer, 0, -1, {}, feedback));
  }
  RawDataset ds = OpenRaw(path());
  ASSERT_TRUE(ds);
  EXPECT_EQ(ds->GetLayerByName("p_D")->GetFeatureCount(), 2);
  EXPECT_EQ(ds->GetLayerByName("L_D")->GetFeatureCount(), 2);
  EXPECT_EQ(ds->GetLayerByName("a_D")->GetFeatureCount(), 1);
}

TEST_P(OutputStore, AGeographicFrameUsesNanodegreeResolution) {
  RecordingFeedback feedback;
  SpatialReference ref = SpatialReference::FromEpsg(4610);
  ref.setDomain(0, 360, 0, 90);
  {
    OutputWorkspace ws = CreateOutputWorkspace(path());
    auto dataset = CreateFrameDataset(ws, "yG", ref);
    ASSERT_TRUE(dataset);
    FeatureClass lines = CreateFrameClass(*dataset, "L_G", FrameClassKind::Line);
    LineBuffer buffer(lines, feedback);
    buffer.add(88.0625, 16.0416666666, 88.125, 16.0833333333, 1);
    buffer.add(-0.5, 16, 88, 16, 1);  // west of the domain
  }
  EXPECT_EQ(feedback.countOf("保存失败"), 1);
  RawDataset ds = OpenRaw(path());
  ASSERT_TRUE(ds);
  OGRLayer* lines = ds->GetLayerByName("L_G");
  ASSERT_NE(lines, nullptr);
  OGRFeature* f = lines->GetNextFeature();
  ASSERT_NE(f, nullptr);
  OGREnvelope e;
  f->GetGeometryRef()->getEnvelope(&e);
  EXPECT_NEAR(e.MinY, 16.0416666666, 1e-9);
  EXPECT_NEAR(e.MaxX, 88.125, 1e-9);
  OGRFeature::DestroyFeature(f);
  if (isGdb()) {
    const std::string xml = GdbDefinition(ds.get(), "L_G");
    EXPECT_EQ(XmlNumber(xml, "XYScale"), 1e9) << xml;
    EXPECT_EQ(XmlNumber(xml, "XOrigin"), 0) << xml;
    EXPECT_EQ(XmlNumber(xml, "YOrigin"), 0) << xml;
  }
}

TEST_P(OutputStore, AnnotationSystemFieldsAreNotOfferedAsAttributes) {
  RecordingFeedback feedback;
  OutputWorkspace ws = CreateOutputWorkspace(path());
  const WrittenFrame frame = WriteFrame(ws, "N", FrameReference(), feedback);
  std::vector<std::string> fields;
  ListAttributeFields(frame.annotation, fields);
  EXPECT_EQ(fields, (std::vector<std::string>{"OBJECTID", "TEXTSTRING", "FONTNAME", "FONTSIZE", "BOLD",
                                              "ITALIC", "UNDERLINE", "HORIZONTALALIGNMENT",
                                              "VERTICALALIGNMENT", "CHARACTERSPACING", "ANGLE", "COLOR"}));
  fields.clear();
  ListAttributeFields(frame.lines, fields);
  EXPECT_EQ(fields, (std::vector<std::string>{"OBJECTID", "ID"}));
  // The output's own classes can be queried while the run writes them.
  const QueryResult hit = QueryFeatures(frame.lines, MakePoint(40520000, 3376000), "ID = 1");
  EXPECT_EQ(hit.count, 1);
  EXPECT_EQ(QueryFeatures(frame.lines, MakePoint(40520000, 3376000), "ID = 2").count, 0);
}

TEST_P(OutputStore, TakenNamesAreRefusedWithTheirMessages) {
  OutputWorkspace ws = CreateOutputWorkspace(path());
  auto dataset = CreateFrameDataset(ws, "yJ_50_1", FrameReference());
  ASSERT_TRUE(dataset);
  // Letter case does not make a new name, nor "-" and "." for "_".
  EXPECT_FALSE(CreateFrameDataset(ws, "YJ_50_1", FrameReference()));
  EXPECT_FALSE(CreateFrameDataset(ws, "yJ-50.1", FrameReference()));
  FeatureClass lines = CreateFrameClass(*dataset, "L_J-50.1", FrameClassKind::Line);
  EXPECT_EQ(lines.name(), "L_J_50_1");
  try {
    CreateFrameClass(*dataset, "L_J_50.1", FrameClassKind::Polygon);
    ADD_FAILURE() << "a taken class name was accepted";
  } catch (const RunError& e) {
    EXPECT_STREQ(e.what(), "不能创立表L_J_50_1");
  }
  try {
    CreateFrameAnnotationClass(ws, "L_J_50_1", *dataset, 10000);
    ADD_FAILURE() << "a taken annotation name was accepted";
  } catch (const RunError& e) {
    EXPECT_STREQ(e.what(), "不能创立注记层:L_J_50_1");
  }
  EXPECT_THROW(MakeFrameLayer(lines), RunError);
  // A dataset may not take a class's name either.
  EXPECT_FALSE(CreateFrameDataset(ws, "l_j_50_1", FrameReference()));
}

TEST_P(OutputStore, AnExistingOutputIsOpenedAndExtended) {
  RecordingFeedback feedback;
  {
    OutputWorkspace ws = OpenOrCreateOutputWorkspace(path(), feedback);
    WriteFrame(ws, "A", FrameReference(), feedback);
  }
  {
    OutputWorkspace ws = OpenOrCreateOutputWorkspace(path(), feedback);
    EXPECT_FALSE(CreateFrameDataset(ws, "yA", FrameReference()));  // still taken after reopening
    WriteFrame(ws, "B", FrameReference(), feedback);
  }
  EXPECT_TRUE(feedback.messages.empty());
  const OutputReader reader(path());
  ASSERT_EQ(reader.frames().size(), 2u);
  EXPECT_EQ(reader.frames()[1].lineClass, "L_B");
  EXPECT_EQ(reader.lines(reader.frames()[1]).size(), 3u);
}

TEST_P(OutputStore, LinesDrawnBeforeAnErrorAreKept) {
  RecordingFeedback feedback;
  try {
    OutputWorkspace ws = CreateOutputWorkspace(path());
    auto dataset = CreateFrameDataset(ws, "yE", FrameReference());
    FeatureClass lines = CreateFrameClass(*dataset, "L_E", FrameClassKind::Line);
    FeatureClass anno = CreateFrameAnnotationClass(ws, "a_E", *dataset, 10000);
    AnnotationLayer layer = MakeFrameLayer(anno);
    LineBuffer buffer(lines, feedback);
    AnnotationBatch batch(layer);
    buffer.add(40520000, 3375000, 40520000, 3380000, 1);
    PlaceText("文字", FontDesc{}, 0, 40520000, 3375000, layer, 0, -1, {}, feedback);
    EXPECT_TRUE(layer.inBatch());
    throw RunError("绘制失败");
  } catch (const RunError&) {}
  const OutputReader reader(path());
  ASSERT_EQ(reader.frames().size(), 1u);
  EXPECT_EQ(reader.lines(reader.frames()[0]).size(), 1u);
  EXPECT_EQ(reader.texts(reader.frames()[0]).size(), 1u);
}

TEST_P(OutputStore, OpeningAMissingOutputSaysSoAndGivesNone) {
  RecordingFeedback feedback;
  EXPECT_FALSE(OpenOutputWorkspace(path(), feedback));
  ASSERT_EQ(feedback.messages.size(), 1u);
  EXPECT_EQ(feedback.messages[0], path() + "文件不存在");
}

TEST_P(OutputStore, ParentFoldersAreCreatedAndAnExistingOutputIsNotOverwritten) {
  const std::string nested = dir_ / (std::string("a/b/frames") + GetParam());
  { CreateOutputWorkspace(nested); }
  EXPECT_TRUE(std::filesystem::exists(nested));
  EXPECT_THROW(CreateOutputWorkspace(nested), RunError);
}

TEST_P(OutputStore, AnAbandonedFrameLeavesNothingAndItsNamesAreFreeAgain) {
  RecordingFeedback feedback;
  {
    OutputWorkspace ws = CreateOutputWorkspace(path());
    WriteFrame(ws, "A", FrameReference(), feedback);
    ws.commit();
    WriteFrame(ws, "B", FrameReference(), feedback);
    ws.abandon();
    WriteFrame(ws, "B", FrameReference(), feedback);
  }
  const test::ReadStore s = test::ReadWithGdal(path());
  ASSERT_TRUE(s.has("L_B"));
  EXPECT_EQ(s.layers.at("L_B").features.size(), 3u);
  const OutputReader reader(path());
  ASSERT_EQ(reader.frames().size(), 2u);
  EXPECT_EQ(reader.frames()[1].frame, "B");
  EXPECT_EQ(reader.lines(reader.frames()[1]).size(), 3u);
}

// A writer killed in the middle of a large GeoPackage transaction leaves
// SQLite's hot journal, which a read-only connection cannot roll back.
TEST(GeoPackageRecovery, TheReaderRollsAHotJournalBack) {
  test::TempDir dir;
  const std::string path = dir / "killed.gpkg";
  RecordingFeedback feedback;
  {
    OutputWorkspace ws = CreateOutputWorkspace(path);
    WriteFrame(ws, "A", FrameReference(), feedback);
  }
  const pid_t child = fork();
  if (child == 0) {
    RawDataset ds(GDALDataset::FromHandle(
        GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE, nullptr, nullptr, nullptr)));
    if (!ds || ds->StartTransaction() != OGRERR_NONE) _exit(1);
    OGRLayer* junk = ds->CreateLayer("junk", nullptr, wkbNone, nullptr);
    OGRFieldDefn text("t", OFTString);
    if (!junk || junk->CreateField(&text) != OGRERR_NONE) _exit(1);
    const std::string filler(8000, 'x');  // some 16 MB: more than SQLite keeps in memory
    for (int i = 0; i < 2000; ++i) {
      OGRFeature* f = OGRFeature::CreateFeature(junk->GetLayerDefn());
      f->SetField(0, filler.c_str());
      if (junk->CreateFeature(f) != OGRERR_NONE) _exit(1);
      OGRFeature::DestroyFeature(f);
    }
    _exit(0);  // killed before the commit
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_GT(std::filesystem::file_size(path + "-journal"), 0u);
  const OutputReader reader(path);
  ASSERT_EQ(reader.frames().size(), 1u);
  EXPECT_EQ(reader.lines(reader.frames()[0]).size(), 3u);
  const test::ReadStore s = test::ReadWithGdal(path);
  EXPECT_TRUE(s.has("L_A"));
  EXPECT_FALSE(s.has("junk"));
}

TEST(GeoPackageCounters, EveryFrameClassKeepsItsAutoincrementCounter) {
  test::TempDir dir;
  const std::string path = dir / "frames.gpkg";
  RecordingFeedback feedback;
  constexpr int kFrames = 45;  // enough for counters to be set aside and put back
  {
    OutputWorkspace ws = CreateOutputWorkspace(path);
    for (int i = 0; i < kFrames; ++i) {
      WriteFrame(ws, std::string(1, 'A' + i % 26) + std::to_string(i), FrameReference(), feedback);
      if (i == 30) ws.commit();  // a commit in between loses nothing either
    }
  }
  RawDataset ds = OpenRaw(path);
  ASSERT_TRUE(ds);
  OGRLayer* seq =
      ds->ExecuteSQL("SELECT name, CAST(seq AS INTEGER) FROM sqlite_sequence WHERE name NOT LIKE 'tarvik%'",
                     nullptr, "SQLITE");
  ASSERT_NE(seq, nullptr);
  std::map<std::string, std::int64_t> counters;
  while (OGRFeature* f = seq->GetNextFeature()) {
    EXPECT_TRUE(counters.emplace(f->GetFieldAsString(0), f->GetFieldAsInteger64(1)).second)
        << f->GetFieldAsString(0);
    OGRFeature::DestroyFeature(f);
  }
  ds->ReleaseResultSet(seq);
  ASSERT_EQ(counters.size(), 3u * kFrames);
  for (const auto& [name, value] : counters) {
    const std::int64_t expected = name[0] == 'L' ? 3 : name[0] == 'a' ? 2 : 1;
    EXPECT_EQ(value, expected) << name;
  }
}

// Frames in a coded and in a custom coordinate system (the spatial index of
// each class is built as the frame is committed, the second frame's with
// what the first left ready): read back through GDAL, a spatial filter
// (answered from the File GDB's index) finds exactly the features that lie
// in it, and the classes keep their system.
TEST_P(OutputStore, SpatialFiltersFindTheFramesFeaturesInEverySystem) {
  struct System {
    const char* what;
    SpatialReference ref;
  };
  const System systems[] = {
      {"EPSG:2364", SpatialReference::FromEpsg(2364)},
      {"WGS84 custom", SpatialReference::TransverseMercator(4326, "WGS 84 / GK CM 120E", 120, 40500000)},
  };
  for (const auto& [what, base] : systems) {
    SCOPED_TRACE(what);
    std::filesystem::remove_all(path());
    SpatialReference ref = base;
    SetFrameDomain(ref, 1.0L, 40520000, 3375000, 40525000, 3380000);
    RecordingFeedback feedback;
    {
      OutputWorkspace ws = CreateOutputWorkspace(path());
      WriteFrame(ws, "F1", ref, feedback);
      WriteFrame(ws, "F2", ref, feedback);
    }
    ASSERT_TRUE(feedback.messages.empty()) << feedback.messages.front();
    RawDataset ds = OpenRaw(path());
    ASSERT_TRUE(ds);
    for (const char* name : {"L_F1", "L_F2"}) {
      OGRLayer* lines = ds->GetLayerByName(name);
      ASSERT_NE(lines, nullptr) << name;
      ASSERT_NE(lines->GetSpatialRef(), nullptr);
      EXPECT_TRUE(lines->GetSpatialRef()->IsSame(ref.ogr())) << name;
      // Around the short line at x 40521000.12345 only; then around the
      // frame's corner, where the two long lines pass.
      lines->SetSpatialFilterRect(40520990, 3375040, 40521010, 3375060);
      EXPECT_EQ(lines->GetFeatureCount(), 1) << name;
      lines->SetSpatialFilterRect(40519850, 3374850, 40520050, 3375050);
      EXPECT_EQ(lines->GetFeatureCount(), 2) << name;
      lines->SetSpatialFilterRect(40530000, 3390000, 40531000, 3391000);
      EXPECT_EQ(lines->GetFeatureCount(), 0) << name;
    }
  }
}

// Counts the files this process has open.
int OpenFileCount() {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

// Lowers the soft limit of open files for the life of the object.
class OpenFileLimit {
 public:
  explicit OpenFileLimit(rlim_t soft) {
    getrlimit(RLIMIT_NOFILE, &saved_);
    rlimit lowered = saved_;
    lowered.rlim_cur = std::min(soft, saved_.rlim_max);
    setrlimit(RLIMIT_NOFILE, &lowered);
  }
  ~OpenFileLimit() { setrlimit(RLIMIT_NOFILE, &saved_); }

 private:
  rlimit saved_{};
};

TEST_P(OutputStore, ManyFramesStayWithinTheSmallestOpenFileLimitAccepted) {
  RecordingFeedback feedback;
  // The store reopens a File GDB after as many frames as the limit allows,
  // so the smallest limit the program runs with shows it with few frames.
  const OpenFileLimit smallest(kMinOpenFiles);
  constexpr int kFrames = 80;
  const int before = OpenFileCount();
  int peak = 0;
  {
    OutputWorkspace ws = CreateOutputWorkspace(path());
    FeatureClass first;
    for (int i = 0; i < kFrames; ++i) {
      std::string name = std::to_string(i);
      name.insert(0, 1, 'F');
      auto dataset = CreateFrameDataset(ws, "y" + name, FrameReference());
      ASSERT_TRUE(dataset) << i;
      FeatureClass lines = CreateFrameClass(*dataset, "L_" + name, FrameClassKind::Line);
      CreateFrameClass(*dataset, "p_" + name, FrameClassKind::Polygon);
      CreateFrameAnnotationClass(ws, "a_" + name, *dataset, 10000);
      LineBuffer(lines, feedback).add(40520000, 3375000, 40520000, 3380000, 1);
      if (i == 0) first = lines;
      peak = std::max(peak, OpenFileCount());
    }
    // A class of the first frame still takes features.
    EXPECT_TRUE(StoreFrameFeature(first, MakeLine(40521000, 3375000, 40521000, 3380000), 2, feedback));
  }
  EXPECT_TRUE(feedback.messages.empty());
  // The File GDB driver keeps two files open per class it wrote: 80 frames
  // would hold some 480 if nothing released them.
  EXPECT_LT(peak, kMinOpenFiles);
  EXPECT_LT(peak - before, 200);
  const OutputReader reader(path());
  ASSERT_EQ(reader.frames().size(), std::size_t{kFrames});
  EXPECT_EQ(reader.lines(reader.frames()[0]).size(), 2u);
  EXPECT_EQ(reader.lines(reader.frames()[kFrames - 1]).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, OutputStore, ::testing::Values(".gdb", ".gpkg"),
                         [](const auto& info) { return std::string(info.param + 1); });

TEST(OutputStoreKinds, UpperCaseGdbIsAFileGeodatabase) {
  test::TempDir dir;
  RecordingFeedback feedback;
  const std::string path = dir / "frames.GDB";
  { OpenOrCreateOutputWorkspace(path, feedback); }
  ASSERT_TRUE(std::filesystem::is_directory(path));
  auto ws = OpenOutputWorkspace(path, feedback);
  ASSERT_TRUE(ws);
  EXPECT_EQ(ws->kind(), OutputKind::FileGdb);
  EXPECT_THROW(CreateOutputWorkspace(dir / "frames.mdb"), RunError);
}

}  // namespace
}  // namespace tarvik
