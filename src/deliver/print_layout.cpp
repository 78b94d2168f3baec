#include "deliver/print_layout.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

#include "common/gbk.h"
#include "common/text_util.h"
#include "deliver/xml_text.h"

namespace tarvik::deliver {
namespace {

constexpr double kMmPerPoint = 25.4 / 72;

struct Paper {
  const char* name;
  double shortMm, longMm;
};
constexpr Paper kPapers[] = {
    {"A4", 210, 297}, {"A3", 297, 420}, {"A2", 420, 594}, {"A1", 594, 841}, {"A0", 841, 1189}};

// Item ids of the layout: any text unique within the project.
constexpr const char* kPageUuid = "{6d1f3c20-7a4e-4c1b-9e0a-7a7276696b01}";
constexpr const char* kMapUuid = "{6d1f3c20-7a4e-4c1b-9e0a-7a7276696b02}";

// A query text in a virtual layer's URL: every byte but the unreserved
// ones percent-encoded (QGIS decodes the URL as UTF-8).
std::string PercentEncoded(const std::string& text) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 15]);
    }
  }
  return out;
}

std::string SqlText(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

std::string Polygon(const Envelope& e) {
  // To the millimetre on the ground: the rectangle only centres the page.
  const auto mm = [](double v) { return Number(std::round(v * 1000) / 1000); };
  const std::string x0 = mm(e.xMin), y0 = mm(e.yMin), x1 = mm(e.xMax), y1 = mm(e.yMax);
  return "POLYGON((" + x0 + " " + y0 + "," + x1 + " " + y0 + "," + x1 + " " + y1 + "," + x0 + " " + y1 + "," +
         x0 + " " + y0 + "))";
}

std::string Size(double w, double h) { return Number(w) + "," + Number(h) + ",mm"; }

std::string DataDefined(const std::string& properties) {
  return "<dataDefinedProperties><Option type=\"Map\"><Option name=\"name\" type=\"QString\" value=\"\"/>" +
         (properties.empty() ? std::string("<Option name=\"properties\"/>")
                             : "<Option name=\"properties\" type=\"Map\">" + properties + "</Option>") +
         "<Option name=\"type\" type=\"QString\" value=\"collection\"/></Option></dataDefinedProperties>";
}

// The layers an atlas page draws: its frame's, then every layer that is no
// frame class, top first as QGIS takes a layer list.
std::string AtlasLayersExpression() {
  return "array_to_string(array_cat(array(attribute(@atlas_feature, 'texts'), attribute(@atlas_feature, "
         "'lines'), attribute(@atlas_feature, 'polygons')), array_filter(array_foreach(@layer_ids, "
         "layer_property(@element, 'name')), NOT regexp_match(@element, '^(a|L|p)_'))), '|')";
}

}  // namespace

PageSize ChoosePage(double contentWidthMm, double contentHeightMm, const PrintOptions& options) {
  const double w = contentWidthMm + 2 * options.marginMm, h = contentHeightMm + 2 * options.marginMm;
  if (options.paper == PaperRule::StandardPaper) {
    for (const Paper& p : kPapers) {
      const bool portrait = w <= p.shortMm && h <= p.longMm;
      const bool landscape = w <= p.longMm && h <= p.shortMm;
      if (!portrait && !landscape) continue;
      // Both ways: turned like the content.
      if (landscape && (!portrait || w > h)) return {p.longMm, p.shortMm, std::string(p.name) + " 横向"};
      return {p.shortMm, p.longMm, std::string(p.name) + " 纵向"};
    }
  }
  // Whole tenths of a millimetre, never smaller than the content.
  const auto up = [](double v) { return std::ceil(v * 10 - 1e-6) / 10; };
  return {up(w), up(h), ""};
}

Envelope TextBox(const StoredText& text, double metresPerMm, bool geographic) {
  const double em = text.symbol.fontSize * kMmPerPoint;
  const auto lines = SplitLines(text.text);
  std::size_t widest = 0;
  for (const auto& line : lines) widest = std::max(widest, GbkByteLength(line));
  double width =
      (static_cast<double>(widest) * em / 2) * (1 + std::max(0.0, text.symbol.characterSpacing) / 100);
  double height = static_cast<double>(std::max<std::size_t>(lines.size(), 1)) * 1.1 * em;
  width *= metresPerMm;
  height *= metresPerMm;
  double dx = width, dy = height;
  if (geographic) {
    constexpr double kMetresPerDegree = 111320;
    dy = height / kMetresPerDegree;
    dx = width / (kMetresPerDegree * std::max(0.01, std::cos(text.anchor.y * std::numbers::pi / 180)));
  }
  Envelope e{text.anchor.x, text.anchor.y, text.anchor.x, text.anchor.y};
  switch (text.symbol.horizontal) {
    case HorizontalAlignment::Left:
      e.xMax += dx;
      break;
    case HorizontalAlignment::Center:
      e.xMin -= dx / 2;
      e.xMax += dx / 2;
      break;
    default:
      e.xMin -= dx;
      break;
  }
  switch (text.symbol.vertical) {
    case VerticalAlignment::Top:
      e.yMin -= dy;
      break;
    case VerticalAlignment::Center:
      e.yMin -= dy / 2;
      e.yMax += dy / 2;
      break;
    default:
      e.yMax += dy;
      break;
  }
  return e;
}

std::string CoverageSource(const std::vector<AtlasPage>& pages) {
  std::string rows;
  for (const AtlasPage& p : pages) {
    rows += rows.empty() ? "(" : ", (";
    for (const std::string* text : {&p.frame, &p.texts, &p.lines, &p.polygons})
      rows.append(SqlText(*text)).append(", ");
    rows.append(Number(p.scale)).append(", ").append(SqlText(Polygon(p.extent))).append(")");
  }
  const std::string query =
      "SELECT column1 AS frame, column2 AS texts, column3 AS lines, column4 AS polygons, "
      "column5 AS scale, GeomFromText(column6) AS geometry FROM (VALUES " +
      rows + ")";
  return "?query=" + PercentEncoded(query) + "&geometry=geometry:3:0";
}

std::string CatalogCoverageSource(const std::string& catalogSource, const std::string& dataset,
                                  const AtlasPage& layers, const Envelope& room) {
  const std::string query =
      "SELECT frame AS frame, " + SqlText(layers.texts) + " AS texts, " + SqlText(layers.lines) +
      " AS lines, " + SqlText(layers.polygons) +
      " AS polygons, CASE WHEN reference_scale > 0 THEN reference_scale ELSE 10000 END AS scale, "
      "BuildMbr(extent_xmin - " +
      Number(room.xMin) + ", extent_ymin - " + Number(room.yMin) + ", extent_xmax + " + Number(room.xMax) +
      ", extent_ymax + " + Number(room.yMax) +
      ") AS geometry FROM catalog WHERE kind = 'frame' AND extent_xmin IS NOT NULL AND dataset = " +
      SqlText(dataset);
  // The catalog as a source of the virtual layer itself, not a reference
  // to another layer of the project by its id: a project whose layers are
  // taken over into another (the QGIS plugin) gets new ids.
  return "?layer=ogr:" + PercentEncoded(catalogSource) + ":catalog:UTF-8&query=" + PercentEncoded(query) +
         "&geometry=geometry:3:0";
}

std::string LayoutsXml(const PrintLayoutModel& m) {
  const double w = m.page.widthMm, h = m.page.heightMm;
  // The map item covers the page; its extent is the page on the ground.
  const double halfW = w * m.scale / 2000, halfH = h * m.scale / 2000;
  const bool atlas = !m.coverageLayerId.empty();
  const std::string dd =
      atlas ? "<Option name=\"dataDefinedMapLayers\" type=\"Map\"><Option name=\"active\" type=\"bool\" "
              "value=\"true\"/>"
              "<Option name=\"expression\" type=\"QString\"" +
                  XmlAttr("value", AtlasLayersExpression()) +
                  "/><Option name=\"type\" type=\"int\" value=\"3\"/></Option>"
                  "<Option name=\"dataDefinedMapScale\" type=\"Map\"><Option name=\"active\" type=\"bool\" "
                  "value=\"true\"/><Option name=\"expression\" type=\"QString\" "
                  "value=\"attribute(@atlas_feature, 'scale')\"/><Option name=\"type\" type=\"int\" "
                  "value=\"3\"/>"
                  "</Option>"
            : std::string();
  std::string out =
      "<Layouts>\n<Layout" + XmlAttr("name", m.name) +
      " units=\"mm\" printResolution=\"300\" worldFileMap=\"\">"
      "<PageCollection><LayoutItem type=\"65638\"" +
      XmlAttr("uuid", kPageUuid) + XmlAttr("templateUuid", kPageUuid) +
      " id=\"\" position=\"0,0,mm\" positionOnPage=\"0,0,mm\"" + XmlAttr("size", Size(w, h)) +
      " zValue=\"0\" visibility=\"1\" frame=\"false\" background=\"true\" itemRotation=\"0\" "
      "opacity=\"1\" referencePoint=\"0\" excludeFromExports=\"0\" positionLock=\"false\">"
      "<FrameColor red=\"0\" green=\"0\" blue=\"0\" alpha=\"255\"/>"
      "<BackgroundColor red=\"255\" green=\"255\" blue=\"255\" alpha=\"255\"/>"
      "<LayoutObject>" +
      DataDefined("") +
      "<customproperties/></LayoutObject></LayoutItem>"
      "<GuideCollection visible=\"1\"/></PageCollection>\n"
      "<LayoutItem type=\"65639\"" +
      XmlAttr("uuid", kMapUuid) + XmlAttr("templateUuid", kMapUuid) + XmlAttr("id", "图廓") +
      " position=\"0,0,mm\" positionOnPage=\"0,0,mm\"" + XmlAttr("size", Size(w, h)) +
      " zValue=\"1\" visibility=\"1\" frame=\"false\" background=\"false\" itemRotation=\"0\" "
      "mapRotation=\"0\" opacity=\"1\" referencePoint=\"0\" excludeFromExports=\"0\" "
      "positionLock=\"false\" keepLayerSet=\"false\" followPreset=\"false\" followPresetName=\"\" "
      "drawCanvasItems=\"true\" labelMargin=\"0,mm\" mapFlags=\"0\" isTemporal=\"0\">"
      "<FrameColor red=\"0\" green=\"0\" blue=\"0\" alpha=\"255\"/>"
      "<BackgroundColor red=\"255\" green=\"255\" blue=\"255\" alpha=\"255\"/>"
      "<LayoutObject>" +
      DataDefined(dd) +
      "<customproperties/></LayoutObject>"
      "<Extent" +
      XmlAttr("xmin", m.centreX - halfW) + XmlAttr("ymin", m.centreY - halfH) +
      XmlAttr("xmax", m.centreX + halfW) + XmlAttr("ymax", m.centreY + halfH) +
      "/>"
      "<crs>" +
      m.crsXml + "</crs><LayerSet/>" + "<AtlasMap" + XmlAttr("atlasDriven", atlas ? "1" : "0") +
      " scalingMode=\"0\" margin=\"0\"/></LayoutItem>\n";
  if (atlas)
    out += "<Atlas enabled=\"1\" hideCoverage=\"1\" sortFeatures=\"0\" filterFeatures=\"0\"" +
           XmlAttr("coverageLayer", m.coverageLayerId) + XmlAttr("coverageLayerName", m.coverageLayerName) +
           // Found by its id; the source, thousands of rows long, is the layer's.
           " coverageLayerSource=\"\" coverageLayerProvider=\"virtual\" "
           "pageNameExpression=\"&quot;frame&quot;\" "
           "filenamePattern=\"&quot;frame&quot;\"/>\n";
  return out + "</Layout>\n</Layouts>\n";
}

}  // namespace tarvik::deliver
