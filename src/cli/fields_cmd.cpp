// tarvik-cli fields FILE.shp [--json]: what a picked input file tells the
// window: its coordinate system and the fields that can name outputs.
#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>

#include "cli/args.h"
#include "cli/cli_feedback.h"
#include "cli/command.h"
#include "cli/json.h"
#include "common/delphi.h"
#include "common/error.h"
#include "coords/ut5480SpatialReference.h"
#include "frame/input_coordinates.h"
#include "frame/utcreatetk.h"
#include "gdb/class_queries.h"

namespace tarvik::cli {
namespace {

const char* kUsage =
    "Usage: tarvik-cli fields FILE.shp [--json]\n\n"
    "Shows what the frame commands take from an input file: its coordinate system\n"
    "(datum, zone width, central meridian and zone prefix of a Gauss-Krueger\n"
    "system, or a geographic one), which become the defaults of index and area,\n"
    "and the fields whose values differ on every feature, the ones\n"
    "--name-template can use.\n\n"
    "Options:\n"
    "  --json   one JSON object with the keys file, polygons, features, epsg,\n"
    "           coordinate_system (null when none is defined or recognised; else\n"
    "           geographic, datum, and for planar systems zone_width,\n"
    "           central_meridian, zone_prefix), coordinate_error and name_fields\n";

const char* DatumName(int index) {
  switch (index) {
    case 1: return "beijing54";
    case 2: return "wgs84";
    default: return "xian80";
  }
}

const char* DatumLabel(int index) {
  switch (index) {
    case 1: return "北京54";
    case 2: return "WGS84";
    default: return "西安80";
  }
}

int Run(const std::vector<std::string>& argv) {
  try {
    const Args args(argv, {}, {"--json"});
    if (args.positional().size() != 1) throw UsageError("需要一个 .shp 文件");
    const std::string path = args.positional()[0];
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw RunError("文件" + path + ",不存在");

    CliFeedback feedback;
    Tcreatetk inspect(TFrameSettings{}, RunValues{}, nullptr, feedback, path);
    if (!inspect.FInputClass) throw RunError("不能打开" + path + "，它不是可以读取的shapefile");
    ReadSelectedFeatures(inspect.FInputClass, "", [](const Feature&) {});  // a damaged file is refused
    std::optional<InputCoordinates> coords;
    std::string coordError;
    int epsg = 0;
    try {
      coords = ApplyInputSpatialRef(inspect.FInputSpatialRef, feedback);
      epsg = IdentifyEpsgCode(inspect.FInputSpatialRef);
    } catch (const RunError& e) {
      coordError = e.what();
    }
    // A system the detector did not place decides nothing beyond planar output.
    const bool known = coords && coords->coordSysIndex.has_value();
    std::vector<std::string> fields;
    inspect.ListNameFields(fields);
    const bool polygons = IsPolygonClass(inspect.FInputClass);
    const long long features = static_cast<long long>(FeatureCount(inspect.FInputClass, ""));

    if (args.flag("--json")) {
      std::cout << "{\"file\": " << JsonString(path) << ", \"polygons\": " << (polygons ? "true" : "false")
                << ", \"features\": " << features << ", \"epsg\": ";
      if (epsg) std::cout << epsg; else std::cout << "null";
      std::cout << ", \"coordinate_system\": ";
      if (!known) {
        std::cout << "null";
      } else if (*coords->geographic) {
        std::cout << "{\"geographic\": true, \"datum\": " << JsonString(DatumName(*coords->coordSysIndex)) << "}";
      } else {
        std::cout << "{\"geographic\": false, \"datum\": " << JsonString(DatumName(*coords->coordSysIndex))
                  << ", \"zone_width\": " << (*coords->is3DegreeZone ? 3 : 6)
                  << ", \"central_meridian\": " << JsonNumber(static_cast<double>(*coords->centralMeridian))
                  << ", \"zone_prefix\": " << (*coords->addZoneNumber ? "true" : "false") << "}";
      }
      std::cout << ", \"coordinate_error\": " << (coordError.empty() ? "null" : JsonString(coordError))
                << ", \"name_fields\": [";
      for (std::size_t i = 0; i < fields.size(); ++i) std::cout << (i ? ", " : "") << JsonString(fields[i]);
      std::cout << "]}\n";
      return kExitOk;
    }

    std::cout << "文件:       " << path << "\n"
              << "图形:       " << (polygons ? "面" : "不是面图层") << "，" << features << " 个要素\n"
              << "坐标系统:   ";
    if (!coordError.empty()) {
      std::cout << coordError;
    } else if (!known) {
      std::cout << "无法识别，请用 --datum、--zone-width、--central-meridian 等选项设置";
    } else if (*coords->geographic) {
      std::cout << DatumLabel(*coords->coordSysIndex) << " 经纬度坐标";
    } else {
      std::cout << DatumLabel(*coords->coordSysIndex) << " 高斯-克吕格 " << (*coords->is3DegreeZone ? 3 : 6)
                << "度带，中央经线 " << FloatToStr(*coords->centralMeridian) << "°，"
                << (*coords->addZoneNumber ? "加带号" : "不加带号");
    }
    if (epsg) std::cout << " (EPSG:" << epsg << ")";
    std::cout << "\n命名字段:   ";
    for (std::size_t i = 0; i < fields.size(); ++i) std::cout << (i ? ", " : "") << fields[i];
    if (fields.empty()) std::cout << "(无)";
    std::cout << "\n";
    return kExitOk;
  } catch (const UsageError& e) {
    std::cerr << "tarvik-cli fields: " << e.what() << "\n\n" << kUsage;
    return kExitUsage;
  } catch (const RunError& e) {
    std::cerr << e.what() << "\n";
    return kExitRefused;
  }
}

const CommandRegistration kRegistration({"fields", "coordinate system and naming fields of an input file",
                                         kUsage, &Run});

}  // namespace
}  // namespace tarvik::cli
