// A DXF drawing (AutoCAD 2000, AC1015) written as text: the tables, blocks
// and objects AutoCAD expects of that version, layers with colour and
// lineweight, text styles, and the entities frames are made of (polylines,
// hatches, multi-line texts). Drawing units are metres.
//
// Texts carry their characters outside ASCII in the declared code page,
// ANSI_936 (GBK), which every reader decodes (ezdxf's loader decodes no
// \U+XXXX escapes, GDAL and QGIS decode them in multi-line texts only);
// characters outside GBK, and in multi-line texts those whose second byte
// is a backslash or a brace, stay escapes. The names of layers and styles
// are ASCII.
//
// The drawing is not held in memory: layers and entities go to spool files
// as they are added, and write() puts the header and tables (which need only
// the extent, the handle count and the text styles) before them in the
// delivered file. Memory stays the same however many frames are drawn.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "deliver/spool_file.h"
#include "gdb/geometry.h"

namespace tarvik::deliver {

// Lineweights AutoCAD accepts, in hundredths of a millimetre.
enum DxfLineweight : int { kLw009 = 9, kLw015 = 15, kLw100 = 100 };

struct DxfText {
  std::string layer, style;
  std::string text;   // UTF-8, lines separated by CR LF, LF or CR
  Point2 at;          // insertion point
  double height = 0;  // drawing units
  double angle = 0;   // degrees counter-clockwise
  // Attachment: column 0 left, 1 centre, 2 right; row 0 top, 1 middle, 2 bottom.
  int column = 0, row = 2;
  bool bold = false, italic = false, underline = false;
  double tracking = 1;  // spacing factor of the characters (0.75..4)
  // The distance of the lines' baselines as a share of CAD's own (5/3 of
  // the height), exactly.
  double lineSpacing = 1;
  int color = -1;  // 0xRRGGBB, or -1 for the layer's colour
};

class DxfDocument {
 public:
  // Spools into files in `folder`, a folder of the caller's own. RunError
  // when they cannot be made; every add raises RunError when its spool
  // cannot be written (a full disk).
  explicit DxfDocument(const std::string& folder);
  ~DxfDocument();
  DxfDocument(const DxfDocument&) = delete;
  DxfDocument& operator=(const DxfDocument&) = delete;

  // `aci` is the AutoCAD colour index (7: black on paper), `lineweight` in
  // hundredths of a millimetre (standard values only). Layers are written
  // in the order they are added.
  void addLayer(const std::string& name, int aci, int lineweight);
  // A text style over a font file such as "simsun.ttc", its family (such
  // as "SimSun") recorded beside it as AutoCAD does for TrueType faces, with
  // the Chinese character set, so that readers that look a face up by its
  // family rather than by its file find it.
  void addTextStyle(const std::string& name, const std::string& fontFile, const std::string& family);

  void addPolyline(const std::string& layer, const std::vector<Point2>& points, bool closed);
  // A solid fill, rings under the odd-parity rule. `trueColor` 0xRRGGBB
  // and `aci`, the colour index of the same colour for programs that read
  // only the index (-1 both: the layer's colour).
  void addSolidHatch(const std::string& layer, const std::vector<std::vector<Point2>>& rings,
                     int trueColor = -1, int aci = -1);
  // The predefined pattern ANSI31 (45-degree lines), scaled so that its
  // lines are `spacing` drawing units apart. A predefined pattern is drawn
  // by readers that ignore a pattern defined in the entity itself.
  void addAnsi31Hatch(const std::string& layer, const std::vector<std::vector<Point2>>& rings,
                      double spacing);
  // A multi-line text (MTEXT).
  void addText(const DxfText& text);
  // A single-line text (TEXT) of `utf8` with its baseline's left end at
  // `at`, `height` the capital height in drawing units; `angle` in degrees
  // counter-clockwise, `color` 0xRRGGBB or -1 for the layer's.
  void addLineText(const std::string& layer, const std::string& style, const std::string& utf8, Point2 at,
                   double height, double angle, int color);

  // While set, the entities added go beneath every other entity of the
  // drawing, whichever frame it belongs to (masks: a frame's white ring
  // must not hide the lines and texts of a neighbouring frame). They come
  // first in the file and have the lower handles, which is the order CAD
  // programs draw in when the drawing has no draw order table.
  void setBeneathAll(bool beneath) { beneath_ = beneath; }

  // What has been added up to now, for undoing what comes after it.
  struct Mark {
    std::size_t layers = 0, styles = 0;
    std::uint64_t entities = 0, beneath = 0;
    std::uint64_t layerBytes = 0, entityBytes = 0, beneathBytes = 0;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    bool empty = true;
  };
  Mark mark() const;
  // Forgets everything added after `mark` was taken.
  void rewind(const Mark& mark);

  // Writes the whole drawing to `path`, whole or not at all (RunError).
  void write(const std::string& path);

  // The MTEXT content of a UTF-8 text: GBK bytes for characters outside
  // ASCII, \U+XXXX for those GBK lacks or whose bytes hold a backslash or a
  // brace; \P for line breaks, backslash and braces escaped.
  static std::string MTextContent(const std::string& utf8);
  // The TEXT content of a UTF-8 text: GBK bytes for characters outside
  // ASCII, \U+XXXX for those GBK lacks; control characters left out.
  static std::string TextContent(const std::string& utf8);

 private:
  struct Style {
    std::string name, font, family;
  };
  std::vector<Style> styles_;
  std::unique_ptr<SpoolFile> layerSpool_, entitySpool_, beneathSpool_;
  std::size_t layerCount_ = 0;  // besides layer "0"
  std::uint64_t entityCount_ = 0, beneathCount_ = 0;
  bool beneath_ = false;
  void addEntity(const std::string& entity);
  double xMin_ = 0, yMin_ = 0, xMax_ = 0, yMax_ = 0;
  bool empty_ = true;
  void grow(const Point2& p);
  unsigned nextEntityHandle();
  void hatch(const std::string& layer, const std::vector<std::vector<Point2>>& rings, bool solid,
             double spacing, int trueColor, int aci);
};

}  // namespace tarvik::deliver
