// tarvik-cli make-index --scale N (--bbox W S E N | --cover POLYGONS.shp)
// -o SHEETS.shp [...]: a standard sheet index for the index command, made
// from the sheet-number codec so that its sheets are exactly those of the
// sheet command.
#include <chrono>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "cli/args.h"
#include "cli/cli_feedback.h"
#include "cli/command.h"
#include "cli/rect_options.h"
#include "common/delphi.h"
#include "common/error.h"
#include "common/text_util.h"
#include "coords/utBJ54Xian80.h"
#include "coords/zone_reach.h"
#include "frame/input_coordinates.h"
#include "frame/input_facts.h"
#include "frame/run_checks.h"
#include "gdb/class_queries.h"
#include "gdb/sheet_index_writer.h"
#include "sheets/sheet_index.h"

namespace tarvik::cli {
namespace {

const char* kUsage =
    "Usage: tarvik-cli make-index --scale N (--bbox WEST SOUTH EAST NORTH | --cover POLYGONS.shp)\n"
    "                             -o SHEETS.shp [options]\n\n"
    "Writes a standard sheet index: a polygon shapefile with one four-corner polygon\n"
    "per national sheet of the scale that overlaps the box (decimal degrees) or a\n"
    "polygon of the cover file, its number in the field TFH, a .prj and a .cpg\n"
    "(UTF-8). Its sheets are exactly those tarvik-cli sheet draws, ready for\n"
    "tarvik-cli index SHEETS.shp --name-template [TFH] --scale N.\n\n"
    "Options:\n"
    "  --scale N                1000000, 500000, 250000, 100000, 50000, 25000,\n"
    "                           10000 or 5000\n"
    "  --bbox W S E N           the area in decimal degrees (latitudes 0..88)\n"
    "  --cover FILE.shp         the area: the polygons of the file (its coordinate\n"
    "                           system gives the defaults below)\n"
    "  -o, --output FILE.shp    the index to write\n"
    "  --overwrite              replace an existing index of that name\n"
    "  --datum NAME             cgcs2000, xian80 (default), beijing54 or wgs84\n"
    "  --zone-width 3|6         Gauss-Krueger zone width (default 3)\n"
    "  --central-meridian N     central meridian (default: the zone of the area's\n"
    "                           centre)\n"
    "  --zone-prefix            eastings carry the zone number\n"
    "  --geographic             corners in longitude/latitude instead of metres\n";

// At most this many sheets in one index (1:5 000 sheets over a whole province
// would be millions: a mistake rather than a wish).
constexpr std::int64_t kMaxSheets = 1000000;

// "--bbox W S E N" becomes "--bbox=W,S,E,N" so that negative values are not
// taken for options and the parser sees one value.
std::vector<std::string> JoinBbox(const std::vector<std::string>& argv) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < argv.size(); ++i) {
    if (argv[i] == "--bbox") {
      if (i + 4 >= argv.size()) throw UsageError("--bbox 需要四个数: WEST SOUTH EAST NORTH");
      out.push_back("--bbox=" + argv[i + 1] + "," + argv[i + 2] + "," + argv[i + 3] + "," + argv[i + 4]);
      i += 4;
    } else {
      out.push_back(argv[i]);
    }
  }
  return out;
}

GeoBox ParseBox(const std::string& text) {
  std::vector<long double> v;
  std::size_t start = 0;
  while (start <= text.size()) {
    const auto comma = text.find(',', start);
    const std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    const auto n = StrToFloat(part);
    if (!n) throw UsageError("--bbox 的值不是数: " + part);
    v.push_back(*n);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (v.size() != 4) throw UsageError("--bbox 需要四个数: WEST SOUTH EAST NORTH");
  const GeoBox box{v[0], v[1], v[2], v[3]};
  if (!(box.west < box.east) || !(box.south < box.north))
    throw UsageError("--bbox 需要 WEST < EAST 且 SOUTH < NORTH");
  if (box.south < 0 || box.north > 88 || box.west < -180 || box.east > 180)
    throw UsageError("--bbox 必须在纬度 0..88、经度 -180..180 之内");
  return box;
}

// The cover's features and how to read its coordinates.
struct Cover {
  FeatureClass cls;
  CoordParams coords;
  bool geographic = false;
  bool known = false;  // the system was identified (else the options describe it)
};

// The geographic box around the cover: the edges of its extent sampled
// (a planar rectangle's extreme latitudes need not lie at its corners).
GeoBox CoverBox(const Cover& cover, const Envelope& e, CliFeedback& feedback) {
  if (cover.geographic) return {e.xMin, e.yMin, e.xMax, e.yMax};
  GeoBox box{1e9L, 1e9L, -1e9L, -1e9L};
  constexpr int kSteps = 32;
  for (int i = 0; i <= kSteps; ++i) {
    const double t = static_cast<double>(i) / kSteps;
    const double xs[4] = {e.xMin + t * (e.xMax - e.xMin), e.xMin + t * (e.xMax - e.xMin), e.xMin, e.xMax};
    const double ys[4] = {e.yMin, e.yMax, e.yMin + t * (e.yMax - e.yMin), e.yMin + t * (e.yMax - e.yMin)};
    for (int k = 0; k < 4; ++k) {
      long double lon = 0, lat = 0;
      if (!XYToLB(cover.coords, ys[k], xs[k], lon, lat, feedback)) throw RunError("覆盖范围的坐标无法换算为经纬度");
      box.west = std::min(box.west, lon);
      box.east = std::max(box.east, lon);
      box.south = std::min(box.south, lat);
      box.north = std::max(box.north, lat);
    }
  }
  return box;
}

int Run(const std::vector<std::string>& rawArgs) {
  if (AsksForRectIndex(rawArgs)) return MakeRectIndex(rawArgs);
  const Args args(JoinBbox(rawArgs),
                  {"--scale", "--bbox", "--cover", "-o", "--output", "--datum", "--zone-width",
                   "--central-meridian"},
                  {"--zone-prefix", "--geographic", "--overwrite"});
  if (!args.positional().empty()) throw UsageError("多余的参数: " + args.positional()[0]);
  const auto scaleText = args.value("--scale");
  if (!scaleText) throw UsageError("需要 --scale");
  const auto scale = StrToInt(*scaleText);
  const int scaleIndex = scale ? ScaleIndexOfDenominator(static_cast<long>(*scale)) : -1;
  if (scaleIndex < 0)
    throw UsageError("--scale 只能是 1000000、500000、250000、100000、50000、25000、10000 或 5000: " + *scaleText);
  const auto bboxText = args.value("--bbox");
  const auto coverPath = args.value("--cover");
  if (bboxText.has_value() == coverPath.has_value()) throw UsageError("需要 --bbox 或 --cover 之一");
  const std::string output = IndexOutputOption(args);

  CliFeedback feedback;
  const auto start = std::chrono::steady_clock::now();
  // Output coordinates: the defaults, then what the cover's system says,
  // then the options.
  CoordParams out;
  bool geographic = false;
  std::optional<Cover> cover;
  std::vector<std::string> skipped;  // cover features left out
  GeoBox box;
  GeoBox area;  // the area itself (box may grow by a sheet on every side)
  if (coverPath) {
    const InputInspection inspection = InspectInput(*coverPath);
    if (!inspection.polygons) throw RunError(*coverPath + "不是面(多边形)图层");
    Cover c;
    c.cls = inspection.cls;
    const InputCoordinates& ic = inspection.coordinates();
    c.geographic = ic.geographic.value_or(false);
    c.coords.datum = DatumOfIndex(ic.coordSysIndex.value_or(0)).value_or(Datum::Xian80);
    c.coords.is3DegreeZone = ic.is3DegreeZone.value_or(true);
    c.coords.addZoneNumber = ic.addZoneNumber.value_or(false);
    c.coords.centralMeridian = ic.centralMeridian.value_or(87);
    c.known = ic.recognised;
    // Shapes that cannot be used (none, NaN or infinite coordinates) are
    // left out by name; the index then lacks the sheets only they cover.
    ReadSelectedFeatures(c.cls, "", [&](const Feature& f) {
      if (const auto why = FrameShapeProblem(f.geometry(), false))
        skipped.push_back(FeatureLabel(f, "") + "：" + *why);
    });
    for (const std::string& line : skipped) std::cerr << "跳过" << line << "\n";
    if (!ClassExtent(c.cls)) throw RunError(*coverPath + "没有图形");
    if (!c.known && !(args.value("--datum") && args.value("--central-meridian")))
      throw RunError(*coverPath + "的坐标系统 " + ic.description + " 不是能自动识别的坐标系统（" +
                     DatumCaptions() + "的高斯-克吕格或经纬度坐标）；请用 --datum、--zone-width、"
                     "--central-meridian 和 --zone-prefix 说明它的坐标");
    // Planar output unless --geographic; a geographic cover leaves the zone
    // to the area's centre.
    out = c.coords;
    if (c.geographic) out.centralMeridian = -1;
    cover = std::move(c);
  } else {
    box = ParseBox(*bboxText);
    area = box;
    out.centralMeridian = -1;  // the zone of the box's centre, below
  }

  if (const auto d = args.value("--datum")) {
    const auto datum = DatumOfKey(*d);
    if (!datum) throw UsageError("--datum 只能是 " + DatumKeyList() + ": " + *d);
    out.datum = *datum;
  }
  if (const auto w = args.value("--zone-width")) {
    if (*w != "3" && *w != "6") throw UsageError("--zone-width 只能是 3 或 6: " + *w);
    out.is3DegreeZone = *w == "3";
  }
  if (args.flag("--zone-prefix")) out.addZoneNumber = true;
  if (args.flag("--geographic")) geographic = true;
  if (const auto cm = args.value("--central-meridian")) {
    const auto v = StrToFloat(*cm);
    if (!v || *v < 72 || *v > 138 || *v != std::floor(*v))
      throw UsageError("--central-meridian 需要 72..138 之间的整度数: " + *cm);
    out.centralMeridian = *v;
  }
  if (cover) {
    // A cover whose system could not be identified is read as the options say.
    if (!cover->known) cover->coords = out;
    box = CoverBox(*cover, *ClassExtent(cover->cls), feedback);
    area = box;
    // Sheets that only touch the box are tested against the cover anyway.
    long double lonSize = 0, latSize = 0;
    SheetSize(ScaleLetter(scaleIndex), lonSize, latSize);
    box = {std::max(-180.0L, box.west - lonSize), std::max(0.0L, box.south - latSize),
           std::min(180.0L, box.east + lonSize), std::min(88.0L, box.north + latSize)};
  }
  if (out.centralMeridian < 0) out.centralMeridian = ZoneMeridianOf((area.west + area.east) / 2, out.is3DegreeZone);

  const std::int64_t count = SheetCountInBox(scaleIndex, box);
  if (count > kMaxSheets)
    throw RunError("范围内有 " + std::to_string(count) + " 个图幅，超过 " + std::to_string(kMaxSheets) +
                   " 个；请缩小范围或选择较小的比例尺");
  const std::vector<std::string> numbers = SheetNumbersInBox(scaleIndex, box);
  // Sheets far from the meridian would be drawn hundreds of kilometres off.
  if (!geographic) CheckProjectedParams(out);
  if (!geographic) CheckLongitudeReach(out, area.west, area.east, "范围");

  std::function<bool(const SheetExtent&)> keep;
  if (cover) {
    keep = [&](const SheetExtent& sheet) {
      auto c = SheetCorners(sheet, cover->coords, cover->geographic);
      // A sheet belongs to the cover when the cover reaches into it, not
      // when it only touches one of its edges or corners: the sheet is
      // tested a millionth of its size inside its edges (millimetres on the
      // ground), so a neighbour sharing an edge with the cover is left out.
      const double cx = (c[0].x + c[1].x + c[2].x + c[3].x) / 4, cy = (c[0].y + c[1].y + c[2].y + c[3].y) / 4;
      for (Point2& p : c) p = {cx + (p.x - cx) * (1 - 1e-6), cy + (p.y - cy) * (1 - 1e-6)};
      const Geometry polygon = Geometry::Polygon({{c.begin(), c.end()}});
      return QueryFeatures(cover->cls, polygon, "", QueryLimit::First).count > 0;
    };
  }
  const std::vector<IndexPolygon> sheets = SheetIndexPolygons(numbers, out, geographic, keep);
  if (sheets.empty()) throw RunError("范围内没有图幅");

  const SpatialReference ref =
      geographic ? MakeGeographicReference(out.datum, feedback) : MakeProjectedReference(out, feedback);
  if (ref.empty()) throw RunError("无法建立输出的坐标系统");
  WriteSheetIndex(output, ref, "TFH", sheets, args.flag("--overwrite"));
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                      .count();
  std::cout << "写入 " << sheets.size() << " 个图幅到 " << output << " (" << ref.name() << ")\n"
            << "完成，用时" << ms << "毫秒\n";
  if (!skipped.empty()) {
    std::cerr << skipped.size() << " 个覆盖范围要素的图形有错误，索引中没有只属于它们的图幅（见上）\n";
    return kExitRefused;
  }
  return kExitOk;
}

const CommandRegistration kRegistration({"make-index", "write a standard sheet index for an area",
                                         kUsage + std::string(RectIndexUsage()), &Run});

}  // namespace

std::string IndexOutputOption(const Args& args) {
  auto output = args.value("-o");
  if (!output) output = args.value("--output");
  if (!output) throw UsageError("需要输出: -o SHEETS.shp");
  if (!EndsWithNoCase(*output, ".shp")) throw UsageError("输出必须是 .shp 文件: " + *output);
  std::error_code ec;
  if (std::filesystem::exists(*output, ec) && !args.flag("--overwrite"))
    throw RunError(*output + " 已存在；加 --overwrite 替换它");
  return *output;
}

}  // namespace tarvik::cli
