// tarvik-cli make-index --rect LAYOUT --scale N (--extent XMIN YMIN XMAX YMAX |
// --cover POLYGONS.shp) -o SHEETS.shp: an index of large-scale rectangular
// sheets, numbered "x-y" in the field TFH, for the index command.
#include <chrono>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "cli/args.h"
#include "cli/cli_feedback.h"
#include "cli/command.h"
#include "cli/rect_options.h"
#include "cli/run_options.h"
#include "common/delphi.h"
#include "common/error.h"
#include "common/text_util.h"
#include "coords/datum.h"
#include "coords/utBJ54Xian80.h"
#include "coords/zone_reach.h"
#include "frame/input_coordinates.h"
#include "frame/input_facts.h"
#include "gdb/class_queries.h"
#include "gdb/sheet_index_writer.h"

namespace tarvik::cli {
namespace {

constexpr std::int64_t kMaxSheets = 1000000;

// "--extent A B C D" becomes "--extent=A,B,C,D" so the parser sees one value.
std::vector<std::string> JoinExtent(const std::vector<std::string>& argv) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < argv.size(); ++i) {
    if (argv[i] != "--extent") {
      out.push_back(argv[i]);
      continue;
    }
    if (i + 4 >= argv.size()) throw UsageError("--extent 需要四个数: XMIN YMIN XMAX YMAX");
    out.push_back("--extent=" + argv[i + 1] + "," + argv[i + 2] + "," + argv[i + 3] + "," + argv[i + 4]);
    i += 4;
  }
  return out;
}

struct Extent {
  long double xMin = 0, yMin = 0, xMax = 0, yMax = 0;  // x northing, y easting, metres
};

Extent ParseExtent(const std::string& text) {
  std::vector<long double> v;
  for (std::size_t start = 0;;) {
    const auto comma = text.find(',', start);
    const std::string part =
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    const auto n = StrToFloat(part);
    if (!n || !std::isfinite(*n)) throw UsageError("--extent 的值不是数: " + part);
    v.push_back(*n);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (v.size() != 4) throw UsageError("--extent 需要四个数: XMIN YMIN XMAX YMAX");
  const Extent e{v[0], v[1], v[2], v[3]};
  if (!(e.xMin < e.xMax) || !(e.yMin < e.yMax)) throw UsageError("--extent 需要 XMIN < XMAX 且 YMIN < YMAX");
  return e;
}

std::string Km(long double metres) { return FloatToStr(metres / 1000); }

}  // namespace

const char* RectIndexUsage() {
  return "\nLarge-scale rectangular sheets:\n"
         "  tarvik-cli make-index --rect 50x50|40x50|40x40 --scale 500|1000|2000|5000\n"
         "                        (--extent XMIN YMIN XMAX YMAX | --cover POLYGONS.shp) -o SHEETS.shp\n"
         "writes the sheets of that size (cm on paper, north-south x east-west) lying on\n"
         "whole multiples of it from x = 0, y = 0 that overlap the area, numbered by the\n"
         "south-west corner in km, x first (3810.40-500.75 at 1:500, 4230.0-510.0 at 1:1000,\n"
         "3810-502 at 1:5000). --extent is in Gauss-Krueger metres, X the northing and\n"
         "Y the easting as in the numbers, of the system that --datum and\n"
         "--central-meridian (with --zone-width, --zone-prefix) must state. A --cover\n"
         "file keeps its own coordinate system.\n";
}

int MakeRectIndex(const std::vector<std::string>& rawArgs) {
  const Args args(JoinExtent(rawArgs),
                  {"--rect", "--scale", "--extent", "--cover", "-o", "--output", "--datum", "--zone-width",
                   "--central-meridian"},
                  {"--zone-prefix", "--overwrite"});
  if (!args.positional().empty()) throw UsageError("多余的参数: " + args.positional()[0]);
  const auto layout = RectLayoutOption(args);
  if (!layout) throw UsageError("需要 --rect 50x50、40x50 或 40x40");
  const auto scale = args.integer("--scale");
  if (!scale) throw UsageError("需要 --scale 500、1000、2000 或 5000");
  const long denominator = static_cast<long>(*scale);
  if (const auto problem = RectLayoutProblem(denominator, *layout)) throw UsageError(*problem);
  const auto extentText = args.value("--extent");
  const auto coverPath = args.value("--cover");
  if (extentText.has_value() == coverPath.has_value()) throw UsageError("需要 --extent 或 --cover 之一");
  const std::string output = IndexOutputOption(args);
  const bool systemOptions = args.value("--datum") || args.value("--zone-width") ||
                             args.value("--central-meridian") || args.flag("--zone-prefix");

  CliFeedback feedback;
  const auto start = std::chrono::steady_clock::now();
  Extent area;
  SpatialReference ref;  // the cover's own, when it has a recognised one
  CoordParams coords;
  FeatureClass cover;
  if (coverPath) {
    const InputInspection inspection = InspectInput(*coverPath);
    if (!inspection.polygons) throw RunError(*coverPath + "不是面(多边形)图层");
    cover = inspection.cls;
    const SpatialReference& coverRef = inspection.ref;
    if (coverRef.empty()) throw RunError(*coverPath + "没有定义坐标系统");
    if (coverRef.isGeographic()) throw RunError(*coverPath + "是经纬度坐标；矩形分幅需要平面坐标的范围");
    const InputCoordinates& ic = inspection.coordinates();
    if (ic.recognised) {
      if (systemOptions) throw UsageError("--cover 文件自带坐标系统，索引沿用它；不能再给 --datum 等选项");
      ref = coverRef;
      coords.datum = DatumOfIndex(ic.coordSysIndex.value_or(0)).value_or(Datum::Xian80);
      coords.is3DegreeZone = ic.is3DegreeZone.value_or(true);
      coords.addZoneNumber = ic.addZoneNumber.value_or(false);
      coords.centralMeridian = ic.centralMeridian.value_or(87);
    } else if (!RectSystemStated(args)) {
      throw RunError(*coverPath + "的坐标系统 " + ic.description +
                     " 不是能自动识别的高斯-克吕格坐标；请用 --datum、--zone-width、--central-meridian 和 "
                     "--zone-prefix 说明它的坐标");
    }
    const auto e = ClassExtent(cover);
    if (!e) throw RunError(*coverPath + "没有图形");
    area = {e->yMin, e->xMin, e->yMax, e->xMax};  // store-x is the easting
  } else {
    if (!RectSystemStated(args))
      throw UsageError(
          "--extent 的坐标系统须用 --datum 和 --central-meridian 说明（需要时加 "
          "--zone-width、--zone-prefix）");
    area = ParseExtent(*extentText);
  }
  if (ref.empty()) {
    coords = CoordParamsOf(SettingsFromArgs(args));
    ref = MakeProjectedReference(coords, feedback);
    if (ref.empty()) throw RunError("无法建立输出的坐标系统");
  }
  if (area.xMin < 0 || area.yMin < 0)
    throw RunError("矩形图幅以西南角的公里数编号，范围的坐标不能为负 (x " + Km(area.xMin) + "，y " +
                   Km(area.yMin) + " 公里)");
  // Sheets written under a system that does not describe them would lie
  // far from where the coordinates say.
  CheckProjectedParams(coords);
  CheckPlanarReach(coords, static_cast<double>(area.yMin), static_cast<double>(area.xMin),
                   static_cast<double>(area.yMax), static_cast<double>(area.xMax), "范围");

  const std::int64_t count = RectSheetCount(denominator, *layout, area.xMin, area.yMin, area.xMax, area.yMax);
  if (count > kMaxSheets)
    throw RunError("范围内有 " + std::to_string(count) + " 个图幅，超过 " + std::to_string(kMaxSheets) +
                   " 个；请缩小范围或选择较小的比例尺");
  std::vector<IndexPolygon> sheets;
  for (const RectSheet& sheet :
       RectSheetsIn(denominator, *layout, area.xMin, area.yMin, area.xMax, area.yMax)) {
    const auto w = static_cast<double>(sheet.west()), s = static_cast<double>(sheet.south());
    const auto e = static_cast<double>(sheet.west() + sheet.ySize());
    const auto n = static_cast<double>(sheet.south() + sheet.xSize());
    IndexPolygon polygon{sheet.number(), {{w, s}, {w, n}, {e, n}, {e, s}}};
    if (cover && QueryFeatures(cover, Geometry::Polygon({polygon.ring}), "", QueryLimit::First).count <= 0)
      continue;
    sheets.push_back(std::move(polygon));
  }
  if (sheets.empty()) throw RunError("范围内没有图幅");
  WriteSheetIndex(output, ref, "TFH", sheets, args.flag("--overwrite"));
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  std::cout << "写入 " << sheets.size() << " 个图幅到 " << output << " (" << ref.name() << ")\n"
            << "矩形图幅 1:" << denominator << "，" << RectLayoutName(*layout) << "厘米\n"
            << "完成，用时" << ms << "毫秒\n";
  return kExitOk;
}

}  // namespace tarvik::cli
