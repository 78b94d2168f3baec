#include "preview/svg_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "common/error.h"

namespace tarvik {
namespace {

// Millimetres with at most four decimals (0.1 micrometre), "." always.
std::string Num(double v) {
  if (std::abs(v) < 5e-5) v = 0;
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 4);
  std::string s(buf, r.ptr);
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s;
}

std::string Escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Color(QRgb c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", qRed(c), qGreen(c), qBlue(c));
  return buf;
}

std::string Points(const std::vector<QPointF>& points) {
  std::string out;
  for (std::size_t i = 0; i < points.size(); ++i) {
    out += i == 0 ? "M" : " L";
    out += Num(points[i].x()) + " " + Num(points[i].y());
  }
  return out;
}

std::string FontFamily(const PreviewTextStyle& style) {
  std::string out;
  for (const QString& f : style.families) {
    out += '\'';
    out += Escape(f.toStdString());
    out += "', ";
  }
  out += style.generic.toStdString();
  return out;
}

}  // namespace

std::string SceneToSvg(const PreviewScene& scene) {
  const std::string w = Num(scene.pageMm.width()), h = Num(scene.pageMm.height());
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + w + "mm\" height=\"" + h +
         "mm\" viewBox=\"0 0 " + w + " " + h + "\">\n";
  svg += "<title>" + Escape(scene.frame) + "</title>\n";
  svg += "<rect x=\"0\" y=\"0\" width=\"" + w + "\" height=\"" + h + "\" fill=\"#ffffff\"/>\n";

  for (const auto& f : scene.fills) {
    std::string d;
    for (const auto& ring : f.rings)
      if (!ring.empty()) d += Points(ring) + " Z ";
    svg += "<path d=\"" + d + "\" fill=\"" + Color(f.color) + "\" fill-rule=\"evenodd\" stroke=\"none\"/>\n";
  }
  for (const auto& s : scene.strokes) {
    if (s.points.size() < 2) continue;
    svg += "<path d=\"" + Points(s.points) + "\" fill=\"none\" stroke=\"" + Color(s.color) +
           "\" stroke-width=\"" + Num(s.widthMm) + "\" stroke-linecap=\"" +
           (s.squareCap ? "square" : "butt") + "\" stroke-linejoin=\"miter\"/>\n";
  }
  for (const auto& t : scene.texts) {
    const PreviewTextStyle& st = t.style;
    svg += "<g transform=\"translate(" + Num(t.anchor.x()) + " " + Num(t.anchor.y()) + ")";
    if (t.angle != 0) svg += " rotate(" + Num(-t.angle) + ")";
    svg += "\" font-family=\"" + FontFamily(st) + "\" font-size=\"" + Num(st.sizePt * 25.4 / 72) +
           "\" fill=\"" + Color(st.color) + "\"";
    if (st.bold) svg += " font-weight=\"bold\"";
    if (st.italic) svg += " font-style=\"italic\"";
    if (st.underline) svg += " text-decoration=\"underline\"";
    if (st.spacingMm != 0) svg += " letter-spacing=\"" + Num(st.spacingMm) + "\"";
    // SVG readers add the spacing after the last character too;
    // move end- and middle-anchored lines by it so their ink stays aligned.
    const char* anchor = "start";
    double shift = 0;
    if (t.horizontal == HorizontalAlignment::Center) anchor = "middle", shift = st.spacingMm / 2;
    if (t.horizontal == HorizontalAlignment::Right) anchor = "end", shift = st.spacingMm;
    svg += std::string(" text-anchor=\"") + anchor + "\">\n";
    for (const auto& line : t.lines) {
      if (line.text.isEmpty()) continue;
      const double x = t.horizontal == HorizontalAlignment::Left     ? line.x
                       : t.horizontal == HorizontalAlignment::Center ? line.x + line.width / 2 + shift
                                                                     : line.x + line.width + shift;
      svg += "<text x=\"" + Num(x) + "\" y=\"" + Num(line.baseline) + "\" xml:space=\"preserve\">" +
             Escape(line.text.toStdString()) + "</text>\n";
    }
    svg += "</g>\n";
  }
  svg += "</svg>\n";
  return svg;
}

void WriteSceneSvg(const PreviewScene& scene, const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << SceneToSvg(scene);
  out.close();
  if (!out) throw RunError("不能写入预览文件 " + path);
}

}  // namespace tarvik
