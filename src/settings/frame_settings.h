// TFrameSettings: every cartographic parameter of a frame run, filled from the
// controls of the main window and the settings dialog (through the control
// table, control_table.h) and read by the frame engine.
//
// Members are named after the control they come from. Units:
//   - "0.1 mm" members are distances on the printed sheet in tenths of a
//     millimetre; multiply by ScaleFactor to get ground metres;
//   - "m" members are ground metres;
//   - "deg" members were entered in seconds of arc and are held in degrees;
//   - "index" members are the 0-based item index of a choice;
//   - fonts are FontDesc (height in pixels at 96 dpi, negative = character
//     height, colour 0x00BBGGRR).
// Multi-line texts hold their lines joined by CR LF, without a final break.
// Defaults are the dialog's defaults, those of a new user: texts are empty
// or neutral (no sample titles, classification or company), the subtitle is
// the sheet number ("[TFH]") and the lower-left note names the run's
// coordinate system ("[坐标系]"). Settings files keep whatever they carry.
#pragma once

#include <string>

#include "common/font_desc.h"
#include "coords/datum.h"

namespace tarvik {

// The choices of the radio groups that steer the drawing; the values are the
// groups' item indexes, as settings files store them.

// How frames are made (`rgtype`).
enum class CreationMode : int {
  SheetNumber = 0,  // one typed sheet number
  SheetIndex = 1,   // every sheet of a standard sheet index file
  PolygonFile = 2,  // around every polygon of any polygon file
};

// The grid inside the frame (`rgGrid`).
enum class GridType : int {
  None = 0,
  Kilometre = 1,         // kilometre lines
  Crosshair = 2,         // crosses at the kilometre intersections, margin ticks
  Graticule = 3,         // meridians and parallels
  GraticuleCrosses = 4,  // crosses at the graticule intersections
};

// How the corners are labelled (`rgdmsmode`).
enum class CornerLabelMode : int {
  DegMinSec = 0,  // 度分秒
  DegMin = 1,     // 度分
  Planar = 2,     // XY in kilometres
};

struct TFrameSettings {
  // ---- Main window ----
  // Scale denominator / 10000 (1.0 at 1:10000); from `edtMapscale1`.
  long double ScaleFactor = 1.0L;
  // true: stored positions are longitude/latitude ("大地(经纬度)坐标"); `rgjw` index 1.
  bool GeodeticOutput = false;
  // `rgtype`.
  CreationMode CreateMode = CreationMode::SheetIndex;
  // The datum's row in the datum table: 0 西安80, 1 北京54, 2 WGS84,
  // 3 CGCS2000; `gb8054`.
  int CoordSysIndex = 0;
  // The datum of CoordSysIndex (Xi'an 1980 for an index out of range).
  Datum datum() const { return DatumOfIndex(CoordSysIndex).value_or(Datum::Xian80); }
  // Central meridian in whole degrees east (held as a real number); `centerL`.
  long double centralMeridian = 87.0L;
  // The run picks the meridian from the sheet or the data (`chkAutoMeridian`);
  // false: centralMeridian is the person's choice.
  bool autoMeridian = true;
  // 3-degree zones (`cbFdf` index 0); false: 6-degree zones.
  bool is3DegreeZone = true;
  // Eastings carry the zone number in front (`rgisband` index 1).
  bool addZoneNumber = false;
  // Every frame of the output in one line, polygon and text class, named in
  // the field FrameName (`cbLayout` index 1); false: classes of its own per
  // frame.
  bool sharedLayout = false;
  // Seven Helmert parameters "dx,dy,dz,rx,ry,rz,ds" taking an input on
  // another datum to the output's (`edtTowgs84`); empty: none given.
  std::string towgs84;

  // ---- Page 0: basic information ----
  std::string edtmian;       // main title
  long double seMain = 180;  // 0.1 mm above the outer top edge
  FontDesc btntlitle1 = FontDesc::FromPixels("宋体", 67);
  std::string edtmian1 = "[TFH]";  // subtitle 1
  long double semian1 = 80;        // 0.1 mm above the outer top edge
  FontDesc btntlitle2 = FontDesc::FromPixels("宋体", 37);
  std::string edtmian2;                                             // subtitle 2
  long double semian2 = 20;                                         // 0.1 mm above the outer top edge
  FontDesc btntlitle3 = FontDesc::FromPixels("MS Sans Serif", 11);  // the dialog's form font
  std::string edtscale = "比例尺1:[scale]";                         // scale text with its placeholder
  long double sescale = 50;                                         // 0.1 mm below the outer bottom edge
  FontDesc btntscale = FontDesc::FromPixels("宋体", 20);

  // ---- Page 1: marginal notes ----
  std::string morb;       // lower-right note, lines joined by CR LF
  long double serb = 30;  // 0.1 mm below the outer bottom edge
  FontDesc btnrightdown = FontDesc::FromPixels("宋体", 16);
  std::string edtrightbottom;  // centred last part of the note, trimmed
  std::string edtru;           // classification mark, upper right
  long double seru = 25;       // 0.1 mm above the outer top edge
  FontDesc btnRightUp = FontDesc::FromPixels("宋体", 13);
  std::string edtmapTitle;         // upper-right map title
  long double seMapTitleTop = 25;  // 0.1 mm above the outer top edge
  long double semapTitler = 80;    // 0.1 mm from the outer right edge
  FontDesc btnmapTitle = FontDesc::FromPixels("宋体", 13);
  std::string edtleft;      // unit name written vertically on the left
  long double seleft = 30;  // 0.1 mm left of the outer left edge
  FontDesc btnleft = FontDesc::FromPixels("宋体", 15);
  std::string molb =  // lower-left note, lines joined by CR LF
      "[坐标系]。\r\n"
      "1985国家高程基准。\r\n"
      "yyyy年mm月dd日";
  long double selb = 30;  // 0.1 mm below the outer bottom edge
  FontDesc btnleftdown = FontDesc::FromPixels("宋体", 13);

  // ---- Page 2: frame ----
  int sentod = 160;     // 0.1 mm, gap between map and inner frame
  int senw = 80;        // 0.1 mm, inner to outer frame
  int seoutw = 0;       // 0.1 mm, outer frame band width
  bool Rg4JAnn = true;  // label the corners (`Rg4JAnn` index 1 "标注经纬度")
  FontDesc btn4j = FontDesc::FromPixels("宋体", 8);  // corner labels
  CornerLabelMode rgdmsmode = CornerLabelMode::DegMinSec;
  int rgwdalignmode = 1;  // index: 0 紧靠内廓, 1 居中
  int seForenum = 2;      // digits before the thousands of corner XY labels
  int seafternum = 2;     // digits after the thousands of corner XY labels

  // ---- Page 3: grid ----
  GridType rgGrid = GridType::Kilometre;
  int Seinterval = 1000;          // m, grid interval
  int seannforenum = 2;           // digits before the thousands of grid numbers
  int seannafternum = 2;          // digits after the thousands of grid numbers
  long double SeLineLength = 50;  // m, crosshair size
  int rgHor = 0;                  // index: 0 "00  10  20", 1 "05  15  25" (easting lines)
  int rgver = 0;                  // index: same items (northing lines)
  bool Chkiskmann = true;         // write kilometre numbers
  FontDesc btnDFont = FontDesc::FromPixels("宋体", 8);  // large digits of grid numbers
  FontDesc btnXFont = FontDesc::FromPixels("宋体", 8);  // small digits of grid numbers
  long double seJd = 225.0L / 3600.0L;                  // deg, graticule longitude interval
  long double sewd = 150.0L / 3600.0L;                  // deg, graticule latitude interval
  int RGJWWZJ = 1;                                      // index: 0 度分秒, 1 度分
  long double sejwcrosslen = 10.0L / 3600.0L;           // deg, graticule cross size
  int RGYaSet = 0;                                      // mask: 0 from inner frame, 1 from the map, 2 none
  long double seYaDIS = 200;                            // 0.1 mm, mask extension
  bool chkSetDa = true;                                 // held and saved; nothing reads it
  int RGBKZJMode = 1;                                   // index 0..2; held and saved; nothing reads it
  int edtBKZJDIS = 0;                                   // 0.1 mm, 0..100; held and saved; nothing reads it

  // ---- Page 4: adjacent-sheet table ----
  long double SeX = 0;    // 0.1 mm from the inner frame's upper-left corner
  long double SeY = 20;   // 0.1 mm from the inner frame's upper-left corner
  long double SEW = 130;  // 0.1 mm, cell width
  long double SeH = 70;   // 0.1 mm, cell height
  FontDesc btnjionMap = FontDesc::FromPixels("宋体", 11);
  std::string edtField;  // sheet-name field of the index file, without brackets
  // Cells without a name from the index get the neighbour's sheet number,
  // computed from the current sheet's own number.
  bool chkNeighbourNo = true;

  // ---- Page 5: scale bar ----
  bool chkscaleBarShow = false;
  int seScaleBarlen = 1000;                                     // 0.1 mm, bar length
  int sescalebarkd = 20;                                        // 0.1 mm, longest tick
  int seScaleBarHeight = 180;                                   // 0.1 mm below the outer bottom edge
  FontDesc btnscalebarFont = FontDesc::FromPixels("宋体", 11);  // also the texts of the two below

  // Three-north diagram in the bottom margin (off by default). Its base
  // point lies seNorthRight left of the inner frame's lower-right corner
  // and seNorthBelow below the outer bottom edge.
  bool chkNorthShow = false;
  int seNorthRight = 1100;      // 0.1 mm
  int seNorthBelow = 350;       // 0.1 mm
  int seNorthLength = 250;      // 0.1 mm, the true-north line
  int rgDeclination = 0;        // index: 0 the value entered below, 1 from the model file
  int seDeclination = 0;        // arc minutes, east positive (西偏3°24′ is -204)
  int seDeclinationChange = 0;  // 0.1 arc minute per year, east positive
  int seDeclinationYear = 0;    // the year seDeclination was taken; 0: the year of the diagram
  std::string edtCofFile;       // a WMM/IGRF coefficient file (.COF)
  int seNorthYear = 0;          // the year the diagram is for; 0: the year of the run

  // Slope ruler in the bottom margin (off by default): the left end of its
  // base line seSlopeLeft right of the inner frame's lower-left corner and
  // seSlopeBelow below the outer bottom edge.
  bool chkSlopeShow = false;
  int seSlopeLeft = 600;   // 0.1 mm
  int seSlopeBelow = 400;  // 0.1 mm
  int seSlopeStep = 50;    // 0.1 mm between slope marks
  int seContour = 0;       // 0.1 m, the contour interval; 0: the usual one of the scale

  // ---- Page 6: the print layout of the QGIS project ----
  int rgPrintPaper = 0;     // index: 0 the frame's size plus the margin, 1 the smallest of A4..A0
  int sePrintMargin = 100;  // 0.1 mm around the frame and its texts

  bool operator==(const TFrameSettings&) const = default;
};

}  // namespace tarvik
