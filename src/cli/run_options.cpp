#include "cli/run_options.h"

#include <iostream>

#include "cli/command.h"
#include "common/error.h"
#include "common/text_util.h"
#include "coords/datum.h"
#include "gdb/output_layout.h"
#include "settings/control_table.h"
#include "settings/settings_apply.h"

namespace tarvik::cli {
namespace {

void Apply(TFrameSettings& s, std::string_view control, const std::string& value, const std::string& option) {
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

bool SetsControl(const Args& args, std::string_view control) {
  for (const std::string& a : args.values("--set")) {
    const auto eq = a.find('=');
    if (eq != std::string::npos && EqualsNoCase(std::string_view(a).substr(0, eq), control)) return true;
  }
  return false;
}

TFrameSettings SettingsFromArgs(const Args& args) {
  TFrameSettings s;
  if (const auto file = args.value("--settings")) LoadSettingsOption(*file, s);
  // Read as the window's scale box reads it ("50000", "1:5万").
  if (const auto scale = args.value("--scale")) Apply(s, "edtMapscale1", *scale, "--scale");
  if (const auto datum = args.value("--datum")) {
    const auto d = DatumOfKey(*datum);
    if (!d) throw UsageError("--datum 只能是 " + DatumKeyList() + ": " + *datum);
    s.CoordSysIndex = IndexOf(*d);
  }
  if (const auto width = args.value("--zone-width")) {
    if (*width != "3" && *width != "6") throw UsageError("--zone-width 只能是 3 或 6: " + *width);
    s.is3DegreeZone = *width == "3";
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
    if (const auto reason = ApplyControlValue(s, assignment.substr(0, eq), assignment.substr(eq + 1)))
      throw UsageError("--set " + assignment + ": " + *reason);
  }
  return s;
}

void PrintSummary(int frames, int lines, int polygons, int texts, int refused, long long milliseconds) {
  std::cout << "写入 " << frames << " 个图廓: " << lines << " 条线, " << polygons << " 个面, " << texts
            << " 个注记";
  if (refused > 0) std::cout << "; " << refused << " 个要素保存失败";
  std::cout << "\n完成，用时" << milliseconds << "毫秒\n";
}

int RefusedElementsExit(int refused) {
  std::cerr << refused << " 个要素保存失败，输出中缺少它们\n";
  return kExitRefused;
}

}  // namespace tarvik::cli
