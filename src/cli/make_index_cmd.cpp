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
#include "gdb/coordinate_transform.h"
#include "gdb/envelope_grid.h"
#include "gdb/geometry.h"
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
    "  --cover FILE.shp         the area: the polygons of the file, in any coordinate\n"
    "                           system (reprojected; a sheet that only touches them\n"
    "                           is not in the index); its own Gauss-Krueger system\n"
    "                           gives the defaults below, its datum in any case\n"
    "  --towgs84, --transform   how a cover on another datum reaches the index's\n"
    "                           (as for index and area)\n"
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

// The cover's polygons in the index's own system (where the index's sheets
// are the straight-edged polygons it writes), each with its envelope, for
// the sheets to be tested against.
struct Cover {
  std::vector<Geometry> polygons;
  EnvelopeGrid grid;
  GeoBox box;  // around every polygon, in longitude and latitude

  // Whether the sheet overlaps a polygon: a sheet that only touches the
  // cover along its edge or at a corner is not in it.
  bool holds(const std::array<Point2, 4>& corners) const {
    const Geometry sheet = Geometry::Polygon({{corners.begin(), corners.end()}});
    const double area = sheet.area();
    for (const std::size_t i : grid.candidates(sheet.envelope())) {
      if (!polygons[i].intersects(sheet)) continue;
      const Geometry outside = GeometryDifference(sheet, polygons[i]);
      if (outside.isNull() || outside.area() < area * (1 - 1e-9)) return true;
    }
    return false;
  }
};

// The cover read into the index's system `indexRef`: reprojected from its
// own (densified, so that its edges stay its edges), or, for a cover that
// states no system, read as the Gauss-Krueger coordinates the options give;
// its box from the same done into the datum's longitude and latitude.
Cover ReadCover(const FeatureClass& cls, const SpatialReference& ownRef, const SpatialReference& indexRef,
                const SpatialReference& geographic, const std::optional<GivenTransformation>& given,
                std::vector<std::string>& skipped) {
  CoordinateTransform transform(ownRef, indexRef, given);
  CoordinateTransform toDegrees(ownRef, geographic, given);
  Cover cover;
  std::vector<Envelope> envelopes;
  std::optional<Envelope> degrees;
  ReadSelectedFeatures(cls, "", [&](const Feature& f) {
    // Shapes that cannot be used (none, NaN or infinite coordinates) are
    // left out by name; the index then lacks the sheets only they cover.
    if (const auto why = FrameShapeProblem(f.geometry(), false)) {
      skipped.push_back(FeatureLabel(f, "") + "：" + *why);
      return;
    }
    Geometry g = transform.transformed(f.geometry());
    if (g.isEmpty()) {
      skipped.push_back(FeatureLabel(f, "") + "：坐标无法换算为经纬度（" + transform.description() + "）");
      return;
    }
    const auto e = toDegrees.envelopeOf(f.geometry());
    if (!e) {
      skipped.push_back(FeatureLabel(f, "") + "：坐标无法换算为经纬度（" + toDegrees.description() + "）");
      return;
    }
    if (!degrees) degrees = *e;
    degrees->xMin = std::min(degrees->xMin, e->xMin), degrees->yMin = std::min(degrees->yMin, e->yMin);
    degrees->xMax = std::max(degrees->xMax, e->xMax), degrees->yMax = std::max(degrees->yMax, e->yMax);
    g = PrepareGeometry(g);
    envelopes.push_back(g.envelope());
    cover.polygons.push_back(std::move(g));
  });
  if (cover.polygons.empty()) throw RunError("覆盖范围中没有可用的图形");
  cover.box = {degrees->xMin, degrees->yMin, degrees->xMax, degrees->yMax};
  cover.grid = EnvelopeGrid(envelopes);
  return cover;
}

int Run(const std::vector<std::string>& rawArgs) {
  if (AsksForRectIndex(rawArgs)) return MakeRectIndex(rawArgs);
  const Args args(JoinBbox(rawArgs),
                  {"--scale", "--bbox", "--cover", "-o", "--output", "--datum", "--zone-width",
                   "--central-meridian", "--towgs84", "--transform"},
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
  // Output coordinates: the options, else what the cover's own system says,
  // else the defaults; the meridian else the zone of the area's centre.
  CoordParams out;
  bool geographic = false;
  bool meridianStated = false;
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
    meridianStated = true;
  }
  std::optional<GivenTransformation> given;
  if (const auto text = args.value("--towgs84")) {
    const HelmertParse parsed = ParseHelmert(*text);
    if (!parsed.parameters) throw UsageError("--towgs84 " + *text + ": " + parsed.reason);
    given = *parsed.parameters;
  }
  if (const auto text = args.value("--transform")) given = ProjPipeline{*text};
  std::optional<Cover> cover;
  std::vector<std::string> skipped;  // cover features left out
  GeoBox box;
  GeoBox area;  // the area itself (box may grow by a sheet on every side)
  if (coverPath) {
    const InputInspection inspection = InspectInput(*coverPath);
    if (!inspection.polygons) throw RunError(*coverPath + "不是面(多边形)图层");
    if (!ClassExtent(inspection.cls)) throw RunError(*coverPath + "没有图形");
    SpatialReference ownRef = inspection.ref;
    if (ownRef.empty()) {
      // No system: the options say what its coordinates are.
      if (!(args.value("--datum") && meridianStated))
        throw RunError(*coverPath + "没有定义坐标系统；请用 --datum、--central-meridian（需要时加 --zone-width、"
                       "--zone-prefix）说明它的坐标");
      ownRef = MakeProjectedReference(out, feedback);
    } else if (const InputCoordinates& ic = inspection.coordinates(); ic.recognised) {
      if (!args.value("--datum")) out.datum = DatumOfIndex(ic.coordSysIndex.value_or(0)).value_or(Datum::Xian80);
      if (!args.value("--zone-width") && ic.is3DegreeZone) out.is3DegreeZone = *ic.is3DegreeZone;
      if (!args.flag("--zone-prefix") && ic.addZoneNumber) out.addZoneNumber = *ic.addZoneNumber;
      if (!meridianStated && ic.centralMeridian) {
        out.centralMeridian = *ic.centralMeridian;
        meridianStated = true;
      }
    } else if (!args.value("--datum")) {
      if (const auto datum = DatumPairOf(ownRef, ownRef).source) out.datum = *datum;
    }
    const SpatialReference geographicRef = MakeGeographicReference(out.datum, feedback);
    if (geographicRef.empty()) throw RunError("无法建立输出的坐标系统");
    // The index's system needs the meridian, which an unstated one takes
    // from the cover's centre.
    if (!meridianStated) {
      const auto e = CoordinateTransform(ownRef, geographicRef, given).envelopeOf(EnvelopePolygon(*ClassExtent(inspection.cls)));
      if (!e) throw RunError(*coverPath + "的坐标无法换算为经纬度");
      out.centralMeridian = ZoneMeridianOf((e->xMin + e->xMax) / 2, out.is3DegreeZone);
      meridianStated = true;
    }
    const SpatialReference indexRef = geographic ? geographicRef : MakeProjectedReference(out, feedback);
    if (indexRef.empty()) throw RunError("无法建立输出的坐标系统");
    try {
      cover = ReadCover(inspection.cls, ownRef, indexRef, geographicRef, given, skipped);
    } catch (const RunError& e) {
      throw RunError(*coverPath + "：" + e.what());
    }
    for (const std::string& line : skipped) std::cerr << "跳过" << line << "\n";
    box = cover->box;
    area = box;
    // Sheets that only touch the box are tested against the cover anyway.
    long double lonSize = 0, latSize = 0;
    SheetSize(ScaleLetter(scaleIndex), lonSize, latSize);
    box = {std::max(-180.0L, box.west - lonSize), std::max(0.0L, box.south - latSize),
           std::min(180.0L, box.east + lonSize), std::min(88.0L, box.north + latSize)};
  } else {
    box = ParseBox(*bboxText);
    area = box;
  }
  if (!meridianStated) out.centralMeridian = ZoneMeridianOf((area.west + area.east) / 2, out.is3DegreeZone);

  const std::int64_t count = SheetCountInBox(scaleIndex, box);
  if (count > kMaxSheets)
    throw RunError("范围内有 " + std::to_string(count) + " 个图幅，超过 " + std::to_string(kMaxSheets) +
                   " 个；请缩小范围或选择较小的比例尺");
  const std::vector<std::string> numbers = SheetNumbersInBox(scaleIndex, box);
  // Sheets far from the meridian would be drawn hundreds of kilometres off.
  if (!geographic) CheckProjectedParams(out);
  if (!geographic) CheckLongitudeReach(out, area.west, area.east, "范围");

  std::function<bool(const SheetExtent&)> keep;
  if (cover) keep = [&](const SheetExtent& sheet) { return cover->holds(SheetCorners(sheet, out, geographic)); };
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
