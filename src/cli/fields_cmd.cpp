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
#include "frame/input_facts.h"
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
    "           coordinate_system (null when none is defined; else recognised,\n"
    "           name, geographic, and when recognised datum and, for planar\n"
    "           systems, zone_width, central_meridian, zone_prefix; when not\n"
    "           recognised the reason), use (what index and area do with its\n"
    "           coordinates: as-is, reproject, transform or describe, and\n"
    "           use_text), coordinate_error and name_fields\n";

const DatumInfo& DatumOf(const InputCoordinates& c) {
  return InfoOf(DatumOfIndex(c.coordSysIndex.value_or(0)).value_or(Datum::Xian80));
}

int Run(const std::vector<std::string>& argv) {
  const Args args(argv, {}, {"--json"});
  if (args.positional().size() != 1) throw UsageError("需要一个 .shp 文件");
  const std::string path = args.positional()[0];
  const InputInspection inspection = InspectInput(path);
  ReadSelectedFeatures(inspection.cls, "", [](const Feature&) {});  // a damaged file is refused
  const std::optional<InputCoordinates>& coords = inspection.coords;
  const std::string& coordError = inspection.coordinateError;
  const int epsg = coords ? IdentifyEpsgCode(inspection.ref) : 0;
  const bool known = coords && coords->recognised;
  const std::vector<std::string>& fields = inspection.nameFields;
  const bool polygons = inspection.polygons;
  const InputUse use = DefaultInputUse(inspection);
  const long long features = static_cast<long long>(inspection.featureCount);

  if (args.flag("--json")) {
    std::cout << "{\"file\": " << JsonString(path) << ", \"polygons\": " << (polygons ? "true" : "false")
              << ", \"features\": " << features << ", \"epsg\": ";
    if (epsg)
      std::cout << epsg;
    else
      std::cout << "null";
    std::cout << ", \"coordinate_system\": ";
    if (!coords) {
      std::cout << "null";
    } else {
      const bool geographic = coords->geographic.value_or(false);
      std::cout << "{\"recognised\": " << (known ? "true" : "false")
                << ", \"name\": " << JsonString(coords->description)
                << ", \"geographic\": " << (geographic ? "true" : "false");
      if (!known) {
        std::cout << ", \"reason\": "
                  << JsonString("不是" + DatumCaptions() + "的高斯-克吕格或经纬度坐标系统");
      } else {
        std::cout << ", \"datum\": " << JsonString(DatumOf(*coords).key);
        if (!geographic)
          std::cout << ", \"zone_width\": " << (*coords->is3DegreeZone ? 3 : 6)
                    << ", \"central_meridian\": " << JsonNumber(static_cast<double>(*coords->centralMeridian))
                    << ", \"zone_prefix\": " << (*coords->addZoneNumber ? "true" : "false");
      }
      std::cout << "}";
    }
    std::cout << ", \"use\": " << JsonString(use.key) << ", \"use_text\": " << JsonString(use.text);
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
    std::cout << coords->description;
  } else if (*coords->geographic) {
    std::cout << DatumOf(*coords).caption << " 经纬度坐标";
  } else {
    std::cout << DatumOf(*coords).caption << " 高斯-克吕格 " << (*coords->is3DegreeZone ? 3 : 6)
              << "度带，中央经线 " << FloatToStr(*coords->centralMeridian) << "°，"
              << (*coords->addZoneNumber ? "加带号" : "不加带号");
  }
  if (epsg && known) std::cout << " (EPSG:" << epsg << ")";
  std::cout << "\n用法:       " << use.text;
  std::cout << "\n命名字段:   ";
  for (std::size_t i = 0; i < fields.size(); ++i) std::cout << (i ? ", " : "") << fields[i];
  if (fields.empty()) std::cout << "(无)";
  std::cout << "\n";
  return kExitOk;
}

const CommandRegistration kRegistration({"fields", "coordinate system and naming fields of an input file",
                                         kUsage, &Run});

}  // namespace
}  // namespace tarvik::cli
