#include "deliver/dxf_export.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <utility>

#include "common/error.h"
#include "common/text_util.h"
#include "coords/zone_reference.h"
#include "deliver/dxf_document.h"
#include "gdb/element_kinds.h"

namespace tarvik::deliver {
namespace {

constexpr double kMmPerPoint = 25.4 / 72;

// What the drawing needs to know of a face, in ems. The preview draws a
// Windows face with a stand-in of the same kind (AR PL UMing for the Song
// faces 宋体/仿宋/楷体, WenQuanYi Zen Hei for 黑体, DejaVu Sans for the
// Latin faces), and CAD programs are to draw the texts as the preview does:
//
// - capHeight: CAD programs take a text's height as the height of its
//   capitals, not the em the font size gives: the top of "X" above the
//   baseline in the stand-in (UMing 694/1024, Zen Hei 702/1024, DejaVu
//   1493/2048), which is how readers measure a TrueType face to scale it.
//   Written height = em x capHeight draws the em at the font size.
// - ascent, descent, lineGap: the line box the preview lays texts in (the
//   face's horizontal header), for placing spaced texts by their baseline.
// - xAdvance: the width of "x", the unit of character spacing.
// - latinAdvance: the advance of ASCII and Latin-1 characters, 0 when the
//   face is proportional (then taken as half an em, as for SimSun); every
//   other character advances a whole em, as Chinese ones do.
}  // namespace

struct FaceMetrics {
  double capHeight, ascent, descent, lineGap, xAdvance, latinAdvance;
};

namespace {

constexpr FaceMetrics kSongFace{694.0 / 1024, 917.0 / 1024, 155.0 / 1024, 6.0 / 1024, 0.5, 0.5};
constexpr FaceMetrics kHeiFace{702.0 / 1024, 986.0 / 1024, 304.0 / 1024, 92.0 / 1024, 450.0 / 1024, 0};
constexpr FaceMetrics kLatinFace{1493.0 / 2048, 1901.0 / 2048, 483.0 / 2048, 0, 1212.0 / 2048, 0};

bool HasMark(const std::string& face, std::initializer_list<const char*> marks) {
  std::string lower = face;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (const char* m : marks)
    if (lower.find(m) != std::string::npos) return true;
  return false;
}

// The stand-in's metrics for a Windows face, chosen as the preview chooses.
const FaceMetrics& MetricsOf(const std::string& face) {
  if (HasMark(face, {"宋", "仿", "楷", "明", "song", "simsun", "ming", "kai"})) return kSongFace;
  if (HasMark(face, {"黑", "hei"})) return kHeiFace;
  return kLatinFace;
}

struct FontFile {
  const char* file;
  const char* family;
};

// The font file and family CAD programs know for a Windows face.
FontFile FontFileOf(const std::string& face) {
  const struct {
    const char* mark;
    FontFile font;
  } faces[] = {{"黑", {"simhei.ttf", "SimHei"}},      {"楷", {"simkai.ttf", "KaiTi"}},
               {"仿宋", {"simfang.ttf", "FangSong"}}, {"雅黑", {"msyh.ttc", "Microsoft YaHei"}},
               {"Arial", {"arial.ttf", "Arial"}},     {"Times", {"times.ttf", "Times New Roman"}}};
  for (const auto& f : faces)
    if (face.find(f.mark) != std::string::npos) return f.font;
  return {"simsun.ttc", "SimSun"};
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

// The characters of a line of UTF-8 text, each with the combining marks
// that follow it, and the code point that starts it.
std::vector<std::pair<std::string, unsigned>> Characters(const std::string& line) {
  std::vector<std::pair<std::string, unsigned>> out;
  for (std::size_t i = 0; i < line.size();) {
    const std::size_t start = i;
    const unsigned char c = static_cast<unsigned char>(line[i]);
    const int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    i = std::min(line.size(), i + length);
    unsigned cp = c;
    if (length > 1) {
      cp = c & (0x3F >> (length - 1));
      for (std::size_t k = start + 1; k < i; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(line[k]) & 0x3F);
    }
    // Combining diacritical marks (U+0300..U+036F) belong to the character before.
    if (!out.empty() && cp >= 0x300 && cp <= 0x36F) {
      out.back().first += line.substr(start, i - start);
      continue;
    }
    out.emplace_back(line.substr(start, i - start), cp);
  }
  return out;
}

double AdvanceEm(const FaceMetrics& face, unsigned cp) {
  if (cp < 0x100) return face.latinAdvance > 0 ? face.latinAdvance : 0.5;
  return 1;
}

}  // namespace

std::string DxfFrameTag(const std::string& frameName, int index) {
  bool ascii = !frameName.empty();
  for (char c : frameName)
    ascii = ascii && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-');
  if (ascii) return frameName;
  std::string tag = "F";
  tag += std::to_string(index);
  return tag;
}

DxfDrawing::DxfDrawing(const std::string& folder) : document_(folder) {}

std::string DxfDrawing::styleFor(const std::string& face) {
  const FontFile font = FontFileOf(face);
  const std::string file = font.file;
  // LibreCAD draws a text in its own font named like the text's style, and
  // "Unicode" is the one of its fonts with Chinese characters: the style
  // of SimSun, the face of nearly every text, carries that name.
  const std::string name = file == "simsun.ttc" ? "Unicode" : "TARVIK_" + file.substr(0, file.find('.'));
  for (const auto& s : styles_)
    if (s == name) return name;
  styles_.push_back(name);
  document_.addTextStyle(name, file, font.family);
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
    if (!toPlane->valid())
      throw RunError("图廓 " + frame.name + " 的经纬度坐标不能换算到高斯平面，不能写DXF");
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
                    bar = tag + "_SCALEBAR", hatch = tag + "_HATCH", band = tag + "_BAND",
                    mask = tag + "_MASK", text = tag + "_TEXT";
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
        // White on paper in every reader: CAD programs print pure white
        // (index 7, and in LibreCAD also true colour 0xFFFFFF and index
        // 255) black, so the true colour is 254,254,254, a white none of
        // them turns, and the index 255 for readers of the index alone.
        dxf.addSolidHatch(mask, rings, 0xFEFEFE, 255);
        for (const auto& r : rings) dxf.addPolyline(mask, r, true);
        dxf.setBeneathAll(false);
      } else if (poly.id == kOuterBand) {
        dxf.addSolidHatch(band, rings);
      } else {
        // 1 mm apart on paper, rising to the right.
        dxf.addAnsi31Hatch(hatch, rings, scale / 1000);
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
    const FaceMetrics& face = MetricsOf(t.symbol.fontName);
    const double emMetres = t.symbol.fontSize * kMmPerPoint * scale / 1000;
    const int color = t.symbol.color != 0 ? t.symbol.color : -1;
    const bool plain = !t.symbol.bold && !t.symbol.italic && !t.symbol.underline;
    if (t.symbol.characterSpacing != 0 && plain) {
      // Spaced texts: each character a single-line text where the preview
      // puts it, since the spacing code of MTEXT is not read by every CAD
      // program and is shown as text by some.
      addSpacedText(text, styleFor(t.symbol.fontName), t, plane(t.anchor), face, emMetres, color);
      continue;
    }
    DxfText d;
    d.layer = text;
    d.style = styleFor(t.symbol.fontName);
    d.text = t.text;
    d.height = emMetres * face.capHeight;
    d.angle = t.symbol.angle;
    // The lines as far apart as the preview's line box, and the block where
    // the preview puts it: CAD aligns a text on its capitals (top: the top
    // of the capitals of the first line; middle: halfway between that and
    // the last baseline; bottom: the last baseline), the preview on the
    // face's line box (ascent above the first baseline, descent below the
    // last).
    const double step = face.ascent + face.descent + face.lineGap;
    d.lineSpacing = step / (5.0 / 3 * face.capHeight);
    double up = 0;  // ems the anchor moves up the text
    switch (t.symbol.vertical) {
      case VerticalAlignment::Top:
        up = face.capHeight - face.ascent;
        break;
      case VerticalAlignment::Center:
        up = (face.descent - face.ascent + face.capHeight) / 2;
        break;
      case VerticalAlignment::Bottom:
        up = face.descent;
        break;
      case VerticalAlignment::Baseline:
        break;
    }
    const double turn = t.symbol.angle * M_PI / 180;
    d.at = plane(t.anchor);
    d.at.x -= std::sin(turn) * up * emMetres;
    d.at.y += std::cos(turn) * up * emMetres;
    d.column = t.symbol.horizontal == HorizontalAlignment::Left     ? 0
               : t.symbol.horizontal == HorizontalAlignment::Center ? 1
                                                                    : 2;
    d.row = t.symbol.vertical == VerticalAlignment::Top      ? 0
            : t.symbol.vertical == VerticalAlignment::Center ? 1
                                                             : 2;
    d.bold = t.symbol.bold;
    d.italic = t.symbol.italic;
    d.underline = t.symbol.underline;
    // Spacing of a bold, italic or underlined text, which needs MTEXT's
    // codes anyway: a share of the average character width (half an em);
    // CAD scales each character's advance instead.
    d.tracking = 1 + 0.5 * t.symbol.characterSpacing / 100 / MeanAdvanceEm(t.text);
    d.color = color;
    dxf.addText(d);
  }
  ++frames_;
}

}  // namespace tarvik::deliver

namespace tarvik::deliver {

void DxfDrawing::addSpacedText(const std::string& layer, const std::string& style, const StoredText& t,
                               Point2 anchor, const FaceMetrics& face, double em, int color) {
  // Laid out as the preview lays it out: each character advances by its
  // width plus the spacing (a share of the width of "x"), the lines are
  // aligned on their own width, and the block of lines on the anchor by
  // the face's line box.
  const double spacing = t.symbol.characterSpacing / 100 * face.xAdvance * em;
  std::vector<std::string> lines = SplitLines(t.text);
  if (lines.empty()) return;
  const double n = static_cast<double>(lines.size());
  const double ascent = face.ascent * em, descent = face.descent * em;
  const double step = ascent + descent + face.lineGap * em, height = (n - 1) * step + ascent + descent;
  // How far the top of the block lies above the anchor.
  double top = 0;
  switch (t.symbol.vertical) {
    case VerticalAlignment::Top:
      top = 0;
      break;
    case VerticalAlignment::Center:
      top = height / 2;
      break;
    case VerticalAlignment::Baseline:
      top = (n - 1) * step + ascent;
      break;
    case VerticalAlignment::Bottom:
      top = height;
      break;
  }
  const double a = t.symbol.angle * M_PI / 180, ca = std::cos(a), sa = std::sin(a);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto characters = Characters(lines[i]);
    double width = 0;
    for (std::size_t k = 0; k < characters.size(); ++k)
      width += AdvanceEm(face, characters[k].second) * em + (k > 0 ? spacing : 0);
    double x = t.symbol.horizontal == HorizontalAlignment::Left     ? 0
               : t.symbol.horizontal == HorizontalAlignment::Center ? -width / 2
                                                                    : -width;
    const double y = top - ascent - static_cast<double>(i) * step;
    for (const auto& [character, cp] : characters) {
      if (cp != ' ')
        document_.addLineText(layer, style, character,
                              {anchor.x + x * ca - y * sa, anchor.y + x * sa + y * ca}, em * face.capHeight,
                              t.symbol.angle, color);
      x += AdvanceEm(face, cp) * em + spacing;
    }
  }
}

}  // namespace tarvik::deliver
