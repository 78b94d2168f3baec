// What a run delivers beside its data, read back the way its clients read
// it: the GeoPackage's styles and class order through SQL, the QGIS project
// and .qml as XML, the DXF drawing through GDAL's DXF reader.
#include <cpl_minixml.h>
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "common/text_util.h"
#include "common/user_feedback.h"
#include "coords/spatial_reference.h"
#include "deliver/qgis_project.h"
#include "gdb/shared_store.h"
#include "gdb/workspace.h"
#include "support/gdal_readback.h"
#include "support/test_support.h"

namespace tarvik::test {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Rows of an SQL query, every column as text.
std::vector<std::vector<std::string>> Query(const std::string& path, const std::string& sql) {
  GDALAllRegister();
  std::unique_ptr<GDALDataset> ds(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  std::vector<std::vector<std::string>> rows;
  if (!ds) return rows;
  OGRLayer* result = ds->ExecuteSQL(sql.c_str(), nullptr, "SQLITE");
  if (!result) return rows;
  while (OGRFeature* f = result->GetNextFeature()) {
    std::vector<std::string> row;
    for (int i = 0; i < f->GetFieldCount(); ++i)
      row.push_back(f->IsFieldNull(i) ? "<NULL>" : f->GetFieldAsString(i));
    rows.push_back(std::move(row));
    OGRFeature::DestroyFeature(f);
  }
  ds->ReleaseResultSet(result);
  return rows;
}

// A parsed XML document.
struct Xml {
  explicit Xml(const std::string& text) : root(CPLParseXMLString(text.c_str())) {}
  ~Xml() { CPLDestroyXMLNode(root); }
  CPLXMLNode* root;
  CPLXMLNode* find(const char* path) const { return CPLGetXMLNode(root, path); }
  std::string value(const char* path, const char* fallback = "") const {
    return CPLGetXMLValue(root, path, fallback);
  }
};

// The element children of a node with the given name.
std::vector<CPLXMLNode*> Children(CPLXMLNode* node, const char* name) {
  std::vector<CPLXMLNode*> out;
  for (CPLXMLNode* c = node ? node->psChild : nullptr; c; c = c->psNext)
    if (c->eType == CXT_Element && EQUAL(c->pszValue, name)) out.push_back(c);
  return out;
}

void MakeIndex(const TempDir& dir) {
  ASSERT_EQ(RunCli({"make-index", "--scale", "10000", "--bbox", "88.0625", "16.0", "88.13", "16.05", "-o",
                    dir / "i.shp"})
                .exitCode,
            0);
}

TEST(Delivery, GeoPackageCarriesQgisStylesAndStacksTextsLinesPolygons) {
  TempDir dir;
  MakeIndex(dir);
  const std::string gpkg = dir / "sheets.gpkg";
  const CliResult r =
      RunCli({"index", dir / "i.shp", "-o", gpkg, "--name-template", "[TFH]", "--no-project"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_FALSE(fs::exists(dir / "sheets.gpkg.qgs"));

  // Per frame its three classes in a row: texts, lines, polygons (QGIS puts
  // the first on top); the styles table is registered as attributes.
  std::vector<std::string> classes;
  bool stylesRegistered = false;
  for (const auto& row : Query(gpkg, "SELECT table_name, data_type FROM gpkg_contents ORDER BY rowid")) {
    if (row[0] == "layer_styles") stylesRegistered = row[1] == "attributes";
    if (row[1] == "features") classes.push_back(row[0]);
  }
  EXPECT_TRUE(stylesRegistered);
  ASSERT_EQ(classes.size(), 12u);
  for (std::size_t i = 0; i < classes.size(); i += 3) {
    const std::string frame = classes[i].substr(2);
    EXPECT_EQ(classes[i], "a_" + frame);
    EXPECT_EQ(classes[i + 1], "L_" + frame);
    EXPECT_EQ(classes[i + 2], "p_" + frame);
  }

  // One default style per class, with '' (not NULL) catalog and schema, as
  // QGIS looks them up.
  const auto styles =
      Query(gpkg,
            "SELECT f_table_name, f_table_catalog, f_table_schema, f_geometry_column, useAsDefault, "
            "styleQML FROM layer_styles ORDER BY id");
  ASSERT_EQ(styles.size(), 12u);
  for (const auto& s : styles) {
    SCOPED_TRACE(s[0]);
    EXPECT_EQ(s[1], "");
    EXPECT_EQ(s[2], "");
    EXPECT_EQ(s[3], "Shape");
    EXPECT_EQ(s[4], "1");
    const Xml qml(s[5]);
    ASSERT_NE(qml.root, nullptr) << "not XML";
    EXPECT_EQ(qml.value("=qgis.symbologyReferenceScale"), "10000");
    if (s[0][0] == 'a') {
      EXPECT_EQ(qml.value("=qgis.labelsEnabled"), "1");
      EXPECT_EQ(qml.value("=qgis.renderer-v2.type"), "nullSymbol");
      // One labelling rule per style of face (Song, Hei, other), each with a
      // fallback family of its own.
      EXPECT_EQ(qml.value("=qgis.labeling.type"), "rule-based");
      const auto rules = Children(qml.find("=qgis.labeling.rules"), "rule");
      ASSERT_EQ(rules.size(), 3u);
      std::set<std::string> fallbacks;
      for (CPLXMLNode* rule : rules) {
        EXPECT_NE(std::string(CPLGetXMLValue(rule, "filter", "")), "");
        EXPECT_EQ(std::string(CPLGetXMLValue(rule, "settings.text-style.fieldName", "")), "TextString");
        EXPECT_EQ(std::string(CPLGetXMLValue(rule, "settings.rendering.displayAll", "")), "1");
        EXPECT_EQ(std::string(CPLGetXMLValue(rule, "settings.rendering.obstacle", "")), "0");
        fallbacks.insert(CPLGetXMLValue(rule, "settings.text-style.fontFamily", ""));
      }
      EXPECT_EQ(fallbacks.size(), 3u);
      // Every text property is data-defined from the text's fields.
      for (const char* p : {"Size", "Family", "Bold", "Italic", "Underline", "Color", "LabelRotation",
                            "OffsetQuad", "OffsetXY", "FontLetterSpacing", "MultiLineAlignment"})
        EXPECT_TRUE(Contains(s[5], std::string("<Option type=\"Map\" name=\"") + p + "\">")) << p;
    } else {
      EXPECT_EQ(qml.value("=qgis.renderer-v2.type"), "categorizedSymbol");
      EXPECT_EQ(qml.value("=qgis.renderer-v2.attr"), "ID");
    }
  }
}

TEST(Delivery, ProjectBesideAGeographicGdbDrawsOnTheZonePlane) {
  TempDir dir;
  const std::string gdb = dir / "j.gdb";
  const CliResult r = RunCli({"sheet", "J-50-5", "-o", gdb, "--geographic", "--datum", "beijing54"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "j.gdb.qgs")) << r.out;

  const Xml project(ReadFile(dir / "j.gdb.qgs"));
  ASSERT_NE(project.root, nullptr);
  // Layers are geographic; the canvas is the Gauss-Krueger plane.
  EXPECT_TRUE(StartsWith(project.value("=qgis.projectCrs.spatialrefsys.wkt"), "PROJCS["));
  EXPECT_EQ(project.value("=qgis.projectCrs.spatialrefsys.geographicflag"), "false");
  EXPECT_EQ(project.value("=qgis.properties.SpatialRefSys.ProjectionsEnabled"), "1");
  EXPECT_EQ(project.value("=qgis.mapcanvas.units"), "meters");
  const double xmin = std::stod(project.value("=qgis.mapcanvas.extent.xmin", "0"));
  const double xmax = std::stod(project.value("=qgis.mapcanvas.extent.xmax", "0"));
  EXPECT_GT(xmin, 100000);  // metres, not degrees
  EXPECT_GT(xmax - xmin, 20000);

  // One group, its texts, lines and polygons in that order.
  CPLXMLNode* tree = project.find("=qgis.layer-tree-group");
  const auto groups = Children(tree, "layer-tree-group");
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_STREQ(CPLGetXMLValue(groups[0], "name", ""), "J_50_5");
  std::vector<std::string> order;
  for (CPLXMLNode* l : Children(groups[0], "layer-tree-layer"))
    order.push_back(CPLGetXMLValue(l, "name", ""));
  EXPECT_EQ(order, (std::vector<std::string>{"a_J_50_5", "L_J_50_5", "p_J_50_5"}));

  const auto layers = Children(project.find("=qgis.projectlayers"), "maplayer");
  ASSERT_EQ(layers.size(), 3u);
  for (CPLXMLNode* l : layers) {
    const std::string name = CPLGetXMLValue(l, "layername", "");
    SCOPED_TRACE(name);
    EXPECT_GT(std::string(CPLGetXMLValue(l, "id", "")).size(), 10u);  // QGIS drops shorter ids
    EXPECT_EQ(std::string(CPLGetXMLValue(l, "datasource", "")), "./j.gdb|layername=" + name);
    EXPECT_STREQ(CPLGetXMLValue(l, "provider", ""), "ogr");
    EXPECT_TRUE(Contains(CPLGetXMLValue(l, "srs.spatialrefsys.wkt", ""), "GEOGCS["));
    EXPECT_STREQ(CPLGetXMLValue(l, "symbologyReferenceScale", ""), "100000");
    EXPECT_STREQ(CPLGetXMLValue(l, "labelsEnabled", ""), name[0] == 'a' ? "1" : "0");
  }

  // The style for classes added by hand: one rule set for every class, not
  // bound to one geometry type, points drawn as nothing so that they label.
  const std::string qmlText = ReadFile(dir / "j.gdb.qml");
  EXPECT_FALSE(Contains(qmlText, "layerGeometryType"));
  const Xml qml(qmlText);
  ASSERT_NE(qml.root, nullptr);
  EXPECT_EQ(qml.value("=qgis.renderer-v2.type"), "RuleRenderer");
  EXPECT_EQ(qml.value("=qgis.labelsEnabled"), "1");
  int pointRules = 0;
  for (CPLXMLNode* rule : Children(qml.find("=qgis.renderer-v2.rules"), "rule"))
    pointRules += Contains(CPLGetXMLValue(rule, "filter", ""), "'Point'");
  EXPECT_EQ(pointRules, 1);
}

TEST(Delivery, ManyFramesShowOneAtATime) {
  TempDir dir;
  MakeIndex(dir);
  const CliResult r = RunCli({"index", dir / "i.shp", "-o", dir / "o.gpkg", "--name-template", "[TFH]"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const Xml project(ReadFile(dir / "o.gpkg.qgs"));
  CPLXMLNode* parent = project.find("=qgis.layer-tree-group.layer-tree-group");
  ASSERT_NE(parent, nullptr);
  EXPECT_STREQ(CPLGetXMLValue(parent, "mutually-exclusive", ""), "1");
  const auto frames = Children(parent, "layer-tree-group");
  ASSERT_EQ(frames.size(), 4u);
  int shown = 0;
  for (CPLXMLNode* f : frames) shown += std::string(CPLGetXMLValue(f, "checked", "")) == "Qt::Checked";
  EXPECT_EQ(shown, 1);
  // The frames' layers, and the coverage of the print layout's atlas.
  EXPECT_EQ(Children(project.find("=qgis.projectlayers"), "maplayer").size(), 12u + 1u);
}

// A shared output of few frames gets a group per frame; one of more frames
// than a layer panel lists gets only the classes whole, and its atlas still
// a page per frame (QGIS's reading of the pages is in the print layout's
// test).
TEST(Delivery, SharedFramesGetGroupsUpToABoundAndAtlasPagesAlways) {
  for (const int count : {3, deliver::kMaxFilteredFrameGroups + 1}) {
    TempDir dir;
    const std::string out = dir / "s.gpkg";
    {
      SilentFeedback quiet;
      const SpatialReference ref = SpatialReference::FromEpsg(2345);
      SharedFrameWriter writer(CreateOutputWorkspace(out));
      for (int i = 0; i < count; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "F%04d", i);
        ASSERT_TRUE(writer.admit(number, ref, 10000));
        const SharedFrameClasses classes = writer.beginFrame(number, ref, 10000);
        const double x = 500000 + 500.0 * i;
        LineBuffer lines(classes.lines, quiet);
        ASSERT_TRUE(lines.add(x, 3500000, x + 400, 3500400, 1));
        ASSERT_EQ(lines.flush(), 0);
        writer.finishFrame(Envelope{x, 3500000, x + 400, 3500400});
      }
      writer.close();
    }
    deliver::WriteQgisProject(out);
    const std::string text = ReadFile(out + ".qgs");
    const Xml project(text);
    // The groups of the frames, under the one that shows one at a time
    // when there are several.
    CPLXMLNode* top = project.find("=qgis.layer-tree-group.layer-tree-group");
    ASSERT_NE(top, nullptr);
    std::vector<std::string> groups;
    const auto inner = Children(top, "layer-tree-group");
    for (CPLXMLNode* g : inner.empty() ? std::vector<CPLXMLNode*>{top} : inner)
      groups.push_back(CPLGetXMLValue(g, "name", ""));
    const std::vector<std::string> few = {"F0000", "F0001", "F0002", "全部图廓"};
    EXPECT_EQ(groups, count == 3 ? few : std::vector<std::string>{"全部图廓"}) << count;
    // A frame's name in a filter only when it has its group; the atlas's
    // coverage reads the pages from the catalog's frame rows, so the
    // project does not list them.
    const std::string last = count == 3 ? "F0002" : "F0200";
    EXPECT_EQ(Contains(text, "&apos;" + last + "&apos;"), count == 3) << count;
    EXPECT_FALSE(Contains(text, "%27" + last + "%27")) << count;
    EXPECT_TRUE(Contains(text, "layer=ogr:.%2Fs.gpkg%7Clayername%3Dtarvik_frames:catalog")) << count;
  }
}

TEST(Delivery, DxfHoldsEveryFeatureOnLayersByKind) {
  TempDir dir;
  // The same frame as data and as a drawing.
  ASSERT_EQ(RunCli({"sheet", "E45G095066", "-o", dir / "e.gpkg", "--no-project"}).exitCode, 0);
  const CliResult r = RunCli({"sheet", "E45G095066", "-o", dir / "e.dxf"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // Nothing beside the drawing: the working folder is gone, and a drawing
  // has no project.
  for (const auto& entry : fs::directory_iterator(dir.path()))
    EXPECT_TRUE(entry.path().filename() == "e.dxf" || entry.path().filename() == "e.gpkg") << entry.path();

  const ReadStore data = ReadWithGdal(dir / "e.gpkg");
  const ReadStore drawing = ReadWithGdal(dir / "e.dxf");
  ASSERT_TRUE(drawing.has("entities"));
  std::map<std::string, int> perLayer;
  std::vector<std::string> drawnTexts;
  std::string letters;  // the single characters of spaced texts, in the file's order
  int letterCount = 0;
  for (const auto& f : drawing.layers.at("entities").features) {
    const std::string layer = f.fields.at("Layer");
    ++perLayer[layer];
    const std::string subClasses = f.fields.count("SubClasses") ? f.fields.at("SubClasses") : "";
    const std::string text = f.fields.count("Text") ? f.fields.at("Text") : "";
    if (Contains(subClasses, "AcDbMText")) {
      drawnTexts.push_back(text);
    } else if (Contains(subClasses, "AcDbText")) {
      letters += text;
      ++letterCount;
    }
  }
  const ReadLayer& lines = data.layers.at("L_E45G095066");
  EXPECT_EQ(perLayer["E45G095066_OUTER"], lines.countId(2));
  EXPECT_EQ(perLayer["E45G095066_FRAME"], lines.countId(1));
  EXPECT_EQ(perLayer["E45G095066_SCALEBAR"], lines.countId(3));
  EXPECT_EQ(perLayer["E45G095066_HATCH"], data.layers.at("p_E45G095066").countId(1));
  // Texts come back as written, Chinese and line breaks included: each as
  // one MTEXT, or, spaced, as its characters one TEXT each in order.
  std::vector<std::string> written;
  std::string spaced;
  std::multiset<std::string> unmatched(drawnTexts.begin(), drawnTexts.end());
  for (std::string t : data.layers.at("a_E45G095066").texts()) {
    for (auto p = t.find("\r\n"); p != std::string::npos; p = t.find("\r\n")) t.erase(p, 1);
    written.push_back(t);
    if (const auto it = unmatched.find(t); it != unmatched.end()) {
      unmatched.erase(it);
    } else {
      for (char c : t)
        if (c != ' ' && c != '\n') spaced += c;
    }
  }
  EXPECT_TRUE(unmatched.empty()) << *unmatched.begin();
  EXPECT_FALSE(letters.empty());
  EXPECT_EQ(letters, spaced);
  EXPECT_EQ(perLayer["E45G095066_TEXT"], static_cast<int>(drawnTexts.size()) + letterCount);
  EXPECT_TRUE(std::find(drawnTexts.begin(), drawnTexts.end(), "比例尺1:10000") != drawnTexts.end());

  // An existing drawing is replaced only when asked; another file never.
  EXPECT_EQ(RunCli({"sheet", "E45G095066", "-o", dir / "e.dxf"}).exitCode, 1);
  EXPECT_EQ(RunCli({"sheet", "E45G095066", "-o", dir / "e.dxf", "--overwrite"}).exitCode, 0);
  WriteFile(dir / "notes.dxf", "my notes");
  const CliResult refused = RunCli({"sheet", "E45G095066", "-o", dir / "notes.dxf", "--overwrite"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(ReadFile(dir / "notes.dxf"), "my notes");
}

}  // namespace
}  // namespace tarvik::test
