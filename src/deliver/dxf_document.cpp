#include "deliver/dxf_document.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "common/error.h"
#include "common/gbk.h"

namespace tarvik::deliver {
namespace {

// Handles of the drawing's fixed objects. Layers and styles get handles from
// kFirstTableHandle on, the entities beneath all others from
// kFirstBeneathHandle on, the rest from kFirstEntityHandle on: ranges that
// stay apart up to 2 million frames (a drawing that would need more is
// refused). Handles stay within 32 bits, which some readers hold them in.
enum : unsigned {
  kVportTable = 0x1,
  kLtypeTable,
  kLayerTable,
  kStyleTable,
  kViewTable,
  kUcsTable,
  kAppidTable,
  kDimstyleTable,
  kBlockRecordTable,
  kRootDictionary,
  kGroupDictionary,
  kLayoutDictionary,
  kPlotStyleDictionary,
  kPlotStylePlaceholder,
  kActiveVport,
  kByBlock,
  kByLayer,
  kContinuous,
  kAcadAppid,
  kStandardDimstyle,
  kModelRecord,
  kPaperRecord,
  kModelBlock,
  kModelEnd,
  kPaperBlock,
  kPaperEnd,
  kModelLayout,
  kPaperLayout,
  kFirstTableHandle = 0x100,
  kFirstBeneathHandle = 0x1000000,
  kFirstEntityHandle = 0x10000000,
};

constexpr const char* kTooLarge = "DXF图形的图层或图元超过了句柄的范围，请分成几个输出";

std::string Hex(unsigned h) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%X", h);
  return buffer;
}

// Group code and value, each on its own line.
class Tags {
 public:
  Tags& operator()(int code, const std::string& value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%3d\n", code);
    out_ += buffer;
    out_ += value;
    out_ += '\n';
    return *this;
  }
  Tags& operator()(int code, const char* value) { return (*this)(code, std::string(value)); }
  Tags& operator()(int code, int value) { return (*this)(code, std::to_string(value)); }
  Tags& operator()(int code, unsigned value) { return (*this)(code, std::to_string(value)); }
  Tags& real(int code, double value) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.10g", value);
    std::string text = buffer;
    if (text.find_first_of(".eEn") == std::string::npos) text += ".0";
    return (*this)(code, text);
  }
  Tags& handle(int code, unsigned h) { return (*this)(code, Hex(h)); }
  Tags& point(int code, double x, double y) { return real(code, x).real(code + 10, y).real(code + 20, 0); }
  std::string& text() { return out_; }

 private:
  std::string out_;
};

void TableStart(Tags& t, const char* name, unsigned handle, std::size_t count) {
  t(0, "TABLE")(2, name).handle(5, handle)(330, "0")(100, "AcDbSymbolTable")(70, static_cast<int>(count));
}

void Record(Tags& t, const char* type, unsigned handle, unsigned table, const char* subclass) {
  t(0, type).handle(5, handle).handle(330, table)(100, "AcDbSymbolTableRecord")(100, subclass);
}

// A LAYOUT object over a block record.
void Layout(Tags& t, unsigned handle, const char* name, int order, unsigned record) {
  t(0, "LAYOUT").handle(5, handle)(102, "{ACAD_REACTORS").handle(330, kLayoutDictionary)(102, "}");
  t.handle(330, kLayoutDictionary)(100, "AcDbPlotSettings")(1, "")(2, "none_device")(4, "")(6, "");
  for (int code = 40; code <= 49; ++code) t.real(code, 0);
  t.real(140, 0).real(141, 0).real(142, 1).real(143, 1)(70, order == 0 ? 1712 : 688)(72, 0)(73, 0)(
      74, order == 0 ? 0 : 5);
  t(7, "")(75, order == 0 ? 0 : 16)(76, 0)(77, 2)(78, 300).real(147, 1).real(148, 0).real(149, 0);
  t(100, "AcDbLayout")(1, name)(70, 1)(71, order).real(10, 0).real(20, 0).real(11, 420).real(21, 297);
  t.point(12, 0, 0).point(14, 0, 0).point(15, 0, 0).real(146, 0).point(13, 0, 0).point(16, 1, 0).point(17, 0,
                                                                                                       1);
  t(76, 0).handle(330, record);
}

// The code point at `i` of UTF-8 text (advancing `i`); U+FFFD for bad bytes.
unsigned NextCodePoint(const std::string& s, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned c = byte(i);
  int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
  if (extra < 0 || i + extra >= s.size() + (extra == 0 ? 1 : 0)) {
    ++i;
    return 0xFFFD;
  }
  unsigned cp = extra == 0 ? c : c & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  i += extra + 1;
  return cp;
}

}  // namespace

namespace {

// A character outside ASCII as \U+XXXX (U+FFFD beyond the basic plane).
void AppendEscape(std::string& out, unsigned cp) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "\\U+%04X", cp > 0xFFFF ? 0xFFFDu : cp);
  out += buffer;
}

// A character outside ASCII, `character` its UTF-8 bytes: in the declared
// code page (GBK), which readers that decode no \U+ (ezdxf's loader) still
// read, else as \U+XXXX; `avoid` the bytes that must not appear (MTEXT's
// code characters, which a reader parsing bytes would take for codes).
void AppendNonAscii(std::string& out, std::string_view character, unsigned cp, const char* avoid) {
  const auto gbk = TryUtf8ToGbk(character);
  if (gbk && cp != 0xFFFD && gbk->find_first_of(avoid) == std::string::npos)
    out += *gbk;
  else
    AppendEscape(out, cp);
}

}  // namespace

std::string DxfDocument::MTextContent(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t start = i;
    const unsigned cp = NextCodePoint(utf8, i);
    if (cp == '\r') {
      if (i < utf8.size() && utf8[i] == '\n') ++i;
      out += "\\P";
    } else if (cp == '\n') {
      out += "\\P";
    } else if (cp == '\\' || cp == '{' || cp == '}') {
      out += '\\';
      out += static_cast<char>(cp);
    } else if (cp < 0x20) {
      // Other control characters have no meaning in a text.
    } else if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else {
      AppendNonAscii(out, std::string_view(utf8).substr(start, i - start), cp, "\\{}");
    }
  }
  return out;
}

std::string DxfDocument::TextContent(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t start = i;
    const unsigned cp = NextCodePoint(utf8, i);
    if (cp < 0x20) continue;
    if (cp < 0x80)
      out += static_cast<char>(cp);
    else
      AppendNonAscii(out, std::string_view(utf8).substr(start, i - start), cp, "");
  }
  return out;
}

DxfDocument::DxfDocument(const std::string& folder)
    : layerSpool_(std::make_unique<SpoolFile>((std::filesystem::path(folder) / "layers.dxf-part").string())),
      entitySpool_(
          std::make_unique<SpoolFile>((std::filesystem::path(folder) / "entities.dxf-part").string())),
      beneathSpool_(
          std::make_unique<SpoolFile>((std::filesystem::path(folder) / "beneath.dxf-part").string())) {}

DxfDocument::~DxfDocument() = default;

void DxfDocument::addLayer(const std::string& name, int aci, int lineweight) {
  if (kFirstTableHandle + layerCount_ + 16 >= kFirstBeneathHandle) throw RunError(kTooLarge);
  Tags t;
  // Layer "0" has the first table handle, the others the ones after it.
  Record(t, "LAYER", kFirstTableHandle + static_cast<unsigned>(++layerCount_), kLayerTable,
         "AcDbLayerTableRecord");
  t(2, name)(70, 0)(62, aci)(6, "Continuous")(370, lineweight).handle(390, kPlotStylePlaceholder);
  layerSpool_->append(t.text());
}

unsigned DxfDocument::nextEntityHandle() {
  const std::uint64_t h =
      beneath_ ? kFirstBeneathHandle + beneathCount_++ : kFirstEntityHandle + entityCount_++;
  if (h >= (beneath_ ? std::uint64_t{kFirstEntityHandle} : std::uint64_t{0xFFFFFFFFu}))
    throw RunError(kTooLarge);
  return static_cast<unsigned>(h);
}

void DxfDocument::addEntity(const std::string& entity) {
  (beneath_ ? beneathSpool_ : entitySpool_)->append(entity);
}

DxfDocument::Mark DxfDocument::mark() const {
  return {layerCount_,
          styles_.size(),
          entityCount_,
          beneathCount_,
          layerSpool_->size(),
          entitySpool_->size(),
          beneathSpool_->size(),
          xMin_,
          yMin_,
          xMax_,
          yMax_,
          empty_};
}

void DxfDocument::rewind(const Mark& m) {
  layerSpool_->cutTo(m.layerBytes);
  entitySpool_->cutTo(m.entityBytes);
  beneathSpool_->cutTo(m.beneathBytes);
  beneathCount_ = m.beneath;
  layerCount_ = m.layers;
  if (styles_.size() > m.styles) styles_.resize(m.styles);
  entityCount_ = m.entities;
  xMin_ = m.xMin, yMin_ = m.yMin, xMax_ = m.xMax, yMax_ = m.yMax;
  empty_ = m.empty;
}

void DxfDocument::addTextStyle(const std::string& name, const std::string& fontFile,
                               const std::string& family) {
  styles_.push_back({name, fontFile, family});
}

void DxfDocument::grow(const Point2& p) {
  if (empty_) {
    xMin_ = xMax_ = p.x;
    yMin_ = yMax_ = p.y;
    empty_ = false;
    return;
  }
  xMin_ = std::min(xMin_, p.x);
  xMax_ = std::max(xMax_, p.x);
  yMin_ = std::min(yMin_, p.y);
  yMax_ = std::max(yMax_, p.y);
}

namespace {

// Start of an entity in model space; a colour index and a true colour
// when given (-1: the layer's).
Tags Entity(const char* type, unsigned handle, const std::string& layer, int trueColor = -1, int aci = -1) {
  Tags t;
  t(0, type).handle(5, handle).handle(330, kModelRecord)(100, "AcDbEntity")(8, layer);
  if (aci >= 0) t(62, aci);
  if (trueColor >= 0) t(420, trueColor & 0xFFFFFF);
  return t;
}

// ANSI31 as the acad.pat file defines it: lines at 45 degrees, 3.175 units
// apart at scale 1.
constexpr double kAnsi31Spacing = 3.175;

}  // namespace

void DxfDocument::addPolyline(const std::string& layer, const std::vector<Point2>& points, bool closed) {
  if (points.size() < 2) return;
  Tags t = Entity("LWPOLYLINE", nextEntityHandle(), layer);
  t(100, "AcDbPolyline")(90, static_cast<int>(points.size()))(70, closed ? 1 : 0).real(43, 0);
  for (const Point2& p : points) {
    t.real(10, p.x).real(20, p.y);
    grow(p);
  }
  addEntity(t.text());
}

void DxfDocument::hatch(const std::string& layer, const std::vector<std::vector<Point2>>& rings, bool solid,
                        double spacing, int trueColor, int aci) {
  std::vector<const std::vector<Point2>*> loops;
  for (const auto& r : rings)
    if (r.size() >= 3) loops.push_back(&r);
  if (loops.empty()) return;
  Tags t = Entity("HATCH", nextEntityHandle(), layer, trueColor, aci);
  t(100, "AcDbHatch").point(10, 0, 0).real(210, 0).real(220, 0).real(230, 1);
  t(2, solid ? "SOLID" : "ANSI31")(70, solid ? 1 : 0)(71, 0)(91, static_cast<int>(loops.size()));
  for (std::size_t i = 0; i < loops.size(); ++i) {
    std::vector<Point2> ring = *loops[i];
    if (ring.size() > 3 && ring.front().x == ring.back().x && ring.front().y == ring.back().y)
      ring.pop_back();
    // Polyline boundary; the first ring is the outer one.
    t(92, i == 0 ? 3 : 2)(72, 0)(73, 1)(93, static_cast<int>(ring.size()));
    for (const Point2& p : ring) {
      t.real(10, p.x).real(20, p.y);
      grow(p);
    }
    t(97, 0);
  }
  // Predefined pattern (76 = 1) at angle 0 (its lines keep their own 45
  // degrees), scaled; the line family is written out as well, as readers
  // draw from it without a pattern file.
  t(75, 0)(76, 1);
  if (!solid) {
    const double scale = spacing / kAnsi31Spacing, step = spacing / std::sqrt(2.0);
    t.real(52, 0).real(41, scale)(77, 0)(78, 1);
    t.real(53, 45).real(43, 0).real(44, 0).real(45, -step).real(46, step)(79, 0);
  }
  t(98, 0);
  addEntity(t.text());
}

void DxfDocument::addSolidHatch(const std::string& layer, const std::vector<std::vector<Point2>>& rings,
                                int trueColor, int aci) {
  hatch(layer, rings, true, 0, trueColor, aci);
}

void DxfDocument::addAnsi31Hatch(const std::string& layer, const std::vector<std::vector<Point2>>& rings,
                                 double spacing) {
  hatch(layer, rings, false, spacing, -1, -1);
}

void DxfDocument::addLineText(const std::string& layer, const std::string& style, const std::string& utf8,
                              Point2 at, double height, double angle, int color) {
  const std::string content = TextContent(utf8);
  if (content.empty()) return;
  Tags t = Entity("TEXT", nextEntityHandle(), layer, color);
  t(100, "AcDbText").point(10, at.x, at.y).real(40, height)(1, content).real(50, angle)(7, style);
  t(100, "AcDbText");
  grow(at);
  addEntity(t.text());
}

void DxfDocument::addText(const DxfText& text) {
  std::string content = MTextContent(text.text);
  if (content.empty()) return;
  std::string format;
  if (text.bold || text.italic) {
    // The style's face with weight and slant; the family is looked up by
    // the program from the style when the name is left empty.
    format += "\\f|b";
    format += text.bold ? '1' : '0';
    format += "|i";
    format += text.italic ? '1' : '0';
    format += ';';
  }
  if (std::fabs(text.tracking - 1) > 1e-9) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "\\T%.3g;", std::clamp(text.tracking, 0.75, 4.0));
    format += buffer;
  }
  if (text.underline) content = "\\L" + content + "\\l";
  if (!format.empty()) content = "{" + format + content + "}";

  Tags t = Entity("MTEXT", nextEntityHandle(), text.layer, text.color);
  t(100, "AcDbMText").point(10, text.at.x, text.at.y).real(40, text.height).real(41, 0);
  t(71, 1 + std::clamp(text.row, 0, 2) * 3 + std::clamp(text.column, 0, 2))(72, 1);
  // The content in pieces of 250 characters, the last one under code 1; a
  // piece never ends inside an escape.
  std::size_t start = 0;
  while (content.size() - start > 250) {
    std::size_t cut = start + 250;
    const std::size_t escape = content.rfind('\\', cut - 1);
    if (escape != std::string::npos && escape >= start && cut - escape < 8) cut = escape;
    t(3, content.substr(start, cut - start));
    start = cut;
  }
  t(1, content.substr(start));
  const double a = text.angle * M_PI / 180;
  t(7, text.style)
      .point(11, std::cos(a), std::sin(a))(73, 2)
      .real(44, std::clamp(text.lineSpacing, 0.25, 4.0));
  grow(text.at);
  addEntity(t.text());
}

void DxfDocument::write(const std::string& path) {
  Tags t;
  const double cx = (xMin_ + xMax_) / 2, cy = (yMin_ + yMax_) / 2;
  const double width = std::max(xMax_ - xMin_, 1.0), height = std::max(yMax_ - yMin_, 1.0);
  unsigned next = kFirstTableHandle;
  std::vector<unsigned> styleHandles;
  next += static_cast<unsigned>(layerCount_) + 1;  // the layers' (layer "0" first)
  for (std::size_t i = 0; i <= styles_.size(); ++i) styleHandles.push_back(next++);  // "Standard" first
  const unsigned seed = static_cast<unsigned>(kFirstEntityHandle + entityCount_ + 1);

  t(0, "SECTION")(2, "HEADER");
  t(9, "$ACADVER")(1, "AC1015")(9, "$DWGCODEPAGE")(3, "ANSI_936");
  t(9, "$INSBASE")
      .point(10, 0, 0)(9, "$EXTMIN")
      .point(10, xMin_, yMin_)(9, "$EXTMAX")
      .point(10, xMax_, yMax_);
  t(9, "$LIMMIN").real(10, xMin_).real(20, yMin_)(9, "$LIMMAX").real(10, xMax_).real(20, yMax_);
  t(9, "$TEXTSTYLE")(7, "Standard")(9, "$CLAYER")(8, "0")(9, "$LUNITS")(70, 2)(9, "$LUPREC")(70, 4);
  t(9, "$INSUNITS")(70, 6)(9, "$MEASUREMENT")(70, 1)(9, "$LWDISPLAY")(290, 1);
  t(9, "$HANDSEED").handle(5, seed)(0, "ENDSEC");

  t(0, "SECTION")(2, "CLASSES");
  const char* classes[][4] = {{"ACDBDICTIONARYWDFLT", "AcDbDictionaryWithDefault", "0", "0"},
                              {"ACDBPLACEHOLDER", "AcDbPlaceHolder", "0", "0"},
                              {"LAYOUT", "AcDbLayout", "0", "0"},
                              {"LWPOLYLINE", "AcDbPolyline", "0", "1"},
                              {"HATCH", "AcDbHatch", "0", "1"}};
  for (const auto& c : classes)
    t(0, "CLASS")(1, c[0])(2, c[1])(3, "ObjectDBX Classes")(90, c[2])(280, 0)(281, c[3]);
  t(0, "ENDSEC");

  t(0, "SECTION")(2, "TABLES");
  TableStart(t, "VPORT", kVportTable, 1);
  Record(t, "VPORT", kActiveVport, kVportTable, "AcDbViewportTableRecord");
  t(2, "*ACTIVE")(70, 0).real(10, 0).real(20, 0).real(11, 1).real(21, 1).real(12, cx).real(22, cy);
  t.real(13, 0).real(23, 0).real(14, 1).real(24, 1).real(15, 0).real(25, 0).point(16, 0, 0).point(17, 0, 0);
  // Show the whole drawing (the height of the view and its aspect ratio).
  t.real(40, std::max(height, width / 1.5) * 1.05).real(41, 1.5).real(42, 50).real(43, 0).real(44, 0);
  t.real(50, 0).real(51, 0)(71, 0)(72, 100)(73, 1)(74, 3)(75, 0)(76, 0)(77, 0)(78, 0);
  t(0, "ENDTAB");

  TableStart(t, "LTYPE", kLtypeTable, 3);
  for (const auto& [h, name] :
       {std::pair{kByBlock, "ByBlock"}, {kByLayer, "ByLayer"}, {kContinuous, "Continuous"}}) {
    Record(t, "LTYPE", h, kLtypeTable, "AcDbLinetypeTableRecord");
    t(2, name)(70, 0)(3, h == kContinuous ? "Solid line" : "")(72, 65)(73, 0).real(40, 0);
  }
  t(0, "ENDTAB");

  TableStart(t, "LAYER", kLayerTable, layerCount_ + 1);
  Record(t, "LAYER", kFirstTableHandle, kLayerTable, "AcDbLayerTableRecord");
  t(2, "0")(70, 0)(62, 7)(6, "Continuous")(370, -3).handle(390, kPlotStylePlaceholder);
  DeliveredFile file(path);
  file.write(t.text());
  t.text().clear();
  layerSpool_->copyTo(file);
  t(0, "ENDTAB");

  TableStart(t, "STYLE", kStyleTable, styles_.size() + 1);
  for (std::size_t i = 0; i <= styles_.size(); ++i) {
    const Style style = i == 0 ? Style{"Standard", "simsun.ttc", "SimSun"} : styles_[i - 1];
    Record(t, "STYLE", styleHandles[i], kStyleTable, "AcDbTextStyleTableRecord");
    t(2, style.name)(70, 0).real(40, 0).real(41, 1).real(50, 0)(71, 0).real(42, 2.5)(3, style.font)(4, "");
    // The family and its flags: character set 134 (GB2312) in the second
    // byte, variable pitch in the lowest.
    if (!style.family.empty()) t(1001, "ACAD")(1000, style.family)(1071, (134 << 8) | 0x02);
  }
  t(0, "ENDTAB");

  TableStart(t, "VIEW", kViewTable, 0);
  t(0, "ENDTAB");
  TableStart(t, "UCS", kUcsTable, 0);
  t(0, "ENDTAB");
  TableStart(t, "APPID", kAppidTable, 1);
  Record(t, "APPID", kAcadAppid, kAppidTable, "AcDbRegAppTableRecord");
  t(2, "ACAD")(70, 0)(0, "ENDTAB");
  TableStart(t, "DIMSTYLE", kDimstyleTable, 1);
  t(100, "AcDbDimStyleTable")(71, 1).handle(340, kStandardDimstyle);
  t(0, "DIMSTYLE").handle(105, kStandardDimstyle).handle(330, kDimstyleTable)(100, "AcDbSymbolTableRecord");
  t(100, "AcDbDimStyleTableRecord")(2, "Standard")(70, 0).handle(340, styleHandles[0])(0, "ENDTAB");

  TableStart(t, "BLOCK_RECORD", kBlockRecordTable, 2);
  Record(t, "BLOCK_RECORD", kModelRecord, kBlockRecordTable, "AcDbBlockTableRecord");
  t(2, "*Model_Space").handle(340, kModelLayout);
  Record(t, "BLOCK_RECORD", kPaperRecord, kBlockRecordTable, "AcDbBlockTableRecord");
  t(2, "*Paper_Space").handle(340, kPaperLayout)(0, "ENDTAB")(0, "ENDSEC");

  t(0, "SECTION")(2, "BLOCKS");
  for (const auto& [begin, end, record, name, paper] :
       {std::tuple{kModelBlock, kModelEnd, kModelRecord, "*Model_Space", false},
        {kPaperBlock, kPaperEnd, kPaperRecord, "*Paper_Space", true}}) {
    t(0, "BLOCK").handle(5, begin).handle(330, record)(100, "AcDbEntity");
    if (paper) t(67, 1);
    t(8, "0")(100, "AcDbBlockBegin")(2, name)(70, 0).point(10, 0, 0)(3, name)(1, "");
    t(0, "ENDBLK").handle(5, end).handle(330, record)(100, "AcDbEntity");
    if (paper) t(67, 1);
    t(8, "0")(100, "AcDbBlockEnd");
  }
  t(0, "ENDSEC");

  t(0, "SECTION")(2, "ENTITIES");
  file.write(t.text());
  beneathSpool_->copyTo(file);
  entitySpool_->copyTo(file);
  Tags o;
  o(0, "ENDSEC")(0, "SECTION")(2, "OBJECTS");
  o(0, "DICTIONARY").handle(5, kRootDictionary)(330, "0")(100, "AcDbDictionary")(281, 1);
  o(3, "ACAD_GROUP").handle(350, kGroupDictionary)(3, "ACAD_LAYOUT").handle(350, kLayoutDictionary);
  o(3, "ACAD_PLOTSTYLENAME").handle(350, kPlotStyleDictionary);
  o(0, "DICTIONARY").handle(5, kGroupDictionary).handle(330, kRootDictionary)(100, "AcDbDictionary")(281, 1);
  o(0, "DICTIONARY").handle(5, kLayoutDictionary).handle(330, kRootDictionary)(100, "AcDbDictionary")(281, 1);
  o(3, "Layout1").handle(350, kPaperLayout)(3, "Model").handle(350, kModelLayout);
  o(0, "ACDBDICTIONARYWDFLT")
      .handle(5, kPlotStyleDictionary)
      .handle(330, kRootDictionary)(100, "AcDbDictionary");
  o(281, 1)(3, "Normal").handle(350, kPlotStylePlaceholder)(100, "AcDbDictionaryWithDefault");
  o.handle(340, kPlotStylePlaceholder);
  o(0, "ACDBPLACEHOLDER").handle(5, kPlotStylePlaceholder).handle(330, kPlotStyleDictionary);
  Layout(o, kModelLayout, "Model", 0, kModelRecord);
  Layout(o, kPaperLayout, "Layout1", 1, kPaperRecord);
  o(0, "ENDSEC")(0, "EOF");
  file.write(o.text());
  file.commit();
}

}  // namespace tarvik::deliver
