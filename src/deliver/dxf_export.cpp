#include "deliver/dxf_export.h"

#include <algorithm>
#include <memory>

#include "common/error.h"
#include "coords/zone_reference.h"
#include "deliver/dxf_document.h"
#include "gdb/element_kinds.h"

namespace tarvik::deliver {
namespace {

constexpr double kMmPerPoint = 25.4 / 72;

// The font file CAD programs know for a Windows face.
std::string FontFileOf(const std::string& face) {
  const struct {
    const char* mark;
    const char* file;
  } faces[] = {{"黑", "simhei.ttf"}, {"楷", "simkai.ttf"}, {"仿宋", "simfang.ttf"}, {"雅黑", "msyh.ttc"},
               {"Arial", "arial.ttf"}, {"Times", "times.ttf"}};
  for (const auto& f : faces)
    if (face.find(f.mark) != std::string::npos) return f.file;
  return "simsun.ttc";
}

// Characters' share of an em on average: half for ASCII, whole for the rest.
double MeanAdvanceEm(const std::string& text) {
  int ascii = 0, wide = 0;
  for (unsigned char c : text) {
    if (c < 0x80) {
      if (c > ' ') ++ascii;
    } else if ((c & 0xC0) != 0x80) {
      ++wide;
    }
  }
  return ascii + wide == 0 ? 1 : (0.5 * ascii + wide) / (ascii + wide);
}

}  // namespace

std::string DxfFrameTag(const std::string& frameName, int index) {
  bool ascii = !frameName.empty();
  for (char c : frameName)
    ascii = ascii && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-');
  if (ascii) return frameName;
  std::string tag = "F";
  tag += std::to_string(index);
  return tag;
}

DxfDrawing::DxfDrawing(const std::string& folder) : document_(folder) {}

std::string DxfDrawing::styleFor(const std::string& face) {
  const std::string file = FontFileOf(face);
  const std::string name = "TARVIK_" + file.substr(0, file.find('.'));
  for (const auto& s : styles_)
    if (s == name) return name;
  styles_.push_back(name);
  document_.addTextStyle(name, file);
  return name;
}

void DxfDrawing::rewind(const Mark& mark) {
  document_.rewind(mark.document);
  frames_ = mark.frames;
  if (styles_.size() > mark.styles) styles_.resize(mark.styles);
}

void DxfDrawing::write(const std::string& path) {
  if (frames_ == 0) throw RunError("输出中没有图廓，不能写DXF");
  document_.write(path);
}

void DxfDrawing::addFrame(const DxfFrame& frame) {
  DxfDocument& dxf = document_;
  const int index = frames_ + 1;
  const std::string tag = DxfFrameTag(frame.name, index);
  const double scale = frame.referenceScale > 0 ? frame.referenceScale : 10000;
  const auto& lines = frame.lines;
  const auto& polygons = frame.polygons;
  const auto& texts = frame.texts;
  // Geographic frames go onto the plane of their zone.
  std::unique_ptr<ReferenceTransform> toPlane;
  if (frame.reference && frame.reference->isGeographic()) {
    double xMin = 180, xMax = -180;
    for (const auto& l : lines)
      for (const auto& path : l.paths)
        for (const Point2& p : path) xMin = std::min(xMin, p.x), xMax = std::max(xMax, p.x);
    if (xMin > xMax) xMin = xMax = texts.empty() ? 0 : texts.front().anchor.x;
    toPlane = std::make_unique<ReferenceTransform>(
        *frame.reference, GaussKruegerOn(*frame.reference, ThreeDegreeZoneMeridian((xMin + xMax) / 2)));
    if (!toPlane->valid()) throw RunError("图廓 " + frame.name + " 的经纬度坐标不能换算到高斯平面，不能写DXF");
  }
  const auto plane = [&](Point2 p) {
    if (toPlane) toPlane->apply(p.x, p.y);
    return p;
  };
  const auto planeAll = [&](const std::vector<Point2>& pts) {
    std::vector<Point2> out;
    out.reserve(pts.size());
    for (const Point2& p : pts) out.push_back(plane(p));
    return out;
  };

  const std::string outer = tag + "_OUTER", thin = tag + "_FRAME", cross = tag + "_CROSS",
                    bar = tag + "_SCALEBAR", hatch = tag + "_HATCH", band = tag + "_BAND", mask = tag + "_MASK",
                    text = tag + "_TEXT";
  dxf.addLayer(mask, 8, kLw009);
  dxf.addLayer(band, 7, kLw009);
  dxf.addLayer(hatch, 7, kLw009);
  dxf.addLayer(thin, 7, kLw009);
  dxf.addLayer(outer, 7, kLw100);
  dxf.addLayer(cross, 7, kLw015);
  dxf.addLayer(bar, 7, kLw015);
  dxf.addLayer(text, 7, kLw009);

  // Drawn in order: the mask beneath everything of every frame, then bands
  // and hatching, lines, texts.
  for (int pass = 0; pass < 2; ++pass)
    for (const auto& poly : polygons) {
      if ((pass == 0) != (poly.id == kMaskRing)) continue;
      std::vector<std::vector<Point2>> rings;
      for (const auto& r : poly.rings) rings.push_back(planeAll(r));
      if (poly.id == kMaskRing) {
        dxf.setBeneathAll(true);
        dxf.addSolidHatch(mask, rings, 0xFFFFFF);
        for (const auto& r : rings) dxf.addPolyline(mask, r, true);
        dxf.setBeneathAll(false);
      } else if (poly.id == kOuterBand) {
        dxf.addSolidHatch(band, rings);
      } else {
        // 1 mm apart on paper, rising to the right.
        dxf.addLineHatch(hatch, rings, 45, scale / 1000);
      }
    }
  for (const auto& line : lines) {
    const std::string& layer = line.id == kOuterLine      ? outer
                               : line.id == kCrossLine    ? cross
                               : line.id == kScaleBarLine ? bar
                                                          : thin;
    for (const auto& path : line.paths) dxf.addPolyline(layer, planeAll(path), false);
  }
  for (const auto& t : texts) {
    DxfText d;
    d.layer = text;
    d.style = styleFor(t.symbol.fontName);
    d.text = t.text;
    d.at = plane(t.anchor);
    d.height = t.symbol.fontSize * kMmPerPoint * scale / 1000;
    d.angle = t.symbol.angle;
    d.column = t.symbol.horizontal == HorizontalAlignment::Left     ? 0
               : t.symbol.horizontal == HorizontalAlignment::Center ? 1
                                                                    : 2;
    d.row = t.symbol.vertical == VerticalAlignment::Top ? 0 : t.symbol.vertical == VerticalAlignment::Center ? 1 : 2;
    d.bold = t.symbol.bold;
    d.italic = t.symbol.italic;
    d.underline = t.symbol.underline;
    // Spacing is a share of the average character width (half an em);
    // CAD scales each character's advance instead.
    d.tracking = 1 + 0.5 * t.symbol.characterSpacing / 100 / MeanAdvanceEm(t.text);
    d.color = t.symbol.color != 0 ? t.symbol.color : -1;
    dxf.addText(d);
  }
  ++frames_;
}

}  // namespace tarvik::deliver
