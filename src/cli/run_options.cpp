#include "cli/run_options.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "cli/command.h"
#include "common/delphi.h"
#include "common/error.h"
#include "common/text_util.h"
#include "frame/dxf_frame_store.h"
#include "gdb/output_kind.h"
#include "gdb/output_layout.h"
#include "gdb/output_removal.h"
#include "settings/control_table.h"
#include "settings/settings_apply.h"

namespace tarvik::cli {

std::vector<std::string> RunValueOptions() {
  return {"-o", "--output", "--scale", "--datum", "--zone-width", "--central-meridian", "--settings", "--layout"};
}
std::vector<std::string> RunFlagOptions() {
  return {"--zone-prefix", "--geographic", "--overwrite", "--no-project"};
}
std::vector<std::string> RunRepeatableOptions() { return {"--set"}; }

const char* RunOptionsHelp() {
  return "  -o, --output PATH        output: a File Geodatabase (PATH.gdb), a GeoPackage\n"
         "                           (PATH.gpkg) or a DXF drawing for CAD (PATH.dxf); its\n"
         "                           folder is created as needed\n"
         "  --overwrite              remove an existing output first (only a File\n"
         "                           Geodatabase or GeoPackage is ever removed)\n"
         "  --no-project             write no QGIS project (PATH.qgs) beside the output\n"
         "  --layout per-frame|shared  per-frame (default): a dataset and three classes\n"
         "                           per frame; shared: every frame in three classes\n"
         "                           L_frames, p_frames, a_frames, named in the field\n"
         "                           FrameName (for thousands of sheets; one coordinate\n"
         "                           system and scale per output)\n"
         "  --scale N                scale denominator (default 10000; also 1:5万, 2.5万)\n"
         "  --datum NAME             cgcs2000, xian80 (default), beijing54 or wgs84\n"
         "  --zone-width 3|6         Gauss-Krueger zone width in degrees (default 3)\n"
         "  --central-meridian N     central meridian in whole degrees, 72..138; a meridian\n"
         "                           that is not a zone's gets a custom transverse\n"
         "                           Mercator coordinate system\n"
         "  --zone-prefix            eastings carry the zone number\n"
         "  --geographic             write longitude/latitude instead of x/y\n"
         "  --settings FILE.set      settings saved by the window, applied first\n"
         "  --set NAME=VALUE         any setting by its control name, after the file,\n"
         "                           e.g. --set rgGrid=3 --set Seinterval=500\n"
         "                           --set edtmian=某某图 (tarvik-cli settings lists them)\n";
}

namespace {

void Apply(TFrameSettings& s, std::string_view control, const std::string& value,
           const std::string& option) {
  if (const auto reason = ApplyControlValue(s, control, value))
    throw UsageError(option + " " + value + ": " + *reason);
}

}  // namespace

void LoadSettingsOption(const std::string& file, TFrameSettings& settings) {
  const SettingsLoadReport report = LoadSettingsInto(file, settings);
  if (!report.found) throw UsageError("--settings: 设置文件不存在: " + file);
  if (report.unreadable) throw RunError(SettingsLoadMessage(report, file));
  if (!report.problems.empty()) std::cerr << SettingsLoadMessage(report, file) << "\n";
}

TFrameSettings SettingsFromArgs(const Args& args, const InputCoordinates& defaults) {
  TFrameSettings s;
  if (const auto file = args.value("--settings")) LoadSettingsOption(*file, s);

  if (defaults.coordSysIndex) Apply(s, "gb8054", std::to_string(*defaults.coordSysIndex), "--datum");
  if (defaults.is3DegreeZone) s.is3DegreeZone = *defaults.is3DegreeZone;
  if (defaults.addZoneNumber) s.addZoneNumber = *defaults.addZoneNumber;
  if (defaults.centralMeridian) s.centralMeridian = *defaults.centralMeridian;
  if (defaults.geographic) s.GeodeticOutput = *defaults.geographic;

  // Read as the window's scale box reads it ("50000", "1:5万").
  if (const auto scale = args.value("--scale")) Apply(s, "edtMapscale1", *scale, "--scale");
  if (const auto datum = args.value("--datum")) {
    const auto d = DatumOfKey(*datum);
    if (!d) throw UsageError("--datum 只能是 " + DatumKeyList() + ": " + *datum);
    Apply(s, "gb8054", std::to_string(IndexOf(*d)), "--datum");
  }
  if (const auto width = args.value("--zone-width")) {
    if (*width != "3" && *width != "6") throw UsageError("--zone-width 只能是 3 或 6: " + *width);
    Apply(s, "cbFdf", *width == "3" ? "0" : "1", "--zone-width");
  }
  if (const auto cm = args.value("--central-meridian")) Apply(s, "centerL", *cm, "--central-meridian");
  if (const auto layout = args.value("--layout")) {
    const auto l = OutputLayoutOfKey(*layout);
    if (!l) throw UsageError("--layout 只能是 per-frame 或 shared: " + *layout);
    s.sharedLayout = *l == OutputLayout::Shared;
  }
  if (args.flag("--zone-prefix")) s.addZoneNumber = true;
  if (args.flag("--geographic")) s.GeodeticOutput = true;

  for (const std::string& assignment : args.values("--set")) {
    const auto eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0) throw UsageError("--set 需要 NAME=VALUE: " + assignment);
    const std::string name = assignment.substr(0, eq);
    if (const auto reason = ApplyControlValue(s, name, assignment.substr(eq + 1)))
      throw UsageError("--set " + assignment + ": " + *reason);
  }
  return s;
}

namespace {

bool SetsControl(const Args& args, std::string_view control) {
  for (const std::string& a : args.values("--set"))
    if (a.rfind(std::string(control) + "=", 0) == 0) return true;
  return false;
}

}  // namespace

bool MeridianStated(const Args& args) {
  return args.value("--central-meridian") || SetsControl(args, "centerL");
}

bool CoordinatesStated(const Args& args) {
  // A settings file from the window holds both.
  if (args.value("--settings")) return true;
  return (args.value("--datum") || SetsControl(args, "gb8054")) && MeridianStated(args);
}

PreparedOutput PrepareOutput(const Args& args) {
  auto path = args.value("-o");
  if (!path) path = args.value("--output");
  if (!path) throw UsageError("需要输出: -o PATH.gdb 或 -o PATH.gpkg");
  if (Trim(*path).empty()) throw RunError("输出不能为空");
  if (IsDxfOutput(*path)) {
    if (args.value("--preview")) throw UsageError("--preview 不能用于DXF输出；请先输出 .gpkg 或 .gdb 再预览");
    PreparedOutput prepared{*path, OutputLock::Acquire(*path)};
    std::error_code ec;
    if (std::filesystem::exists(*path, ec)) {
      if (!args.flag("--overwrite")) throw RunError(*path + " 已存在；加 --overwrite 先删除它");
      if (!IsDxfFile(*path) || !std::filesystem::remove(*path, ec))
        throw RunError(*path + "文件已存在，且无法删除(它不是DXF文件)");
    }
    return prepared;
  }
  OutputKindOf(*path);  // refuses .mdb and other kinds with its message
  PreparedOutput prepared{*path, OutputLock::Acquire(*path)};
  if (OutputExists(*path)) {
    if (!args.flag("--overwrite")) throw RunError(*path + " 已存在；加 --overwrite 先删除它");
    RemoveOutputStore(*path);
  }
  return prepared;
}

void PrintSummary(int frames, int lines, int polygons, int texts, int refused, long long milliseconds) {
  std::cout << "写入 " << frames << " 个图廓: " << lines << " 条线, " << polygons << " 个面, "
            << texts << " 个注记";
  if (refused > 0) std::cout << "; " << refused << " 个要素保存失败";
  std::cout << "\n完成，用时" << milliseconds << "毫秒\n";
}

int RefusedElementsExit(int refused) {
  std::cerr << refused << " 个要素保存失败，输出中缺少它们\n";
  return kExitRefused;
}

}  // namespace tarvik::cli
