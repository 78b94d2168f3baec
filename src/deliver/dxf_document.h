// A DXF drawing (AutoCAD 2000, AC1015) written as text: the tables, blocks
// and objects AutoCAD expects of that version, layers with colour and
// lineweight, text styles, and the entities frames are made of (polylines,
// hatches, multi-line texts). Drawing units are metres.
//
// Every string in the file is ASCII: texts carry their other characters as
// \U+XXXX escapes, which CAD programs read whatever their code page, and the
// names of layers and styles are ASCII. The code page is still declared as
// ANSI_936 (Simplified Chinese) for the programs that look at it.
#pragma once

#include <string>
#include <vector>

#include "gdb/geometry.h"

namespace tarvik::deliver {

// Lineweights AutoCAD accepts, in hundredths of a millimetre.
enum DxfLineweight : int { kLw009 = 9, kLw015 = 15, kLw100 = 100 };

struct DxfText {
  std::string layer, style;
  std::string text;  // UTF-8, lines separated by CR LF, LF or CR
  Point2 at;         // insertion point
  double height = 0;  // drawing units
  double angle = 0;   // degrees counter-clockwise
  // Attachment: column 0 left, 1 centre, 2 right; row 0 top, 1 middle, 2 bottom.
  int column = 0, row = 2;
  bool bold = false, italic = false, underline = false;
  double tracking = 1;  // spacing factor of the characters (0.75..4)
  int color = -1;       // 0xRRGGBB, or -1 for the layer's colour
};

class DxfDocument {
 public:
  // `aci` is the AutoCAD colour index (7: black on paper), `lineweight` in
  // hundredths of a millimetre (standard values only). Layers are written
  // in the order they are added.
  void addLayer(const std::string& name, int aci, int lineweight);
  // A text style over a font file such as "simsun.ttc".
  void addTextStyle(const std::string& name, const std::string& fontFile);

  void addPolyline(const std::string& layer, const std::vector<Point2>& points, bool closed);
  // A solid fill (`trueColor` 0xRRGGBB, -1 for the layer's colour), rings
  // under the odd-parity rule.
  void addSolidHatch(const std::string& layer, const std::vector<std::vector<Point2>>& rings, int trueColor = -1);
  // Parallel lines `spacing` drawing units apart at `angle` degrees.
  void addLineHatch(const std::string& layer, const std::vector<std::vector<Point2>>& rings, double angle,
                    double spacing);
  void addText(const DxfText& text);

  // The whole file.
  std::string str() const;

  // The MTEXT content of a UTF-8 text: \U+XXXX for characters outside ASCII,
  // \P for line breaks, backslash and braces escaped.
  static std::string MTextContent(const std::string& utf8);

 private:
  struct Layer {
    std::string name;
    int aci, lineweight;
  };
  struct Style {
    std::string name, font;
  };
  std::vector<Layer> layers_;
  std::vector<Style> styles_;
  std::string entities_;  // with a placeholder for the owner's handle
  int entityCount_ = 0;
  double xMin_ = 0, yMin_ = 0, xMax_ = 0, yMax_ = 0;
  bool empty_ = true;
  void grow(const Point2& p);
  void hatch(const std::string& layer, const std::vector<std::vector<Point2>>& rings, bool solid, double angle,
             double spacing, int trueColor);
};

}  // namespace tarvik::deliver
