#include "deliver/qgis_styles.h"

#include <functional>
#include <vector>

#include "common/font_faces.h"
#include "deliver/xml_text.h"
#include "gdb/element_kinds.h"

namespace tarvik::deliver {
namespace {

constexpr const char* kBlack = "0,0,0,255";
constexpr const char* kWhite = "255,255,255,255";
constexpr const char* kGrey = "128,128,128,255";

std::string Option(const std::string& name, const std::string& value, const char* type = "QString") {
  return "<Option" + XmlAttr("name", name) + XmlAttr("value", value) + XmlAttr("type", type) + "/>";
}

std::string OptionMap(const std::vector<std::pair<std::string, std::string>>& values) {
  std::string out = "<Option type=\"Map\">";
  for (const auto& [name, value] : values) out += Option(name, value);
  return out + "</Option>";
}

std::string SymbolLayer(const char* cls, const std::string& options, const std::string& inner = "") {
  return std::string("<layer class=\"") + cls + "\" enabled=\"1\" pass=\"0\" locked=\"0\">" + options +
         inner + "</layer>";
}

std::string Symbol(const char* type, const std::string& name, const std::string& layers) {
  return std::string("<symbol type=\"") + type + "\"" + XmlAttr("name", name) +
         " alpha=\"1\" clip_to_extent=\"1\" force_rhr=\"0\">" + layers + "</symbol>";
}

std::string LineSymbol(const std::string& name, double widthMm, const char* color = kBlack,
                       const char* cap = "square") {
  return Symbol("line", name,
                SymbolLayer("SimpleLine", OptionMap({{"capstyle", cap},
                                                     {"joinstyle", "miter"},
                                                     {"line_color", color},
                                                     {"line_style", "solid"},
                                                     {"line_width", Number(widthMm)},
                                                     {"line_width_unit", "MM"}})));
}

std::string SolidFillSymbol(const std::string& name, const char* fill, const char* outline,
                            double outlineMm) {
  return Symbol("fill", name,
                SymbolLayer("SimpleFill", OptionMap({{"color", fill},
                                                     {"style", "solid"},
                                                     {"outline_color", outline},
                                                     {"outline_style", outlineMm > 0 ? "solid" : "no"},
                                                     {"outline_width", Number(outlineMm)},
                                                     {"outline_width_unit", "MM"},
                                                     {"joinstyle", "miter"}})));
}

// The adjacent table's centre cell: 0.1 mm lines 1 mm apart rising to the
// right, as the preview hatches it.
std::string HatchSymbol(const std::string& name) {
  return Symbol("fill", name,
                SymbolLayer("LinePatternFill",
                            OptionMap({{"angle", "45"},
                                       {"color", kBlack},
                                       {"distance", "1"},
                                       {"distance_unit", "MM"},
                                       {"line_width", "0.1"},
                                       {"line_width_unit", "MM"},
                                       {"offset", "0"},
                                       {"offset_unit", "MM"}}),
                            LineSymbol("@" + name + "@0", 0.1, kBlack, "flat")));
}

// A point drawn as nothing: QGIS labels only features its renderer draws.
std::string InvisibleMarkerSymbol(const std::string& name) {
  return Symbol("marker", name,
                SymbolLayer("SimpleMarker", OptionMap({{"name", "circle"},
                                                       {"size", "0"},
                                                       {"size_unit", "MM"},
                                                       {"color", "0,0,0,0"},
                                                       {"outline_style", "no"},
                                                       {"outline_color", "0,0,0,0"},
                                                       {"outline_width", "0"}})));
}

struct Category {
  int id;
  const char* label;
  std::function<std::string(const std::string& name)> symbol;
};

std::vector<Category> LineCategories() {
  const auto line = [](double mm) { return [mm](const std::string& name) { return LineSymbol(name, mm); }; };
  return {{kOuterLine, "外图廓", line(1.0)},
          {kInnerLine, "内图廓、格网、接合表", line(0.1)},
          {kCrossLine, "十字线", line(0.15)},
          {kScaleBarLine, "比例尺", line(0.15)}};
}

std::vector<Category> PolygonCategories() {
  return {
      {kTableCentreCell, "接合表中心格", HatchSymbol},
      {kOuterBand, "外框带",
       [](const std::string& name) { return SolidFillSymbol(name, kBlack, kBlack, 0); }},
      {kMaskRing, "掩膜", [](const std::string& name) { return SolidFillSymbol(name, kWhite, kGrey, 0.1); }}};
}

// Features drawn by falling "ID": the mask ring (100) first, so that it
// covers what lies below it but not the band (10) and the hatching (1).
constexpr const char* kOrderByIdDescending =
    "<orderby><orderByClause asc=\"0\" nullsFirst=\"0\">\"ID\"</orderByClause></orderby>";

std::string Categorized(const std::vector<Category>& categories, double referenceScale) {
  std::string cats, symbols;
  for (std::size_t i = 0; i < categories.size(); ++i) {
    cats += "<category" + XmlAttr("value", std::to_string(categories[i].id)) +
            XmlAttr("label", categories[i].label) + XmlAttr("symbol", std::to_string(i)) +
            " render=\"true\" type=\"long\"/>";
    symbols += categories[i].symbol(std::to_string(i));
  }
  return "<renderer-v2 type=\"categorizedSymbol\" attr=\"ID\" symbollevels=\"0\" enableorderby=\"1\" "
         "forceraster=\"0\"" +
         XmlAttr("referencescale", referenceScale) + "><categories>" + cats + "</categories><symbols>" +
         symbols + "</symbols>" + kOrderByIdDescending + "</renderer-v2>";
}

// Data-defined label properties.
std::string FromField(const char* property, const char* field) {
  return std::string("<Option type=\"Map\" name=\"") + property + "\">" + Option("active", "true", "bool") +
         Option("field", field) + Option("type", "2", "int") + "</Option>";
}
std::string FromExpression(const char* property, const std::string& expression) {
  return std::string("<Option type=\"Map\" name=\"") + property + "\">" + Option("active", "true", "bool") +
         Option("expression", expression) + Option("type", "3", "int") + "</Option>";
}

// A QGIS string literal.
std::string Literal(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    if (c == '\\') out += '\\';
    out += c;
  }
  return out + "'";
}

// A regular expression matching any of `marks` literally, without case.
std::string AnyOf(const std::vector<std::string>& marks) {
  std::string out = "(?i)";
  for (std::size_t i = 0; i < marks.size(); ++i) {
    if (i > 0) out += '|';
    for (char c : marks[i]) {
      const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                         static_cast<unsigned char>(c) >= 0x80;
      if (!plain) out += '\\';
      out += c;
    }
  }
  return out;
}

// The rule of the texts whose face has `style`, by the marks in "FontName"
// (Song tested first, as FaceStyleOf does).
std::string FaceStyleFilter(FaceStyle style) {
  const auto has = [](FaceStyle s, const char* test) {
    return "regexp_match(trim(coalesce(\"FontName\", '')), " + Literal(AnyOf(FaceStyleMarks(s))) + ") " +
           test;
  };
  switch (style) {
    case FaceStyle::Song:
      return has(FaceStyle::Song, "> 0");
    case FaceStyle::Hei:
      return has(FaceStyle::Song, "= 0") + " AND " + has(FaceStyle::Hei, "> 0");
    case FaceStyle::Other:
      break;
  }
  return has(FaceStyle::Song, "= 0") + " AND " + has(FaceStyle::Hei, "= 0");
}

// Character spacing in points: the stored value is a percentage of the
// font's average character width, half the em in the Chinese faces.
constexpr const char* kSpacingPt = "(coalesce(\"CharacterSpacing\", 0) / 100.0 * \"FontSize\" * 0.5)";

// QGIS steps lines of a text by the font's integer-rounded metrics, about
// 1.065 em in the faces used here against the preview's 1.053 em; this
// factor brings multi-line notes back within a tenth of a millimetre.
constexpr double kQgisLineHeightFactor = 0.989;

// The label settings of the texts, drawn in `fallbackFamily` where the face
// in "FontName" is missing. `show`: the expression that decides whether a
// text shows; empty: every text.
std::string LabelSettings(const std::string& fallbackFamily, const std::string& show) {
  const std::string spacing = kSpacingPt;
  // The point is the anchor: left-aligned texts lie to its right, top-aligned
  // ones below it (QGIS quadrants: row above/over/below times three plus
  // column left/over/right).
  const std::string quadrant =
      "(CASE WHEN \"VerticalAlignment\" = 0 THEN 2 WHEN \"VerticalAlignment\" = 1 THEN 1 ELSE 0 END) * 3 + "
      "(CASE WHEN \"HorizontalAlignment\" = 0 THEN 2 WHEN \"HorizontalAlignment\" = 1 THEN 1 ELSE 0 END)";
  // Right-aligned texts move right by the trailing spacing QGIS adds,
  // centred ones by half of it; every text moves down to the preview's
  // baseline. Points on paper, y downwards.
  const std::string offset = "array(CASE WHEN \"HorizontalAlignment\" = 2 THEN " + spacing +
                             " WHEN \"HorizontalAlignment\" = 1 THEN " + spacing + " / 2 ELSE 0 END, " +
                             Number(kQgisBaselineRaiseEm) + " * \"FontSize\")";
  const std::string multiline =
      "CASE WHEN \"HorizontalAlignment\" = 0 THEN 'Left' WHEN \"HorizontalAlignment\" = 1 THEN 'Center' "
      "ELSE 'Right' END";
  const std::string color =
      "color_rgb((coalesce(\"Color\", 0) // 65536) % 256, (coalesce(\"Color\", 0) // 256) % 256, "
      "coalesce(\"Color\", 0) % 256)";
  const std::string properties =
      FromField("Bold", "Bold") + FromExpression("Color", color) + FromField("Family", "FontName") +
      FromExpression("FontLetterSpacing", spacing) + FromField("Italic", "Italic") +
      FromExpression("LabelRotation", "-coalesce(\"Angle\", 0)") +
      FromExpression("MultiLineAlignment", multiline) + FromExpression("OffsetQuad", quadrant) +
      FromExpression("OffsetXY", offset) + (show.empty() ? std::string() : FromExpression("Show", show)) +
      FromField("Size", "FontSize") + FromField("Underline", "Underline");
  return "<settings calloutType=\"simple\">"
         "<text-style fieldName=\"TextString\" isExpression=\"0\"" +
         XmlAttr("fontFamily", fallbackFamily) +
         " namedStyle=\"\" "
         "fontSize=\"10\" fontSizeUnit=\"Point\" fontWeight=\"50\" fontItalic=\"0\" fontUnderline=\"0\" "
         "fontStrikeout=\"0\" fontKerning=\"1\" fontLetterSpacing=\"0\" fontWordSpacing=\"0\" "
         "textColor=\"0,0,0,255\" textOpacity=\"1\"" +
         XmlAttr("multilineHeight", kQgisLineHeightFactor) +
         " allowHtml=\"0\" capitalization=\"0\" "
         "textOrientation=\"horizontal\" useSubstitutions=\"0\" blendMode=\"0\" "
         "previewBkgrdColor=\"255,255,255,255\"/>"
         "<text-format multilineAlign=\"3\" wrapChar=\"\" autoWrapLength=\"0\" "
         "useMaxLineLengthForAutoWrap=\"1\" "
         "addDirectionSymbol=\"0\" formatNumbers=\"0\" decimals=\"3\" plussign=\"0\"/>"
         "<placement placement=\"1\" quadOffset=\"4\" offsetType=\"0\" xOffset=\"0\" yOffset=\"0\" "
         "offsetUnits=\"Point\" dist=\"0\" distUnits=\"MM\" rotationAngle=\"0\" preserveRotation=\"1\" "
         "priority=\"5\" placementFlags=\"10\" centroidWhole=\"0\" centroidInside=\"0\" "
         "fitInPolygonOnly=\"0\" "
         "geometryGeneratorEnabled=\"0\" geometryGenerator=\"\" geometryGeneratorType=\"PointGeometry\" "
         "layerType=\"PointGeometry\"/>"
         "<rendering drawLabels=\"1\" displayAll=\"1\" obstacle=\"0\" obstacleFactor=\"1\" "
         "obstacleType=\"1\" "
         "upsidedownLabels=\"2\" labelPerPart=\"0\" mergeLines=\"0\" limitNumLabels=\"0\" "
         "maxNumLabels=\"2000\" "
         "scaleVisibility=\"0\" scaleMin=\"0\" scaleMax=\"0\" fontLimitPixelSize=\"0\" "
         "fontMinPixelSize=\"0\" "
         "fontMaxPixelSize=\"10000\" minFeatureSize=\"0\" zIndex=\"0\" unplacedVisibility=\"1\"/>"
         "<dd_properties><Option type=\"Map\">" +
         Option("name", "") + "<Option type=\"Map\" name=\"properties\">" + properties + "</Option>" +
         Option("type", "collection") + "</Option></dd_properties></settings>";
}

// QGIS 3.22 draws a label whose data-defined family is not installed (a
// fontconfig alias does not count) in the family of the label settings
// themselves, the same for every text. So the texts are labelled by three rules, one per
// style of face, each falling back to the installed face the preview draws
// that style with: the face stored in "FontName" draws wherever it is
// installed (宋体 on a Chinese Windows), the preview's stand-in elsewhere.
std::string Labeling(const std::string& show = "") {
  const struct {
    FaceStyle style;
    const char* description;
  } rules[] = {{FaceStyle::Song, "宋体类"}, {FaceStyle::Hei, "黑体类"}, {FaceStyle::Other, "其他字体"}};
  std::string out = "<labeling type=\"rule-based\"><rules key=\"texts\">";
  for (const auto& rule : rules) {
    const std::string fallback =
        rule.style == FaceStyle::Other ? FaceFamilies("").front() : InstalledStandIn(rule.style);
    out += "<rule" + XmlAttr("key", rule.description) + XmlAttr("description", rule.description) +
           XmlAttr("filter", FaceStyleFilter(rule.style)) + ">" + LabelSettings(fallback, show) + "</rule>";
  }
  return out + "</rules></labeling>";
}

std::string RootAttributes(double referenceScale, bool labels) {
  return XmlAttr("labelsEnabled", labels ? "1" : "0") + XmlAttr("symbologyReferenceScale", referenceScale) +
         " hasScaleBasedVisibilityFlag=\"0\" styleCategories=\"AllStyleCategories\"";
}

}  // namespace

LayerStyle FrameLayerStyle(FrameLayerKind kind, double referenceScale) {
  switch (kind) {
    case FrameLayerKind::Lines:
      return {RootAttributes(referenceScale, false), Categorized(LineCategories(), referenceScale)};
    case FrameLayerKind::Polygons:
      return {RootAttributes(referenceScale, false), Categorized(PolygonCategories(), referenceScale)};
    case FrameLayerKind::Texts:
      break;
  }
  return {RootAttributes(referenceScale, true),
          "<renderer-v2 type=\"nullSymbol\" symbollevels=\"0\" enableorderby=\"0\" forceraster=\"0\"" +
              XmlAttr("referencescale", referenceScale) + "/>" + Labeling()};
}

LayerStyle FrameLayerStyle(FrameLayerKind kind, double referenceScale, const std::string& filter) {
  if (filter.empty()) return FrameLayerStyle(kind, referenceScale);
  if (kind == FrameLayerKind::Texts)
    return {RootAttributes(referenceScale, true),
            "<renderer-v2 type=\"nullSymbol\" symbollevels=\"0\" enableorderby=\"0\" forceraster=\"0\"" +
                XmlAttr("referencescale", referenceScale) + "/>" + Labeling(filter)};
  const auto categories = kind == FrameLayerKind::Lines ? LineCategories() : PolygonCategories();
  std::string rules, symbols;
  for (std::size_t i = 0; i < categories.size(); ++i) {
    const std::string name = std::to_string(i);
    rules += "<rule" + XmlAttr("key", "r" + name) +
             XmlAttr("filter", "\"ID\" = " + std::to_string(categories[i].id)) +
             XmlAttr("label", categories[i].label) + XmlAttr("symbol", name) + "/>";
    symbols += categories[i].symbol(name);
  }
  return {RootAttributes(referenceScale, false),
          "<renderer-v2 type=\"RuleRenderer\" symbollevels=\"0\" enableorderby=\"1\" forceraster=\"0\"" +
              XmlAttr("referencescale", referenceScale) + "><rules key=\"root\"><rule key=\"frame\"" +
              XmlAttr("filter", filter) + ">" + rules + "</rule></rules><symbols>" + symbols + "</symbols>" +
              kOrderByIdDescending + "</renderer-v2>"};
}

LayerStyle CombinedFrameStyle(double referenceScale) {
  std::string rules, symbols;
  int index = 0;
  const auto add = [&](const std::string& filter, const char* label,
                       const std::function<std::string(const std::string&)>& symbol) {
    const std::string name = std::to_string(index++);
    rules += "<rule" + XmlAttr("key", "r" + name) + XmlAttr("filter", filter) + XmlAttr("label", label) +
             XmlAttr("symbol", name) + "/>";
    symbols += symbol(name);
  };
  for (const auto& c : LineCategories())
    add("geometry_type($geometry) = 'Line' AND \"ID\" = " + std::to_string(c.id), c.label, c.symbol);
  for (const auto& c : PolygonCategories())
    add("geometry_type($geometry) = 'Polygon' AND \"ID\" = " + std::to_string(c.id), c.label, c.symbol);
  add("geometry_type($geometry) = 'Point'", "注记", InvisibleMarkerSymbol);
  return {RootAttributes(referenceScale, true),
          "<renderer-v2 type=\"RuleRenderer\" symbollevels=\"0\" enableorderby=\"1\" forceraster=\"0\"" +
              XmlAttr("referencescale", referenceScale) + "><rules key=\"root\">" + rules +
              "</rules><symbols>" + symbols + "</symbols>" + kOrderByIdDescending + "</renderer-v2>" +
              Labeling()};
}

std::string StyleDocument(const LayerStyle& style) {
  return std::string("<!DOCTYPE qgis PUBLIC 'http://mrcc.com/qgis.dtd' 'SYSTEM'>\n<qgis") +
         XmlAttr("version", kQgisVersion) + style.rootAttributes + ">\n" + style.body + "\n</qgis>\n";
}

}  // namespace tarvik::deliver
