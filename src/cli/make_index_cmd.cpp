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
#include "cli/progress_channel.h"
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
#include "run/make_index.h"
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
    "  --geographic             corners in longitude/latitude instead of metres\n"
    "  --progress json          a summary line (output, system, sheets, time,\n"
    "                           errors) on stdout; --progress-fd N: on descriptor N\n";

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
    const std::string part =
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
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

int Run(const std::vector<std::string>& rawArgs, ProgressChannel& progress) {
  if (AsksForRectIndex(rawArgs)) return MakeRectIndex(rawArgs);
  const Args args(JoinBbox(rawArgs),
                  {"--scale", "--bbox", "--cover", "-o", "--output", "--datum", "--zone-width",
                   "--central-meridian", "--towgs84", "--transform"},
                  {"--zone-prefix", "--geographic", "--overwrite"});
  if (!args.positional().empty()) throw UsageError("多余的参数: " + args.positional()[0]);
  IndexRequest r;
  const auto scaleText = args.value("--scale");
  if (!scaleText) throw UsageError("需要 --scale");
  const auto scale = StrToInt(*scaleText);
  if (!scale || ScaleIndexOfDenominator(static_cast<long>(*scale)) < 0)
    throw UsageError("--scale 只能是 1000000、500000、250000、100000、50000、25000、10000 或 5000: " +
                     *scaleText);
  r.scale = static_cast<long>(*scale);
  const auto bboxText = args.value("--bbox");
  const auto coverPath = args.value("--cover");
  if (bboxText.has_value() == coverPath.has_value()) throw UsageError("需要 --bbox 或 --cover 之一");
  if (bboxText) r.box = ParseBox(*bboxText);
  if (coverPath) r.coverPath = *coverPath;
  r.output = IndexOutputOption(args);
  r.overwrite = args.flag("--overwrite");
  if (const auto d = args.value("--datum")) {
    const auto datum = DatumOfKey(*d);
    if (!datum) throw UsageError("--datum 只能是 " + DatumKeyList() + ": " + *d);
    r.datum = *datum;
  }
  if (const auto w = args.value("--zone-width")) {
    if (*w != "3" && *w != "6") throw UsageError("--zone-width 只能是 3 或 6: " + *w);
    r.is3DegreeZone = *w == "3";
  }
  if (args.flag("--zone-prefix")) r.zonePrefix = true;
  r.geographic = args.flag("--geographic");
  if (const auto cm = args.value("--central-meridian")) {
    const auto v = StrToFloat(*cm);
    if (!v || *v < 72 || *v > 138 || *v != std::floor(*v))
      throw UsageError("--central-meridian 需要 72..138 之间的整度数: " + *cm);
    r.centralMeridian = static_cast<int>(*v);
  }
  if (const auto text = args.value("--towgs84")) {
    const HelmertParse parsed = ParseHelmert(*text);
    if (!parsed.parameters) throw UsageError("--towgs84 " + *text + ": " + parsed.reason);
    r.transformation = *parsed.parameters;
  }
  if (const auto text = args.value("--transform")) r.transformation = ProjPipeline{*text};

  const auto start = std::chrono::steady_clock::now();
  const IndexResult result = MakeStandardIndex(r);
  for (const std::string& line : result.skipped) std::cerr << "跳过" << line << "\n";
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  std::cout << "写入 " << result.sheets << " 个图幅到 " << r.output << " (" << result.system << ")\n"
            << "完成，用时" << ms << "毫秒\n";
  std::vector<std::string> errors;
  if (!result.skipped.empty()) {
    errors.push_back(std::to_string(result.skipped.size()) +
                     " 个覆盖范围要素的图形有错误，索引中没有只属于它们的图幅（见上）");
    std::cerr << errors.back() << "\n";
  }
  std::vector<std::string> skipped;
  for (const std::string& line : result.skipped) skipped.push_back("跳过" + line);
  const int status = errors.empty() ? kExitOk : kExitRefused;
  progress.summary(status == kExitOk ? "done" : "incomplete", status,
                   JsonMembers()
                       .str("output", std::filesystem::absolute(r.output).string())
                       .str("system", result.system)
                       .integer("sheets", result.sheets)
                       .integer("elapsed_ms", ms)
                       .strings("messages", skipped)
                       .strings("errors", errors)
                       .text());
  return status;
}

const CommandRegistration kRegistration({"make-index", "write a standard sheet index for an area",
                                         kUsage + std::string(RectIndexUsage()), nullptr, &Run});

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
