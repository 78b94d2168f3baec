#include "cli/frame_run.h"

#include <filesystem>
#include <iostream>
#include <sstream>

#include "cli/cli_feedback.h"
#include "cli/command.h"
#include "cli/preview_option.h"
#include "cli/progress_channel.h"
#include "cli/run_options.h"
#include "common/error.h"
#include "common/text_util.h"
#include "frame/dxf_frame_store.h"
#include "frame/name_template.h"
#include "gdb/output_layout.h"
#include "run/run_execute.h"
#include "run/run_plan.h"
#include "settings/control_table.h"

namespace tarvik::cli {

std::vector<std::string> FrameValueOptions() {
  return {"-o",         "--output", "--scale",   "--datum",    "--zone-width", "--central-meridian",
          "--settings", "--layout", "--towgs84", "--transform"};
}
std::vector<std::string> FrameFlagOptions() {
  return {"--zone-prefix", "--geographic", "--planar", "--overwrite", "--append", "--no-project"};
}
std::vector<std::string> FrameRepeatableOptions() { return {"--set"}; }

const char* FrameOptionsHelp() {
  return "  -o, --output PATH        output: a File Geodatabase (PATH.gdb), a GeoPackage\n"
         "                           (PATH.gpkg) or a DXF drawing for CAD (PATH.dxf); its\n"
         "                           folder is created as needed\n"
         "  --overwrite              remove an existing output first (only a File\n"
         "                           Geodatabase, GeoPackage or DXF drawing is removed)\n"
         "  --append                 add the frames to an existing GeoPackage\n"
         "  --no-project             write no QGIS project (PATH.qgs) beside the output\n"
         "  --layout per-frame|shared  per-frame (default): a dataset and three classes\n"
         "                           per frame; shared: every frame in three classes\n"
         "                           L_frames, p_frames, a_frames, named in the field\n"
         "                           FrameName (for thousands of sheets; one coordinate\n"
         "                           system and scale per output)\n"
         "  --scale N                scale denominator (default 10000; also 1:5万, 2.5万);\n"
         "                           a sheet number's scale letter, and the numbers of a\n"
         "                           sheet index, name their own\n"
         "  --datum NAME             cgcs2000, xian80 (default), beijing54 or wgs84\n"
         "  --zone-width 3|6         Gauss-Krueger zone width in degrees (default 3)\n"
         "  --central-meridian N     central meridian in whole degrees, 72..138 (default:\n"
         "                           the input's own; the zone of a sheet's west edge; the\n"
         "                           zone of a geographic input's centre); a meridian that\n"
         "                           is not a zone's gets a custom transverse Mercator\n"
         "  --zone-prefix            eastings carry the zone number\n"
         "  --geographic             write longitude/latitude instead of x/y\n"
         "  --planar                 write x/y (for an input in longitude/latitude)\n"
         "  --towgs84 DX,DY,DZ,RX,RY,RZ,DS  seven Helmert parameters (PROJ's +towgs84:\n"
         "                           metres, arc-seconds position vector, ppm) taking an\n"
         "                           input on another datum (Xi'an 1980, Beijing 1954)\n"
         "                           to WGS 84/CGCS2000, or the output's datum from them\n"
         "  --transform PIPELINE     any PROJ pipeline from the input's system to the\n"
         "                           output's (axes as projinfo prints them)\n"
         "  An input with a coordinate system of its own is reprojected into the output\n"
         "  system these options choose; they describe the input only when it has none.\n"
         "  --settings FILE.set      settings saved by the window, applied first\n"
         "  --set NAME=VALUE         any setting by its control name, after the file,\n"
         "                           e.g. --set rgGrid=3 --set Seinterval=500\n"
         "                           --set edtmian=某某图 (tarvik-cli settings lists them)\n";
}

RunRequest RequestFromArgs(const Args& args, CreationMode mode) {
  RunRequest r;
  r.mode = mode;
  r.settings = SettingsFromArgs(args);
  const TFrameSettings& s = r.settings;
  // A settings file from the window states its meridian when the window's
  // 自动 was off.
  const bool fileMeridian = args.value("--settings") && !s.autoMeridian;
  // What the options state, read back after every one of them applied.
  CoordinateChoice& c = r.coords;
  if (args.value("--datum") || SetsControl(args, "gb8054")) c.datum = s.datum();
  if (args.value("--zone-width") || SetsControl(args, "cbFdf")) c.is3DegreeZone = s.is3DegreeZone;
  if (args.value("--central-meridian") || SetsControl(args, "centerL") || fileMeridian ||
      (SetsControl(args, "chkAutoMeridian") && !s.autoMeridian))
    c.centralMeridian = static_cast<int>(s.centralMeridian);
  if (args.flag("--zone-prefix") || SetsControl(args, "rgisband")) c.zonePrefix = s.addZoneNumber;
  if (args.flag("--geographic") && args.flag("--planar"))
    throw UsageError("--geographic 和 --planar 只能选一个");
  if (args.flag("--planar")) c.geographic = false;
  if (args.flag("--geographic") || SetsControl(args, "rgjw")) c.geographic = s.GeodeticOutput;
  if (args.value("--towgs84") && args.value("--transform"))
    throw UsageError("--towgs84 和 --transform 只能选一个");
  if (const auto text = args.value("--towgs84")) {
    const HelmertParse parsed = ParseHelmert(*text);
    if (!parsed.parameters) throw UsageError("--towgs84 " + *text + ": " + parsed.reason);
    r.transformation = *parsed.parameters;
  }
  // The parameters a settings file (or --set edtTowgs84=) holds.
  if (!r.transformation && !s.towgs84.empty()) {
    const HelmertParse parsed = ParseHelmert(s.towgs84);
    if (!parsed.parameters) throw UsageError("七参数 edtTowgs84=" + s.towgs84 + ": " + parsed.reason);
    r.transformation = *parsed.parameters;
  }
  if (const auto text = args.value("--transform")) {
    if (Trim(*text).empty()) throw UsageError("--transform 需要一个 PROJ 管道");
    r.transformation = ProjPipeline{*text};
  }
  if (args.value("--scale") || SetsControl(args, "edtMapscale1"))
    r.scale = ReadControlValue(s, *FindControl("edtMapscale1"));

  auto output = args.value("-o");
  if (!output) output = args.value("--output");
  if (!output) throw UsageError("需要输出: -o PATH.gdb、-o PATH.gpkg 或 -o PATH.dxf");
  // A command line's relative paths are in the current folder.
  r.output = Trim(*output).empty() ? *output : std::filesystem::absolute(*output).string();
  if (args.flag("--overwrite") && args.flag("--append"))
    throw UsageError("--overwrite 和 --append 只能选一个");
  r.existing = args.flag("--overwrite") ? ExistingOutput::Replace
               : args.flag("--append")  ? ExistingOutput::Append
                                        : ExistingOutput::Refuse;
  r.writeProject = !args.flag("--no-project");
  return r;
}

int RunFrameRequest(const Args& args, const RunRequest& request, ProgressChannel& progress) {
  CheckPreviewOptions(args);
  if (IsDxfOutput(request.output) && args.value("--preview"))
    throw UsageError("--preview 不能用于DXF输出；请先输出 .gpkg 或 .gdb 再预览");
  const RunPlan plan = PlanRun(request);
  if (plan.outputExists && request.existing == ExistingOutput::Refuse)
    throw RunError(plan.output + " 已存在；加 --overwrite 先删除它" +
                   (plan.appendable ? std::string("，或加 --append 把图廓加入其中") : std::string()));
  for (const std::string& note : plan.notes) {
    std::cerr << note << "\n";
    progress.text("note", note);
  }

  CliFeedback feedback(&progress);
  RunHooks hooks;
  hooks.outputLocked = [](const std::string& lockFile) { InstallInterruptHandler(lockFile); };
  const bool verbose = args.flag("--verbose");
  std::size_t told = 0;  // frames written to the progress stream
  // Called once the frame is on disk: a line here is a frame a reader finds.
  hooks.frameDone = [&](int done, int total, const std::string& name) {
    if (verbose) {
      std::ostringstream line;
      line << '[' << done << '/' << total << "] " << name;
      feedback.note(line.str());
    }
    ++told;
    progress.event(JsonMembers()
                       .str("event", "frame")
                       .integer("done", done)
                       .integer("total", total)
                       .str("name", name)
                       .object());
  };
  hooks.phase = [&](const std::string& what) { progress.text("phase", what); };
  // The bar stays up, saying the output is being closed, until it is.
  feedback.holdUntilClosed();
  hooks.outputClosed = [&] {
    feedback.outputClosed();
    progress.event(JsonMembers().str("event", "closed").object());
  };
  const RunResult result = ExecuteRun(plan, request.existing, feedback, hooks);
  // A typed sheet's frame is told when the run has closed its output.
  for (; told < result.frames.size(); ++told)
    progress.event(JsonMembers()
                       .str("event", "frame")
                       .integer("done", static_cast<long long>(told + 1))
                       .integer("total", static_cast<long long>(result.frames.size()))
                       .str("name", result.frames[told])
                       .object());

  const auto& c = result.counts;
  if (plan.rectSheet)
    std::cout << "矩形图幅 " << plan.rectSheet->number() << "：1:" << plan.rectSheet->denominator << "，"
              << RectLayoutName(plan.rectSheet->layout) << "厘米\n";
  std::vector<std::string> errors;
  if (result.stopped) {
    errors.push_back("已中止：写入 " + std::to_string(result.frames.size()) + " 个图廓，保留在 " +
                     result.output);
    std::cerr << errors.back() << "\n";
  }
  std::cout << "坐标系统: " << plan.system << "\n";
  PrintSummary(static_cast<int>(result.frames.size()), c.lines, c.polygons, c.texts, c.refused,
               result.milliseconds);
  int status = kExitOk;
  std::string project, style;
  if (!result.project.empty()) {
    project = std::filesystem::absolute(result.project).string();
    std::cout << "QGIS工程: " << project << "\n";
    if (!result.gdbStyle.empty()) {
      style = std::filesystem::absolute(result.gdbStyle).string();
      std::cout << "QGIS样式(手工加入图层时用): " << style << "\n";
    }
  } else if (!result.projectError.empty()) {
    errors.push_back("没有写QGIS工程：" + result.projectError);
    std::cerr << errors.back() << "\n";
    status = kExitRefused;
  }
  if (!result.frames.empty())
    WritePreviewIfAsked(args, result.output,
                        request.mode == CreationMode::SheetNumber ? result.frames.front() : std::string());
  if (result.frames.empty()) {
    status = kExitRefused;
    if (!result.stopped) errors.push_back("没有写入图廓");
  }
  if (result.stopped) status = kExitRefused;
  if (c.skipped > 0) {
    errors.push_back(std::to_string(c.skipped) + " 个要素的图形有错误，没有生成图廓（见上）");
    std::cerr << errors.back() << "\n";
    status = kExitRefused;
  }
  if (c.refused > 0) {
    status = RefusedElementsExit(c.refused);
    errors.push_back(std::to_string(c.refused) + " 个要素保存失败，输出中缺少它们");
  }
  JsonMembers m;
  m.str("output", result.output)
      .str("system", plan.system)
      .integer("frames", static_cast<long long>(result.frames.size()))
      .integer("frames_planned", static_cast<long long>(plan.frameNames.size()))
      .integer("skipped", c.skipped)
      .integer("refused_elements", c.refused)
      .integer("lines", c.lines)
      .integer("polygons", c.polygons)
      .integer("texts", c.texts)
      .str("project", project)
      .str("style", style)
      .integer("elapsed_ms", result.milliseconds)
      .strings("notes", plan.notes)
      .strings("messages", feedback.messages())
      .strings("errors", errors);
  progress.summary(result.stopped ? "stopped" : status == kExitOk ? "done" : "incomplete", status, m.text());
  return status;
}

}  // namespace tarvik::cli
